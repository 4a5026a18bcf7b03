#include "ControlBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSettings>
#include <QSlider>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "App.h"
#include "Covers.h"
#include "Icons.h"
#include "Lang.h"
#include "PlayerCore.h"
#include "SeekBar.h"

namespace {
const QColor kDark(0x07, 0x11, 0x1f);
constexpr int kCover = 52;
constexpr int kSeekRoom = 120;   // the narrowest seek bar that is still usable

// Tooltips take rich text when it looks like markup; tag texts are shown as written.
QString plainTip(const QString& text)
{
    return text.isEmpty() ? QString() : Qt::convertFromPlainText(text);
}

// The cover filling the square: a wide picture is cut to its centre.
QPixmap coverPicture(const QPixmap& cover)
{
    if (cover.isNull())
        return Covers::placeholder(kCover, false);
    const QPixmap scaled = cover.scaled(kCover, kCover, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - kCover) / 2, (scaled.height() - kCover) / 2, kCover, kCover);
}
}  // namespace

ControlBar::ControlBar(PlayerCore* core, QWidget* parent) : QWidget(parent), m_core(core)
{
    setObjectName(QStringLiteral("ControlBar"));
    setAttribute(Qt::WA_StyledBackground);
    // The window may be narrower than every control together: the bar then
    // hides the less important ones (updateResponsive) instead of holding
    // the window wide.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 8, 14, 8);
    layout->setSpacing(16);
    layout->addWidget(buildNowPlaying());
    layout->addLayout(buildCentre(), 1);
    layout->addLayout(buildRight(), 0);
    connectCore();
    showRemaining = App::settings()->value(QStringLiteral("ui/remainingTime"), false).toBool();
    setNowPlaying(L("Nada tocando", "Nothing playing"), QString(), QPixmap());
    setFavorite(false, false);
}

QToolButton* ControlBar::tool(const QString& icon, const QString& tip, int size)
{
    auto* b = new QToolButton(this);
    b->setIcon(Icons::icon(icon));
    b->setIconSize(QSize(size, size));
    b->setToolTip(tip);
    b->setCursor(Qt::PointingHandCursor);
    b->setAutoRaise(true);
    return b;
}

QWidget* ControlBar::buildNowPlaying()
{
    nowPlayingBlock = new QWidget(this);
    nowPlayingBlock->setFixedWidth(270);
    auto* row = new QHBoxLayout(nowPlayingBlock);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);

    coverButton = new QToolButton(nowPlayingBlock);
    coverButton->setFixedSize(kCover, kCover);
    coverButton->setIconSize(QSize(kCover, kCover));
    coverButton->setStyleSheet(QStringLiteral("QToolButton { padding: 0; border-radius: 8px; }"));
    coverButton->setCursor(Qt::PointingHandCursor);
    coverButton->setToolTip(L("Abrir tela de reprodução", "Open now playing"));
    connect(coverButton, &QToolButton::clicked, this, &ControlBar::coverClicked);
    row->addWidget(coverButton);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    titleLabel = new QLabel(nowPlayingBlock);
    titleLabel->setObjectName(QStringLiteral("NowTitle"));
    subLabel = new QLabel(nowPlayingBlock);
    subLabel->setObjectName(QStringLiteral("NowSub"));
    texts->addStretch();
    for (QLabel* label : {titleLabel, subLabel}) {
        label->setMinimumWidth(10);
        label->setTextFormat(Qt::PlainText);   // tag texts are not markup
        texts->addWidget(label);
    }
    texts->addStretch();
    row->addLayout(texts, 1);

    favoriteButton = tool(QStringLiteral("heart"), L("Favoritar", "Favorite"), 18);
    favoriteButton->setCheckable(true);
    row->addWidget(favoriteButton);
    return nowPlayingBlock;
}

