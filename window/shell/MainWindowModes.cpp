// Fullscreen, the mini player, keep-on-top and the application-wide input
// filter that leaves navigation keys to focused lists and fields.
#include "MainWindow.h"

#include "Actions.h"
#include "App.h"
#include "ControlBar.h"
#include "Lang.h"
#include "MpvHandle.h"
#include "MpvWidget.h"
#include "NowPlaying.h"
#include "PlayerCore.h"
#include "QueuePanel.h"
#include "Toast.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QListView>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace {

const int kFullscreenMargin = 28;
const int kMiniMargin = 6;
const int kRestoreSettleMs = 400;   // a state the window manager reports may be a passing one
const int kSubtitleGap = 10;   // between the floating bar and the subtitles above it
const QSize kNormalMinimum(420, 260);
const QSize kMiniVideo(520, 292);
const QSize kMiniAudio(460, 220);

bool isListKey(int key)
{
    switch (key) {
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_PageUp: case Qt::Key_PageDown:
    case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Delete: case Qt::Key_Home: case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

bool isSideKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right;
}

bool isFieldKey(int key)
{
    return isListKey(key) || isSideKey(key);
}

// Cards laid out in rows (a grid, or a strip that scrolls sideways) are
// walked with Left and Right as well; a column of rows is not.
bool isCardList(const QWidget* focus)
{
    const auto* list = qobject_cast<const QListView*>(focus);
    return list && (list->viewMode() == QListView::IconMode || list->flow() == QListView::LeftToRight);
}

// The sidebar's page entries move to the one above or below, and show its
// page, by Up and Down, as the entries of a list do.
bool isEntryOf(const QWidget* focus, const QButtonGroup* group)
{
    const auto* button = qobject_cast<const QAbstractButton*>(focus);
    return button && button->group() == group;
}

}  // namespace

void MainWindow::toggleFullscreen()
{
    setFullscreen(!m_fullscreen);
}

void MainWindow::setFullscreen(bool on)
{
    if (on == m_fullscreen)
        return;
    if (m_mini)
        toggleMini();
    // A picture may show a moment before its file is told loaded.
    if (on && m_currentPath.isEmpty() && !m_core->hasVideo())
        return;
    if (on)
        enterFullscreen();
    else
        leaveFullscreen();
    m_controlBar->setFullscreenState(on);
}

// The normal geometry is taken here: once fullscreen is left, a window
// manager still reports the screen's rectangle until it has answered.
void MainWindow::enterFullscreen()
{
    goToPage(QStringLiteral("player"));
    m_fullscreen = true;
    m_wasMaximized = isMaximized();
    m_normalGeometry = normalGeometry();
    m_sidebar->hide();
    m_queuePanel->hide();
    menuBar()->hide();
    floatControlBar();
    updateOverlayGeometry();
    m_controlBar->show();
    m_controlBar->raise();
    showFullScreen();
    m_hideTimer.start();
}

void MainWindow::leaveFullscreen()
{
    m_fullscreen = false;
    dockControlBar();
    m_sidebar->show();
    menuBar()->show();
    m_queuePanel->setVisible(m_controlBar->queueButton->isChecked());
    if (m_wasMaximized) {
        showMaximized();
    } else {
        showNormal();
        setGeometry(m_normalGeometry);
    }
    m_video->setCursor(Qt::ArrowCursor);
}

// The transport bar leaves the window's layout and floats over the bottom
// of the player page.
void MainWindow::floatControlBar()
{
    centralWidget()->layout()->removeWidget(m_controlBar);
    m_controlBar->setParent(m_videoArea);
    m_controlBar->setOverlay(true);
    keepOverVideo(m_controlBar, 14);
}

void MainWindow::dockControlBar()
{
    m_controlBar->setOverlay(false);
    m_nowPlaying->setBottomInset(0);
    liftSubtitles();
    static_cast<QVBoxLayout*>(centralWidget()->layout())->addWidget(m_controlBar);
    m_controlBar->show();
}

// From fullscreen the normal geometry is the one taken on entering it.
void MainWindow::toggleMini()
{
    const bool fromFullscreen = m_fullscreen;
    if (m_fullscreen)
        setFullscreen(false);
    if (m_mini) {
        leaveMini();
    } else if (!m_currentPath.isEmpty() || m_core->hasVideo()) {
        if (!fromFullscreen)
            m_normalGeometry = normalGeometry();
        enterMini();
    }
}

void MainWindow::leaveMini()
{
    m_mini = false;
    setWindowFlag(Qt::FramelessWindowHint, false);
    setWindowFlag(Qt::WindowStaysOnTopHint, m_onTop);
    dockControlBar();
    m_nowPlaying->setCompact(false);
    m_sidebar->show();
    menuBar()->show();
    m_queuePanel->setVisible(m_controlBar->queueButton->isChecked());
    // The mini player lowered the minimum below the normal window's.
    setMinimumSize(kNormalMinimum);
    setGeometry(m_normalGeometry);
    show();
    if (m_wasMaximized)
        showMaximized();
}

