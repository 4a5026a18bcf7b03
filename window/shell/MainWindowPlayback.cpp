// Playback bookkeeping: what is loaded, resume and history rows, position
// saving and play counting, every now-playing display, and the small
// playback commands shared by buttons, keys and the wheel.
#include "MainWindow.h"

#include "App.h"
#include "ControlBar.h"
#include "Covers.h"
#include "Database.h"
#include "Lang.h"
#include "Library.h"
#include "MediaControls.h"
#include "MpvWidget.h"
#include "NowPlaying.h"
#include "PlayerCore.h"
#include "SettingsPage.h"
#include "Widgets.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStackedLayout>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace {

// Failures closer than this make one run.
constexpr int kFailureRunMs = 1500;

// Audio shorter than this is neither resumed by itself nor saved periodically.
constexpr double kLongAudio = 1200.0;

// Played to the end: within 3 % of the duration, or within 10 s.
bool nearEnd(double position, double duration)
{
    return duration > 0 && position >= duration - qMax(0.03 * duration, 10.0);
}

bool isVideoExt(const QString& path)
{
    return App::videoExts().contains(App::ext(path));
}

// What the now-playing displays show of one file.
struct TrackInfo
{
    QString title;
    QString artist;
    QString album;
    QPixmap cover;
};

// libmpv's title of a local file; one that is only the file's name is
// shown without its extension, as the library and the history show it.
QString fileTitle(const PlayerCore* core, const QString& path)
{
    const QString title = core->title();
    const QFileInfo file(path);
    return title.isEmpty() || title == file.fileName() ? file.completeBaseName() : title;
}

// tags: the record of the file's tags, null while they are read
// (MainWindow::tagsOf); meanwhile the title is libmpv's.
template <typename Tags>
TrackInfo localAudioInfo(const QString& path, const PlayerCore* core, Tags tags)
{
    // A row made when the file was opened from outside the library holds a
    // title only: its artist and album are still in the file's tags.
    std::optional<MediaItem> row = Database::instance()->mediaByPath(path);
    const bool rowComplete = row && !row->title.isEmpty() && !(row->artist.isEmpty() && row->album.isEmpty());
    const MediaItem* tagged = rowComplete ? nullptr : tags(path);
    MediaItem item = rowComplete ? *row : tagged ? *tagged : MediaItem();
    if (!rowComplete && !tagged) {
        item.path = path;
        item.title = fileTitle(core, path);
    }
    return {item.displayTitle(), item.artist, item.album, Covers::instance()->cover(path, 512)};
}

// The name the playing list gave a link, else the library's, else none.
QString linkName(const QString& url, const PlayerCore* core)
{
    const QString given = core->givenTitle(url);
    if (!given.isEmpty())
        return given;
    std::optional<MediaItem> row = Database::instance()->mediaByPath(url);
    return row && row->title != url ? row->title : QString();
}

QString libraryTitle(const QString& path)
{
    const std::optional<MediaItem> row = Database::instance()->mediaByPath(path);
    return row ? row->title : QString();
}

TrackInfo linkInfo(const QString& url, const PlayerCore* core)
{
    QString name = linkName(url, core);
    if (name.isEmpty())
        name = QUrl(url).host();
    // Under a stream's own title, the link's name; else the title is the name.
    if (core->streamTitle().isEmpty())
        return {name, QString(), QString(), QPixmap()};
    return {core->title(), name, QString(), QPixmap()};
}

TrackInfo localVideoInfo(const QString& path, const PlayerCore* core)
{
    return {fileTitle(core, path), QFileInfo(path).absoluteDir().dirName(), QString(),
            Covers::instance()->videoThumb(path, 384, -0.15, QStringLiteral("lib"))};
}

}  // namespace

