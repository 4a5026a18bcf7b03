#pragma once

#include <QPixmap>
#include <QWidget>

class PlayerCore;
class QLabel;

// The full-page view of what plays: cover, title, artist and album links.
class NowPlaying : public QWidget
{
    Q_OBJECT
public:
    NowPlaying(PlayerCore* core, QWidget* parent = nullptr);

    void setTrack(const QString& path, const QString& title, const QString& artist, const QString& album,
                  const QPixmap& cover);
    void setCompact(bool compact);

signals:
    void artistClicked(const QString& artist);
    void albumClicked(const QString& album);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PlayerCore* m_core;
    QLabel* coverLabel;
    QLabel* titleLabel;
    QLabel* artistLabel;
    QLabel* albumLabel;
    QLabel* kickerLabel;
    QString artist;
    QString album;
    bool compact = false;
};
