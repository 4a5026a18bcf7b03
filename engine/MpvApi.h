#pragma once

#include <mpv/client.h>
#include <mpv/render.h>

#include <QString>

// The libmpv entry points the program uses, resolved at run time: libmpv is
// found and opened with QLibrary, never linked.
struct MpvApi {
    decltype(&::mpv_create) create = nullptr;
    decltype(&::mpv_initialize) initialize = nullptr;
    decltype(&::mpv_terminate_destroy) terminate_destroy = nullptr;
    decltype(&::mpv_set_option_string) set_option_string = nullptr;
    decltype(&::mpv_set_property_string) set_property_string = nullptr;
    decltype(&::mpv_set_property) set_property = nullptr;
    decltype(&::mpv_get_property) get_property = nullptr;
    decltype(&::mpv_get_property_string) get_property_string = nullptr;
    decltype(&::mpv_get_property_async) get_property_async = nullptr;
    decltype(&::mpv_command) command = nullptr;
    decltype(&::mpv_command_async) command_async = nullptr;
    decltype(&::mpv_observe_property) observe_property = nullptr;
    decltype(&::mpv_wait_event) wait_event = nullptr;
    decltype(&::mpv_set_wakeup_callback) set_wakeup_callback = nullptr;
    decltype(&::mpv_free) free = nullptr;
    decltype(&::mpv_free_node_contents) free_node_contents = nullptr;
    decltype(&::mpv_error_string) error_string = nullptr;
    decltype(&::mpv_request_log_messages) request_log_messages = nullptr;
    decltype(&::mpv_client_api_version) client_api_version = nullptr;
    decltype(&::mpv_render_context_create) render_context_create = nullptr;
    decltype(&::mpv_render_context_set_update_callback) render_context_set_update_callback = nullptr;
    decltype(&::mpv_render_context_update) render_context_update = nullptr;
    decltype(&::mpv_render_context_render) render_context_render = nullptr;
    decltype(&::mpv_render_context_report_swap) render_context_report_swap = nullptr;
    decltype(&::mpv_render_context_free) render_context_free = nullptr;
    // Optional, and not counted in ok: null when this libmpv lacks them.
    decltype(&::mpv_hook_add) hook_add = nullptr;
    decltype(&::mpv_hook_continue) hook_continue = nullptr;

    bool ok = false;   // all 24 entry points resolved
    QString error;     // what went wrong while loading, one line per problem
    QString path;      // the candidate the library was loaded from
};

// The process-wide table, made on first call.
MpvApi* mpv();

// Finds and opens libmpv and resolves the table, once per process.
// False when no candidate loads or an entry point is missing (see mpv()->error).
bool loadMpv();
