// A stand-in libmpv for the loader tests: every entry point the player
// resolves, doing nothing. Built a second time without
// mpv_render_context_report_swap (STUB_MISSING_SWAP). ORVEL_STUB_MODE picks
// a failure: "nocreate" (mpv_create gives null), "noinit" (mpv_initialize
// fails).
#include <mpv/client.h>
#include <mpv/render.h>

#include <cstdlib>
#include <cstring>

namespace {
bool mode(const char* m)
{
    const char* v = std::getenv("ORVEL_STUB_MODE");
    return v && std::strcmp(v, m) == 0;
}
char g_dummy;
}

extern "C" {
unsigned long mpv_client_api_version(void) { return 0x10063; }
const char* mpv_error_string(int) { return "stub failure"; }
void mpv_free(void*) {}
mpv_handle* mpv_create(void) { return mode("nocreate") ? nullptr : reinterpret_cast<mpv_handle*>(&g_dummy); }
int mpv_initialize(mpv_handle*) { return mode("noinit") ? MPV_ERROR_UNINITIALIZED : 0; }
void mpv_terminate_destroy(mpv_handle*) {}
int mpv_set_option_string(mpv_handle*, const char*, const char*) { return 0; }
int mpv_set_property_string(mpv_handle*, const char*, const char*) { return 0; }
int mpv_set_property(mpv_handle*, const char*, mpv_format, void*) { return 0; }
int mpv_get_property(mpv_handle*, const char*, mpv_format, void*) { return MPV_ERROR_PROPERTY_UNAVAILABLE; }
char* mpv_get_property_string(mpv_handle*, const char*) { return nullptr; }
int mpv_get_property_async(mpv_handle*, uint64_t, const char*, mpv_format) { return 0; }
int mpv_command(mpv_handle*, const char**) { return 0; }
int mpv_command_async(mpv_handle*, uint64_t, const char**) { return 0; }
int mpv_observe_property(mpv_handle*, uint64_t, const char*, mpv_format) { return 0; }
mpv_event* mpv_wait_event(mpv_handle*, double) { return nullptr; }
void mpv_set_wakeup_callback(mpv_handle*, void (*)(void*), void*) {}
void mpv_free_node_contents(mpv_node*) {}
int mpv_request_log_messages(mpv_handle*, const char*) { return 0; }
int mpv_render_context_create(mpv_render_context**, mpv_handle*, mpv_render_param*) { return -1; }
void mpv_render_context_set_update_callback(mpv_render_context*, mpv_render_update_fn, void*) {}
uint64_t mpv_render_context_update(mpv_render_context*) { return 0; }
int mpv_render_context_render(mpv_render_context*, mpv_render_param*) { return -1; }
#ifndef STUB_MISSING_SWAP
void mpv_render_context_report_swap(mpv_render_context*) {}
#endif
void mpv_render_context_free(mpv_render_context*) {}
}
