#include "EqualizerDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>

#include "App.h"
#include "DialogFrame.h"
#include "Lang.h"
#include "PlayerCore.h"

namespace {

const char* const kBands[] = {"31", "62", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"};
constexpr int kBandCount = 10;

struct Preset {
    QString name;
    std::array<double, kBandCount> gains;
};

// Named in the interface language of the first call and kept for the
// process: a name stored under the other language matches none of them.
const QList<Preset>& presets()
{
    static const QList<Preset> list = {
        {L("Normal", "Flat"), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {L("Grave forte", "Bass boost"), {7, 6, 5, 3, 1, 0, 0, 0, 0, 0}},
        {L("Grave + agudo", "Bass & treble"), {6, 5, 3, 0, -1, -1, 0, 2, 4, 5}},
        {L("Agudo forte", "Treble boost"), {0, 0, 0, 0, 0, 1, 3, 5, 6, 7}},
        {L("Voz / podcast", "Voice / podcast"), {-4, -3, -1, 1, 3, 4, 4, 3, 1, -1}},
        {L("Rock", "Rock"), {5, 4, 2, -1, -2, -1, 2, 3, 4, 4}},
        {L("Pop", "Pop"), {-1, 1, 3, 4, 3, 0, -1, -1, 1, 2}},
        {L("Eletrônica", "Electronic"), {6, 5, 2, 0, -2, 1, 0, 2, 4, 5}},
        {L("Hip-hop", "Hip-hop"), {6, 5, 2, 3, -1, -1, 1, 0, 2, 3}},
        {L("Jazz", "Jazz"), {3, 2, 1, 2, -1, -1, 0, 1, 2, 3}},
        {L("Clássica", "Classical"), {4, 3, 2, 1, -1, -1, 0, 2, 3, 4}},
        {L("Sertanejo / acústico", "Acoustic"), {3, 3, 2, 1, 1, 1, 2, 2, 2, 1}},
        {L("Funk / baile", "Funk"), {8, 7, 4, 1, -1, 0, 1, 2, 3, 3}},
        {L("Fone pequeno", "Small headphones"), {4, 3, 2, 1, 0, 0, 1, 2, 3, 3}},
        {L("Noite (suave)", "Night (soft)"), {-2, -1, 0, 0, 1, 1, 0, -1, -2, -3}},
    };
    return list;
}

// Tenths of a decibel, fraction dropped.
int toTenths(double db)
{
    return int(std::trunc(db * 10));
}

QString valueText(int tenths)
{
    return (tenths > 0 ? QStringLiteral("+") : QString()) + QString::number(tenths / 10.0, 'f', 1);
}

}  // namespace

EqualizerDialog::EqualizerDialog(PlayerCore* core, QWidget* parent) : QDialog(parent), m_core(core)
{
    QVBoxLayout* root = DialogFrame::setUp(this, L("Equalizador", "Equalizer"), 0);
    buildTopRow(root);
    buildGrid(root);
    DialogFrame::addHint(root,
                         L("Valores em dB. Se o som distorcer com grave alto, abaixe o \"Pré\".",
                           "Values in dB. Lower \"Pre\" if loud bass distorts."),
                         false);
    QPushButton* reset = DialogFrame::addButtonRow(this, root, L("Zerar", "Reset"));
    selectStoredPreset();
    connectControls(reset);
}

void EqualizerDialog::buildTopRow(QVBoxLayout* root)
{
    auto* row = new QHBoxLayout;
    m_enabled = new QCheckBox(L("Equalizador ligado", "Equalizer on"), this);
    m_enabled->setChecked(App::get(QStringLiteral("eq/enabled"), false).toBool());
    m_presets = new QComboBox(this);
    for (const Preset& p : presets())
        m_presets->addItem(p.name);
    m_presets->addItem(L("Personalizado", "Custom"));
    row->addWidget(m_enabled);
    row->addStretch();
    row->addWidget(new QLabel(L("Predefinição:", "Preset:"), this));
    row->addWidget(m_presets);
    root->addLayout(row);
}

void EqualizerDialog::buildGrid(QVBoxLayout* root)
{
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    m_preamp = addColumn(grid, 0, L("Pré", "Pre"), App::get(QStringLiteral("eq/preamp"), 0).toDouble());
    grid->setColumnMinimumWidth(1, 12);
    // A list of numbers, or of texts as the settings file gives it back.
    const QVariantList gains = App::get(QStringLiteral("eq/gains")).toList();
    for (int i = 0; i < kBandCount; ++i) {
        const double gain = i < gains.size() ? gains[i].toDouble() : 0;
        m_bands << addColumn(grid, i + 2, QLatin1String(kBands[i]), gain);
    }
    root->addLayout(grid);
}

QSlider* EqualizerDialog::addColumn(QGridLayout* grid, int column, const QString& name, double gain)
{
    auto* slider = new QSlider(Qt::Vertical, this);
    slider->setRange(-120, 120);
    slider->setValue(toTenths(gain));
    slider->setMinimumHeight(190);
    slider->setTickInterval(30);
    auto* value = new QLabel(valueText(slider->value()), this);
    value->setAlignment(Qt::AlignCenter);
    value->setStyleSheet(QStringLiteral("color: #2bd9fe; font-size: 8.5pt; font-weight: 700;"));
    auto* label = new QLabel(name, this);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: #a8b5c7; font-size: 8.5pt;"));
    connect(slider, &QSlider::valueChanged, value, [value](int v) { value->setText(valueText(v)); });
    grid->addWidget(value, 0, column, Qt::AlignHCenter);
    grid->addWidget(slider, 1, column, Qt::AlignHCenter);
    grid->addWidget(label, 2, column, Qt::AlignHCenter);
    m_values << value;
    return slider;
}

// The stored name must match exactly; anything else is a custom curve.
void EqualizerDialog::selectStoredPreset()
{
    const QString stored = App::get(QStringLiteral("eq/preset"), presets().first().name).toString();
    const int index = m_presets->findText(stored, Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_presets->setCurrentIndex(index >= 0 ? index : m_presets->count() - 1);
}

void EqualizerDialog::connectControls(QPushButton* reset)
{
    for (QSlider* s : std::as_const(m_bands))
        connect(s, &QSlider::valueChanged, this, &EqualizerDialog::bandChanged);
    connect(m_preamp, &QSlider::valueChanged, this, [this] {
        if (!m_loading)
            apply();
    });
    connect(m_enabled, &QCheckBox::toggled, this, &EqualizerDialog::apply);
    connect(m_presets, &QComboBox::currentTextChanged, this, &EqualizerDialog::loadPreset);
    connect(reset, &QPushButton::clicked, this, [this] { m_presets->setCurrentIndex(0); });
}

// A hand-moved band makes the curve a custom one and switches it on.
void EqualizerDialog::bandChanged()
{
    if (m_loading)
        return;
    const bool wasBlocked = m_presets->blockSignals(true);
    m_presets->setCurrentIndex(m_presets->count() - 1);
    if (!m_enabled->isChecked())
        m_enabled->setChecked(true);
    apply();
    m_presets->blockSignals(wasBlocked);
}

void EqualizerDialog::loadPreset(const QString& name)
{
    const QList<Preset>& list = presets();
    const auto it = std::find_if(list.begin(), list.end(), [&name](const Preset& p) { return p.name == name; });
    if (it == list.end())
        return;
    m_loading = true;
    for (int i = 0; i < kBandCount; ++i)
        m_bands[i]->setValue(toTenths(it->gains[i]));
    m_loading = false;
    if (!m_enabled->isChecked() && it != list.begin())
        m_enabled->setChecked(true);
    apply();
}

void EqualizerDialog::apply()
{
    QList<double> gains;
    QVariantList stored;
    for (const QSlider* s : std::as_const(m_bands)) {
        gains << s->value() / 10.0;
        stored << s->value() / 10.0;
    }
    const double preamp = m_preamp->value() / 10.0;
    const bool on = m_enabled->isChecked();
    App::set(QStringLiteral("eq/gains"), stored);
    App::set(QStringLiteral("eq/enabled"), on);
    App::set(QStringLiteral("eq/preamp"), preamp);
    App::set(QStringLiteral("eq/preset"), m_presets->currentText());
    m_core->setEqualizer(on, gains, preamp);
}
