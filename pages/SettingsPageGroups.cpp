// The option groups of the settings page. Every control receives its stored
// value before its handler is connected, so building the page writes nothing.

#include "SettingsPage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <functional>

#include "Actions.h"
#include "App.h"
#include "Host.h"
#include "Lang.h"
#include "PlayerCore.h"
#include "Widgets.h"
#include "WrapCheckBox.h"

namespace {

struct Choice {
    QString text;
    QString data;
};

// A checkbox bound to a flag; onChange, when set, runs after the write.
QCheckBox* check(const QString& label, const QString& key, bool def, std::function<void(bool)> onChange = {})
{
    auto* box = new WrapCheckBox(label);
    box->setChecked(App::get(key, def).toBool());
    QObject::connect(box, &QCheckBox::toggled, box, [key, onChange](bool on) {
        App::set(key, on);
        if (onChange)
            onChange(on);
    });
    return box;
}

// A combo of fixed items showing the one whose data equals the stored text
// exactly (item 0 when none does); a change writes the chosen item's data.
QComboBox* choices(const QList<Choice>& items, const QString& key, const QString& def,
                   std::function<void(const QString&)> onChange = {})
{
    auto* combo = new QComboBox;
    for (const Choice& c : items)
        combo->addItem(c.text, c.data);
    combo->setCurrentIndex(qMax(0, combo->findData(App::get(key, def).toString())));
    QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [combo, key, onChange](int index) {
        const QString data = combo->itemData(index).toString();
        App::set(key, data);
        if (onChange)
            onChange(data);
    });
    return combo;
}

// A line edit of engine language codes: the trimmed text is stored and set
// on the engine property when editing ends; the field keeps what was typed.
QLineEdit* languages(const QString& key, const QString& def, PlayerCore* core, const char* property)
{
    auto* edit = new QLineEdit(App::get(key, def).toString());
    QObject::connect(edit, &QLineEdit::editingFinished, edit, [edit, key, core, property] {
        const QString text = edit->text().trimmed();
        App::set(key, text);
        core->handle().set(property, text);
    });
    return edit;
}

QFormLayout* formOf(QGroupBox* box)
{
    auto* form = new QFormLayout(box);
    form->setSpacing(10);
    return form;
}

}  // namespace

QGroupBox* SettingsPage::generalGroup()
{
    auto* box = new QGroupBox(L("Geral", "General"));
    QFormLayout* form = formOf(box);
    form->addRow(L("Idioma", "Language"),
                 choices({{QStringLiteral("Português (Brasil)"), QStringLiteral("pt")},
                          {QStringLiteral("English"), QStringLiteral("en")}},
                         QStringLiteral("ui/language"), QStringLiteral("pt"), [this](const QString&) {
                             m_host->toast(L("O idioma muda ao reabrir o Orvel",
                                             "Language changes after restarting Orvel"));
                         }));
    form->addRow(L("Ao abrir arquivo com o player aberto", "When opening a file while running"),
                 choices({{L("Tocar na hora", "Play immediately"), QStringLiteral("play")},
                          {L("Adicionar à fila", "Add to queue"), QStringLiteral("queue")}},
                         QStringLiteral("general/openMode"), QStringLiteral("play")));
    form->addRow(check(L("Ao fechar a janela, continuar na bandeja (perto do relógio)",
                         "Keep running in the tray when closing the window"),
                       QStringLiteral("general/closeToTray"), false));
    form->addRow(check(L("Procurar atualizações ao abrir", "Check for updates on startup"),
                       QStringLiteral("general/checkUpdates"), true));
    QPushButton* updates =
        makeButton(L("Procurar atualização agora", "Check for updates now"), QStringLiteral("refresh"));
    form->addRow(QString(), updates);
    connect(updates, &QPushButton::clicked, this, &SettingsPage::checkUpdatesRequested);
    return box;
}

QGroupBox* SettingsPage::playbackGroup(PlayerCore* core)
{
    auto* box = new QGroupBox(L("Reprodução", "Playback"));
    QFormLayout* form = formOf(box);
    form->addRow(check(L("Continuar vídeos de onde parei", "Resume videos where I stopped"),
                       QStringLiteral("playback/resume"), true));
    form->addRow(check(L("Perguntar antes de continuar (mostra aviso com opção \"Do início\")",
                         "Show a notice with a \"From start\" option when resuming"),
                       QStringLiteral("playback/resumeNotice"), true));

    auto* seek = new QSpinBox;
    seek->setRange(1, 120);
    seek->setSuffix(QStringLiteral(" s"));
    seek->setValue(App::get(QStringLiteral("playback/seekStep"), 5).toInt());
    connect(seek, &QSpinBox::valueChanged, seek,
            [](int value) { App::set(QStringLiteral("playback/seekStep"), value); });
    form->addRow(L("Avançar/voltar com as setas", "Arrow keys seek step"), seek);

    auto* speed = new QDoubleSpinBox;
    speed->setRange(0.05, 1.0);
    speed->setSingleStep(0.05);
    speed->setDecimals(2);
    speed->setSuffix(QStringLiteral("x"));
    speed->setValue(App::get(QStringLiteral("playback/speedStep"), 0.25).toDouble());
    connect(speed, &QDoubleSpinBox::valueChanged, speed,
            [](double value) { App::set(QStringLiteral("playback/speedStep"), value); });
    form->addRow(L("Passo da velocidade ([ e ])", "Speed step ([ and ])"), speed);

    form->addRow(check(L("Lembrar a velocidade entre vídeos", "Remember speed between videos"),
                       QStringLiteral("playback/keepSpeed"), true));
    form->addRow(check(L("Decodificar vídeo pela placa de vídeo (recomendado)",
                         "Hardware video decoding (recommended)"),
                       QStringLiteral("video/hwdec"), true, [core](bool on) { core->setHwdec(on); }));
    return box;
}

