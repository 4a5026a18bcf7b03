#include "HomePage.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTime>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "Host.h"
#include "Icons.h"
#include "Lang.h"
#include "Theme.h"
#include "Widgets.h"

namespace {
QString greeting()
{
    const int hour = QTime::currentTime().hour();
    if (hour < 12)
        return L("Bom dia", "Good morning");
    return hour < 18 ? L("Boa tarde", "Good afternoon") : L("Boa noite", "Good evening");
}
}  // namespace

HomePage::HomePage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(22);
    layout->addWidget(buildBanner());
    QLabel* title = makeTitle(greeting() + L("! O que vamos assistir ou ouvir?", "! What shall we watch or listen to?"),
                              "PageTitle");
    title->setWordWrap(true);
    auto* hero = new QVBoxLayout;
    hero->setSpacing(6);
    hero->addWidget(title);
    auto* intro = new QLabel(L("Abra um vídeo, uma música, uma pasta inteira ou um link. Você também pode arrastar "
                               "arquivos para esta janela.",
                               "Open a video, a song, a whole folder or a link. You can also drag files into this "
                               "window."),
                             this);
    intro->setObjectName(QStringLiteral("Muted"));
    intro->setWordWrap(true);
    hero->addWidget(intro);
    hero->addSpacing(6);
    hero->addWidget(buildOpenButtons());
    layout->addLayout(hero);
    const QString text = L("Tudo o que você assistir ou ouvir aparece aqui, com o ponto onde parou.",
                           "Everything you watch or listen to shows up here, with where you stopped.");
    layout->addWidget(emptyState(QStringLiteral("sparkles"), L("Nada por aqui ainda", "Nothing here yet"), text), 1);
    refresh();
}

QWidget* HomePage::buildBanner()
{
    m_banner = new QWidget(this);
    m_banner->setObjectName(QStringLiteral("Banner"));
    m_banner->setAttribute(Qt::WA_StyledBackground);
    auto* row = new QHBoxLayout(m_banner);
    row->setContentsMargins(16, 10, 10, 10);
    auto* icon = new QLabel(m_banner);
    icon->setPixmap(Icons::pixmap(QStringLiteral("sparkles"), 22, Theme::violet));
    row->addWidget(icon);
    m_bannerText = new QLabel(m_banner);
    m_bannerText->setWordWrap(true);
    row->addWidget(m_bannerText, 1);
    QPushButton* download = makeButton(L("Baixar atualização", "Download update"), QStringLiteral("download"), true);
    row->addWidget(download);
    auto* close = new QToolButton(m_banner);
    close->setIcon(Icons::icon(QStringLiteral("x")));
    row->addWidget(close);
    connect(download, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(QUrl(m_updateUrl)); });
    connect(close, &QToolButton::clicked, m_banner, &QWidget::hide);
    m_banner->hide();
    return m_banner;
}

QWidget* HomePage::buildOpenButtons()
{
    auto* buttons = new QWidget;
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    QPushButton* file = makeButton(L("Abrir arquivo", "Open file"), QStringLiteral("file"), true);
    QPushButton* folder = makeButton(L("Abrir pasta", "Open folder"), QStringLiteral("folder"));
    QPushButton* link = makeButton(L("Abrir link", "Open link"), QStringLiteral("link"));
    for (QPushButton* b : {file, folder, link})
        row->addWidget(b);
    row->addStretch();
    connect(file, &QPushButton::clicked, this, [this] { m_host->openFileDialog(); });
    connect(folder, &QPushButton::clicked, this, [this] { m_host->openFolderDialog(); });
    connect(link, &QPushButton::clicked, this, [this] { m_host->openUrlDialog(); });
    return buttons;
}

void HomePage::refresh()
{
}

void HomePage::setUpdateBanner(const QString& version, const QString& notes, const QString& url)
{
    m_updateUrl = url;
    m_bannerText->setText(QStringLiteral("<b>%1 %2</b><br><span style='color:#a8b5c7'>%3</span>")
                              .arg(L("Nova versão disponível:", "New version available:"), version,
                                   notes.toHtmlEscaped()));
    m_banner->show();
}
