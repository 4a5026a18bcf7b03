#include "PlaylistsPage.h"

#include <QLabel>
#include <QVBoxLayout>

#include "Lang.h"
#include "PlaylistFile.h"
#include "Widgets.h"

PlaylistsPage::PlaylistsPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->addWidget(makeTitle(QStringLiteral("Playlists"), "PageTitle"));
    const QString title = L("Nenhuma playlist ainda", "No playlists yet");
    const QString text = L("Salve a fila como playlist ou adicione músicas pelo botão direito em qualquer lista.",
                           "Save the queue as a playlist, or add songs with right-click anywhere.");
    layout->addWidget(emptyState(QStringLiteral("playlist"), title, text), 1);
}

bool PlaylistsPage::importM3U(const QString& path, QString* name, QList<QString>* paths)
{
    return PlaylistFile::read(path, name, paths);
}

bool PlaylistsPage::exportM3U(const QString& path, const QList<QString>& paths)
{
    return PlaylistFile::write(path, paths);
}
