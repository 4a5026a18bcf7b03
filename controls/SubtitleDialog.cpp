#include "SubtitleDialog.h"

#include "App.h"
#include "DialogFrame.h"
#include "Lang.h"
#include "PlayerCore.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QVBoxLayout>

namespace {

const QString kGroup = QStringLiteral("subStyle");

struct Controls {
    QSlider* size;
    QPushButton* color;
    QPushButton* borderColor;
    QSlider* borderSize;
    QCheckBox* bold;
    QSlider* position;
    QDoubleSpinBox* subDelay;
    QDoubleSpinBox* audioDelay;
};

// Sets the option on the engine as text and remembers that very text, which
// the core hands back to the engine at the next start.
void saveSubStyle(PlayerCore* core, const char* option, const QString& value)
{
    core->handle().set(option, value);
    App::set(kGroup + QLatin1Char('/') + QLatin1String(option), value);
}

// "#RRGGBB", or "#AARRGGBB" as the engine reads colours back.
QColor parseColor(const QString& text)
{
    if (!text.startsWith(QLatin1Char('#')) || (text.size() != 7 && text.size() != 9))
        return QColor();
    return QColor::fromString(text);
}

void showColor(QPushButton* button, const QColor& color)
{
    const QString name = color.name(QColor::HexRgb);
    button->setText(name.toUpper());
    const QString ink = color.lightness() <= 128 ? QStringLiteral("#ffffff") : QStringLiteral("#07111f");
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; }").arg(name.toLower(), ink));
}

QPushButton* makeColorButton(const MpvHandle& engine, const char* option, const QString& fallback)
{
    auto* button = new QPushButton;
    button->setCursor(Qt::PointingHandCursor);
    const QString text = engine.getString(option);
    QColor color = parseColor(text.isEmpty() ? fallback : text);
    showColor(button, color.isValid() ? color : parseColor(fallback));
    return button;
}

QSlider* makeSlider(int min, int max, double engineValue)
{
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setRange(min, max);
    slider->setValue(int(engineValue));
    return slider;
}

QDoubleSpinBox* makeDelayBox(double limit, double step, double engineValue)
{
    auto* box = new QDoubleSpinBox;
    box->setRange(-limit, limit);
    box->setSingleStep(step);
    box->setDecimals(2);
    box->setSuffix(QStringLiteral(" s"));
    box->setValue(engineValue);
    return box;
}

Controls makeControls(const MpvHandle& engine)
{
    Controls c;
    c.size = makeSlider(20, 110, engine.getDouble("sub-font-size", 55));
    c.color = makeColorButton(engine, "sub-color", QStringLiteral("#FFFFFF"));
    c.borderColor = makeColorButton(engine, "sub-border-color", QStringLiteral("#000000"));
    c.borderSize = makeSlider(0, 10, engine.getDouble("sub-border-size", 3));
    c.bold = new QCheckBox(L("Negrito", "Bold"));
    c.bold->setChecked(engine.getFlag("sub-bold", false));
    // The user's place: the window lifts the subtitles over its floating bar.
    c.position = makeSlider(50, 100, App::get(kGroup + QStringLiteral("/sub-pos"), 100).toDouble());
    c.subDelay = makeDelayBox(600, 0.1, engine.getDouble("sub-delay", 0));
    c.audioDelay = makeDelayBox(60, 0.05, engine.getDouble("audio-delay", 0));
    return c;
}

QFormLayout* makeForm(const Controls& c)
{
    auto* form = new QFormLayout;
    form->setSpacing(12);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->addRow(L("Tamanho", "Size"), c.size);
    form->addRow(L("Cor do texto", "Text color"), c.color);
    form->addRow(L("Cor do contorno", "Outline color"), c.borderColor);
    form->addRow(L("Espessura do contorno", "Outline size"), c.borderSize);
    form->addRow(static_cast<QWidget*>(nullptr), c.bold);
    form->addRow(L("Altura na tela", "Vertical position"), c.position);
    form->addRow(L("Atraso da legenda", "Subtitle delay"), c.subDelay);
    form->addRow(L("Atraso do áudio", "Audio delay"), c.audioDelay);
    return form;
}