void MainWindow::connectCore()
{
    connect(m_core, &PlayerCore::fileLoaded, this, &MainWindow::onFileLoaded);
    m_tagPool.setMaxThreadCount(1);
    connect(&m_tagWatcher, &QFutureWatcherBase::finished, this, &MainWindow::onTagsRead);
    connect(m_core, &PlayerCore::fileEnded, this, &MainWindow::onFileEnded);
    // The resume banner belongs to its file: its "Start over" must never
    // rewind the next one.
    connect(m_core, &PlayerCore::fileStarted, this, [this] {
        m_taggedPath.clear();   // the file may have changed since
        delete m_resumeBanner;
        m_trying = true;
        showTried();
    });
    connect(m_core, &PlayerCore::connectionLost, this,
            [this] { toastFor(L("Conexão perdida", "Connection lost"), kNoticeMs); });
    connect(m_core, &PlayerCore::titleChanged, this, &MainWindow::updateNowPlaying);
    connect(m_core, &PlayerCore::errorMessage, this, &MainWindow::showFailure);
    m_failTimer.setSingleShot(true);
    m_failTimer.setInterval(250);
    connect(&m_failTimer, &QTimer::timeout, this, [this] { toastFor(m_failText, kNoticeMs); });
    connect(m_core, &PlayerCore::videoPresenceChanged, this, &MainWindow::onVideoPresence);
    connect(m_core, &PlayerCore::bufferingChanged, this, [this](bool on) {
        if (on)
            toast(L("Carregando…", "Buffering…"));
    });
    connect(m_core, &PlayerCore::idleChanged, this, [this](bool idle) {
        if (idle)
            onIdle();
    });
    connect(m_core, &PlayerCore::pauseChanged, this, &MainWindow::onPauseChanged);
    connect(m_core, &PlayerCore::speedChanged, this, [](double speed) {
        if (App::get(QStringLiteral("playback/keepSpeed"), true).toBool())
            App::set(QStringLiteral("playback/speed"), speed);
    });
    connect(Covers::instance(), &Covers::ready, this, [this](const QString& path) {
        if (path == m_currentPath)
            updateNowPlaying();
    });
    // Once the event loop runs: the desktop's media controls, then the
    // device list, which asks the running engine.
    QTimer::singleShot(0, this, [this] {
        createMediaControls();
        m_settingsPage->refreshAudioDevices();
    });
    restoreSpeed();
}

void MainWindow::createMediaControls()
{
    m_mediaControls = new MediaControls(this, m_core, this);
    MediaControls* mc = m_mediaControls;
    connect(mc, &MediaControls::playPauseRequested, m_core, &PlayerCore::togglePause);
    connect(mc, &MediaControls::playRequested, m_core, [this] { m_core->setPaused(false); });
    connect(mc, &MediaControls::pauseRequested, m_core, [this] { m_core->setPaused(true); });
    connect(mc, &MediaControls::nextRequested, m_core, &PlayerCore::next);
    connect(mc, &MediaControls::previousRequested, m_core, &PlayerCore::prev);
    connect(mc, &MediaControls::stopRequested, m_core, &PlayerCore::stop);
    connect(mc, &MediaControls::raiseRequested, this, &MainWindow::bringToFront);
    connect(mc, &MediaControls::quitRequested, this, [this] {
        m_quitting = true;
        close();
    });
}

void MainWindow::restoreSpeed()
{
    if (!App::get(QStringLiteral("playback/keepSpeed"), true).toBool())
        return;
    const double speed = App::get(QStringLiteral("playback/speed"), 1.0).toDouble();
    if (speed > 0 && speed != 1.0)
        m_core->setSpeed(speed);
}

void MainWindow::onFileLoaded()
{
    m_trying = false;
    m_currentPath = m_core->path();
    m_playedSeconds = 0;
    m_playCounted = false;
    m_playerNav->show();

    const QString path = m_currentPath;
    const QString kind = currentKind();
    const bool isVideo = kind == QLatin1String("video") || m_core->hasVideo();
    registerMedia(path, kind, isVideo);
    if (m_core->duration() > 0)
        Database::instance()->setDuration(path, m_core->duration());
    resumeIfWanted(path, isVideo);
    writeLoadHistory(path, kind, isVideo);
    updateNowPlaying();

    if (isVideo) {
        if (!m_mini)
            goToPage(QStringLiteral("player"));
        showVideo();
    } else {
        m_videoStack->setCurrentWidget(m_nowPlaying);
    }
}

