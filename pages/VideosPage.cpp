#include "VideosPage.h"

#include <QLabel>
#include <QVBoxLayout>

#include "Lang.h"
#include "Widgets.h"

VideosPage::VideosPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->addWidget(makeTitle(L("Vídeos", "Videos"), "PageTitle"));
    const QString title = L("Nenhum vídeo na biblioteca", "No videos in your library");
    const QString text = L("Escolha as pastas onde ficam seus filmes, séries e gravações. O Orvel lista tudo com "
                           "miniatura e lembra onde você parou.",
                           "Choose the folders with your movies, shows and recordings. Orvel lists everything "
                           "with thumbnails and remembers where you stopped.");
    layout->addWidget(emptyState(QStringLiteral("film"), title, text), 1);
}