QLayout* ControlBar::buildCentre()
{
    auto* transport = new QHBoxLayout;
    transport->setSpacing(6);
    shuffleButton = tool(QStringLiteral("shuffle"), L("Embaralhar (Shift+R)", "Shuffle"), 20);
    shuffleButton->setCheckable(true);
    prevButton = tool(QStringLiteral("prev"), L("Anterior", "Previous"), 20);
    back10Button = tool(QStringLiteral("back10"), L("Voltar 10 s", "Back 10 s"), 22);
    playButton = new QToolButton(this);
    playButton->setObjectName(QStringLiteral("PlayButton"));
    playButton->setIcon(Icons::icon(QStringLiteral("play"), kDark, kDark));
    playButton->setIconSize(QSize(22, 22));
    playButton->setFixedSize(44, 44);
    playButton->setToolTip(L("Tocar / pausar (Espaço)", "Play / pause (Space)"));
    playButton->setCursor(Qt::PointingHandCursor);
    fwd10Button = tool(QStringLiteral("fwd10"), L("Avançar 10 s", "Forward 10 s"), 22);
    nextButton = tool(QStringLiteral("next"), L("Próxima", "Next"), 20);
    repeatButton = tool(QStringLiteral("repeat"), L("Repetir", "Repeat"), 20);
    repeatButton->setCheckable(true);
    transport->addStretch();
    for (QToolButton* b : {shuffleButton, prevButton, back10Button, playButton, fwd10Button, nextButton,
                           repeatButton})
        transport->addWidget(b);
    transport->addStretch();

    auto* times = new QHBoxLayout;
    times->setSpacing(8);
    timeLabel = new QLabel(QStringLiteral("0:00"), this);
    timeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    seekBar = new SeekBar(this);
    durationLabel = new QLabel(QStringLiteral("0:00"), this);
    for (QLabel* label : {timeLabel, durationLabel}) {
        label->setObjectName(QStringLiteral("TimeLabel"));
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(52);
    }
    durationLabel->setCursor(Qt::PointingHandCursor);
    durationLabel->setToolTip(L("Clique para alternar entre duração e tempo restante",
                                "Click to toggle remaining time"));
    durationLabel->installEventFilter(this);
    times->addWidget(timeLabel);
    times->addWidget(seekBar, 1);
    times->addWidget(durationLabel);

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->addLayout(transport);
    column->addLayout(times);
    return column;
}

QLayout* ControlBar::buildRight()
{
    speedButton = new QToolButton(this);
    speedButton->setObjectName(QStringLiteral("SpeedButton"));
    speedButton->setText(QStringLiteral("1x"));
    speedButton->setToolTip(L("Velocidade", "Speed"));
    // As wide as the widest speed's label, so that the buttons and the seek
    // bar stay in place when the speed changes.
    speedButton->ensurePolished();
    const QFontMetrics metrics = speedButton->fontMetrics();
    const int chrome = speedButton->sizeHint().width() - metrics.horizontalAdvance(speedButton->text());
    int widest = 0;
    for (double speed : {0.25, 1.05, 2.75, 3.95, 7.95})
        widest = std::max(widest, metrics.horizontalAdvance(App::formatSpeed(speed)));
    speedButton->setMinimumWidth(chrome + widest);
    subsButton = tool(QStringLiteral("captions"), L("Legendas", "Subtitles"), 20);
    audioButton = tool(QStringLiteral("audio"), L("Áudio", "Audio"), 20);
    eqButton = tool(QStringLiteral("eq"), L("Equalizador", "Equalizer"), 20);
    queueButton = tool(QStringLiteral("queue"), L("Fila de reprodução", "Play queue"), 20);
    queueButton->setCheckable(true);
    muteButton = tool(QStringLiteral("volume"), L("Mudo (M)", "Mute (M)"), 20);
    volumeSlider = new QSlider(Qt::Horizontal, this);
    volumeSlider->setToolTip(L("Volume (até 200%)", "Volume (up to 200%)"));
    volumeSlider->setRange(0, 200);
    volumeSlider->setFixedWidth(96);
    moreButton = tool(QStringLiteral("more"), L("Mais opções", "More options"), 20);
    miniButton = tool(QStringLiteral("pip"), L("Mini player / janela flutuante", "Mini player / picture-in-picture"), 20);
    fullscreenButton = tool(QStringLiteral("fullscreen"), L("Tela cheia (F)", "Fullscreen (F)"), 20);
    for (QToolButton* b : {speedButton, subsButton, audioButton, moreButton})
        b->setPopupMode(QToolButton::InstantPopup);

    auto* right = new QHBoxLayout;
    right->setSpacing(2);
    for (QWidget* w : std::initializer_list<QWidget*>{speedButton, subsButton, audioButton, eqButton, queueButton,
                                                      muteButton, volumeSlider, moreButton, miniButton,
                                                      fullscreenButton})
        right->addWidget(w);
    return right;
}

