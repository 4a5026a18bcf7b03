#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The pieces of the audio filter chain that PlayerCore writes into libmpv's
// "af" property, and the arithmetic of the crossfade. Pure functions.
namespace AudioChain {

// Band centre frequencies of the ten-band equalizer, in Hz.
inline constexpr int kEqFreqs[10] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

struct Settings {
    bool eqEnabled = false;
    QList<double> gains;   // dB per band; missing bands count as 0
    double preamp = 0;     // dB
    bool normalize = false;
    double crossfade = 0;  // seconds; above 0 adds the fade stage
    double fadeLevel = 1.0;
};

// The labelled filter entries in chain order (preamp, bands, normaliser, fade).
QStringList entries(const Settings& s);
// The entries joined by ","; empty when no stage is on.
QString text(const Settings& s);
// Which stages are present, "eq|norm|fade" as 1 or 0 each.
QString signature(const Settings& s);
// Whether the chain holds the entry with that label.
bool hasLabel(const QString& chain, const QString& label);

// Fade-in: how many 50 ms ticks it takes, and the level after a given tick.
int fadeInTicks(double crossfade);
double fadeInLevel(int tick, double crossfade);
// Fade-out: the level wanted with `remaining` seconds left of the file.
double fadeOutTarget(double remaining, double crossfade);

QString gainText(double dB);      // one decimal
QString levelText(double level);  // three decimals

}  // namespace AudioChain
