#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;

// Keeps the native child windows of the video's top-level window (the video
// itself and whatever lies over it) across the toolkit making the
// top-level's native window anew, as it does on X11 when keep-on-top
// changes: the children of the old native window would go with it, and the
// picture and the overlays for good. While the top-level is being shown,
// its children wait in a hidden native window of their own; once it stands
// they go back into it, the video lowest. Only the native windows move: the
// toolkit's own tree of windows stays as it is.
class NativeChildGuard : public QObject
{
    Q_OBJECT
public:
    NativeChildGuard(QWidget* video, QWindow* videoWindow);
    ~NativeChildGuard() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchTopLevel();
    void park();
    void restore();
    void restate();

    QWidget* m_video;
    QPointer<QWindow> m_videoWindow;
    QPointer<QWidget> m_top;
    quint32 m_holder = 0;   // the X window they wait in, made when first needed
    QList<QPointer<QWindow>> m_parked;
    quintptr m_parkedFrom = 0;   // the top-level's native window when they left it
    QPointer<QWindow> m_restate;   // a new top-level whose widgets learn its geometry once shown
};