// Every opened file or link gets a media row; local audio keeps the row the
// scanner made, or gets one titled from its tags.
void MainWindow::registerMedia(const QString& path, const QString& kind, bool isVideo)
{
    Database* db = Database::instance();
    if (isVideo || App::isUrl(path)) {
        const QString given = m_core->givenTitle(path);
        db->ensureMedia(path, kind, given.isEmpty() ? m_core->title() : given);
        return;
    }
    if (db->mediaByPath(path))
        return;
    if (const MediaItem* tags = tagsOf(path))
        db->ensureMedia(path, QStringLiteral("audio"), tags->displayTitle());
    else
        m_unregistered = path;
}

const MediaItem* MainWindow::tagsOf(const QString& path)
{
    if (path == m_taggedPath)
        return m_tagsRead ? &m_tagged : nullptr;
    m_taggedPath = path;
    m_tagsRead = false;
    m_tagWatcher.setFuture(QtConcurrent::run(&m_tagPool, [path] {
        MediaItem item = Library::readTags(path);
        item.path = path;
        return item;
    }));
    return nullptr;
}

void MainWindow::onTagsRead()
{
    const MediaItem item = m_tagWatcher.result();
    if (m_unregistered == item.path) {
        m_unregistered.clear();
        Database* db = Database::instance();
        db->ensureMedia(item.path, QStringLiteral("audio"), item.displayTitle());
        if (m_core->path() == item.path && m_core->duration() > 0)
            db->setDuration(item.path, m_core->duration());
    }
    if (item.path != m_taggedPath)
        return;
    m_tagged = item;
    m_tagsRead = true;
    if (item.path == m_currentPath || item.path == m_core->path())
        updateNowPlaying();
}

void MainWindow::resumeIfWanted(const QString& path, bool isVideo)
{
    const std::optional<bool> override = takeResumeOverride(path);
    if (override == false)
        return;
    const bool forced = override.value_or(false);
    const bool longAudio = !isVideo && m_core->duration() > kLongAudio;
    if (!forced) {
        if (!App::get(QStringLiteral("playback/resume"), true).toBool())
            return;
        if (!isVideo && !longAudio)
            return;
    }
    const std::optional<HistoryItem> row = Database::instance()->historyFor(path);
    if (!row || row->finished)
        return;
    const double p = row->position;
    if (p <= 5.0 || (row->duration > 0 && p >= row->duration - 10.0))
        return;
    m_core->seekAbsolute(p);
    if (App::get(QStringLiteral("playback/resumeNotice"), true).toBool())
        showResumeBanner(p);
}

// The row of the load keeps an unfinished row's position, so a file opened
// and closed at once does not lose where it was.
void MainWindow::writeLoadHistory(const QString& path, const QString& kind, bool isVideo)
{
    Database* db = Database::instance();
    const std::optional<HistoryItem> old = db->historyFor(path);
    HistoryItem item;
    item.path = path;
    item.kind = kind;
    item.title = m_core->title();
    if (!isVideo && !App::isUrl(path)) {
        if (const std::optional<MediaItem> media = db->mediaByPath(path))
            item.title = media->displayTitle();
    }
    item.position = old && !old->finished ? old->position : 0.0;
    item.duration = m_core->duration();
    db->saveHistory(item);
}

void MainWindow::onFileEnded(const QString& path, const QString& reason, double position, double duration)
{
    if (path.isEmpty() || reason == QLatin1String("error") || reason == QLatin1String("redirect"))
        return;
    bool isVideo = isVideoExt(path);
    if (!isVideo && path == m_currentPath)
        isVideo = m_core->hasVideo();
    const bool url = App::isUrl(path);
    const bool finished = reason == QLatin1String("eof") || nearEnd(position, duration);
    if (finished && !isVideo)
        return;

    Database* db = Database::instance();
    const std::optional<HistoryItem> old = db->historyFor(path);
    HistoryItem item;
    item.path = path;
    item.kind = url ? QStringLiteral("stream") : isVideo ? QStringLiteral("video") : QStringLiteral("audio");
    item.title = old ? old->title : QFileInfo(path).completeBaseName();
    item.position = url ? 0.0 : position;
    item.duration = duration;
    item.finished = finished;
    db->saveHistory(item);
    if (isVideo)
        Covers::instance()->invalidateVideoThumb(path, QStringLiteral("hist"));
}