void ControlBar::connectCore()
{
    PlayerCore* core = m_core;
    connect(core, &PlayerCore::positionChanged, this, &ControlBar::showPosition);
    connect(core, &PlayerCore::durationChanged, this, [this](double dur) {
        seekBar->setDuration(dur);
        showDuration(dur);
        drawPosition(m_core->position());
    });
    connect(core, &PlayerCore::pauseChanged, this, &ControlBar::showPlayState);
    // Paused, the bar shows the exact place, not the last whole second.
    connect(core, &PlayerCore::pauseChanged, this, [this] { drawPosition(m_core->position()); });
    connect(core, &PlayerCore::speedChanged, this,
            [this](double speed) { speedButton->setText(App::formatSpeed(speed)); });
    connect(core, &PlayerCore::volumeChanged, this, [this](double vol) {
        const QSignalBlocker block(volumeSlider);
        volumeSlider->setValue(int(vol));
        refreshVolumeIcon();
    });
    connect(core, &PlayerCore::muteChanged, this, &ControlBar::refreshVolumeIcon);
    connect(core, &PlayerCore::chaptersChanged, this, [this] { seekBar->setChapters(m_core->chapters()); });
    connect(core, &PlayerCore::abLoopChanged, this,
            [this] { seekBar->setAbLoop(m_core->abLoopA(), m_core->abLoopB()); });
    connect(core, &PlayerCore::shuffleChanged, this, [this] { shuffleButton->setChecked(m_core->shuffle()); });
    connect(core, &PlayerCore::repeatChanged, this, &ControlBar::showRepeat);
    // libmpv reports "pause" off while nothing is loaded: the button follows
    // the idle state as well, so it offers "play" when there is nothing to pause.
    connect(core, &PlayerCore::idleChanged, this, &ControlBar::showPlayState);
    // After a stop the length of what played (a stream's "live") goes too.
    connect(core, &PlayerCore::idleChanged, this, [this] { showDuration(m_core->duration()); });
    connect(volumeSlider, &QSlider::valueChanged, this, [this](int v) { m_core->setVolume(v); });
    connect(muteButton, &QToolButton::clicked, this, [this] { m_core->setMuted(!m_core->isMuted()); });
}

// Playback reports the position many times a second. While time merely runs
// on, the bar, the time labels and so the window are redrawn once per shown
// second, all in one go; a step back (a seek) shows at once, a step forward
// changes the second anyway. Nothing is drawn while the window is hidden or
// minimized. Paused, every change (a seek, a frame step) shows.
void ControlBar::showPosition(double pos)
{
    if (!m_core->isPaused()) {
        const QWidget* top = window();
        if (!top->isVisible() || top->isMinimized())
            return;
        if (std::floor(pos) == std::floor(m_shownPos) && pos >= m_shownPos)
            return;
    }
    drawPosition(pos);
}

void ControlBar::drawPosition(double pos)
{
    m_shownPos = pos;
    seekBar->setPosition(pos);   // ignored while the knob is dragged
    timeLabel->setText(App::formatTime(pos));
    const double dur = m_core->duration();
    if (showRemaining && dur > 0)
        durationLabel->setText(QLatin1Char('-') + App::formatTime(dur - pos));
}

void ControlBar::showPlayState()
{
    const bool offerPlay = m_core->isPaused() || m_core->isIdle();
    playButton->setIcon(Icons::icon(offerPlay ? QStringLiteral("play") : QStringLiteral("pause"), kDark, kDark));
}

bool ControlBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != durationLabel || event->type() != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);
    showRemaining = !showRemaining;
    App::settings()->setValue(QStringLiteral("ui/remainingTime"), showRemaining);
    const double dur = m_core->duration();
    if (showRemaining && dur > 0)
        durationLabel->setText(QLatin1Char('-') + App::formatTime(dur - m_core->position()));
    else
        showDuration(dur);
    return true;
}

void ControlBar::showDuration(double dur)
{
    if (m_core->isIdle())
        durationLabel->setText(QStringLiteral("0:00"));
    else if (dur > 0)
        durationLabel->setText(App::formatTime(dur));
    else
        durationLabel->setText(m_core->isStream() ? L("AO VIVO", "LIVE") : QStringLiteral("0:00"));
}

