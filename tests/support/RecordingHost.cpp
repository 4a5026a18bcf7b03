#include "RecordingHost.h"

#include <QAction>
#include <QMenu>

void RecordingHost::record(const QString& method, const QList<QString>& paths, const QString& text)
{
    Call call;
    call.method = method;
    call.paths = paths;
    call.text = text;
    m_calls.append(call);
}

void RecordingHost::playFiles(const QList<QString>& paths, int start, const QList<QString>&)
{
    record(QStringLiteral("playFiles"), paths);
    m_calls.last().start = start;
}

void RecordingHost::enqueue(const QList<QString>& paths)
{
    record(QStringLiteral("enqueue"), paths);
}

void RecordingHost::playNext(const QList<QString>& paths)
{
    record(QStringLiteral("playNext"), paths);
}

void RecordingHost::playResume(const QString& path)
{
    record(QStringLiteral("playResume"), {path}, path);
}

void RecordingHost::playFromStart(const QString& path)
{
    record(QStringLiteral("playFromStart"), {path}, path);
}

void RecordingHost::showMediaMenu(QList<QString> paths, QPoint globalPos, QMenu* extra)
{
    record(QStringLiteral("showMediaMenu"), paths);
    m_calls.last().pos = globalPos;
    if (extra) {
        for (QAction* action : extra->actions())
            m_calls.last().extraActions.append(action->text());
        delete extra;
    }
}

void RecordingHost::openFileDialog()
{
    record(QStringLiteral("openFileDialog"));
}

void RecordingHost::openFolderDialog()
{
    record(QStringLiteral("openFolderDialog"));
}

void RecordingHost::openUrlDialog()
{
    record(QStringLiteral("openUrlDialog"));
}

void RecordingHost::toast(const QString& text)
{
    record(QStringLiteral("toast"), {}, text);
}

void RecordingHost::goToPage(const QString& id)
{
    record(QStringLiteral("goToPage"), {}, id);
}

QList<RecordingHost::Call> RecordingHost::callsTo(const QString& method) const
{
    QList<Call> out;
    for (const Call& call : m_calls)
        if (call.method == method)
            out.append(call);
    return out;
}
