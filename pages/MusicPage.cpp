#include "MusicPage.h"

#include <QLabel>
#include <QVBoxLayout>

#include "Lang.h"
#include "Widgets.h"

MusicPage::MusicPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->addWidget(makeTitle(L("Música", "Music"), "PageTitle"));
    const QString title = L("Sua biblioteca de música está vazia", "Your music library is empty");
    const QString text = L("Adicione as pastas com suas músicas. Capas, artistas, álbuns e gêneros são lidos "
                           "automaticamente.",
                           "Add the folders with your music. Covers, artists, albums and genres are read "
                           "automatically.");
    layout->addWidget(emptyState(QStringLiteral("music"), title, text), 1);
}

void MusicPage::showArtist(const QString&)
{
}

void MusicPage::showAlbum(const QString&)
{
}
