#pragma once

#include <QObject>

class QWidget;

// A widget laid over a picture that has a native window of its own (the
// video): such a window paints above every widget that has none, so the
// widget gets a native window too, stacked above it when raised. A native
// window shows nothing of what lies beneath it, so its rounded corners
// would be squares of the parent's background: it is cut to its outline.
class NativeOverlay : public QObject
{
    Q_OBJECT
public:
    // Once per widget; later calls change nothing. radius is the one the
    // style sheet gives its border.
    static void apply(QWidget* widget, int radius);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    NativeOverlay(QWidget* widget, int radius);
    void reshape();
    void passClicks();

    QWidget* m_widget;
    int m_radius;
};
