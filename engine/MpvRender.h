#pragma once

#include <QSize>

class PlayerCore;
struct mpv_render_context;

// libmpv's OpenGL render interface as both video surfaces use it: the
// render context is made on the OpenGL context current at the call.
class MpvRender
{
public:
    using UpdateCallback = void (*)(void* data);

    // A render context on the core's handle, with its update callback set;
    // null when there is no handle or libmpv refuses (logged).
    static mpv_render_context* create(PlayerCore* core, UpdateCallback onUpdate, void* data);
    // Clears the callback, then frees the context; ctx becomes null.
    static void free(mpv_render_context*& ctx);
    // Draws the current frame into the framebuffer fbo of the given size,
    // upside down as OpenGL framebuffers are read. block: whether libmpv
    // waits for the frame's display time before returning.
    static void draw(mpv_render_context* ctx, unsigned fbo, const QSize& size, int block);
};
