#include "MainWindow.h"

#include "Actions.h"
#include "App.h"
#include "ControlBar.h"
#include "Database.h"
#include "HomePage.h"
#include "Icons.h"
#include "Lang.h"
#include "Library.h"
#include "MpvWidget.h"
#include "NativeOverlay.h"
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

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

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
    fitIntoScreen();

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
    connect(Database::instance(), &Database::storageFault, this, [this](const QString& text) { toastFor(text, 6000); });
    QTimer::singleShot(800, this, [] { Library::instance()->rescan(); });
}

MainWindow::~MainWindow()
{
    if (!m_video->parentWidget())
        delete m_video;
}

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
    // The pages fit themselves into what the sidebar leaves; a page's own
    // minimum must not push the column over the sidebar.
    m_content->setMinimumWidth(1);
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
    orderTabChain();

    m_toast = new Toast(m_content);
    keepOverVideo(m_toast, 12);
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

// Tab runs from the sidebar through the page shown, then on to the queue
// and the transport bar. The pages join the window last, so their widgets
// come last in the chain Qt keeps; it is laid anew, each part keeping its
// own order.
void MainWindow::orderTabChain()
{
    const QWidget* parts[] = {m_sidebar, m_stack, m_queuePanel, m_controlBar};
    QList<QWidget*> grouped[5];
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (w->focusPolicy() == Qt::NoFocus)
            continue;   // setTabOrder leaves these where they are
        int part = 4;
        for (int i = 0; i < 4 && part == 4; ++i)
            if (parts[i]->isAncestorOf(w))
                part = i;
        grouped[part].append(w);
    }
    QList<QWidget*> order;
    for (const QList<QWidget*>& part : grouped)
        order += part;
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order.at(i), order.at(i + 1));
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

// The first size, and a size kept from a larger screen, fit the screen the
// window opens on: on a laptop's 1366 × 768 the transport bar would start
// below its edge. The frame is not known before the window is shown, hence
// the margin.
void MainWindow::fitIntoScreen()
{
    const QScreen* shown = screen();
    if (!shown || isMaximized() || isFullScreen())
        return;
    const QRect area = shown->availableGeometry();
    const QSize room = area.size() - QSize(16, 48);
    if (width() > room.width() || height() > room.height())
        resize(size().boundedTo(area.size() * 0.9));
    if (!testAttribute(Qt::WA_Moved))
        return;
    const QRect now = geometry();
    move(std::clamp(now.x(), area.left(), std::max(area.left(), area.right() - now.width() - 16)),
         std::clamp(now.y(), area.top(), std::max(area.top(), area.bottom() - now.height() - 48)));
}

void MainWindow::buildPlayerPage()
{
    m_videoArea = new QWidget;
    m_videoArea->setObjectName(QStringLiteral("VideoArea"));
    m_videoArea->setAttribute(Qt::WA_StyledBackground);
    m_videoStack = new QStackedLayout(m_videoArea);
    // The video widget joins the window when a video first shows: a window
    // that holds an OpenGL widget, even a hidden one, composites the whole
    // of itself through OpenGL at every update, which costs more than the
    // music playing. Until then the widget stands apart, its context and
    // libmpv's render context made offscreen so that a video can start.
    m_video = new MpvWidget(m_core);
    m_video->grabFramebuffer();
    // Where the window cannot show the widget, libmpv finds no picture to
    // draw on and would fail each video whole, its sound with it: it
    // decodes the picture to nowhere instead, and the sound plays.
    if (!m_video->canShow())
        m_core->handle().set("vo", QStringLiteral("null"));
    m_nowPlaying = new NowPlaying(m_core);
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
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(buildBrandRow());

    // Below the brand row the entries scroll when the window is too short
    // for all of them, instead of being squeezed into each other.
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setFocusPolicy(Qt::NoFocus);   // Tab goes to the entries themselves
    scroll->setWidget(buildSidebarEntries());
    layout->addWidget(scroll, 1);
    connectLibraryStatus();
    return bar;
}

QLayout* MainWindow::buildBrandRow()
{
    auto* brand = new QHBoxLayout;
    m_brandRow = brand;
    brand->setContentsMargins(14, 18, 14, 0);
    brand->setSpacing(10);
    auto* logo = new QLabel;
    logo->setPixmap(Icons::appLogo(40));
    brand->addWidget(logo);
    m_brandNames = new QWidget;
    auto* names = new QVBoxLayout(m_brandNames);
    names->setContentsMargins(0, 0, 0, 0);
    names->setSpacing(0);
    auto* name = new QLabel(QStringLiteral("Orvel"));
    name->setObjectName(QStringLiteral("BrandName"));
    auto* maker = new QLabel(QStringLiteral("velloran"));
    maker->setObjectName(QStringLiteral("BrandSub"));
    names->addWidget(name);
    names->addWidget(maker);
    brand->addWidget(m_brandNames, 1);
    return brand;
}

