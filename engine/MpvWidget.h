#pragma once

#include <QOpenGLWidget>
#include <QPoint>

class PlayerCore;
struct mpv_render_context;

// The OpenGL widget the playing video is drawn on. libmpv renders each new
// frame into the widget's framebuffer through a render context made on the
// playback core's handle; mouse input on the picture becomes five plain
// signals that the window interprets.
class MpvWidget : public QOpenGLWidget
{
    Q_OBJECT
public:
    explicit MpvWidget(PlayerCore* core, QWidget* parent = nullptr);
    ~MpvWidget() override;

    bool hasRenderContext() const { return m_ctx != nullptr; }
    // Whether a window can show this widget. Asked once its context was
    // made (the first grab): without OpenGL the window must never hold it.
    bool canShow() const;

signals:
    void doubleClicked();
    void clicked();
    void rightClicked(const QPoint& globalPos);
    void mouseMoved();
    void wheelScrolled(int delta);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void initializeGL() override;
    void paintGL() override;

private slots:
    void maybeUpdate();

private:
    void joinShareGroup();
    void freeContext();
    bool renderHidden() const;
    static void onUpdate(void* widget);

    PlayerCore* m_core;
    mpv_render_context* m_ctx = nullptr;
    bool m_leftPressed = false;
};
