#pragma once

#include <QWidget>

class PlayerCore;
class QLabel;
class QSlider;
class QToolButton;
class SeekBar;

// The transport bar under the pages: now-playing block, transport buttons
// above the seek row, and the speed, track, queue, volume and window
// controls. It follows the core's state itself and drives only the volume;
// the window connects the public buttons to its own handlers.
class ControlBar : public QWidget
{
    Q_OBJECT
public:
    ControlBar(PlayerCore* core, QWidget* parent = nullptr);

    SeekBar* seekBar;
    QToolButton* favoriteButton;
    QToolButton* shuffleButton;
    QToolButton* prevButton;
    QToolButton* back10Button;
    QToolButton* playButton;
    QToolButton* fwd10Button;
    QToolButton* nextButton;
    QToolButton* repeatButton;
    QToolButton* speedButton;
    QToolButton* subsButton;
    QToolButton* audioButton;
    QToolButton* eqButton;
    QToolButton* queueButton;
    QToolButton* moreButton;
    QToolButton* fullscreenButton;
    QToolButton* miniButton;
    QSlider* volumeSlider;

    void setNowPlaying(const QString& title, const QString& subtitle, const QPixmap& cover);
    void setFavorite(bool on, bool enabled);
    void setFullscreenState(bool fullscreen);
    void setOverlay(bool on);
    // Hides the less important controls on a narrow bar; run on every resize.
    void updateResponsive();
    // The mute button's icon and tooltip from the core's volume and mute.
    void refreshVolumeIcon();

signals:
    void coverClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* tool(const QString& icon, const QString& tip, int size);
    QWidget* buildNowPlaying();
    QLayout* buildCentre();
    QLayout* buildRight();
    void connectCore();
    void showPosition(double pos);
    void drawPosition(double pos);
    void showDuration(double dur);
    void showPlayState();
    void showRepeat();
    bool fits();

    QToolButton* coverButton;
    QToolButton* muteButton;
    QLabel* titleLabel;
    QLabel* subLabel;
    QLabel* timeLabel;
    QLabel* durationLabel;
    PlayerCore* m_core;
    QWidget* nowPlayingBlock;
    bool showRemaining = false;   // durationLabel shows the time left
    double m_shownPos = -1;       // the position the bar and labels show
};
