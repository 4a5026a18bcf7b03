#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include "../../window/Host.h"

// A Host that does nothing but remember what the pages asked of it, in
// order, so a test can check the exact lists and arguments handed over.
class RecordingHost : public Host
{
public:
    // One request: the method's name and its arguments.
    struct Call
    {
        QString method;        // "playFiles", "enqueue", "toast", ...
        QStringList paths;     // the paths handed over, when any
        int start = -1;        // playFiles' start row
        QString text;          // playResume's/playFromStart's path, toast's text, goToPage's id
        QPoint pos;            // showMediaMenu's position
        QStringList extraActions; // showMediaMenu's extra menu: its action texts
    };

    ~RecordingHost() override = default;

    void setCore(PlayerCore* core) { m_core = core; }

    PlayerCore* core() const override { return m_core; }
    void playFiles(const QList<QString>& paths, int start, const QList<QString>& titles = {}) override;
    void enqueue(const QList<QString>& paths) override;
    void playNext(const QList<QString>& paths) override;
    void playResume(const QString& path) override;
    void playFromStart(const QString& path) override;
    // Records the extra menu's action texts, then deletes it as the window does.
    void showMediaMenu(QList<QString> paths, QPoint globalPos, QMenu* extra) override;
    void openFileDialog() override;
    void openFolderDialog() override;
    void openUrlDialog() override;
    void toast(const QString& text) override;
    void goToPage(const QString& id) override;

    const QList<Call>& calls() const { return m_calls; }
    // The calls to one method, in order.
    QList<Call> callsTo(const QString& method) const;
    int count(const QString& method) const { return callsTo(method).size(); }
    // The latest call, or an empty one (method "") when there was none.
    Call last() const { return m_calls.isEmpty() ? Call() : m_calls.last(); }
    void clear() { m_calls.clear(); }

private:
    void record(const QString& method, const QList<QString>& paths = {}, const QString& text = {});

    PlayerCore* m_core = nullptr;
    QList<Call> m_calls;
};
