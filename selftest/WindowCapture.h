#pragma once

#include <QImage>
#include <QString>

class QWidget;

// Whole-window captures of the test modes and the checks made on them.
class WindowCapture
{
public:
    // Grabs the window, with the video as the screen or libmpv shows it,
    // and saves it as outDir/name.png. Returns the image,
    // null when it could not be saved (*error says why).
    static QImage save(QWidget* window, const QString& outDir, const QString& name, QString* error);

    // What the display shows where the window is, read back from the screen
    // rather than from the window's own buffers: a picture that never reaches
    // the screen is missing here. Null where the platform cannot read the
    // screen.
    static QImage fromScreen(QWidget* window);

    // Whether the screen shows the widget as it paints itself, over the
    // black of the video area: not so where the video's native window lies
    // over it. Its corners (rounded ones, perhaps) are left out, and the
    // smoothing of text may differ a little.
    static bool screenShows(QWidget* widget);

    // Blank: fewer than 1 % of the pixels differ from the most common colour.
    static bool isBlank(const QImage& image);
    // A picture (a video frame) rather than flat interface: the central ninth
    // holds at least 16 colours.
    static bool showsPicture(const QImage& image);
};
