#pragma once

#include <QLabel>
#include <QTimer>

// The window's transient notice: a rounded label near the top of its
// parent, centred, that hides itself after a while and never takes clicks.
class Toast : public QLabel
{
    Q_OBJECT
public:
    explicit Toast(QWidget* parent = nullptr);

    // Shows the text as typed (never as markup) for ms milliseconds; a new
    // message replaces the shown one and restarts the count.
    void showMessage(const QString& text, int ms);
    // Moves to another parent; a shown message stays shown there, its time
    // running on.
    void moveTo(QWidget* parent);

    // Fits the toast into the parent and centres it 28 pixels below the
    // parent's top edge (higher up in a parent too short for that).
    void reposition();

private:
    void fitInto(const QSize& area);

    QTimer timer;
    QString message;   // as given; the label may show it shortened
};
