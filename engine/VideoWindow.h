#pragma once

#include <QImage>
#include <QPointF>
#include <QWindow>

#include <memory>

class PlayerCore;
class QOffscreenSurface;
class QOpenGLContext;
struct mpv_render_context;

// A native window of its own that libmpv draws the video into, with its own
// OpenGL context, so that the window around it stays a plain raster window
// and nothing composes the picture a second time. Mouse input is handed on
// to a target object as ordinary mouse events, double clicks included.
class VideoWindow : public QWindow
{
    Q_OBJECT
public:
    explicit VideoWindow(PlayerCore* core);
    ~VideoWindow() override;

    // Makes the OpenGL context and libmpv's render context on it. False where
    // no context can be had; the render context may still be missing when
    // libmpv is (hasRenderContext).
    bool prepare();
    bool hasRenderContext() const { return m_ctx != nullptr; }
    QOpenGLContext* context() const { return m_gl.get(); }

    // The frame libmpv shows now, drawn offscreen at the window's size.
    QImage grabFrame();

    void setInputTarget(QObject* target) { m_target = target; }

protected:
    void exposeEvent(QExposeEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private slots:
    void maybeUpdate();

private:
    struct Press {
        Qt::MouseButton button = Qt::NoButton;
        ulong time = 0;
        QPointF at;
        bool wasDouble = false;
    };

    bool isShown() const;
    QSize pixelSize() const;
    void draw();
    void skipFrame();
    bool isDoubleClick(const QMouseEvent* event) const;
    void forward(QEvent::Type type, const QMouseEvent* event);
    static void onUpdate(void* window);

    PlayerCore* m_core;
    std::unique_ptr<QOpenGLContext> m_gl;
    std::unique_ptr<QOffscreenSurface> m_offscreen;
    mpv_render_context* m_ctx = nullptr;
    QObject* m_target = nullptr;
    Press m_press;
};