QWidget* MainWindow::buildSidebarEntries()
{
    auto* entries = new QWidget;
    auto* layout = new QVBoxLayout(entries);
    m_navLayout = layout;
    layout->setContentsMargins(14, 18, 14, 14);
    layout->setSpacing(4);

    m_navGroup = new QButtonGroup(this);
    m_navGroup->setExclusive(true);
    // Up and Down walk the entries and show each page on the way (the group
    // moves focus and checks the next entry); the focus follows a page
    // chosen otherwise, so the walk goes on from the page in view.
    connect(m_navGroup, &QButtonGroup::buttonToggled, this, [](QAbstractButton* entry, bool checked) {
        const auto* focus = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        if (checked && focus && focus != entry && focus->group() == entry->group() && entry->isVisible())
            entry->setFocus(Qt::OtherFocusReason);
    });
    addNavEntry(layout, QStringLiteral("home"), QStringLiteral("home"), L("Início", "Home"));
    addNavEntry(layout, QStringLiteral("videos"), QStringLiteral("film"), L("Vídeos", "Videos"));
    addNavEntry(layout, QStringLiteral("music"), QStringLiteral("music"), L("Música", "Music"));
    addNavEntry(layout, QStringLiteral("playlists"), QStringLiteral("playlist"), QStringLiteral("Playlists"));
    addNavEntry(layout, QStringLiteral("recents"), QStringLiteral("clock"), L("Recentes", "Recent"));
    addNavEntry(layout, QStringLiteral("radios"), QStringLiteral("radio"), L("Rádios e TV", "Radio & TV"));
    m_navGap = new QSpacerItem(0, 10, QSizePolicy::Minimum, QSizePolicy::Fixed);
    layout->addSpacerItem(m_navGap);
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
    return entries;
}

// A short window first gives up the sidebar's spacing, then scrolls it.
void MainWindow::fitSidebar()
{
    setSidebarCompact(false);
    setSidebarCompact(sidebarNaturalHeight() > m_sidebar->height());
}

// Counts the entries that come and go as shown, so that the spacing does
// not change when they do.
int MainWindow::sidebarNaturalHeight() const
{
    int height = m_brandRow->sizeHint().height() + m_navLayout->sizeHint().height();
    if (m_playerNav->isHidden())
        height += m_playerNav->sizeHint().height() + m_navLayout->spacing();
    if (m_libraryStatus->isHidden())
        height += m_libraryStatus->fontMetrics().height() + m_navLayout->spacing();
    return height;
}