void ControlBar::showRepeat()
{
    const PlayerCore::Repeat mode = m_core->repeat();
    repeatButton->setChecked(mode != PlayerCore::RepeatOff);
    repeatButton->setIcon(Icons::icon(mode == PlayerCore::RepeatOne ? QStringLiteral("repeat-one")
                                                                    : QStringLiteral("repeat")));
    if (mode == PlayerCore::RepeatOne)
        repeatButton->setToolTip(L("Repetindo esta faixa", "Repeat one"));
    else if (mode == PlayerCore::RepeatAll)
        repeatButton->setToolTip(L("Repetindo a fila", "Repeat all"));
    else
        repeatButton->setToolTip(L("Repetir desligado", "Repeat off"));
}

void ControlBar::refreshVolumeIcon()
{
    const double v = m_core->volume();
    QString icon = QStringLiteral("volume");
    if (m_core->isMuted() || v <= 0)
        icon = QStringLiteral("volume-x");
    else if (v < 50)
        icon = QStringLiteral("volume-low");
    muteButton->setIcon(Icons::icon(icon));
    muteButton->setToolTip(QStringLiteral("Volume — %1%").arg(int(v)));
}

void ControlBar::setNowPlaying(const QString& title, const QString& subtitle, const QPixmap& cover)
{
    // 190 px, or less when the block leaves the texts less room than that;
    // measured in the fonts the style sheet gives the labels.
    titleLabel->ensurePolished();
    subLabel->ensurePolished();
    const int room = qMin(190, nowPlayingBlock->width() - kCover - 2 * 10 - favoriteButton->sizeHint().width());
    titleLabel->setText(titleLabel->fontMetrics().elidedText(title, Qt::ElideRight, room));
    titleLabel->setToolTip(plainTip(title));
    subLabel->setText(subLabel->fontMetrics().elidedText(subtitle, Qt::ElideRight, room));
    subLabel->setToolTip(plainTip(subtitle));
    coverButton->setIcon(QIcon(Covers::rounded(coverPicture(cover), 8)));
}

void ControlBar::setFavorite(bool on, bool enabled)
{
    favoriteButton->setEnabled(enabled);
    favoriteButton->setChecked(on);
    favoriteButton->setIcon(Icons::icon(on ? QStringLiteral("heart-filled") : QStringLiteral("heart"),
                                        QColor(0xc9, 0xd4, 0xe3), QColor(0xff, 0x5c, 0x8a)));
}

void ControlBar::setFullscreenState(bool fullscreen)
{
    fullscreenButton->setIcon(Icons::icon(fullscreen ? QStringLiteral("fullscreen-exit") : QStringLiteral("fullscreen")));
    fullscreenButton->setToolTip(fullscreen ? L("Sair da tela cheia (Esc)", "Exit fullscreen (Esc)")
                                            : L("Tela cheia (F)", "Fullscreen (F)"));
}

void ControlBar::setOverlay(bool on)
{
    setProperty("overlay", on);
    style()->unpolish(this);
    style()->polish(this);
    updateResponsive();
}

void ControlBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateResponsive();
}

void ControlBar::updateResponsive()
{
    const int w = width();
    // Below the wide thresholds the seek bar would be squeezed to nothing:
    // the track and speed menus go first, then the queue toggle.
    speedButton->setVisible(w > 600);
    audioButton->setVisible(w > 560);
    subsButton->setVisible(w > 520);
    queueButton->setVisible(w > 460);
    moreButton->show();   // hidden only when nothing else is left to give way
    shuffleButton->setVisible(w > 520);
    repeatButton->setVisible(w > 520);
    back10Button->setVisible(w > 640);
    fwd10Button->setVisible(w > 640);
    volumeSlider->setVisible(w > 700);
    eqButton->setVisible(w > 760);
    // Floating over the picture, the bar keeps the way out of the mini player.
    miniButton->setVisible(w > 820 || property("overlay").toBool());
    nowPlayingBlock->setVisible(w > 980);
    // With this style's sizes the controls can need more than the thresholds
    // allow for (the left block needs 1058 px; floating, the bar keeps the
    // mini button): shown on a bar too narrow for them, they would overlap.
    // They then give way in this order until the rest fits.
    for (QWidget* control : std::initializer_list<QWidget*>{nowPlayingBlock, speedButton, audioButton, subsButton,
                                                            eqButton, volumeSlider, queueButton, moreButton}) {
        if (fits())
            return;
        control->hide();
    }
}

// Every shown control within the bar, and the seek bar still wide enough
// to aim with.
bool ControlBar::fits()
{
    layout()->activate();
    return layout()->minimumSize().width() <= width() && seekBar->width() >= kSeekRoom;
}
