#pragma once

#include <QColor>
#include <QString>

class QApplication;
class QWidget;

// The application's one dark look: the named colours, the palette, the
// style, the Inter typeface and the application-wide style sheet. Widgets
// opt into the sheet's rules by object name ("Sidebar", "ControlBar", ...)
// and into variants by the dynamic properties "primary" and "chip" on push
// buttons and "overlay" on the control bar.
namespace Theme {

extern const QColor bg;
extern const QColor surface;
extern const QColor surface2;
extern const QColor surface3;
extern const QColor line;
extern const QColor text;
extern const QColor muted;
extern const QColor dim;
extern const QColor cyan;
extern const QColor violet;

// Installs style, palette, font and style sheet. Call once, before any
// window exists.
void apply(QApplication& app);

// The application style sheet that apply installs.
QString styleSheet();

// Asks the window system for a dark title bar. Nothing to do on X11 and
// Wayland, where the decorations follow the desktop theme.
void darkTitleBar(QWidget* w);

}  // namespace Theme
