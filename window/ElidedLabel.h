#pragma once

#include <QLabel>
#include <QString>

// A one-line label that shows as much of its text as fits and ends it with
// "…" when cut; the whole text is then its tool tip. It asks for no width
// of its own, so a layout may give it any.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text = QString(), QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return m_full; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void elide();

    QString m_full;
};