void connectSlider(QSlider* slider, PlayerCore* core, const char* option)
{
    QObject::connect(slider, &QSlider::valueChanged, slider,
                     [core, option](int v) { saveSubStyle(core, option, QString::number(v)); });
}

// The colour dialog starts at the shown colour; cancelling changes nothing.
void connectColor(QPushButton* button, QDialog* dialog, PlayerCore* core, const char* option)
{
    QObject::connect(button, &QPushButton::clicked, dialog, [button, dialog, core, option] {
        const QColor chosen =
            QColorDialog::getColor(parseColor(button->text()), dialog, L("Escolher cor", "Choose color"));
        if (!chosen.isValid())
            return;
        showColor(button, chosen);
        saveSubStyle(core, option, chosen.name(QColor::HexRgb).toLower());
    });
}

void connectControls(const Controls& c, QDialog* dialog, PlayerCore* core)
{
    connectSlider(c.size, core, "sub-font-size");
    connectColor(c.color, dialog, core, "sub-color");
    connectColor(c.borderColor, dialog, core, "sub-border-color");
    connectSlider(c.borderSize, core, "sub-border-size");
    QObject::connect(c.bold, &QCheckBox::toggled, dialog, [core](bool on) {
        saveSubStyle(core, "sub-bold", on ? QStringLiteral("yes") : QStringLiteral("no"));
    });
    connectSlider(c.position, core, "sub-pos");
    QObject::connect(c.subDelay, &QDoubleSpinBox::valueChanged, core, &PlayerCore::setSubDelay);
    QObject::connect(c.audioDelay, &QDoubleSpinBox::valueChanged, core, &PlayerCore::setAudioDelay);
}

// Back to the engine's defaults with no style left in the settings. The
// controls' own handlers store keys again on the way, hence the second removal.
void resetStyle(const Controls& c, PlayerCore* core)
{
    App::settings()->remove(kGroup);
    const char* const defaults[][2] = {
        {"sub-font-size", "55"}, {"sub-color", "#FFFFFFFF"}, {"sub-border-color", "#FF000000"},
        {"sub-border-size", "3"}, {"sub-bold", "no"},        {"sub-pos", "100"},
    };
    for (const auto& d : defaults)
        core->handle().set(d[0], QString::fromLatin1(d[1]));
    c.size->setValue(55);
    c.borderSize->setValue(3);
    c.bold->setChecked(false);
    c.position->setValue(100);
    showColor(c.color, QColor(Qt::white));
    showColor(c.borderColor, QColor(Qt::black));
    App::settings()->remove(kGroup);
    c.subDelay->setValue(0);
    c.audioDelay->setValue(0);
}

}  // namespace

SubtitleDialog::SubtitleDialog(PlayerCore* core, QWidget* parent) : QDialog(parent)
{
    QVBoxLayout* root = DialogFrame::setUp(this, L("Legendas e sincronia", "Subtitles & sync"), 460);
    const Controls controls = makeControls(core->handle());
    root->addLayout(makeForm(controls));
    DialogFrame::addHint(root,
                         L("Legenda adiantada? Use valor positivo. Atrasada? Valor negativo. "
                           "Atalhos: G e H (legenda), Ctrl+G e Ctrl+H (áudio).",
                           "Subtitle early? Use a positive value. Late? Negative. "
                           "Shortcuts: G/H (subtitle), Ctrl+G/Ctrl+H (audio)."),
                         true);
    root->addStretch();
    QPushButton* reset = DialogFrame::addButtonRow(this, root, L("Restaurar padrão", "Reset"));
    connectControls(controls, this, core);
    connect(reset, &QPushButton::clicked, this, [controls, core] { resetStyle(controls, core); });
}
