#pragma once

#include <QDialog>
#include <QList>

class PlayerCore;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QSlider;
class QVBoxLayout;

// The ten-band graphic equalizer with preamp, on/off switch and named
// presets. Every change is stored at once and handed to the core; opening
// the dialog changes nothing.
class EqualizerDialog : public QDialog
{
    Q_OBJECT
public:
    EqualizerDialog(PlayerCore* core, QWidget* parent = nullptr);

    // Stores the four "eq/" settings and hands the curve to the core.
    void apply();
    // Writes the named preset into the bands and applies it; an unknown
    // name (such as "Custom") changes nothing.
    void loadPreset(const QString& name);

private:
    void buildTopRow(QVBoxLayout* root);
    void buildGrid(QVBoxLayout* root);
    QSlider* addColumn(QGridLayout* grid, int column, const QString& name, double gain);
    void selectStoredPreset();
    void connectControls(QPushButton* reset);
    void bandChanged();

    PlayerCore* m_core;
    QList<QSlider*> m_bands;
    QList<QLabel*> m_values;
    QSlider* m_preamp = nullptr;
    QCheckBox* m_enabled = nullptr;
    QComboBox* m_presets = nullptr;
    bool m_loading = false;
};
