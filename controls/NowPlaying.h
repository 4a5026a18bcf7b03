#pragma once

#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <utility>

class PlayerCore;
class QLabel;
class QLayout;
class QListWidget;
class QSpacerItem;
class QVBoxLayout;

// The full-page view of what plays when there is no picture: a large cover
// over a blurred copy of it, title, artist and album links, and the lyrics
// beside them. Timed lyrics follow the playback position.
class NowPlaying : public QWidget
{
    Q_OBJECT
public:
    NowPlaying(PlayerCore* core, QWidget* parent = nullptr);

    void setTrack(const QString& path, const QString& title, const QString& artist, const QString& album,
                  const QPixmap& cover);
    // Back to the empty view of nothing loaded.
    void clearTrack();
    void setCompact(bool compact);
    // Room at the bottom that a bar floating over the view keeps covered;
    // the view is laid out above it.
    void setBottomInset(int pixels);
    QSize minimumSizeHint() const override;
    // Reads the sidecar ".lrc" beside a local file, else its embedded lyrics.
    void loadLyrics(const QString& path);
    // Highlights the line sung at this position (timed lyrics, view shown).
    void syncLyrics(double position);

signals:
    void artistClicked(const QString& artist);
    void albumClicked(const QString& album);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLayout* buildTrackColumn();
    // Fits margins, cover and lyrics column to the view's size.
    void relayout();
    int columnWidth(int inner, int gap, bool lyrics) const;
    int fitTexts(int width, int height);
    void fitCover(int width, int room);
    int textsHeight(int width) const;
    void showCover(int side);
    void showTexts(int width, int titleLines);
    void buildLyricsPanel();
    void clearLyrics();
    void fillLyricsList();
    void setLineLook(int row, bool current);
    int lineAt(double position) const;

    PlayerCore* m_core;
    QLabel* coverLabel;
    QLabel* titleLabel;
    QLabel* artistLabel;
    QLabel* albumLabel;
    QLabel* kickerLabel;
    QListWidget* lyricsList = nullptr;
    QWidget* lyricsPanel = nullptr;
    QVBoxLayout* trackColumn = nullptr;
    QSpacerItem* coverGap = nullptr;
    QString lyricsPath;   // the file whose lyrics were read, until the next load
    QList<std::pair<double, QString> > lines;
    int currentLine = -1;
    int firstTimed = 0;   // untimed lines come first; timed ones from here on
    QPixmap backdrop;
    QPixmap cover;        // as given, drawn again whenever its side changes
    int coverSide = -1;   // of the picture on coverLabel; -1 before the first
    QString title;
    QString artist;
    QString album;
    bool compact = false;
    bool hasTrack = false;
    int bottomInset = 0;
};
