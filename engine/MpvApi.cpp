#include "MpvApi.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

namespace {

QLibrary& library()
{
    static QLibrary* lib = new QLibrary();
    return *lib;
}

template <typename Fn>
bool resolveFn(Fn& slot, const char* name)
{
    slot = reinterpret_cast<Fn>(library().resolve(name));
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

bool openLibrary(MpvApi* api)
{
    QLibrary& lib = library();
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

bool resolveAll(MpvApi* a)
{
    bool all = true;
    all &= resolveFn(a->create, "mpv_create");
    all &= resolveFn(a->initialize, "mpv_initialize");
    all &= resolveFn(a->terminate_destroy, "mpv_terminate_destroy");
    all &= resolveFn(a->set_option_string, "mpv_set_option_string");
    all &= resolveFn(a->set_property_string, "mpv_set_property_string");
    all &= resolveFn(a->set_property, "mpv_set_property");
    all &= resolveFn(a->get_property, "mpv_get_property");
    all &= resolveFn(a->get_property_string, "mpv_get_property_string");
    all &= resolveFn(a->command, "mpv_command");
    all &= resolveFn(a->command_async, "mpv_command_async");
    all &= resolveFn(a->observe_property, "mpv_observe_property");
    all &= resolveFn(a->wait_event, "mpv_wait_event");
    all &= resolveFn(a->set_wakeup_callback, "mpv_set_wakeup_callback");
    all &= resolveFn(a->free, "mpv_free");
    all &= resolveFn(a->free_node_contents, "mpv_free_node_contents");
    all &= resolveFn(a->error_string, "mpv_error_string");
    all &= resolveFn(a->request_log_messages, "mpv_request_log_messages");
    all &= resolveFn(a->client_api_version, "mpv_client_api_version");
    all &= resolveFn(a->render_context_create, "mpv_render_context_create");
    all &= resolveFn(a->render_context_set_update_callback, "mpv_render_context_set_update_callback");
    all &= resolveFn(a->render_context_update, "mpv_render_context_update");
    all &= resolveFn(a->render_context_render, "mpv_render_context_render");
    all &= resolveFn(a->render_context_report_swap, "mpv_render_context_report_swap");
    all &= resolveFn(a->render_context_free, "mpv_render_context_free");
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
    if (!openLibrary(api))
        return false;
    api->error.clear();
    api->ok = resolveAll(api);
    return api->ok;
}
