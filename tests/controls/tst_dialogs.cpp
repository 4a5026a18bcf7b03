#include "App.h"
#include "EqualizerDialog.h"
#include "ImageDialog.h"
#include "PlayerCore.h"
#include "SubtitleDialog.h"
#include "TestEnv.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTimer>

namespace {

// The field of the form row with that label; in a row layout, the widget at index.
template <typename T>
T* field(QDialog* dialog, const QString& label, int index = 0)
{
    auto* form = dialog->findChild<QFormLayout*>();
    for (int row = 0; row < form->rowCount(); ++row) {
        QLayoutItem* text = form->itemAt(row, QFormLayout::LabelRole);
        if (!text || qobject_cast<QLabel*>(text->widget())->text() != label)
            continue;
        QLayoutItem* item = form->itemAt(row, QFormLayout::FieldRole);
        return qobject_cast<T*>(item->widget() ? item->widget() : item->layout()->itemAt(index)->widget());
    }
    return nullptr;
}

QPushButton* button(QDialog* dialog, const QString& text)
{
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// Answers the next modal colour dialog with colour, or cancels it when invalid.
void answerColorDialog(const QColor& colour)
{
    QTimer::singleShot(20, [colour] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return answerColorDialog(colour);
        if (!colour.isValid())
            return dialog->reject();
        dialog->setCurrentColor(colour);
        dialog->accept();
    });
}

QMap<QString, QVariant> storedSettings()
{
    QMap<QString, QVariant> all;
    for (const QString& key : App::settings()->allKeys())
        all.insert(key, App::settings()->value(key));
    return all;
}

}  // namespace

// The three playback dialogs on a real core (no picture or sound output).
class TestDialogs : public QObject
{
    Q_OBJECT
    PlayerCore m_core;