void MainWindow::updateNowPlaying()
{
    // While a link is tried, what played before is no longer news.
    if (m_trying && App::isUrl(m_core->lastPath())) {
        showTried();
        return;
    }
    const QString path = m_currentPath.isEmpty() ? m_core->path() : m_currentPath;
    if (path.isEmpty())
        return;
    const bool isVideo = m_core->hasVideo() || isVideoExt(path);
    const TrackInfo info = App::isUrl(path) ? linkInfo(path, m_core)
                           : isVideo        ? localVideoInfo(path, m_core)
                                            : localAudioInfo(path, m_core, [this](const QString& p) { return tagsOf(p); });

    QString subtitle = info.artist.isEmpty() ? info.album : info.artist;
    if (subtitle.isEmpty() && App::isUrl(path))
        subtitle = QUrl(path).host();
    m_controlBar->setNowPlaying(info.title, subtitle, info.cover);
    m_controlBar->setFavorite(Database::instance()->isFavorite(path), true);
    m_nowPlaying->setTrack(path, info.title, info.artist, info.album, info.cover);
    setWindowTitle(info.title + QStringLiteral(" — Orvel"));
    // The desktop hears only of the loaded file: until the next file's load
    // the core may already report that file's path, title and length.
    if (!m_mediaControls || m_core->path() != m_currentPath)
        return;
    const QString art = Covers::diskFile(path);
    m_mediaControls->setTrack(info.title, info.artist, info.album, QFileInfo::exists(art) ? art : QString(),
                              isVideo);
    m_mediaControls->setPlaying(!m_core->isPaused(), true);
}

void MainWindow::onVideoPresence(bool hasVideo)
{
    if (!hasVideo) {
        m_videoStack->setCurrentWidget(m_nowPlaying);
        return;
    }
    showVideo();
    if (!m_mini)
        goToPage(QStringLiteral("player"));
}

void MainWindow::showVideo()
{
    if (!m_video->parentWidget() && !m_video->canShow()) {
        // Without OpenGL the window cannot draw the widget (the toolkit
        // would crash at the next repaint): the sound plays on, the
        // now-playing view stays, and the user hears of it once.
        m_videoStack->setCurrentWidget(m_nowPlaying);
        if (!m_noVideoTold) {
            m_noVideoTold = true;
            qWarning() << "video: sem OpenGL, o vídeo não será mostrado";
            toastFor(L("Não foi possível mostrar o vídeo: OpenGL indisponível",
                       "Video cannot be shown: OpenGL is not available"),
                     4000);
        }
        return;
    }
    if (!m_video->parentWidget()) {
        // The toolkit makes the window again to draw it through OpenGL from
        // now on; the new one takes the focus the old one had, and keeps
        // the state and the normal size of the old one.
        const bool active = isActiveWindow() && !isMinimized();
        const QRect normal = normalGeometry();
        m_videoStack->addWidget(m_video);
        restateWindow(normal);
        if (active)
            activateWindow();
    }
    m_videoStack->setCurrentWidget(m_video);
}

// A link being tried shows in the bar and the window's title at once: while
// libmpv works through links that fail, they name the one it tries, not
// what played before (whose heart is out of reach meanwhile).
void MainWindow::showTried()
{
    const QString path = m_core->lastPath();
    if (!App::isUrl(path))
        return;
    QString name = linkName(path, m_core);
    if (name.isEmpty())
        name = path;
    m_controlBar->setNowPlaying(name, QUrl(path).host(), QPixmap());
    m_controlBar->setFavorite(false, false);
    setWindowTitle(name + QStringLiteral(" — Orvel"));
}

