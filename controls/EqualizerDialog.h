#pragma once

#include <QDialog>
#include <QList>

class PlayerCore;
class QCheckBox;
class QGridLayout;
class QSlider;

// The ten-band equalizer with preamp and on/off switch. Every change is
// stored at once and handed to the core.
class EqualizerDialog : public QDialog
{
    Q_OBJECT
public:
    EqualizerDialog(PlayerCore* core, QWidget* parent = nullptr);

    void apply();

private:
    void bandChanged();
    QSlider* addColumn(QGridLayout* grid, int column, const QString& name, double gain);

    PlayerCore* m_core;
    QList<QSlider*> m_bands;
    QSlider* m_preamp;
    QCheckBox* m_enabled;
    QString m_preset;
};
