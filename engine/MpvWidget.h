#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

class MpvGlView;
class PlayerCore;
class QOpenGLContext;
class QWindow;
class VideoWindow;

// The place of the playing video in the window. Where the platform allows,
// libmpv draws into a native window of its own inside this widget, and the
// window around it stays a raster window; elsewhere into an OpenGL widget
// that the window composes. Mouse input on the picture becomes five plain
// signals that the window interprets.
class MpvWidget : public QWidget
{
    Q_OBJECT
public:
    explicit MpvWidget(PlayerCore* core, QWidget* parent = nullptr);
    ~MpvWidget() override;

    bool hasRenderContext() const;
    // Whether a window can show this widget. Asked once its context was
    // made (the first grab): without OpenGL the window must never hold it.
    bool canShow() const;
    // Whether the video has a native window of its own: whatever is laid
    // over it then needs one too, stacked above.
    bool drawsNatively() const { return m_window != nullptr; }
    // That native window, which receives the mouse over the picture; null
    // where there is none.
    QWindow* nativeWindow() const;
    // The frame shown now; makes the contexts first, so that a video can
    // start before the widget joins a window.
    QImage grabFramebuffer();
    QOpenGLContext* context() const;

signals:
    void doubleClicked();
    void clicked();
    void rightClicked(const QPoint& globalPos);
    void mouseMoved();
    void wheelScrolled(int delta);

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool makeNativeWindow(PlayerCore* core);

    MpvGlView* m_view = nullptr;
    VideoWindow* m_window = nullptr;   // owned by its container
    bool m_leftPressed = false;
};
