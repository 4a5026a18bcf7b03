// Opening media: the command line, a second start, the open dialogs, drops
// on the window and the two queue commands.
#include "MainWindow.h"

#include "App.h"
#include "Database.h"
#include "Lang.h"
#include "PlayerCore.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>

#include <memory>

namespace {

const QString kLastDir = QStringLiteral("ui/lastDir");

bool isSubtitle(const QString& path)
{
    return App::subExts().contains(App::ext(path));
}

QString startFolder(const QString& fallback)
{
    return App::get(kLastDir, fallback).toString();
}

}  // namespace

QList<QString> MainWindow::collectMedia(const QList<QString>& paths)
{
    const MediaCollector::Result result = MediaCollector::collect(paths);
    tellLeftOut(result);
    return result.files;
}

// One notice for all that the readings of one opening left out.
void MainWindow::tellLeftOut(const MediaCollector::Result& result)
{
    if (!result.notices.isEmpty())
        toast(result.notices.join(QStringLiteral(" · ")));
}

// Lists that hold playlist files are read on the collector's worker: what
// to do with their files is decided once they are there.
void MainWindow::collectThen(const QList<QString>& paths, const MediaCollector::Done& then)
{
    if (!m_collector)
        m_collector = new MediaCollector(this);
    m_collector->collectThen(paths, [this, then](const MediaCollector::Result& result) {
        tellLeftOut(result);
        then(result);
    });
}

void MainWindow::bringToFront()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindow::openFromCommandLine(const QList<QString>& args, bool fromOtherInstance)
{
    QList<QString> list;
    for (const QString& arg : args) {
        if (arg.startsWith(QLatin1String("--")))
            continue;
        list.append(arg.startsWith(QLatin1String("file:")) ? QUrl(arg).toLocalFile() : arg);
    }
    if (fromOtherInstance)
        bringToFront();
    collectThen(list, [this, fromOtherInstance, asked = !list.isEmpty()](const MediaCollector::Result& result) {
        // Files asked for that are all missing get a word, unless a
        // playlist's notice already said what was left out.
        if (result.files.isEmpty() && asked && result.notices.isEmpty())
            toast(L("Nada para abrir", "Nothing to open"));
        openArguments(result.files, fromOtherInstance);
    });
}

void MainWindow::openArguments(const QList<QString>& files, bool fromOtherInstance)
{
    if (files.isEmpty())
        return;
    if (files.size() == 1 && isSubtitle(files.first()) && !m_core->isIdle()) {
        m_core->addSubtitle(files.first());
        return;
    }
    const bool queue = App::get(QStringLiteral("general/openMode"), QStringLiteral("play"))
                           .toString() == QLatin1String("queue");
    if (fromOtherInstance && queue && !m_core->isIdle())
        enqueue(files);
    else
        playFiles(files, 0);
}

void MainWindow::enqueue(const QList<QString>& paths)
{
    if (paths.isEmpty())
        return;
    m_core->enqueue(paths);
    toast(L("%1 itens adicionados à fila", "%1 items added to queue").arg(paths.size()));
}

void MainWindow::playNext(const QList<QString>& paths)
{
    if (paths.isEmpty())
        return;
    m_core->playNextInQueue(paths);
    toast(L("Vai tocar em seguida", "Playing next"));
}

void MainWindow::openFileDialog()
{
    QStringList patterns;
    for (const QStringList* list : {&App::videoExts(), &App::audioExts(), &App::playlistExts()})
        for (const QString& e : *list)
            patterns.append(QStringLiteral("*.") + e);
    const QString filter = L("Vídeos e músicas", "Videos and music") + QStringLiteral(" (")
                           + patterns.join(QLatin1Char(' ')) + QStringLiteral(");;")
                           + L("Todos os arquivos", "All files") + QStringLiteral(" (*)");
    const QString start =
        startFolder(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation));
    const QStringList chosen = QFileDialog::getOpenFileNames(
        this, L("Abrir arquivos", "Open files"), start, filter);
    if (chosen.isEmpty())
        return;
    App::set(kLastDir, QFileInfo(chosen.first()).absolutePath());
    collectThen(chosen, [this](const MediaCollector::Result& result) { playFiles(result.files, 0); });
}

void MainWindow::openFolderDialog()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, L("Abrir pasta", "Open folder"), startFolder(QString()), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    App::set(kLastDir, folder);
    const QList<QString> files = collectMedia({folder});
    if (files.isEmpty())
        toast(L("Nenhum vídeo ou música nessa pasta", "No videos or music in that folder"));
    else
        playFiles(files, 0);
}

void MainWindow::openUrlDialog()
{
    QString prefill = QGuiApplication::clipboard()->text(QClipboard::Clipboard).trimmed();
    if (!prefill.contains(QLatin1String("://")))
        prefill.clear();
    bool ok = false;
    const QString text =
        QInputDialog::getText(this, L("Abrir link", "Open link"),
                              L("Endereço do vídeo, áudio, rádio ou lista (http, https, rtmp, rtsp, m3u8):",
                                "Address of a video, audio, radio or playlist (http, https, rtmp, rtsp, m3u8):"),
                              QLineEdit::Normal, prefill, &ok)
            .trimmed();
    if (!ok || text.isEmpty())
        return;
    Database::instance()->ensureMedia(text, QStringLiteral("stream"), text);
    playFiles({text}, 0);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    QList<QString> entries;
    for (const QUrl& url : event->mimeData()->urls())
        entries.append(url.isLocalFile() ? url.toLocalFile() : url.toString());
    if (entries.size() == 1 && isSubtitle(entries.first()) && !m_core->isIdle()) {
        m_core->addSubtitle(entries.first());
        toast(L("Legenda carregada", "Subtitle loaded"));
        return;
    }
    // The drop is taken when it gives files, or, when it holds playlists
    // read later, at once.
    const auto pending = std::make_shared<QDropEvent*>(event);
    const bool queue = event->modifiers() & Qt::ControlModifier;
    collectThen(entries, [this, queue, pending](const MediaCollector::Result& result) {
        if (result.files.isEmpty() && result.notices.isEmpty())
            toast(L("Nenhum vídeo ou música reconhecido", "No playable media found"));
        else if (queue)
            enqueue(result.files);
        else
            playFiles(result.files, 0);
        if (*pending && !result.files.isEmpty())
            (*pending)->acceptProposedAction();
        *pending = nullptr;
    });
    if (*pending)
        event->acceptProposedAction();
    *pending = nullptr;
}
