#pragma once

#include <QList>
#include <QPoint>
#include <QString>

class PlayerCore;
class QMenu;

// What the pages may ask of the main window: play, queue, show the media
// menu, open the dialogs, tell the user something and move between pages.
class Host
{
public:
    virtual ~Host() = default;

    virtual PlayerCore* core() const = 0;
    // titles, when given, name the paths one for one (a list's channels).
    virtual void playFiles(const QList<QString>& paths, int start, const QList<QString>& titles = {}) = 0;
    virtual void enqueue(const QList<QString>& paths) = 0;
    virtual void playNext(const QList<QString>& paths) = 0;
    virtual void playResume(const QString& path) = 0;
    // Plays the one file from its start: its next load skips the resume rule.
    virtual void playFromStart(const QString& path) = 0;
    // extra, when given, leads the menu; the window deletes it afterwards.
    virtual void showMediaMenu(QList<QString> paths, QPoint globalPos, QMenu* extra) = 0;
    virtual void openFileDialog() = 0;
    virtual void openFolderDialog() = 0;
    virtual void openUrlDialog() = 0;
    virtual void toast(const QString& text) = 0;
    // A notice the user must not miss: it stays as long as a failure's.
    virtual void warn(const QString& text) { toast(text); }
    virtual void goToPage(const QString& id) = 0;
};