QGroupBox* SettingsPage::audioGroup(PlayerCore* core)
{
    auto* box = new QGroupBox(L("Áudio", "Audio"));
    QFormLayout* form = formOf(box);
    m_devices = new QComboBox;
    m_devices->setMinimumWidth(320);
    connect(m_devices, &QComboBox::activated, this, [this, core](int index) {
        const QString name = m_devices->itemData(index).toString();
        App::set(QStringLiteral("audio/device"), name);
        core->setAudioDevice(name);
    });
    form->addRow(L("Saída de som", "Output device"), m_devices);
    form->addRow(normalizeBox(core));

    auto* fade = new QDoubleSpinBox;
    fade->setRange(0, 12);
    fade->setSingleStep(0.5);
    fade->setDecimals(1);
    fade->setSuffix(QStringLiteral(" s"));
    fade->setSpecialValueText(L("Desligada", "Off"));
    fade->setValue(App::get(QStringLiteral("audio/crossfade"), 0).toDouble());
    connect(fade, &QDoubleSpinBox::valueChanged, fade, [core](double seconds) {
        App::set(QStringLiteral("audio/crossfade"), seconds);
        core->setCrossfade(seconds);
        core->setNormalize(App::get(QStringLiteral("audio/normalize"), false).toBool());
    });
    form->addRow(L("Transição suave entre músicas", "Smooth transition between songs"), fade);

    auto* note = new QLabel(L("A transição abaixa o volume no fim de uma música e sobe no começo da próxima. "
                              "Músicas de álbum sem pausa continuam sem pausa.",
                              "Fades out at the end of a song and fades in on the next one. "
                              "Gapless albums stay gapless."));
    note->setObjectName(QStringLiteral("Muted"));
    note->setWordWrap(true);
    form->addRow(QString(), note);

    QLineEdit* lang = languages(QStringLiteral("audio/lang"), QString(), core, "alang");
    lang->setPlaceholderText(L("ex.: por,pt,eng (vazio = padrão do arquivo)", "e.g. eng,en (empty = file default)"));
    form->addRow(L("Idioma de áudio preferido", "Preferred audio language"), lang);
    return box;
}

// The box and the window's "normalize" action (the menus' check mark) show
// the same state; either one changed moves the other without a second write.
QCheckBox* SettingsPage::normalizeBox(PlayerCore* core)
{
    QAction* action = Actions::instance()->actions.value(QStringLiteral("normalize"));
    QCheckBox* box = check(L("Normalizar volume (sons baixos e altos ficam parecidos)", "Normalize volume"),
                           QStringLiteral("audio/normalize"), false, [core, action](bool on) {
                               core->setNormalize(on);
                               if (action)
                                   action->setChecked(on);
                           });
    if (action)
        connect(action, &QAction::toggled, box, [box](bool on) {
            const QSignalBlocker quiet(box);
            box->setChecked(on);
        });
    return box;
}

QGroupBox* SettingsPage::subtitlesGroup(PlayerCore* core)
{
    auto* box = new QGroupBox(L("Legendas", "Subtitles"));
    QFormLayout* form = formOf(box);
    form->addRow(L("Idioma preferido", "Preferred language"),
                 languages(QStringLiteral("subs/lang"), PlayerCore::defaultSubtitleLanguages(), core, "slang"));
    form->addRow(L("Codificação (acentos)", "Encoding"),
                 choices({{L("Automática", "Automatic"), QStringLiteral("auto")},
                          {QStringLiteral("UTF-8"), QStringLiteral("utf8")},
                          {L("Windows-1252 (legendas brasileiras antigas)", "Windows-1252 (Western)"),
                           QStringLiteral("cp1252")},
                          {QStringLiteral("ISO-8859-1"), QStringLiteral("latin1")}},
                         QStringLiteral("subs/codepage"), QStringLiteral("auto"),
                         [core](const QString& data) { core->handle().set("sub-codepage", data); }));
    QPushButton* style =
        makeButton(L("Tamanho, cor e posição…", "Size, color and position…"), QStringLiteral("captions"));
    form->addRow(L("Aparência", "Appearance"), style);
    connect(style, &QPushButton::clicked, this, &SettingsPage::subtitleStyleRequested);
    return box;
}

QGroupBox* SettingsPage::historyGroup()
{
    // A group box title takes "&" for a mnemonic: double it to show it.
    auto* box = new QGroupBox(L("Histórico e privacidade", "History & privacy").replace(QLatin1Char('&'),
                                                                                   QStringLiteral("&&")));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(check(L("Guardar histórico do que assisti e ouvi",
                              "Keep history of what I watch and listen to"),
                            QStringLiteral("privacy/history"), true));
    QPushButton* clear = makeButton(L("Apagar todo o histórico", "Clear all history"), QStringLiteral("trash"));
    layout->addWidget(clear, 0, Qt::AlignLeft);
    connect(clear, &QPushButton::clicked, this, &SettingsPage::clearHistory);
    return box;
}
