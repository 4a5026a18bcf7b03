#pragma once

#include "Host.h"
#include "MediaCollector.h"
#include "MediaItem.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QString>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QTimer>

#include <optional>

class ControlBar;
class HomePage;
class MediaControls;
class MpvWidget;
class MusicPage;
class NowPlaying;
class PlaylistsPage;
class PlayerCore;
class PreviewPopup;
class QBoxLayout;
class QButtonGroup;
class QKeyEvent;
class QLabel;
class QMenu;
class QMouseEvent;
class QPushButton;
class QSpacerItem;
class QStackedLayout;
class QStackedWidget;
class QSystemTrayIcon;
class QueuePanel;
class RadiosPage;
class RecentsPage;
class SettingsPage;
class Toast;
class Updater;
class VideosPage;

// The one top-level window: sidebar, page stack, queue panel, transport bar
// and the player page (video or now-playing view). It implements Host for
// the pages. The work is split by concern over several sources:
// MainWindow.cpp (frame, widget tree, pages), MainWindowPlayback.cpp,
// MainWindowOpen.cpp, MainWindowActions.cpp, MainWindowMenus.cpp,
// MainWindowModes.cpp and MainWindowContext.cpp.
class MainWindow : public QMainWindow, public Host
{
    Q_OBJECT
public:
    explicit MainWindow(PlayerCore* core, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Host
    PlayerCore* core() const override;
    void playFiles(const QList<QString>& paths, int start, const QList<QString>& titles = {}) override;
    void enqueue(const QList<QString>& paths) override;
    void playNext(const QList<QString>& paths) override;
    void playResume(const QString& path) override;
    void playFromStart(const QString& path) override;
    void showMediaMenu(QList<QString> paths, QPoint globalPos, QMenu* extra) override;
    void openFileDialog() override;
    void openFolderDialog() override;
    void openUrlDialog() override;
    void toast(const QString& text) override;
    void warn(const QString& text) override;
    void goToPage(const QString& id) override;

    // Files, folders and links from the command line or a second start.
    void openFromCommandLine(const QList<QString>& args, bool fromOtherInstance);

    bool onPlayerPage() const;
    // The id of the page shown ("player" for the video area), and whether
    // the window is the mini player: read by the self-test's checks.
    QString currentPageId() const;
    bool isMiniPlayer() const { return m_mini; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // MainWindow.cpp
    void buildUi();
    QWidget* buildSidebar();
    QLayout* buildBrandRow();
    QWidget* buildSidebarEntries();
    void connectLibraryStatus();
    void fitSidebar();
    int sidebarNaturalHeight() const;
    void setSidebarCompact(bool compact);
    void fitSidebarWidth();
    void showLibraryStatus();
    void fitQueuePanel();
    QPushButton* addNavEntry(QLayout* layout, const QString& id, const QString& icon,
                             const QString& text);
    void buildPages();
    void buildPlayerPage();
    void connectVideo();
    void connectControlBar();
    void connectPanels();
    void buildToolMenus();
    void addDigitKeys();
    void connectUpdater();
    void fillSubsButtonMenu(QMenu* menu);
    void fillAudioButtonMenu(QMenu* menu);
    void fillMoreMenu(QMenu* menu);
    void triggerAction(const QString& id);
    void seekFromBar(double position, bool dragging);
    void showSeekPreview(double time, const QPoint& anchor);
    void toggleFavorite();
    void saveQueueAsPlaylist(const QList<QString>& paths);

    // MainWindowPlayback.cpp
    friend class TestPlayback;
    friend class TestRecentsWindow;
    void connectCore();
    void createMediaControls();
    void restoreSpeed();
    void onFileLoaded();
    void registerMedia(const QString& path, const QString& kind, bool isVideo);
    const MediaItem* tagsOf(const QString& path);
    void onTagsRead();
    void resumeIfWanted(const QString& path, bool isVideo);
    std::optional<bool> takeResumeOverride(const QString& path);
    void writeLoadHistory(const QString& path, const QString& kind, bool isVideo);
    void onFileEnded(const QString& path, const QString& reason, double position, double duration);
    void updateNowPlaying();
    void onVideoPresence(bool hasVideo);
    void showVideo();
    void onIdle();
    void showFailure(const QString& text);
    // Failures and warnings stay long enough to read.
    static constexpr int kNoticeMs = 4000;
    void toastFor(const QString& text, int ms);
    QWidget* toastHost() const;
    void keepOverVideo(QWidget* widget, int radius);
    void showTried();
    void onPauseChanged(bool paused);
    QString currentKind() const;
    void showResumeBanner(double position);
    void saveCurrentPosition(bool force);
    void seekStep(double seconds);
    void changeVolume(double delta);
    void setSpeedValue(double speed);
    void changeSpeed(double delta);
    void takeScreenshot(bool withSubs);
    void onSaveTimer();
    void onPlayTimer();

    // MainWindowOpen.cpp
public:
    // Expands folders (recursively, natural order) and playlist files into
    // a flat list of playable paths and links; missing paths are dropped.
    // Toasts what playlist readings left out.
    QList<QString> collectMedia(const QList<QString>& paths);
    // Shows the window, un-minimized but otherwise in its own state
    // (fullscreen or maximized stay so), raised and active.
    void bringToFront();

private:
    void tellLeftOut(const MediaCollector::Result& result);
    // collectMedia, with then called once the files are there: lists that
    // hold playlist files are read off the GUI thread.
    void collectThen(const QList<QString>& paths, const MediaCollector::Done& then);
    void openArguments(const QList<QString>& files, bool fromOtherInstance);
    MediaCollector* m_collector = nullptr;   // made at the first opening

    // MainWindowActions.cpp
    friend class TestHandlers;
    friend class TestModes;
    friend class TestShortcuts;
    void buildActions();
    void addGeneralActions(const QString& group);
    void addPlaybackActions(const QString& group);
    void addAudioActions(const QString& group);
    void addVideoActions(const QString& group);
    void addSubtitleActions(const QString& group);
    template <class Dialog> void execDialog();

    // MainWindowHandlers.cpp
    void abLoopStep();
    void cycleRepeat();
    void toggleShuffle();
    void toggleMute();
    void cycleAudioTrack();
    void cycleSubtitle();
    void stepAudioDelay(double step);
    void stepSubDelay(double step);
    void toggleNormalize();
    void toggleMirror();
    void zoomBy(double step);
    void resetZoom();
    void rotateVideo();
    void loadSubtitleFile();
    void exitFullscreenOrMini();

    // MainWindowMenus.cpp
    // Empties a menu that is about to be filled again, with the action
    // groups and submenus its last filling left behind.
    static void resetMenu(QMenu* menu);
    void buildMenus();
    void buildMediaMenu();
    void buildPlaybackMenu();
    void buildAudioMenu();
    void buildVideoMenu();
    void buildSubtitleMenu();
    void buildViewMenu();
    void buildHelpMenu();
    void styleMenuOverflow();
    QMenu* addFilledMenu(QMenu* parent, const QString& icon, const QString& title,
                         void (MainWindow::*fill)(QMenu*));
    void fillRecentMenu(QMenu* menu);
    void fillSpeedMenu(QMenu* menu);
    void askCustomSpeed();
    void fillTrackMenu(QMenu* menu, const QString& type);
    void fillSecondarySubMenu(QMenu* menu);
    void fillAudioDeviceMenu(QMenu* menu);
    void fillRepeatMenu(QMenu* menu);
    void fillChaptersMenu(QMenu* menu);
    void fillAspectMenu(QMenu* menu);
    void cycleAspect();
    void gotoTimeDialog();
    void showMediaInfo();
    void showAbout();

    // MainWindowModes.cpp
    void toggleFullscreen();
    void setFullscreen(bool on);
    void enterFullscreen();
    void leaveFullscreen();
    void toggleMini();
    void enterMini();
    void leaveMini();
    void floatControlBar();
    void dockControlBar();
    void setOnTop(bool on);
    void restateWindow(const QRect& normal);
    void fitIntoScreen();
    void updateOverlayGeometry();
    void liftSubtitles();
    bool stateIsNormal() const;
    void showOverlayControls();
    void hideOverlayControls();
    void onHideTimer();
    void onClickTimer();
    bool keepKeyForFocus(const QKeyEvent* key) const;
    bool filterButtonKey(QObject* watched, const QKeyEvent* key) const;
    void orderTabChain();
    bool filterMiniPlayer(QObject* watched, QEvent* event);
    void startMoveOnDrag(const QMouseEvent* mouse);

    // MainWindowContext.cpp
    friend class TestContext;
    friend class TestContextTray;
    friend class TestContextNoTray;
    void buildTray();
    QMenu* buildContextMenu();
    void addQueueEntries(QMenu* menu, const QList<QString>& paths);
    void addPlaylistMenu(QMenu* menu, const QList<QString>& paths);
    void addFavoriteEntry(QMenu* menu, const QString& path);
    void addFileEntries(QMenu* menu, const QString& path);
    void createPlaylistFrom(const QList<QString>& paths);
    void storeNewPlaylist(const QList<QString>& paths, const QString& title, const QString& proposed,
                          const QString& doneText);
    void addTrackSubmenus(QMenu* menu);
    void onTrayActivated(int reason);
    void toggleFromTray();
    qint64 m_trayTriggerMs = -1;   // steady-clock time of the last single click on the tray

    PlayerCore* m_core;
    MpvWidget* m_video = nullptr;
    bool m_noVideoTold = false;   // the user knows that no video can show
    ControlBar* m_controlBar = nullptr;
    QueuePanel* m_queuePanel = nullptr;
    NowPlaying* m_nowPlaying = nullptr;
    PreviewPopup* m_preview = nullptr;
    Toast* m_toast = nullptr;
    QElapsedTimer m_failClock;   // since the last file that failed to open
    int m_failures = 0;          // files that failed in a row, one soon after the other
    QTimer m_failTimer;          // shows the running failure message at most a few times a second
    QString m_failText;
    bool m_trying = false;       // from a file's start to its load or the idle that follows its failure
    QWidget* m_sidebar = nullptr;
    QWidget* m_content = nullptr;
    QWidget* m_videoArea = nullptr;
    QPointer<QWidget> m_resumeBanner;   // cleared when the banner goes
    QStackedWidget* m_stack = nullptr;
    QStackedLayout* m_videoStack = nullptr;
    QButtonGroup* m_navGroup = nullptr;
    QPushButton* m_playerNav = nullptr;
    QLabel* m_libraryStatus = nullptr;
    QBoxLayout* m_brandRow = nullptr;
    QBoxLayout* m_navLayout = nullptr;
    QSpacerItem* m_navGap = nullptr;   // above the "player" entry
    QWidget* m_brandNames = nullptr;
    bool m_sidebarNarrow = false;      // icons only, in a narrow window
    bool m_statusWanted = false;       // a scan runs, or its count is shown
    static constexpr int kNarrowWindow = 700;
    static constexpr int kQueueLeast = 220;   // the queue panel's least width
    static constexpr int kPageLeast = 300;    // a page beside it keeps this much
    static constexpr int kPageBeside = 360;   // or this, before the queue narrows
    QHash<QString, QWidget*> m_pages;
    QHash<QString, QPushButton*> m_navButtons;
    HomePage* m_homePage = nullptr;
    VideosPage* m_videosPage = nullptr;
    MusicPage* m_musicPage = nullptr;
    PlaylistsPage* m_playlistsPage = nullptr;
    RecentsPage* m_recentsPage = nullptr;
    RadiosPage* m_radiosPage = nullptr;
    SettingsPage* m_settingsPage = nullptr;
    MediaControls* m_mediaControls = nullptr;
    Updater* m_updater = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QTimer m_saveTimer;
    QTimer m_hideTimer;
    QTimer m_playTimer;
    QTimer m_clickTimer;
    QTimer m_statusTimer;   // hides the library status line after a scan
    bool m_fullscreen = false;
    bool m_mini = false;
    bool m_wasMaximized = false;
    bool m_onTop = false;
    bool m_quitting = false;
    bool m_firstShow = true;
    QRect m_normalGeometry;
    // The normal geometry to give back once the window leaves the full
    // screen or maximized state it had when the video widget joined.
    std::optional<QRect> m_restoreGeometry;
    // The subtitles' place while the floating bar covers the user's, -1
    // when it does not.
    int m_subtitleLift = -1;
    // Where a left press in the mini player began, until it becomes a move
    // of the window or ends.
    std::optional<QPoint> m_movePress;
    QString m_currentPath;
    // The tags of the last local song, read on a worker (a file may carry
    // megabytes of them) and kept until the next file starts: every change
    // of title or metadata asks for them again.
    QString m_taggedPath;        // whose tags are read or being read
    bool m_tagsRead = false;
    MediaItem m_tagged;
    QFutureWatcher<MediaItem> m_tagWatcher;
    QString m_unregistered;      // a loaded song whose media row waits for its tags
    double m_playedSeconds = 0;
    bool m_playCounted = false;
    // A path's next load: true resumes whatever the rules say, false starts
    // at 0. The later request for the same path wins.
    QHash<QString, bool> m_resumeOverride;
    QString m_lastPage = QStringLiteral("home");
    int m_aspectIndex = 0;
    double m_zoom = 0;
    int m_rotation = 0;
    double m_previewTime = -1.0;
    QPointer<QMenu> m_trayMenu;
    QThreadPool m_tagPool;       // last: joined before anything it may reach goes
};
