// Fullscreen, the mini player, keep-on-top and the application-wide input
// filter that leaves navigation keys to focused lists and fields.
#include "MainWindow.h"

#include "Actions.h"
#include "ControlBar.h"
#include "Lang.h"
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
#include <QComboBox>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

const int kFullscreenMargin = 28;
const int kMiniMargin = 6;
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

bool isFieldKey(int key)
{
    return isListKey(key) || key == Qt::Key_Left || key == Qt::Key_Right;
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
    if (on && m_currentPath.isEmpty())
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
    } else if (!m_currentPath.isEmpty()) {
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

// Full screen or maximized, told to the window manager again after the
// toolkit made the native window anew: asking the widget for its unchanged
// state would do nothing.
void MainWindow::restateWindow()
{
    if (windowHandle() && (windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized)))
        windowHandle()->setWindowStates(windowState() & ~Qt::WindowActive);
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

// Keys without modifiers that a focused list, field or slider uses itself
// are kept from the window's one-key shortcuts. The keypad flag is no
// modifier here: keypad arrows and Enter belong to the list as well.
bool MainWindow::keepKeyForFocus(const QKeyEvent* key) const
{
    const QWidget* focus = QApplication::focusWidget();
    Qt::KeyboardModifiers modifiers = key->modifiers();
    modifiers.setFlag(Qt::KeypadModifier, false);
    if (!focus || modifiers != Qt::NoModifier)
        return false;
    if (qobject_cast<const QAbstractItemView*>(focus))
        return isListKey(key->key());
    if (qobject_cast<const QAbstractSpinBox*>(focus) || qobject_cast<const QComboBox*>(focus))
        return isFieldKey(key->key());
    if (qobject_cast<const QSlider*>(focus) && focus != m_controlBar->volumeSlider)
        return isFieldKey(key->key());
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

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
}