void MainWindow::enterMini()
{
    m_mini = true;
    m_wasMaximized = isMaximized();
    goToPage(QStringLiteral("player"));
    m_sidebar->hide();
    m_queuePanel->hide();
    menuBar()->hide();
    floatControlBar();
    m_nowPlaying->setCompact(true);
    if (m_wasMaximized)
        showNormal();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setWindowFlag(Qt::FramelessWindowHint, true);
    const QSize size = m_core->hasVideo() ? kMiniVideo : kMiniAudio;
    // The audio player is lower than the normal window's minimum: without
    // this it would grow and hang off the bottom of the screen.
    setMinimumSize(size);
    const QRect area = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
    setGeometry(area.right() - size.width() - 24, area.bottom() - size.height() - 24, size.width(), size.height());
    show();
    updateOverlayGeometry();
    m_controlBar->show();
    m_controlBar->raise();
    if (m_core->hasVideo())
        hideOverlayControls();
}

// Full screen, maximized or minimized, told to the window manager again
// after the toolkit made the native window anew: asking the widget for its
// unchanged state would do nothing. A window manager takes the new window's
// first size, a full screen or maximized one, for its normal size: the
// normal geometry of the old window is given back when the window first
// returns to normal (changeEvent).
void MainWindow::restateWindow(const QRect& normal)
{
    const Qt::WindowStates states = windowState() & ~Qt::WindowActive;
    if (!windowHandle() || !states)
        return;
    windowHandle()->setWindowStates(states);
    if (states & (Qt::WindowFullScreen | Qt::WindowMaximized))
        m_restoreGeometry = normal;
}

void MainWindow::setOnTop(bool on)
{
    m_onTop = on;
    if (QAction* action = Actions::instance()->actions.value(QStringLiteral("on_top")))
        action->setChecked(on);
    if (!m_mini) {
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        show();
    }
    toast(on ? L("Sempre visível ligado", "Always on top on") : L("Sempre visível desligado", "Always on top off"));
}

void MainWindow::updateOverlayGeometry()
{
    if (!(m_fullscreen || m_mini) || m_controlBar->parentWidget() != m_videoArea)
        return;
    const int m = m_fullscreen ? kFullscreenMargin : kMiniMargin;
    const int h = m_controlBar->sizeHint().height();
    m_controlBar->setGeometry(m, m_videoArea->height() - h - m, m_videoArea->width() - 2 * m, h);
    m_nowPlaying->setBottomInset(h + 2 * m);   // the view keeps clear of the floating bar
    liftSubtitles();
}

// While the floating bar shows over the video, the subtitles stand above
// it, and go back to the user's place when it hides or the mode ends. The
// place is libmpv's "sub-pos", a share of the picture's height, which also
// moves the subtitle on screen at once and styled subtitles too; under it
// the subtitles keep their margin, counted in pixels of a picture 720 high.
void MainWindow::liftSubtitles()
{
    const int height = m_videoArea->height();
    const bool over = (m_fullscreen || m_mini) && m_controlBar->parentWidget() == m_videoArea
        && !m_controlBar->isHidden() && height > 0;
    const MpvHandle mpv = m_core->handle();
    const int own = std::max(App::get(QStringLiteral("subStyle/sub-pos"), 100).toInt(), 0);
    int lift = -1;
    if (over) {
        const double margin = App::get(QStringLiteral("subStyle/sub-margin-y"), 22).toInt() * height / 720.0;
        const double covered = height - m_controlBar->y() + kSubtitleGap - margin;
        lift = std::clamp(int(std::floor(100.0 - covered * 100.0 / height)), 0, own);
    }
    if (lift == m_subtitleLift)
        return;
    mpv.setInt("sub-pos", lift < 0 ? own : lift);
    m_subtitleLift = lift;
}

void MainWindow::showOverlayControls()
{
    if (!(m_fullscreen || m_mini))
        return;
    updateOverlayGeometry();
    m_controlBar->show();
    m_controlBar->raise();
}

void MainWindow::hideOverlayControls()
{
    if ((m_fullscreen || m_mini) && !m_controlBar->testAttribute(Qt::WA_UnderMouse) && !m_core->isPaused())
        m_controlBar->hide();
}

void MainWindow::onHideTimer()
{
    if (!onPlayerPage() || m_core->isPaused() || !m_core->hasVideo())
        return;
    if (m_controlBar->testAttribute(Qt::WA_UnderMouse) || QApplication::activePopupWidget()) {
        m_hideTimer.start();
        return;
    }
    m_video->setCursor(Qt::BlankCursor);
    hideOverlayControls();
}

// A click pauses only once no double click can follow; in the mini player
// a press and a drag move the window instead.
void MainWindow::onClickTimer()
{
    if (!m_mini && m_core->hasVideo())
        m_core->togglePause();
}

