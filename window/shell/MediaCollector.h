#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>

// Expands what is handed to the window (files, folders, playlist files,
// links) into a flat list of playable paths and links, in the order given.
//
// A playlist file can list a folder as large as the whole disk, or be long
// itself: lists that hold one are expanded on a worker thread of the
// collector's own and the result comes back to the thread that asked. One
// worker, and lists asked for later wait behind them, so results come in
// the order asked. Nothing comes back once the collector is gone.
class MediaCollector : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        QList<QString> files;
        QStringList notices;   // what playlist readings left out, one line each
    };
    using Done = std::function<void(const Result&)>;

    explicit MediaCollector(QObject* parent = nullptr);
    ~MediaCollector() override;

    // Links unchanged; folders as their playable files in natural order;
    // playlist files as their entries; other paths that exist, absolute and
    // cleaned; missing paths dropped.
    static Result collect(const QList<QString>& paths);

    // Hands collect's result to done: at once when nothing is waiting and
    // the list holds no playlist file, else later, from the worker.
    void collectThen(const QList<QString>& paths, const Done& done);

private:
    QThreadPool m_pool;
    int m_waiting = 0;
};
