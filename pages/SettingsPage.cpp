#include "SettingsPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "App.h"
#include "Host.h"
#include "Lang.h"
#include "PlayerCore.h"
#include "Widgets.h"

SettingsPage::SettingsPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->addWidget(makeTitle(L("Configurações", "Settings"), "PageTitle"));
    const QString title = L("Mais ajustes em breve", "More settings soon");
    const QString text = L("Por enquanto: atualizações, aparência das legendas e saída de som.",
                           "For now: updates, subtitle appearance and output device.");
    layout->addSpacing(14);
    layout->addWidget(buildControls(), 0, Qt::AlignLeft);
    layout->addWidget(emptyState(QStringLiteral("settings"), title, text), 1);
}

QWidget* SettingsPage::buildControls()
{
    auto* box = new QWidget;
    auto* form = new QFormLayout(box);
    form->setSpacing(10);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPushButton* updates =
        makeButton(L("Procurar atualização agora", "Check for updates now"), QStringLiteral("refresh"));
    QPushButton* subtitles =
        makeButton(L("Tamanho, cor e posição…", "Size, color and position…"), QStringLiteral("captions"));
    m_devices = new QComboBox(box);
    m_devices->setMinimumWidth(320);
    form->addRow(QString(), updates);
    form->addRow(L("Aparência", "Appearance"), subtitles);
    form->addRow(L("Saída de som", "Output device"), m_devices);
    connect(updates, &QPushButton::clicked, this, &SettingsPage::checkUpdatesRequested);
    connect(subtitles, &QPushButton::clicked, this, &SettingsPage::subtitleStyleRequested);
    connect(m_devices, &QComboBox::activated, this, [this](int index) {
        const QString name = m_devices->itemData(index).toString();
        App::set(QStringLiteral("audio/device"), name);
        m_host->core()->setAudioDevice(name);
    });
    return box;
}

void SettingsPage::refreshAudioDevices()
{
    const QString stored = App::get(QStringLiteral("audio/device"), QStringLiteral("auto")).toString();
    const QString automatic = L("Automática (padrão do sistema)", "Automatic (system default)");
    m_devices->clear();
    for (const QVariant& entry : m_host->core()->audioDevices()) {
        const QVariantMap map = entry.toMap();
        const QString name = map.value(QStringLiteral("name")).toString();
        QString text = name == QLatin1String("auto") ? automatic : map.value(QStringLiteral("description")).toString();
        m_devices->addItem(text.isEmpty() ? name : text, name);
    }
    if (m_devices->count() == 0)
        m_devices->addItem(automatic, QStringLiteral("auto"));
    m_devices->setCurrentIndex(qMax(0, m_devices->findData(stored)));
}
