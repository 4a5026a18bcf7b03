#include "LibraryEmpty.h"

#include "Lang.h"
#include "Library.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStringList>

#include <algorithm>

namespace {

QString shown(const QStringList& folders)
{
    QStringList out;
    for (const QString& folder : folders)
        out.append(QDir::toNativeSeparators(folder));
    return out.join(QStringLiteral(", "));
}

LibraryEmpty noFolder(bool audio)
{
    if (audio)
        return {L("Sua biblioteca de música está vazia", "Your music library is empty"),
                L("Adicione as pastas com suas músicas. Capas, artistas, álbuns e gêneros são lidos "
                  "automaticamente.",
                  "Add the folders with your music. Covers, artists, albums and genres are read automatically.")};
    return {L("Nenhum vídeo na biblioteca", "No videos in your library"),
            L("Escolha as pastas onde ficam seus filmes, séries e gravações. O Orvel lista tudo com miniatura e "
              "lembra onde você parou.",
              "Choose the folders with your movies, shows and recordings. Orvel lists everything with thumbnails "
              "and remembers where you stopped.")};
}

LibraryEmpty notStored(const QString& folders)
{
    const Library* library = Library::instance();
    const QString text = library->storeFull()
        ? L("Não há espaço no disco para guardar o que foi encontrado em %1. Libere espaço e atualize a "
            "biblioteca.",
            "There is no room on the disk to store what was found in %1. Free some space and rescan the library.")
              .arg(folders)
        : L("O que foi encontrado em %1 não foi guardado: %2. Atualize a biblioteca para tentar de novo.",
            "What was found in %1 was not stored: %2. Rescan the library to try again.")
              .arg(folders, library->storeError());
    return {L("A biblioteca não pôde ser salva", "The library could not be saved"), text};
}

LibraryEmpty notFound(bool audio, const QStringList& missing)
{
    const bool one = missing.size() == 1;
    const QString heading = audio ? (one ? L("Pasta de músicas não encontrada", "Music folder not found")
                                         : L("Pastas de músicas não encontradas", "Music folders not found"))
                                  : (one ? L("Pasta de vídeos não encontrada", "Video folder not found")
                                         : L("Pastas de vídeos não encontradas", "Video folders not found"));
    const QString text = one ? L("%1. Conecte o disco onde ela está ou escolha outra pasta.",
                                 "%1. Connect the drive it is on or choose another folder.")
                             : L("%1. Conecte o disco onde elas estão ou escolha outras pastas.",
                                 "%1. Connect the drive they are on or choose other folders.");
    return {heading, text.arg(shown(missing))};
}

LibraryEmpty nothingFound(bool audio, const QString& folders)
{
    if (audio)
        return {L("Nenhuma música guardada das suas pastas", "No music stored from your folders"),
                L("Nada foi encontrado até agora em %1. Copie músicas para lá e atualize a biblioteca, ou escolha "
                  "outra pasta.",
                  "Nothing has been found in %1 so far. Copy music there and rescan the library, or choose "
                  "another folder.")
                    .arg(folders)};
    return {L("Nenhum vídeo guardado das suas pastas", "No videos stored from your folders"),
            L("Nada foi encontrado até agora em %1. Copie vídeos para lá e atualize a biblioteca, ou escolha "
              "outra pasta.",
              "Nothing has been found in %1 so far. Copy videos there and rescan the library, or choose another "
              "folder.")
                .arg(folders)};
}

// The folder a new library starts with, where it is not there: the user
// never chose it, so its absence is no lost drive.
bool missingDefault(const QString& kind, const QString& folder)
{
    return Library::normalFolder(folder) == Library::normalFolder(Library::defaultFolder(kind))
        && !QFileInfo(folder).isDir();
}

}  // namespace

LibraryEmpty LibraryEmpty::of(const QString& kind)
{
    const bool audio = kind == QLatin1String("audio");
    QStringList folders = Library::instance()->folders(kind);
    folders.erase(std::remove_if(folders.begin(), folders.end(),
                                 [&kind](const QString& f) { return missingDefault(kind, f); }),
                  folders.end());
    if (folders.isEmpty())
        return noFolder(audio);
    if (!Library::instance()->storeError().isEmpty())
        return notStored(shown(folders));
    QStringList missing;
    for (const QString& folder : folders)
        if (!QFileInfo(folder).isDir())
            missing.append(folder);
    if (!missing.isEmpty())
        return notFound(audio, missing);
    return nothingFound(audio, shown(folders));
}

void LibraryEmpty::showIn(QWidget* emptyState) const
{
    auto* title = emptyState->findChild<QLabel*>(QStringLiteral("SectionTitle"));
    auto* body = emptyState->findChild<QLabel*>(QStringLiteral("Muted"));
    if (!title || !body)
        return;
    title->setText(heading);
    body->setTextFormat(Qt::PlainText);   // folder names are no markup
    body->setText(text);
}
