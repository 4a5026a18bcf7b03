#include "SettingsPage.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

#include "App.h"
#include "Database.h"
#include "FolderBox.h"
#include "Host.h"
#include "Icons.h"
#include "Lang.h"
#include "PlayerCore.h"
#include "ShortcutsBox.h"
#include "WebAddresses.h"
#include "Widgets.h"

SettingsPage::SettingsPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);
    auto* inner = new QWidget;
    inner->setMaximumWidth(980);
    auto* layout = new QVBoxLayout(inner);
    layout->setContentsMargins(32, 26, 32, 32);
    layout->setSpacing(14);

    layout->addWidget(makeTitle(L("Configurações", "Settings"), "PageTitle"));
    PlayerCore* core = m_host->core();
    layout->addWidget(generalGroup());
    layout->addWidget(playbackGroup(core));
    layout->addWidget(audioGroup(core));
    layout->addWidget(subtitlesGroup(core));
    layout->addWidget(libraryBox(QStringLiteral("audio"), L("Pastas de música", "Music folders")));
    layout->addWidget(libraryBox(QStringLiteral("video"), L("Pastas de vídeo", "Video folders")));
    layout->addWidget(historyGroup());
    layout->addWidget(shortcutsBox());
    layout->addWidget(aboutGroup());
    layout->addStretch();
    scroll->setWidget(inner);
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

QWidget* SettingsPage::libraryBox(const QString& kind, const QString& title)
{
    return new FolderBox(kind, title, this);
}

QWidget* SettingsPage::shortcutsBox()
{
    return new ShortcutsBox(m_host);
}

QString SettingsPage::aboutText()
{
    const QUrl page(QString::fromLatin1(WebAddresses::kProductPage));
    const QString tpl = QStringLiteral("<b style='font-size:13pt'>Orvel %1</b><br>%2<br>"
                                       "<a style='color:#2bd9fe' href='%3'>")
        + page.host().toHtmlEscaped()
        + QStringLiteral("</a><br><span style='color:#6b7c93'>%4 libmpv · Qt %5</span>");
    return tpl.arg(QString::fromLatin1(WebAddresses::kVersion), QCoreApplication::organizationName(),
                   page.toString(), L("Motor:", "Engine:"), QString::fromLatin1(qVersion()));
}

QGroupBox* SettingsPage::aboutGroup()
{
    auto* box = new QGroupBox(L("Sobre", "About"));
    auto* row = new QHBoxLayout(box);
    auto* logo = new QLabel;
    logo->setPixmap(Icons::appLogo(72));
    auto* text = new QLabel(aboutText());
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    QPushButton* logs = makeButton(L("Abrir pasta de registros", "Open log folder"), QStringLiteral("folder"));
    row->addWidget(logo);
    row->addWidget(text, 1);
    row->addWidget(logs);
    connect(logs, &QPushButton::clicked, this, &SettingsPage::openLogFolder);
    return box;
}

void SettingsPage::clearHistory()
{
    const auto answer = QMessageBox::question(this, L("Apagar histórico", "Clear history"),
                                              L("Apagar todo o histórico e os pontos de onde parou?",
                                                "Clear all history and resume points?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    Database::instance()->clearHistory(QString());
    m_host->toast(L("Histórico apagado", "History cleared"));
}

void SettingsPage::openLogFolder()
{
    const QString path = App::dataDir() + QStringLiteral("/logs");
    QDir().mkpath(path);
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