// Keys without modifiers that a focused list, field, slider, tab bar or
// sidebar entry uses itself are kept from the window's one-key shortcuts.
// The keypad flag is no modifier here: keypad arrows and Enter belong to
// the list as well.
bool MainWindow::keepKeyForFocus(const QKeyEvent* key) const
{
    const QWidget* focus = QApplication::focusWidget();
    Qt::KeyboardModifiers modifiers = key->modifiers();
    modifiers.setFlag(Qt::KeypadModifier, false);
    if (!focus || modifiers != Qt::NoModifier)
        return false;
    const int code = key->key();
    if (isCardList(focus))
        return isFieldKey(code);
    if (qobject_cast<const QAbstractItemView*>(focus))
        return isListKey(code);
    if (qobject_cast<const QTabBar*>(focus))
        return isSideKey(code);
    if (isEntryOf(focus, m_navGroup))
        return code == Qt::Key_Up || code == Qt::Key_Down;
    if (qobject_cast<const QAbstractSpinBox*>(focus) || qobject_cast<const QComboBox*>(focus))
        return isFieldKey(code);
    if (qobject_cast<const QSlider*>(focus) && focus != m_controlBar->volumeSlider)
        return isFieldKey(code);
    return false;
}

// A focused button of the window is pressed by Return or Enter as well as
// by Space, which the play/pause shortcut takes. Space with a modifier
// (Alt+Space opens the window menu of many desktops) never presses one.
bool MainWindow::filterButtonKey(QObject* watched, const QKeyEvent* key) const
{
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button || button != QApplication::focusWidget() || button->window() != this)
        return false;
    Qt::KeyboardModifiers modifiers = key->modifiers();
    modifiers.setFlag(Qt::KeypadModifier, false);
    if (key->key() == Qt::Key_Space)
        return modifiers != Qt::NoModifier;
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || modifiers != Qt::NoModifier)
        return false;
    if (key->type() == QEvent::KeyPress && !key->isAutoRepeat())
        button->animateClick();
    return true;
}

// A press moves the window only once the pointer has gone the drag
// distance with the button held: clicks and double clicks stay with the
// view. Events pass here twice (application and object filter); both see
// the same state.
bool MainWindow::filterMiniPlayer(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            m_movePress = mouse->globalPosition().toPoint();
    } else if (type == QEvent::MouseButtonRelease) {
        m_movePress.reset();
    } else if (type == QEvent::MouseMove && m_movePress) {
        startMoveOnDrag(static_cast<QMouseEvent*>(event));
    }
    if (watched != m_nowPlaying)
        return false;
    if (type == QEvent::MouseButtonDblClick) {
        QTimer::singleShot(0, this, &MainWindow::toggleMini);
        return true;
    }
    if (type == QEvent::Enter)
        showOverlayControls();
    return false;
}

void MainWindow::startMoveOnDrag(const QMouseEvent* mouse)
{
    if (!(mouse->buttons() & Qt::LeftButton)) {
        m_movePress.reset();
        return;
    }
    const QPoint moved = mouse->globalPosition().toPoint() - *m_movePress;
    if (moved.manhattanLength() < QApplication::startDragDistance())
        return;
    m_movePress.reset();
    if (windowHandle())
        windowHandle()->startSystemMove();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::ShortcutOverride && keepKeyForFocus(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease)
        && filterButtonKey(watched, static_cast<QKeyEvent*>(event)))
        return true;
    if (type == QEvent::Resize && watched == m_content) {
        m_toast->reposition();
    } else if (type == QEvent::Resize && watched == m_sidebar) {
        fitSidebar();
    } else if ((type == QEvent::Resize && watched == centralWidget())
               || ((type == QEvent::Show || type == QEvent::Hide) && watched == m_queuePanel)) {
        fitSidebarWidth();
        fitQueuePanel();
    } else if (type == QEvent::Resize && watched == m_videoArea) {
        updateOverlayGeometry();
        if (m_toast->parentWidget() == m_videoArea)
            m_toast->reposition();
    } else if ((type == QEvent::Show || type == QEvent::Hide) && watched == m_controlBar) {
        liftSubtitles();
    } else if (type == QEvent::Leave && watched == m_controlBar) {
        if (m_fullscreen || m_mini)
            m_hideTimer.start();
        return false;
    } else if (m_mini && (watched == m_video || watched == m_nowPlaying)) {
        if (filterMiniPlayer(watched, event))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// The mini player sets its own geometry and keeps the normal one itself.
// Right after the native window was made anew, the window manager may
// report it normal for a moment before it takes the state asked for: the
// normal geometry is given back only when the window is still normal a
// moment later, so a passing report does not undo the state.
void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !m_restoreGeometry || !stateIsNormal())
        return;
    QTimer::singleShot(kRestoreSettleMs, this, [this] {
        if (!m_restoreGeometry || !stateIsNormal())
            return;
        if (!m_mini)
            setGeometry(*m_restoreGeometry);
        m_restoreGeometry.reset();
    });
}

bool MainWindow::stateIsNormal() const
{
    return !(windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized | Qt::WindowMinimized));
}