// A file that failed, named as the library names it; a run of failures (a
// walk over dead links) is one running message, redrawn a few times a second.
void MainWindow::showFailure(const QString& text)
{
    QString message = text;
    const QString path = m_core->lastPath();
    const QString prefix = L("Não foi possível abrir: ", "Could not open: ");
    QString name;
    if (text.startsWith(prefix))   // other messages name their entry with their own reason
        name = App::isUrl(path) ? linkName(path, m_core) : libraryTitle(path);
    if (!name.isEmpty())
        message = prefix + name + QStringLiteral(" (") + m_core->lastError() + QLatin1Char(')');
    m_failures = m_failClock.isValid() && m_failClock.elapsed() < kFailureRunMs ? m_failures + 1 : 1;
    m_failClock.restart();
    if (m_failures == 1) {
        toastFor(message, kNoticeMs);
        return;
    }
    m_failText = L("%1 itens não abriram · ", "%1 items failed · ").arg(m_failures) + message;
    if (!m_failTimer.isActive())
        m_failTimer.start();
}

void MainWindow::onIdle()
{
    m_trying = false;
    m_currentPath.clear();
    delete m_resumeBanner;
    m_controlBar->setNowPlaying(L("Nada tocando", "Nothing playing"), QString(), QPixmap());
    m_controlBar->setFavorite(false, false);
    m_nowPlaying->clearTrack();
    setWindowTitle(QStringLiteral("Orvel"));
    m_playerNav->hide();
    if (m_mediaControls)
        m_mediaControls->setPlaying(false, false);
    // Nothing plays: the player page would stand empty (also when a link
    // that failed stays in the queue), so the user goes back.
    if (onPlayerPage())
        goToPage(m_lastPage == QLatin1String("player") ? QStringLiteral("home") : m_lastPage);
}

void MainWindow::onPauseChanged(bool paused)
{
    if (m_mediaControls)
        m_mediaControls->setPlaying(!paused, !m_core->isIdle());
    if (paused)
        m_video->setCursor(Qt::ArrowCursor);
    // With nothing loaded the engine reports "not paused" and there is no
    // title to show: the tooltip is the program's name alone.
    if (m_tray)
        m_tray->setToolTip(m_core->isIdle()
                               ? QStringLiteral("Orvel")
                               : QStringLiteral("Orvel — %1").arg(paused ? L("pausado", "paused") : m_core->title()));
}

QString MainWindow::currentKind() const
{
    if (m_core->isStream())
        return QStringLiteral("stream");
    if (m_core->hasVideo() || isVideoExt(m_currentPath))
        return QStringLiteral("video");
    return QStringLiteral("audio");
}

void MainWindow::showResumeBanner(double position)
{
    delete m_resumeBanner;
    // Over the player page when the file shows there; a long audio file
    // resumes without a page change, so its banner goes over the page in view.
    const bool overPlayer = onPlayerPage() || m_core->hasVideo() || isVideoExt(m_currentPath);
    auto* banner = new QWidget(overPlayer ? m_videoArea : m_content);
    banner->setObjectName(QStringLiteral("Card"));
    banner->setAttribute(Qt::WA_StyledBackground);
    auto* row = new QHBoxLayout(banner);
    row->setContentsMargins(14, 8, 8, 8);
    auto* label = new QLabel(L("Continuando de %1", "Resuming from %1").arg(App::formatTime(position)));
    label->setStyleSheet(QStringLiteral("font-weight: 700;"));
    row->addWidget(label);
    QPushButton* restart = makeButton(L("Começar do início", "Start over"), QStringLiteral("refresh"), false);
    row->addWidget(restart);
    connect(restart, &QPushButton::clicked, banner, [this, banner] {
        m_core->seekAbsolute(0);
        banner->deleteLater();
    });
    banner->adjustSize();
    banner->move(24, 24);
    if (overPlayer)
        keepOverVideo(banner, 14);
    banner->show();
    banner->raise();
    QTimer::singleShot(7000, banner, &QObject::deleteLater);
    m_resumeBanner = banner;
}

