#include "ImageDialog.h"

#include "DialogFrame.h"
#include "Lang.h"
#include "PlayerCore.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

struct Adjustment {
    const char* pt;
    const char* en;
    const char* property;
};

const Adjustment kAdjustments[] = {
    {"Brilho", "Brightness", "brightness"}, {"Contraste", "Contrast", "contrast"},
    {"Saturação", "Saturation", "saturation"}, {"Gama", "Gamma", "gamma"},
    {"Matiz", "Hue", "hue"},
};

// One row: the slider from the engine's value and its number. The engine
// keeps these five as integers and refuses them as doubles.
QSlider* addRow(QFormLayout* form, PlayerCore* core, const Adjustment& a)
{
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(-100, 100);
    slider->setValue(int(core->handle().getDouble(a.property, 0)));
    auto* value = new QLabel(QString::number(slider->value()));
    value->setMinimumWidth(34);
    auto* row = new QHBoxLayout;
    row->addWidget(slider, 1);
    row->addWidget(value, 0);
    form->addRow(L(a.pt, a.en), row);
    const char* property = a.property;
    QObject::connect(slider, &QSlider::valueChanged, value, [core, property, value](int v) {
        core->handle().setInt(property, v);
        value->setText(QString::number(v));
    });
    return slider;
}

}  // namespace

ImageDialog::ImageDialog(PlayerCore* core, QWidget* parent) : QDialog(parent)
{
    QVBoxLayout* root = DialogFrame::setUp(this, L("Ajustes de imagem", "Picture adjustments"), 420);
    auto* form = new QFormLayout;
    form->setSpacing(12);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QList<QSlider*> sliders;
    for (const Adjustment& a : kAdjustments)
        sliders << addRow(form, core, a);
    root->addLayout(form);
    root->addStretch();
    QPushButton* reset = DialogFrame::addButtonRow(this, root, L("Restaurar", "Reset"));
    // A slider already at 0 sends nothing.
    connect(reset, &QPushButton::clicked, this, [sliders] {
        for (QSlider* s : sliders)
            s->setValue(0);
    });
}