    MpvHandle engine() const { return m_core.handle(); }
    // Engine numbers; several of these options are single-precision floats.
    float num(const char* name) const { return float(engine().getDouble(name, -1000)); }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_core.init(&error), qPrintable(error));
    }

    void init() { App::settings()->clear(); }

    void openingChangesNothing()
    {
        // Values the controls cannot show exactly: any write on opening would show.
        engine().set("sub-font-size", "55.7");
        engine().set("sub-color", "#80FF0000");
        engine().set("sub-delay", "0.123");
        engine().setInt("gamma", 7);
        m_core.setEqualizer(false, QList<double>(10, 0.0), 0);
        App::set("eq/enabled", true);
        App::set("eq/gains", QVariantList{4.0});
        const auto before = storedSettings();
        {
            EqualizerDialog eq(&m_core);
            SubtitleDialog sub(&m_core);
            ImageDialog image(&m_core);
            QCOMPARE(field<QSlider>(&sub, "Tamanho")->value(), 55);
            QCOMPARE(field<QPushButton>(&sub, "Cor do texto")->text(), QString("#FF0000"));
            QCOMPARE(field<QSlider>(&image, "Gama")->value(), 7);
        }
        QCOMPARE(num("sub-font-size"), 55.7f);
        QCOMPARE(engine().getString("sub-color"), QString("#80FF0000"));
        QCOMPARE(num("sub-delay"), 0.123f);
        QCOMPARE(num("gamma"), 7.0f);
        QVERIFY(!m_core.eqEnabled());
        QCOMPARE(storedSettings(), before);
    }

    void equalizer()
    {
        // As a new process reads the file back: texts. The preset name is the
        // English one, unknown to this process's Portuguese list.
        App::set("eq/gains", QStringList{"5.8", "-12", "0", "0", "0", "0", "0", "0", "0", "0"});
        App::set("eq/preamp", "-3");
        App::set("eq/enabled", "false");
        App::set("eq/preset", "Flat");
        EqualizerDialog eq(&m_core);
        auto* presets = eq.findChild<QComboBox*>();
        auto* on = eq.findChild<QCheckBox*>();
        const QList<QSlider*> bands = eq.findChildren<QSlider*>().mid(1);   // the preamp first
        QCOMPARE(presets->currentText(), QString("Personalizado"));
        QCOMPARE(bands[0]->value(), 58);
        QCOMPARE(bands[1]->value(), -120);
        QStringList labels;
        for (QLabel* l : eq.findChildren<QLabel*>())
            labels << l->text();
        QVERIFY(labels.contains("+5.8") && labels.contains("-12.0") && labels.contains("0.0"));

        // The flat preset while off: flat and still off.
        presets->setCurrentText("Normal");
        QVERIFY(!on->isChecked() && !m_core.eqEnabled());

        // A band moved by hand: custom, on, the core and all four keys.
        bands[3]->setValue(35);
        QCOMPARE(presets->currentText(), QString("Personalizado"));
        QVERIFY(on->isChecked() && m_core.eqEnabled());
        const QList<double> gains{0, 0, 0, 3.5, 0, 0, 0, 0, 0, 0};
        QCOMPARE(m_core.eqGains(), gains);
        QCOMPARE(m_core.eqPreamp(), -3.0);
        QCOMPARE(App::get("eq/gains").toList().at(3).toDouble(), 3.5);
        QCOMPARE(App::get("eq/enabled").toBool(), true);
        QCOMPARE(App::get("eq/preamp").toDouble(), -3.0);
        QCOMPARE(App::get("eq/preset").toString(), QString("Personalizado"));

        // Reset: flat bands; the preamp and the switch kept.
        button(&eq, "Zerar")->click();
        QCOMPARE(m_core.eqGains(), QList<double>(10, 0.0));
        QCOMPARE(m_core.eqPreamp(), -3.0);
        QVERIFY(m_core.eqEnabled());

        // "Custom" changes nothing; another preset switches the equalizer on.
        on->setChecked(false);
        presets->setCurrentText("Personalizado");
        QCOMPARE(App::get("eq/preset").toString(), QString("Normal"));
        presets->setCurrentText("Grave forte");
        QVERIFY(on->isChecked() && m_core.eqEnabled());
        QCOMPARE(m_core.eqGains(), (QList<double>{7, 6, 5, 3, 1, 0, 0, 0, 0, 0}));

        EqualizerDialog again(&m_core);
        QCOMPARE(again.findChild<QComboBox*>()->currentText(), QString("Grave forte"));
    }

    void subtitle()
    {
        engine().set("sub-delay", "0");
        SubtitleDialog dialog(&m_core);
        const struct {
            const char* label;
            const char* option;
            int value;
        } sliders[] = {{"Tamanho", "sub-font-size", 70},
                       {"Espessura do contorno", "sub-border-size", 5},
                       {"Altura na tela", "sub-pos", 80}};
        for (const auto& s : sliders) {
            field<QSlider>(&dialog, s.label)->setValue(s.value);
            QCOMPARE(num(s.option), float(s.value));
            QCOMPARE(App::get(QString("subStyle/") + s.option).toString(), QString::number(s.value));
        }
        dialog.findChild<QCheckBox*>()->setChecked(true);
        QVERIFY(engine().getFlag("sub-bold", false));
        QCOMPARE(App::get("subStyle/sub-bold").toString(), QString("yes"));

        // A chosen colour is shown upper-case and stored lower-case; cancel keeps it.
        auto* colour = field<QPushButton>(&dialog, "Cor do texto");
        for (const QColor& answer : {QColor("#FF0000"), QColor()}) {
            answerColorDialog(answer);
            colour->click();
            QCOMPARE(colour->text(), QString("#FF0000"));
            QCOMPARE(App::get("subStyle/sub-color").toString(), QString("#ff0000"));
            QCOMPARE(QColor(engine().getString("sub-color")), QColor("#ff0000"));
        }

        // Delays: limits and steps, sent to the engine, never stored.
        auto* subDelay = field<QDoubleSpinBox>(&dialog, "Atraso da legenda");
        auto* audioDelay = field<QDoubleSpinBox>(&dialog, "Atraso do áudio");
        subDelay->setValue(-700);
        QCOMPARE(num("sub-delay"), -600.0f);
        QTest::keyClick(audioDelay, Qt::Key_Up);
        QCOMPARE(num("audio-delay"), 0.05f);
        audioDelay->setValue(61);
        QCOMPARE(num("audio-delay"), 60.0f);
        QCOMPARE(App::settings()->allKeys().size(), 5);

        // Reset: the engine's defaults, nothing stored.
        button(&dialog, "Restaurar padrão")->click();
        QVERIFY(App::settings()->allKeys().isEmpty());
        QCOMPARE(num("sub-font-size"), 55.0f);
        QCOMPARE(num("sub-border-size"), 3.0f);
        QCOMPARE(num("sub-pos"), 100.0f);
        QVERIFY(!engine().getFlag("sub-bold", true));
        QCOMPARE(QColor(engine().getString("sub-color")), QColor(Qt::white));
        QCOMPARE(num("sub-delay"), 0.0f);
        QCOMPARE(num("audio-delay"), 0.0f);
        auto* outline = field<QPushButton>(&dialog, "Cor do contorno");
        QCOMPARE(colour->text(), QString("#FFFFFF"));
        QVERIFY(colour->styleSheet().contains("color: #07111f"));
        QCOMPARE(outline->text(), QString("#000000"));
        QVERIFY(outline->styleSheet().contains("color: #ffffff"));

        // A style chosen now is in force in the next process's engine.
        field<QSlider>(&dialog, "Tamanho")->setValue(62);
        answerColorDialog(QColor("#00ff00"));
        outline->click();
        App::settings()->sync();
        PlayerCore next;
        QString error;
        QVERIFY2(next.init(&error), qPrintable(error));
        QCOMPARE(next.handle().getDouble("sub-font-size", 0), 62.0);
        QCOMPARE(QColor(next.handle().getString("sub-border-color")), QColor("#00ff00"));
    }

    void picture()
    {
        const char* const properties[] = {"brightness", "contrast", "saturation", "gamma", "hue"};
        const QStringList labels{"Brilho", "Contraste", "Saturação", "Gama", "Matiz"};
        for (const char* p : properties)
            engine().setInt(p, 0);
        ImageDialog dialog(&m_core);
        for (int i = 0; i < 5; ++i) {
            const int value = 20 * i - 50;
            field<QSlider>(&dialog, labels[i])->setValue(value);
            QCOMPARE(num(properties[i]), float(value));
            QCOMPARE(field<QLabel>(&dialog, labels[i], 1)->text(), QString::number(value));
        }
        // Reset sends 0 only where a slider moves: gamma, at 0 already, is left alone.
        field<QSlider>(&dialog, "Gama")->setValue(0);
        engine().setInt("gamma", 15);
        button(&dialog, "Restaurar")->click();
        for (int i : {0, 1, 2, 4})
            QCOMPARE(num(properties[i]), 0.0f);
        QCOMPARE(num("gamma"), 15.0f);
        QVERIFY(App::settings()->allKeys().isEmpty());
    }
};

ORVEL_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
