#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;

// The floating box above the seek bar: a preview frame, the chapter there
// and the time. The window drives it; it takes no focus and no clicks.
class PreviewPopup : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewPopup(QWidget* parent = nullptr);

    void showAt(const QPoint& globalAnchor, const QString& time, const QString& sub);
    void setImage(const QImage& img);
    void clearImage();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Sizes the box to its contents and puts it over (or, at the top of the
    // screen, under) the last anchor.
    void place();

    QLabel* m_image;
    QLabel* m_time;
    QLabel* m_sub;
    QPoint m_anchor;
};
