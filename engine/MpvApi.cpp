#include "MpvApi.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

namespace {

template <typename Fn>
bool resolveFn(QLibrary& lib, Fn& slot, const char* name)
{
    slot = reinterpret_cast<Fn>(lib.resolve(name));
    if (!slot)
        mpv()->error += QStringLiteral("simbolo ausente: %1\n").arg(QLatin1String(name));
    return slot != nullptr;
}

QStringList candidates()
{
    const QString d = QCoreApplication::applicationDirPath();
    return {d + "/../lib/libmpv.so.2", d + "/../lib/libmpv.so.1", d + "/libmpv.so.2",
            d + "/libmpv.so.1", "libmpv.so.2", "libmpv.so.1", "libmpv.so"};
}

bool openLibrary(QLibrary& lib, MpvApi* api)
{
    for (const QString& candidate : candidates()) {
        if (candidate.contains(QLatin1Char('/')) && !QFileInfo::exists(candidate))
            continue;
        lib.setFileName(candidate);
        if (lib.load()) {
            api->path = candidate;
            return true;
        }
        api->error += lib.errorString() + QLatin1Char('\n');
    }
    return false;
}

bool resolveAll(QLibrary& lib, MpvApi* a)
{
    bool all = true;
    all &= resolveFn(lib, a->create, "mpv_create");
    all &= resolveFn(lib, a->initialize, "mpv_initialize");
    all &= resolveFn(lib, a->terminate_destroy, "mpv_terminate_destroy");
    all &= resolveFn(lib, a->set_option_string, "mpv_set_option_string");
    all &= resolveFn(lib, a->set_property_string, "mpv_set_property_string");
    all &= resolveFn(lib, a->set_property, "mpv_set_property");
    all &= resolveFn(lib, a->get_property, "mpv_get_property");
    all &= resolveFn(lib, a->get_property_string, "mpv_get_property_string");
    all &= resolveFn(lib, a->get_property_async, "mpv_get_property_async");
    all &= resolveFn(lib, a->command, "mpv_command");
    all &= resolveFn(lib, a->command_async, "mpv_command_async");
    all &= resolveFn(lib, a->observe_property, "mpv_observe_property");
    all &= resolveFn(lib, a->wait_event, "mpv_wait_event");
    all &= resolveFn(lib, a->set_wakeup_callback, "mpv_set_wakeup_callback");
    all &= resolveFn(lib, a->free, "mpv_free");
    all &= resolveFn(lib, a->free_node_contents, "mpv_free_node_contents");
    all &= resolveFn(lib, a->error_string, "mpv_error_string");
    all &= resolveFn(lib, a->request_log_messages, "mpv_request_log_messages");
    all &= resolveFn(lib, a->client_api_version, "mpv_client_api_version");
    all &= resolveFn(lib, a->render_context_create, "mpv_render_context_create");
    all &= resolveFn(lib, a->render_context_set_update_callback, "mpv_render_context_set_update_callback");
    all &= resolveFn(lib, a->render_context_update, "mpv_render_context_update");
    all &= resolveFn(lib, a->render_context_render, "mpv_render_context_render");
    all &= resolveFn(lib, a->render_context_report_swap, "mpv_render_context_report_swap");
    all &= resolveFn(lib, a->render_context_free, "mpv_render_context_free");
    a->hook_add = reinterpret_cast<decltype(a->hook_add)>(lib.resolve("mpv_hook_add"));
    a->hook_continue = reinterpret_cast<decltype(a->hook_continue)>(lib.resolve("mpv_hook_continue"));
    if (!a->hook_continue)
        a->hook_add = nullptr;   // a hook that could not be answered would stall the file
    return all;
}

}  // namespace

MpvApi* mpv()
{
    static MpvApi api;
    return &api;
}

bool loadMpv()
{
    MpvApi* api = mpv();
    if (api->ok)
        return true;
    // Held for the life of the process: the library is never unloaded.
    static QLibrary lib;
    if (!openLibrary(lib, api))
        return false;
    api->error.clear();
    api->ok = resolveAll(lib, api);
    return api->ok;
}
