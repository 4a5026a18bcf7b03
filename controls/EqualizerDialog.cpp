#include "EqualizerDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "App.h"
#include "DialogFrame.h"
#include "Lang.h"
#include "PlayerCore.h"

namespace {
const char* const kBands[] = {"31", "62", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"};
}

EqualizerDialog::EqualizerDialog(PlayerCore* core, QWidget* parent) : QDialog(parent), m_core(core)
{
    QVBoxLayout* root = DialogFrame::setUp(this, L("Equalizador", "Equalizer"), 0);
    root->setSpacing(14);

    m_enabled = new QCheckBox(L("Equalizador ligado", "Equalizer on"), this);
    m_enabled->setChecked(App::get(QStringLiteral("eq/enabled"), false).toBool());
    root->addWidget(m_enabled);
    m_preset = App::get(QStringLiteral("eq/preset"), L("Normal", "Flat")).toString();

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    m_preamp = addColumn(grid, 0, L("Pré", "Pre"), App::get(QStringLiteral("eq/preamp"), 0).toDouble());
    grid->setColumnMinimumWidth(1, 12);
    const QVariantList gains = App::get(QStringLiteral("eq/gains")).toList();
    for (int i = 0; i < 10; ++i)
        m_bands << addColumn(grid, i + 2, QLatin1String(kBands[i]), i < gains.size() ? gains[i].toDouble() : 0);
    root->addLayout(grid);

    DialogFrame::addCloseRow(this, root);

    for (QSlider* s : m_bands)
        connect(s, &QSlider::valueChanged, this, &EqualizerDialog::bandChanged);
    connect(m_preamp, &QSlider::valueChanged, this, &EqualizerDialog::apply);
    connect(m_enabled, &QCheckBox::toggled, this, &EqualizerDialog::apply);
}

QSlider* EqualizerDialog::addColumn(QGridLayout* grid, int column, const QString& name, double gain)
{
    auto* slider = new QSlider(Qt::Vertical, this);
    slider->setRange(-120, 120);
    slider->setValue(int(gain * 10));
    slider->setMinimumHeight(190);
    auto* value = new QLabel(this);
    value->setStyleSheet(QStringLiteral("color: #2bd9fe; font-size: 8.5pt; font-weight: 700;"));
    auto* label = new QLabel(name, this);
    label->setStyleSheet(QStringLiteral("color: #a8b5c7; font-size: 8.5pt;"));
    const auto show = [value](int v) {
        value->setText((v > 0 ? QStringLiteral("+") : QString()) + QString::number(v / 10.0, 'f', 1));
    };
    show(slider->value());
    connect(slider, &QSlider::valueChanged, value, show);
    grid->addWidget(value, 0, column, Qt::AlignHCenter);
    grid->addWidget(slider, 1, column, Qt::AlignHCenter);
    grid->addWidget(label, 2, column, Qt::AlignHCenter);
    return slider;
}

// A hand-moved band makes the curve a custom one and switches it on.
void EqualizerDialog::bandChanged()
{
    m_preset = L("Personalizado", "Custom");
    if (!m_enabled->isChecked())
        m_enabled->setChecked(true);
    apply();
}

void EqualizerDialog::apply()
{
    QList<double> gains;
    QVariantList stored;
    for (QSlider* s : m_bands) {
        gains << s->value() / 10.0;
        stored << s->value() / 10.0;
    }
    const double preamp = m_preamp->value() / 10.0;
    App::set(QStringLiteral("eq/gains"), stored);
    App::set(QStringLiteral("eq/enabled"), m_enabled->isChecked());
    App::set(QStringLiteral("eq/preamp"), preamp);
    App::set(QStringLiteral("eq/preset"), m_preset);
    m_core->setEqualizer(m_enabled->isChecked(), gains, preamp);
}
