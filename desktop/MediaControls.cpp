#include "MediaControls.h"

// Not on the session bus yet: the requests are declared for the window to
// connect, and what plays is not published.
MediaControls::MediaControls(QWidget*, PlayerCore* core, QObject* parent) : QObject(parent), m_core(core)
{
}

void MediaControls::setTrack(const QString&, const QString&, const QString&, const QString&, bool)
{
}

void MediaControls::setPlaying(bool, bool)
{
}
