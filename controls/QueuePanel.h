#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class PlayerCore;
class QLabel;
class QListWidget;

// The play-queue side panel: the core's queue, rebuilt on every change.
class QueuePanel : public QWidget
{
    Q_OBJECT
public:
    QueuePanel(PlayerCore* core, QWidget* parent = nullptr);

    void refresh();

signals:
    void saveAsPlaylist(QList<QString> paths);
    void closeRequested();

private:
    PlayerCore* m_core;
    QListWidget* m_list;
    QLabel* m_count;
};
