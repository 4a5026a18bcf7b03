#include "MprisRoot.h"

#include "Mpris.h"

MprisRoot::MprisRoot(Mpris* mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris)
{
}

QStringList MprisRoot::supportedUriSchemes() const
{
    return {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")};
}

QStringList MprisRoot::supportedMimeTypes() const
{
    return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/flac"), QStringLiteral("video/mp4"),
            QStringLiteral("video/x-matroska")};
}

void MprisRoot::Raise()
{
    emit m_mpris->raiseRequested();
}

void MprisRoot::Quit()
{
    emit m_mpris->quitRequested();
}
