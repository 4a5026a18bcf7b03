#include "AudioChain.h"

#include <QtMath>

namespace AudioChain {

QString gainText(double dB)
{
    return QString::number(dB, 'f', 1);
}

QString levelText(double level)
{
    return QString::number(level, 'f', 3);
}

QStringList entries(const Settings& s)
{
    QStringList list;
    if (s.eqEnabled) {
        list << QStringLiteral("@eqpre:lavfi=[volume=volume=%1dB]").arg(gainText(s.preamp));
        for (int i = 0; i < 10; ++i)
            list << QStringLiteral("@eq%1:lavfi=[equalizer=f=%2:t=o:w=1:g=%3]")
                        .arg(i)
                        .arg(kEqFreqs[i])
                        .arg(gainText(s.gains.value(i, 0.0)));
    }
    if (s.normalize)
        list << QStringLiteral("@norm:lavfi=[dynaudnorm=f=250:g=15:p=0.9]");
    if (s.crossfade > 0)
        list << QStringLiteral("@fade:lavfi=[volume=volume=%1]").arg(levelText(s.fadeLevel));
    return list;
}

QString text(const Settings& s)
{
    return entries(s).join(QLatin1Char(','));
}

QString signature(const Settings& s)
{
    return QStringLiteral("%1|%2|%3")
        .arg(s.eqEnabled ? 1 : 0)
        .arg(s.normalize ? 1 : 0)
        .arg(s.crossfade > 0 ? 1 : 0);
}

bool hasLabel(const QString& chain, const QString& label)
{
    const QString tag = QLatin1Char('@') + label + QLatin1Char(':');
    return chain.startsWith(tag) || chain.contains(QLatin1Char(',') + tag);
}

// The ramp rises by 0.05 / crossfade per tick (0.1 for half a second or less),
// so it takes crossfade / 0.05 ticks. Counting ticks instead of adding up
// steps keeps rounding from adding a tick at the end.
int fadeInTicks(double crossfade)
{
    if (crossfade <= 0.5)
        return 10;
    return qMax(1, qCeil(crossfade * 20.0 - 1e-6));
}

double fadeInLevel(int tick, double crossfade)
{
    const int ticks = fadeInTicks(crossfade);
    if (tick >= ticks)
        return 1.0;
    if (tick <= 0)
        return 0.0;
    const double step = crossfade > 0.5 ? 0.05 / crossfade : 0.1;
    return qMin(1.0, tick * step);
}

double fadeOutTarget(double remaining, double crossfade)
{
    if (crossfade > remaining)
        return remaining / crossfade;
    return 1.0;
}

}  // namespace AudioChain