void MainWindow::playFiles(const QList<QString>& paths, int start, const QList<QString>& titles)
{
    if (paths.isEmpty())
        return;
    saveCurrentPosition(true);
    m_core->openFiles(paths, start, titles);
}

// The core names local files by their cleaned path; the entry must match.
void MainWindow::playResume(const QString& path)
{
    m_resumeOverride.insert(App::isUrl(path) ? path : QDir::cleanPath(path), true);
    playFiles({path}, 0);
}

void MainWindow::playFromStart(const QString& path)
{
    m_resumeOverride.insert(App::isUrl(path) ? path : QDir::cleanPath(path), false);
    playFiles({path}, 0);
}

std::optional<bool> MainWindow::takeResumeOverride(const QString& path)
{
    const auto it = m_resumeOverride.constFind(path);
    if (it == m_resumeOverride.constEnd())
        return std::nullopt;
    const bool resume = it.value();
    m_resumeOverride.erase(it);
    return resume;
}

void MainWindow::saveCurrentPosition(bool force)
{
    if (m_currentPath.isEmpty() || m_core->isIdle() || m_currentPath.contains(QStringLiteral("://")))
        return;
    if (!force && m_core->isPaused())
        return;
    // Between one file's end and the next load the core already reports the
    // next file: its position must not land on this file's row.
    if (m_core->path() != m_currentPath)
        return;
    const bool isVideo = m_core->hasVideo();
    if (!isVideo && m_core->duration() < kLongAudio)
        return;

    HistoryItem item;
    item.path = m_currentPath;
    item.kind = isVideo ? QStringLiteral("video") : QStringLiteral("audio");
    item.title = m_core->title();
    item.position = m_core->position();
    item.duration = m_core->duration();
    item.finished = nearEnd(item.position, item.duration);
    // History views would refill every five seconds otherwise.
    Database* db = Database::instance();
    const bool wasBlocked = db->blockSignals(true);
    db->saveHistory(item);
    db->blockSignals(wasBlocked);
    if (force && isVideo)
        Covers::instance()->invalidateVideoThumb(m_currentPath, QStringLiteral("hist"));
}

void MainWindow::onSaveTimer()
{
    saveCurrentPosition(false);
}

void MainWindow::onPlayTimer()
{
    if (!m_core->isPaused() && !m_core->isIdle())
        m_playedSeconds += 1.0;
    if (m_playCounted || m_currentPath.isEmpty())
        return;
    const double duration = m_core->duration();
    if (duration > 0 && m_playedSeconds >= qMin(0.5 * duration, 30.0)) {
        m_playCounted = true;
        Database::instance()->countPlay(m_currentPath);
    }
}

void MainWindow::seekStep(double seconds)
{
    if (m_core->isIdle())
        return;
    m_core->seekRelative(seconds);
    toast(QStringLiteral("%1%2 s").arg(seconds > 0 ? QStringLiteral("+") : QString()).arg(seconds, 0, 'g'));
}

void MainWindow::changeVolume(double delta)
{
    const double v = m_core->volume() + delta;
    m_core->setVolume(v);
    App::set(QStringLiteral("audio/volume"), v);
    toast(QStringLiteral("Volume %1%").arg(qBound(0, int(v), 200)));
}

void MainWindow::setSpeedValue(double speed)
{
    const double s = qBound(0.1, std::round(speed * 100.0) / 100.0, 8.0);
    m_core->setSpeed(s);
    toast(L("Velocidade %1", "Speed %1").arg(App::formatSpeed(s)));
}

void MainWindow::changeSpeed(double delta)
{
    setSpeedValue(m_core->speed() + delta);
}

void MainWindow::takeScreenshot(bool withSubs)
{
    if (!m_core->hasVideo()) {
        toast(L("Nada para capturar", "Nothing to capture"));
        return;
    }
    const QString file = m_core->screenshot(withSubs);
    if (file.isEmpty()) {
        toast(L("Falha na captura", "Screenshot failed"));
        return;
    }
    toast(L("Captura salva em ", "Saved to ") + QDir::toNativeSeparators(QFileInfo(file).absolutePath()));
}
