#include "Theme.h"

namespace Theme {

namespace {

// Gradients: "cyan-violet" runs #2bd9fe to #8b5cf6, the hover one #5ee3ff to
// #a07cf8; horizontal unless the rule says diagonal.
const char kSheet[] = R"QSS(
* { outline: none; }
QWidget { color: #f4f7fb; font-size: 10pt; }
/* Without this the colour above would also paint disabled text. */
QWidget:disabled { color: #4b5d75; }
QMainWindow, QDialog { background: #07111f; }
QToolTip {
    background: #12233a; color: #f4f7fb; border: 1px solid #22344c;
    padding: 6px 8px; border-radius: 6px;
}

QMenuBar {
    background: #07111f; color: #c9d4e3; border-bottom: 1px solid #12233a; padding: 2px 6px;
}
QMenuBar::item { padding: 5px 10px; border-radius: 6px; background: transparent; }
QMenuBar::item:selected { background: #12233a; color: #ffffff; }
QMenu { background: #0d1b2e; border: 1px solid #22344c; border-radius: 10px; padding: 6px; }
QMenu::item { padding: 7px 28px 7px 12px; border-radius: 6px; color: #e6ecf4; }
QMenu::item:selected { background: #183049; color: #ffffff; }
QMenu::item:disabled { color: #4b5d75; }
QMenu::separator { height: 1px; background: #22344c; margin: 5px 8px; }
QMenu::icon { padding-left: 10px; }
QMenu::indicator { width: 14px; height: 14px; left: 8px; }
QMenu::indicator:checked {
    image: none; background: #2bd9fe; border-radius: 7px; border: 3px solid #0d1b2e;
}

#Sidebar { background: #0a1626; border-right: 1px solid #12233a; }
#Sidebar QPushButton {
    text-align: left; padding: 10px 14px; border-radius: 10px; color: #a8b5c7;
    font-weight: 600; background: transparent; border: none;
}
#Sidebar QPushButton:hover { background: #12233a; color: #ffffff; }
#Sidebar QPushButton:checked {
    background: qlineargradient(x1:0, y1:0, x2:1, y2:0,
        stop:0 rgba(43, 217, 254, 0.20), stop:1 rgba(139, 92, 246, 0.12));
    color: #ffffff; border-left: 3px solid #2bd9fe;
}
#Sidebar QPushButton:focus { border: 1px solid #2bd9fe; padding: 9px 13px; }
#Sidebar QPushButton:checked:focus { border: 1px solid #2bd9fe; border-left: 3px solid #2bd9fe; }
#BrandName { font-size: 15pt; font-weight: 800; color: #ffffff; }
#BrandSub { color: #6b7c93; font-size: 8pt; }

#ControlBar { background: #0a1626; border-top: 1px solid #12233a; }
#ControlBar[overlay="true"] {
    background: rgba(7, 17, 31, 0.88); border-top: none; border-radius: 14px;
}
#NowTitle { font-weight: 700; font-size: 10.5pt; color: #ffffff; }
#NowSub { color: #a8b5c7; font-size: 9pt; }
#TimeLabel {
    color: #a8b5c7; font-size: 9pt; font-family: "Consolas", "DejaVu Sans Mono", monospace;
}

QToolButton {
    background: transparent; border: none; border-radius: 8px; padding: 6px; color: #c9d4e3;
}
QToolButton:hover { background: #12233a; }
QToolButton:pressed { background: #183049; }
QToolButton:checked { background: rgba(43, 217, 254, 0.12); }
QToolButton:focus { border: 1px solid #2bd9fe; padding: 5px; }
QToolButton::menu-indicator { image: none; width: 0px; }
#PlayButton {
    background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #2bd9fe, stop:1 #8b5cf6);
    border-radius: 22px; padding: 10px;
}
#PlayButton:hover {
    background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #5ee3ff, stop:1 #a07cf8);
}
#SpeedButton { font-weight: 700; color: #2bd9fe; padding: 4px 8px; font-size: 9.5pt; }

QPushButton {
    background: #12233a; border: 1px solid #22344c; border-radius: 10px; padding: 8px 16px;
    color: #f4f7fb; font-weight: 600;
}
QPushButton:hover { background: #183049; border-color: #2e4a6b; }
QPushButton:pressed { background: #0d1b2e; }
QPushButton:disabled { color: #4b5d75; }
QPushButton[primary="true"] {
    background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #2bd9fe, stop:1 #8b5cf6);
    border: none; color: #07111f; font-weight: 800;
}
QPushButton[primary="true"]:hover {
    background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #5ee3ff, stop:1 #a07cf8);
}
QPushButton[chip="true"] {
    border-radius: 14px; padding: 5px 12px; font-weight: 600; background: #0d1b2e;
    color: #c9d4e3;
}
QPushButton[chip="true"]:checked {
    background: rgba(43, 217, 254, 0.16); border-color: #2bd9fe; color: #ffffff;
}
/* Where the keyboard is: a ring as wide as the border it replaces grows
   into the padding, so nothing moves. */
QPushButton:focus { border: 2px solid #2bd9fe; padding: 7px 15px; }
QPushButton[primary="true"]:focus { border: 2px solid #ffffff; padding: 6px 14px; }
QPushButton[chip="true"]:focus { border: 2px solid #2bd9fe; padding: 4px 11px; }

QLineEdit, QSpinBox, QDoubleSpinBox, QComboBox, QKeySequenceEdit, QPlainTextEdit, QTextEdit {
    background: #0d1b2e; border: 1px solid #22344c; border-radius: 10px; padding: 7px 10px;
    color: #f4f7fb; selection-background-color: #2bd9fe; selection-color: #07111f;
}
QLineEdit:focus, QSpinBox:focus, QDoubleSpinBox:focus, QComboBox:focus { border-color: #2bd9fe; }
QComboBox::drop-down { border: none; width: 24px; }
QComboBox::down-arrow { image: url(:/icons/spin-down.svg); width: 10px; height: 10px; }
QSpinBox::up-button, QDoubleSpinBox::up-button, QSpinBox::down-button, QDoubleSpinBox::down-button {
    border: none; background: transparent; width: 18px;
}
QSpinBox::up-arrow, QDoubleSpinBox::up-arrow { image: url(:/icons/spin-up.svg); width: 10px; height: 10px; }
QSpinBox::down-arrow, QDoubleSpinBox::down-arrow { image: url(:/icons/spin-down.svg); width: 10px; height: 10px; }
QComboBox QAbstractItemView {
    background: #0d1b2e; border: 1px solid #22344c; selection-background-color: #183049;
    padding: 4px;
}

QCheckBox, QRadioButton { spacing: 8px; color: #e6ecf4; }
QCheckBox::indicator, QRadioButton::indicator {
    width: 18px; height: 18px; border-radius: 5px; border: 1px solid #2e4a6b;
    background: #0d1b2e;
}
QRadioButton::indicator { border-radius: 9px; }
QCheckBox::indicator:checked, QRadioButton::indicator:checked {
    background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #2bd9fe, stop:1 #8b5cf6);
    border-color: #2bd9fe;
}
QCheckBox::indicator:checked { image: url(:/icons/check.svg); }
QCheckBox::indicator:focus, QRadioButton::indicator:focus {
    border: 2px solid #ffffff; width: 16px; height: 16px;
}

QSlider::groove:horizontal { height: 4px; background: #22344c; border-radius: 2px; }
QSlider::sub-page:horizontal {
    background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #2bd9fe, stop:1 #8b5cf6);
    border-radius: 2px;
}
QSlider::handle:horizontal {
    width: 12px; height: 12px; margin: -4px 0; border-radius: 6px; background: #ffffff;
}
QSlider::groove:vertical { width: 4px; background: #22344c; border-radius: 2px; }
QSlider::add-page:vertical {
    background: qlineargradient(x1:0, y1:1, x2:0, y2:0, stop:0 #2bd9fe, stop:1 #8b5cf6);
    border-radius: 2px;
}
QSlider::handle:vertical {
    width: 14px; height: 14px; margin: 0 -5px; border-radius: 7px; background: #ffffff;
}

QScrollBar { background: transparent; }
QScrollBar:vertical { width: 10px; margin: 2px; }
QScrollBar:horizontal { height: 10px; margin: 2px; }
QScrollBar::handle { background: #22344c; border-radius: 4px; }
QScrollBar::handle:vertical { min-height: 30px; }
QScrollBar::handle:horizontal { min-width: 30px; }
QScrollBar::handle:vertical:hover { background: #2e4a6b; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; }
QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }

QTableView, QListView, QTreeView {
    background: transparent; border: none; alternate-background-color: rgba(18, 35, 58, 0.35);
    selection-background-color: #183049; selection-color: #ffffff; gridline-color: transparent;
}
QTableView::item, QTreeView::item { padding: 6px 8px; border: none; }
QTableView::item:hover, QListView::item:hover, QTreeView::item:hover {
    background: rgba(24, 48, 73, 0.55);
}
QTableView::item:focus, QTreeView::item:focus { border: 1px solid #2bd9fe; padding: 5px 7px; }
QListView::item:focus { border: 1px solid #2bd9fe; border-radius: 6px; }
QHeaderView { background: transparent; }
QHeaderView::section {
    background: transparent; color: #6b7c93; border: none; border-bottom: 1px solid #22344c;
    padding: 8px; font-weight: 700; font-size: 8.5pt; text-transform: uppercase;
}

QTabBar::tab {
    background: transparent; color: #a8b5c7; padding: 8px 16px; border: none;
    border-bottom: 2px solid transparent; font-weight: 600;
}
QTabBar::tab:selected { color: #ffffff; border-bottom: 2px solid #2bd9fe; }
QTabBar::tab:hover { color: #ffffff; }
QTabBar::tab:selected:focus { background: rgba(43, 217, 254, 0.14); border-radius: 6px; }
QTabWidget::pane { border: none; }

QGroupBox {
    border: 1px solid #22344c; border-radius: 12px; margin-top: 16px;
    padding: 14px 12px 12px 12px; background: #0b1828;
}
QGroupBox::title {
    subcontrol-origin: margin; left: 14px; padding: 0 6px; color: #2bd9fe; font-weight: 700;
}
QScrollArea { background: transparent; border: none; }
QScrollArea > QWidget > QWidget { background: transparent; }
QSplitter::handle { background: #12233a; }

#PageTitle { font-size: 20pt; font-weight: 800; color: #ffffff; }
#SectionTitle { font-size: 12.5pt; font-weight: 800; color: #ffffff; }
#Muted { color: #a8b5c7; }
#Card { background: #0d1b2e; border: 1px solid #22344c; border-radius: 14px; }
#Hero {
    background: qlineargradient(x1:0, y1:0, x2:1, y2:1,
        stop:0 rgba(43, 217, 254, 0.16), stop:1 rgba(139, 92, 246, 0.16));
    border: 1px solid #22344c; border-radius: 18px;
}
#Toast {
    background: rgba(13, 27, 46, 0.95); border: 1px solid #2bd9fe; border-radius: 12px;
    color: #ffffff; padding: 10px 16px; font-weight: 600;
}
#Banner {
    background: rgba(139, 92, 246, 0.18); border: 1px solid #8b5cf6; border-radius: 12px;
}
#SubSidebar { background: #0a1626; border-right: 1px solid #12233a; }
#QueuePanel { background: #0a1626; border-left: 1px solid #12233a; }
#VideoArea { background: #000000; }
)QSS";

}  // namespace

QString styleSheet()
{
    return QString::fromLatin1(kSheet);
}

}  // namespace Theme
