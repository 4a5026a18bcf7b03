#include "MediaControls.h"

#include "Mpris.h"

MediaControls::MediaControls(QWidget*, PlayerCore* core, QObject* parent)
    : QObject(parent), m_core(core), m_mpris(new Mpris(core, this))
{
    connect(m_mpris, &Mpris::raiseRequested, this, &MediaControls::raiseRequested);
    connect(m_mpris, &Mpris::quitRequested, this, &MediaControls::quitRequested);
}

void MediaControls::setTrack(const QString& title, const QString& artist, const QString& album,
                             const QString& artPath, bool)
{
    m_mpris->setMetadata(title, artist, album, artPath);
}

void MediaControls::setPlaying(bool, bool)
{
}
