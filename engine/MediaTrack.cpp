#include "MediaTrack.h"

#include "Lang.h"

namespace {

QString kindWord(const QString& type)
{
    if (type == QLatin1String("sub"))
        return L("Legenda", "Subtitle");
    if (type == QLatin1String("audio"))
        return L("Faixa", "Track");
    return L("Vídeo", "Video");
}

}  // namespace

QString MediaTrack::label() const
{
    QString text;
    if (!title.isEmpty() && !lang.isEmpty())
        text = QStringLiteral("%1 [%2]").arg(title, lang);
    else if (!title.isEmpty())
        text = title;
    else if (!lang.isEmpty())
        text = lang;
    else
        text = QStringLiteral("%1 %2").arg(kindWord(type)).arg(id);
    if (!codec.isEmpty())
        text += QStringLiteral("  ·  ") + codec;
    if (channels > 0 && type == QLatin1String("audio"))
        text += QStringLiteral(" %1ch").arg(channels);
    if (external)
        text += L("  (arquivo)", "  (file)");
    return text;
}
