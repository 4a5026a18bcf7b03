#include "MpvRender.h"

#include "MpvApi.h"
#include "PlayerCore.h"

#include <mpv/render_gl.h>

#include <QGuiApplication>
#include <QOpenGLContext>

#include <vector>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#endif

namespace {

void* getProcAddress(void*, const char* name)
{
    QOpenGLContext* gl = QOpenGLContext::currentContext();
    return gl ? reinterpret_cast<void*>(gl->getProcAddress(QByteArray(name))) : nullptr;
}

}  // namespace

mpv_render_context* MpvRender::create(PlayerCore* core, UpdateCallback onUpdate, void* data)
{
    mpv_handle* client = core ? core->handle().raw() : nullptr;
    if (!client)
        return nullptr;
    mpv_opengl_init_params gl{getProcAddress, nullptr};
    std::vector<mpv_render_param> params{
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
    };
#if QT_CONFIG(xcb)
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        params.push_back({MPV_RENDER_PARAM_X11_DISPLAY, x11->display()});
#endif
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    if (auto* wl = qGuiApp->nativeInterface<QNativeInterface::QWaylandApplication>())
        params.push_back({MPV_RENDER_PARAM_WL_DISPLAY, wl->display()});
#endif
    params.push_back({MPV_RENDER_PARAM_INVALID, nullptr});
    mpv_render_context* ctx = nullptr;
    if (mpv()->render_context_create(&ctx, client, params.data()) < 0) {
        qWarning() << "mpv: falha ao criar contexto de renderizacao";
        return nullptr;
    }
    mpv()->render_context_set_update_callback(ctx, onUpdate, data);
    return ctx;
}

void MpvRender::free(mpv_render_context*& ctx)
{
    if (!ctx)
        return;
    mpv()->render_context_set_update_callback(ctx, nullptr, nullptr);
    mpv()->render_context_free(ctx);
    ctx = nullptr;
}

void MpvRender::draw(mpv_render_context* ctx, unsigned fbo, const QSize& size, int block)
{
    mpv_opengl_fbo target{int(fbo), size.width(), size.height(), 0};
    int flip = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &target},
        {MPV_RENDER_PARAM_FLIP_Y, &flip},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv()->render_context_render(ctx, params);
}
