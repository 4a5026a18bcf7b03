#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "QueueEntry.h"

class PlayerCore;
class QLabel;
class QPushButton;
class QListWidget;
class QPoint;

// The play-queue side panel: the core's queue, brought up to date after
// each change by editing only the rows that changed. Every edit (play,
// move, remove, clear) is a core operation; the rows follow when the core
// reports the new queue.
class QueuePanel : public QWidget
{
    Q_OBJECT
public:
    QueuePanel(PlayerCore* core, QWidget* parent = nullptr);

    // Rebuilds every row from the core's queue.
    void refresh();
    // Moves the list's current row to the row under pos (viewport
    // coordinates), as a drag of that row that ends there does.
    void dropCurrentAt(const QPoint& pos);

signals:
    void saveAsPlaylist(QList<QString> paths);
    void closeRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void scheduleRefresh();
    void refreshIfChanged();
    bool applyEdit(const QList<QueueEntry>& queue);
    void insertRows(int at, const QList<QueueEntry>& entries);
    void nameSomeRows();
    int nameRow(int row);
    void setTwoLineRows(int count);
    void decorateRow(int row, bool current);
    void showCount();
    void scrollToCurrent();
    void showRowMenu(const QPoint& pos);

    static constexpr int kRoomyWidth = 300;    // room for the buttons' texts
    static constexpr int kRoomyHeight = 300;   // room for the spacing and the hint
    static constexpr int kNamingSlice = 400;   // rows named in one turn of the loop
    static constexpr int kRowsInView = 40;     // rows named first, from the top of the view
    static constexpr int kNoRow = 1 << 30;

    PlayerCore* m_core;
    QIcon m_musicIcon;   // one drawing for every row but the current one
    QListWidget* m_list;
    QLabel* m_count;
    QLabel* m_hint;
    QPushButton* m_save;
    QPushButton* m_clear;
    // What the rows show, so that the bursts of queue signals around one
    // change of track rebuild the list once.
    QList<QueueEntry> m_shown;
    int m_shownPos = -1;
    bool m_seekCurrent = false;   // a new queue replaced the rows: show its playing row
    int m_twoLineRows = 0;   // rows with an artist line: every row then gets two lines' height
    bool m_stale = false;    // the library changed: every row's text is looked up again
    bool m_pending = false;
    QTimer m_naming;           // names the rows that still show what their entries carry
    int m_unnamed = 0;
    int m_namingFrom = kNoRow;   // no unnamed row comes before this one
};
