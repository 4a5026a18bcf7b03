#pragma once

#include <QOpenGLWidget>

class PlayerCore;
struct mpv_render_context;

// The video as an OpenGL widget, where no native window of its own can be
// had: libmpv renders each new frame into the widget's framebuffer through
// a render context made on the playback core's handle, and the window
// composes it. Mouse input is left to the widget that holds it.
class MpvGlView : public QOpenGLWidget
{
    Q_OBJECT
public:
    explicit MpvGlView(PlayerCore* core, QWidget* parent = nullptr);
    ~MpvGlView() override;

    bool hasRenderContext() const { return m_ctx != nullptr; }
    // Whether a window can show this widget. Asked once its context was
    // made (the first grab): without OpenGL the window must never hold it.
    bool canShow() const;

protected:
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
};