void MainWindow::setSidebarCompact(bool compact)
{
    const int brandSide = m_sidebarNarrow ? 16 : 14;
    const int side = m_sidebarNarrow ? 12 : 14;
    m_brandRow->setContentsMargins(brandSide, compact ? 6 : 18, brandSide, 0);
    m_navLayout->setContentsMargins(side, compact ? 6 : 18, side, compact ? 4 : 14);
    m_navLayout->setSpacing(compact ? 2 : 4);
    m_navGap->changeSize(0, compact ? 2 : 10, QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_navLayout->invalidate();
}

// The status line has no room in the narrow sidebar; the sidebar's tool tip
// carries it there.
void MainWindow::showLibraryStatus()
{
    m_libraryStatus->setVisible(m_statusWanted && !m_sidebarNarrow);
    m_sidebar->setToolTip(m_statusWanted && m_sidebarNarrow ? m_libraryStatus->text() : QString());
}

// A narrow window gives the pages the room of the entries' texts: the
// sidebar keeps only the logo and the entries' icons, the names going to
// their tool tips.
void MainWindow::fitSidebarWidth()
{
    const int queue = m_queuePanel->isHidden() ? 0 : 340;
    const bool narrow = centralWidget()->width() - queue < kNarrowWindow;
    if (narrow == m_sidebarNarrow)
        return;
    m_sidebarNarrow = narrow;
    m_sidebar->setFixedWidth(narrow ? 72 : 224);
    m_brandNames->setVisible(!narrow);
    const int side = narrow ? 12 : 14;
    const QMargins brand = m_brandRow->contentsMargins();
    m_brandRow->setContentsMargins(narrow ? 16 : 14, brand.top(), narrow ? 16 : 14, 0);
    const QMargins nav = m_navLayout->contentsMargins();
    m_navLayout->setContentsMargins(side, nav.top(), side, nav.bottom());
    for (QPushButton* button : std::as_const(m_navButtons)) {
        const QString text = button->property("navText").toString();
        button->setText(narrow ? QString() : text);
        button->setToolTip(narrow ? text.trimmed().replace(QStringLiteral("&&"), QStringLiteral("&")) : QString());
    }
    showLibraryStatus();
}

// The queue panel keeps its 340 px while the page beside it keeps 360; in a
// narrower window it gives way, down to 220 px. Where even that leaves the
// page too little, the queue takes the page's place until it is closed.
void MainWindow::fitQueuePanel()
{
    const int room = centralWidget()->width() - (m_sidebar->isHidden() ? 0 : m_sidebar->minimumWidth());
    const bool cover = !m_queuePanel->isHidden() && room < kQueueLeast + kPageLeast;
    m_content->setVisible(!cover);
    const int width = cover ? room : std::clamp(room - kPageBeside, kQueueLeast, 340);
    m_queuePanel->setFixedWidth(std::max(width, 1));
}

// The scan line stays while a scan runs; the count of the last scan shows
// for 4 s. One timer, so that an earlier scan's end never hides a later
// scan's line.
void MainWindow::connectLibraryStatus()
{
    m_statusTimer.setSingleShot(true);
    m_statusTimer.setInterval(4000);
    connect(&m_statusTimer, &QTimer::timeout, this, [this] {
        m_statusWanted = false;
        showLibraryStatus();
    });
    Library* library = Library::instance();
    connect(library, &Library::scanStarted, m_libraryStatus, [this] {
        m_statusTimer.stop();
        m_libraryStatus->setText(L("Atualizando biblioteca…", "Updating library…"));
        m_statusWanted = true;
        showLibraryStatus();
    });
    connect(library, &Library::scanFinished, m_libraryStatus, [this](int count) {
        m_libraryStatus->setText(L("%1 arquivos na biblioteca", "%1 files in library").arg(count));
        m_statusTimer.start();
    });
    // A scan that could not be stored says why, once for a run of alike failures.
    connect(library, &Library::storeChanged, this, [this, library] {
        if (library->storeError().isEmpty())
            return;
        toastFor(library->storeFull()
                     ? L("Não há espaço para salvar a biblioteca", "No room to save the library")
                     : L("Não foi possível salvar a biblioteca: %1", "Could not save the library: %1")
                           .arg(library->storeError()),
                 4000);
    });
}

QPushButton* MainWindow::addNavEntry(QLayout* layout, const QString& id, const QString& icon,
                                     const QString& text)
{
    auto* button = new QPushButton(Icons::icon(icon, Theme::muted, Theme::cyan),
                                   QStringLiteral("  ") + QString(text).replace(QLatin1Char('&'), QStringLiteral("&&")));
    button->setProperty("navText", button->text());
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
    toastFor(text, 1600);
}

void MainWindow::warn(const QString& text)
{
    toastFor(text, kNoticeMs);
}

void MainWindow::toastFor(const QString& text, int ms)
{
    m_toast->moveTo(toastHost());
    m_toast->showMessage(text, ms);
}

// Over a video drawn in a native window of its own, a widget needs one too.
void MainWindow::keepOverVideo(QWidget* widget, int radius)
{
    if (m_video->drawsNatively())
        NativeOverlay::apply(widget, radius);
}

// The toast shows over the page in view, or over the queue that covers it.
QWidget* MainWindow::toastHost() const
{
    if (m_content->isHidden())
        return m_queuePanel;
    return onPlayerPage() ? m_videoArea : m_content;
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
    // A library page chosen while the queue covers the page area is shown:
    // the queue gives way.
    if (!player && m_content->isHidden() && !m_queuePanel->isHidden())
        m_controlBar->queueButton->setChecked(false);
    if (QPushButton* entry = m_navButtons.value(id))
        entry->setChecked(true);
    if (id == QLatin1String("recents"))
        m_recentsPage->refresh();
    else if (id == QLatin1String("home"))
        m_homePage->refresh();
    if (player && m_core->hasVideo())
        showVideo();
    else if (player)
        m_videoStack->setCurrentWidget(m_nowPlaying);
    // A message shown as the page changes (a failure that sends the user
    // back) goes with the user.
    if (m_toast)
        m_toast->moveTo(toastHost());
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_firstShow)
        return;
    m_firstShow = false;
    Theme::darkTitleBar(this);
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
