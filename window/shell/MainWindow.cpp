#include "MainWindow.h"

#include "Actions.h"
#include "App.h"
#include "ControlBar.h"
#include "HomePage.h"
#include "Icons.h"
#include "Lang.h"
#include "Library.h"
#include "MpvWidget.h"
#include "MusicPage.h"
#include "NowPlaying.h"
#include "PlayerCore.h"
#include "PlaylistsPage.h"
#include "PreviewPopup.h"
#include "QueuePanel.h"
#include "RadiosPage.h"
#include "RecentsPage.h"
#include "SettingsPage.h"
#include "Theme.h"
#include "Toast.h"
#include "Updater.h"
#include "VideosPage.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

MainWindow::MainWindow(PlayerCore* core, QWidget* parent)
    : QMainWindow(parent), m_core(core)
{
    setWindowTitle(QStringLiteral("Orvel"));
    setWindowIcon(Icons::appIcon());
    setAcceptDrops(true);
    setMinimumSize(420, 260);
    m_updater = new Updater(this);

    buildActions();
    buildUi();
    buildMenus();
    buildTray();
    connectCore();

    const QByteArray geometry = App::get(QStringLiteral("window/geometry")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        resize(1320, 820);

    m_saveTimer.setInterval(5000);
    connect(&m_saveTimer, &QTimer::timeout, this, &MainWindow::onSaveTimer);
    m_saveTimer.start();
    m_playTimer.setInterval(1000);
    connect(&m_playTimer, &QTimer::timeout, this, &MainWindow::onPlayTimer);
    m_playTimer.start();
    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(2500);
    connect(&m_hideTimer, &QTimer::timeout, this, &MainWindow::onHideTimer);
    m_clickTimer.setSingleShot(true);
    m_clickTimer.setInterval(QApplication::doubleClickInterval());
    connect(&m_clickTimer, &QTimer::timeout, this, &MainWindow::onClickTimer);

    qApp->installEventFilter(this);
    if (App::get(QStringLiteral("general/checkUpdates"), true).toBool())
        QTimer::singleShot(5000, this, [this] { m_updater->check(false); });
    connectUpdater();
    QTimer::singleShot(800, this, [] { Library::instance()->rescan(); });
}

MainWindow::~MainWindow() = default;

PlayerCore* MainWindow::core() const
{
    return m_core;
}

void MainWindow::connectUpdater()
{
    connect(m_updater, &Updater::updateAvailable, this,
            [this](const QString& version, const QString& notes, const QString& url) {
                m_homePage->setUpdateBanner(version, notes, url);
                if (m_tray && m_tray->isVisible())
                    m_tray->showMessage(QStringLiteral("Orvel"),
                                        L("Nova versão %1 disponível", "New version %1 available").arg(version),
                                        QSystemTrayIcon::Information, 10000);
            });
    connect(m_updater, &Updater::upToDate, this,
            [this] { toast(L("Você já está na versão mais nova", "You are up to date")); });
    connect(m_updater, &Updater::failed, this, [this](const QString& error) {
        toast(L("Não foi possível verificar: ", "Could not check: ") + error);
    });
}

void MainWindow::buildUi()
{
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    setCentralWidget(central);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_sidebar = buildSidebar();
    row->addWidget(m_sidebar, 0);
    m_content = new QWidget(central);
    auto* contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(m_content);
    contentLayout->addWidget(m_stack);
    row->addWidget(m_content, 1);
    m_queuePanel = new QueuePanel(m_core, central);
    m_queuePanel->hide();
    row->addWidget(m_queuePanel, 0);
    outer->addLayout(row, 1);

    m_controlBar = new ControlBar(m_core, central);
    outer->addWidget(m_controlBar);

    buildPages();
    buildPlayerPage();
    const QList<QPair<QString, QWidget*>> table = {
        {QStringLiteral("home"), m_homePage},         {QStringLiteral("videos"), m_videosPage},
        {QStringLiteral("music"), m_musicPage},       {QStringLiteral("playlists"), m_playlistsPage},
        {QStringLiteral("recents"), m_recentsPage},   {QStringLiteral("radios"), m_radiosPage},
        {QStringLiteral("settings"), m_settingsPage}, {QStringLiteral("player"), m_videoArea}};
    for (const auto& entry : table) {
        m_stack->addWidget(entry.second);
        m_pages.insert(entry.first, entry.second);
    }

    m_toast = new Toast(m_content);
    m_content->installEventFilter(this);
    m_preview = new PreviewPopup(this);

    connectVideo();
    connectControlBar();
    connectPanels();
    m_controlBar->installEventFilter(this);
    addActions(Actions::instance()->all());
    addDigitKeys();
    goToPage(QStringLiteral("home"));
}

void MainWindow::buildPages()
{
    m_homePage = new HomePage(this);
    m_videosPage = new VideosPage(this);
    m_musicPage = new MusicPage(this);
    m_playlistsPage = new PlaylistsPage(this);
    m_recentsPage = new RecentsPage(this);
    m_radiosPage = new RadiosPage(this);
    m_settingsPage = new SettingsPage(this);
}

void MainWindow::buildPlayerPage()
{
    m_videoArea = new QWidget;
    m_videoArea->setObjectName(QStringLiteral("VideoArea"));
    m_videoArea->setAttribute(Qt::WA_StyledBackground);
    m_videoStack = new QStackedLayout(m_videoArea);
    m_video = new MpvWidget(m_core);
    m_nowPlaying = new NowPlaying(m_core);
    m_videoStack->addWidget(m_video);
    m_videoStack->addWidget(m_nowPlaying);
    m_videoArea->installEventFilter(this);
    m_nowPlaying->installEventFilter(this);
}

QWidget* MainWindow::buildSidebar()
{
    auto* bar = new QWidget;
    bar->setObjectName(QStringLiteral("Sidebar"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedWidth(224);
    auto* layout = new QVBoxLayout(bar);
    layout->setContentsMargins(14, 18, 14, 14);
    layout->setSpacing(4);

    auto* brand = new QHBoxLayout;
    brand->setSpacing(10);
    auto* logo = new QLabel;
    logo->setPixmap(Icons::appLogo(40));
    brand->addWidget(logo);
    auto* names = new QVBoxLayout;
    names->setSpacing(0);
    auto* name = new QLabel(QStringLiteral("Orvel"));
    name->setObjectName(QStringLiteral("BrandName"));
    auto* maker = new QLabel(QStringLiteral("velloran"));
    maker->setObjectName(QStringLiteral("BrandSub"));
    names->addWidget(name);
    names->addWidget(maker);
    brand->addLayout(names, 1);
    layout->addLayout(brand);
    layout->addSpacing(18);

    m_navGroup = new QButtonGroup(this);
    m_navGroup->setExclusive(true);
    addNavEntry(layout, QStringLiteral("home"), QStringLiteral("home"), L("Início", "Home"));
    addNavEntry(layout, QStringLiteral("videos"), QStringLiteral("film"), L("Vídeos", "Videos"));
    addNavEntry(layout, QStringLiteral("music"), QStringLiteral("music"), L("Música", "Music"));
    addNavEntry(layout, QStringLiteral("playlists"), QStringLiteral("playlist"), QStringLiteral("Playlists"));
    addNavEntry(layout, QStringLiteral("recents"), QStringLiteral("clock"), L("Recentes", "Recent"));
    addNavEntry(layout, QStringLiteral("radios"), QStringLiteral("radio"), L("Rádios e TV", "Radio & TV"));
    layout->addSpacing(10);
    m_playerNav = addNavEntry(layout, QStringLiteral("player"), QStringLiteral("play"),
                              L("Reproduzindo", "Now playing"));
    m_playerNav->hide();
    layout->addStretch(1);
    m_libraryStatus = new QLabel;
    m_libraryStatus->setObjectName(QStringLiteral("Muted"));
    m_libraryStatus->setWordWrap(true);
    m_libraryStatus->hide();
    layout->addWidget(m_libraryStatus);
    addNavEntry(layout, QStringLiteral("settings"), QStringLiteral("settings"),
                L("Configurações", "Settings"));

    Library* library = Library::instance();
    connect(library, &Library::scanStarted, m_libraryStatus, [this] {
        m_libraryStatus->setText(L("Atualizando biblioteca…", "Updating library…"));
        m_libraryStatus->show();
    });
    connect(library, &Library::scanFinished, m_libraryStatus, [this](int count) {
        m_libraryStatus->setText(L("%1 arquivos na biblioteca", "%1 files in library").arg(count));
        QTimer::singleShot(4000, m_libraryStatus, &QWidget::hide);
    });
    return bar;
}

QPushButton* MainWindow::addNavEntry(QLayout* layout, const QString& id, const QString& icon,
                                     const QString& text)
{
    auto* button = new QPushButton(Icons::icon(icon, Theme::muted, Theme::cyan),
                                   QStringLiteral("  ") + QString(text).replace(QLatin1Char('&'), QStringLiteral("&&")));
    button->setCheckable(true);
    button->setIconSize(QSize(19, 19));
    button->setCursor(Qt::PointingHandCursor);
    m_navGroup->addButton(button);
    m_navButtons.insert(id, button);
    Host* host = this;
    connect(button, &QPushButton::clicked, this, [host, id] { host->goToPage(id); });
    layout->addWidget(button);
    return button;
}

void MainWindow::toast(const QString& text)
{
    m_toast->setParent(onPlayerPage() ? m_videoArea : m_content);
    m_toast->showMessage(text, 1600);
}

bool MainWindow::onPlayerPage() const
{
    return m_stack->currentWidget() == m_videoArea;
}

QString MainWindow::currentPageId() const
{
    if (onPlayerPage())
        return QStringLiteral("player");
    return m_pages.key(m_stack->currentWidget());
}

void MainWindow::goToPage(const QString& id)
{
    QWidget* page = m_pages.value(id);
    if (!page)
        return;
    const bool player = id == QLatin1String("player");
    if (!player)
        m_lastPage = id;
    if (player && m_fullscreen)
        return;
    if (!player && m_fullscreen)
        setFullscreen(false);
    // A library page is never shown in the small frameless mini player.
    if (!player && m_mini)
        toggleMini();
    m_stack->setCurrentWidget(page);
    if (QPushButton* entry = m_navButtons.value(id))
        entry->setChecked(true);
    if (id == QLatin1String("recents"))
        m_recentsPage->refresh();
    else if (id == QLatin1String("home"))
        m_homePage->refresh();
    if (player)
        m_videoStack->setCurrentWidget(m_core->hasVideo() ? static_cast<QWidget*>(m_video)
                                                          : static_cast<QWidget*>(m_nowPlaying));
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_firstShow)
        return;
    m_firstShow = false;
    Theme::darkTitleBar(this);
    // Show the video widget once so that its OpenGL context exists before
    // anything plays; go back to the page unless a file loaded meanwhile.
    QWidget* remembered = m_stack->currentWidget();
    m_stack->setCurrentWidget(m_videoArea);
    m_videoStack->setCurrentWidget(m_video);
    QPointer<QWidget> back(remembered);
    QTimer::singleShot(60, this, [this, back] {
        if (m_currentPath.isEmpty() && back)
            m_stack->setCurrentWidget(back);
    });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_quitting && m_tray && App::get(QStringLiteral("general/closeToTray"), false).toBool()) {
        static bool told = false;
        hide();
        event->ignore();
        if (!told) {
            told = true;
            m_tray->showMessage(QStringLiteral("Orvel"),
                                L("Continua tocando aqui na bandeja. Clique no ícone para abrir.",
                                  "Still playing in the tray. Click the icon to open."),
                                QSystemTrayIcon::Information, 10000);
        }
        return;
    }
    saveCurrentPosition(true);
    if (m_fullscreen)
        setFullscreen(false);
    if (m_mini)
        toggleMini();
    App::set(QStringLiteral("window/geometry"), saveGeometry());
    App::set(QStringLiteral("audio/volume"), m_core->volume());
    App::settings()->sync();
    if (m_tray)
        m_tray->hide();
    event->accept();
    QCoreApplication::quit();
}
