#pragma once

#include <QList>
#include <QWidget>

#include "Chapter.h"

// The painted seek slider of the transport bar. It never seeks itself: it
// reports the time under the pointer and lets the window do the seeking.
class SeekBar : public QWidget
{
    Q_OBJECT
public:
    explicit SeekBar(QWidget* parent = nullptr);

    QSize sizeHint() const override;

    void setDuration(double seconds);
    void setPosition(double seconds);
    void setChapters(const QList<Chapter>& chapters);
    void setAbLoop(double a, double b);

    QRect groove() const;
    double secsAt(int x) const;
    int xAt(double secs) const;

signals:
    void seekRequested(double secs, bool dragging);
    void hovered(double secs, const QPoint& globalAnchor);
    void hoverLeft();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Ends a drag at secs as the button's release does.
    void endDrag(double secs);

    double m_duration = 0;
    double m_position = 0;
    QList<Chapter> m_chapters;
    double m_abA = -1;
    double m_abB = -1;
    bool m_hover = false;
    bool m_dragging = false;
    int m_hoverX = -1;
};
