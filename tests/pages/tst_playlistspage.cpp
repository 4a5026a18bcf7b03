#include "Database.h"
#include "InputDialogAnswer.h"
#include "Lang.h"
#include "PlaylistsPage.h"
#include "RecordingHost.h"
#include "ReorderTable.h"
#include "TestEnv.h"

#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

namespace {

void answer(QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        box->button(button)->click();
    });
}

QPushButton* buttonWithTip(PlaylistsPage& page, const QString& tip)
{
    for (QPushButton* b : page.findChildren<QPushButton*>())
        if (b->toolTip() == tip || b->text() == tip)
            return b;
    return nullptr;
}

QString shownTitle(PlaylistsPage& page) { return page.findChildren<QLabel*>(QStringLiteral("PageTitle"))[1]->text(); }

// Picks a file in the next file dialog. The dialog writes a chosen file into
// its name field only while that field has no focus, and whether it has it
// yet depends on how soon the window was activated: the dialog itself takes
// the focus first. A filter, when given, is chosen first.
void chooseFile(const QString& path, const QString& filter = QString())
{
    QTimer::singleShot(0, [path, filter] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (!filter.isEmpty())
            dialog->selectNameFilter(filter);
        dialog->setFocus();
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
        if (dialog->isVisible()) {
            dialog->reject();
            QFAIL(qPrintable("the file dialog did not take " + path));
        }
    });
}

QString countText(PlaylistsPage& page) { return page.findChildren<QLabel*>(QStringLiteral("Muted"))[0]->text(); }

}  // namespace

class TestPlaylistsPage : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    RecordingHost m_host;

    QString file(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        return path;
    }

    // A playlist a, b, c, d, shown on a new page.
    qint64 abcd(QStringList* paths)
    {
        *paths = {file("a.mp3"), file("b.mp3"), file("c.mp3"), file("d.mp3")};
        const qint64 id = Database::instance()->createPlaylist(QStringLiteral("Mix"));
        Database::instance()->setPlaylistItems(id, *paths);
        return id;
    }

    static void show(PlaylistsPage& page, qint64 id)
    {
        QListWidget* lists = page.findChild<QListWidget*>();
        for (int r = 0; r < lists->count(); ++r)
            if (lists->item(r)->data(Qt::UserRole + 9).toLongLong() == id)
                lists->setCurrentRow(r);
    }

private slots:
    void initTestCase()
    {
        qputenv("ORVEL_NO_THUMBS", "1");
        Lang::englishFlag() = true;
        QVERIFY(Database::instance()->open());
    }

    void init()
    {
        QSqlQuery().exec(QStringLiteral("DELETE FROM media"));
        for (const Playlist& p : Database::instance()->playlists())
            Database::instance()->deletePlaylist(p.id);
        m_host.clear();
    }

    void insertionRow()
    {
        QCOMPARE(ReorderTable::insertionRow({1}, 3, 3), 2);
        QCOMPARE(ReorderTable::insertionRow({3}, 0, 3), 0);
        QCOMPARE(ReorderTable::insertionRow({0}, -1, 3), 3);
        QCOMPARE(ReorderTable::insertionRow({1, 2}, 3, 2), 1);
        QCOMPARE(ReorderTable::insertionRow({1, 2}, 2, 2), 1);
    }

    // The five drags, each stored at once without a list refresh.
    void drags_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("dropRow");
        QTest::addColumn<QString>("order");
        QTest::newRow("b onto d") << QList<int>{1} << 3 << "acbd";
        QTest::newRow("d onto a") << QList<int>{3} << 0 << "dabc";
        QTest::newRow("a below") << QList<int>{0} << -1 << "bcda";
        QTest::newRow("bc onto d") << QList<int>{1, 2} << 3 << "abcd";
        QTest::newRow("bc onto c") << QList<int>{1, 2} << 2 << "abcd";
    }
    void drags()
    {
        QFETCH(QList<int>, selected);
        QFETCH(int, dropRow);
        QFETCH(QString, order);
        QStringList paths;
        const qint64 id = abcd(&paths);
        PlaylistsPage page(&m_host);
        show(page, id);
        auto* table = page.findChild<ReorderTable*>();
        for (int row : selected)
            table->selectionModel()->select(table->model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QSignalSpy changed(Database::instance(), &Database::playlistsChanged);
        QVERIFY(table->dropSelectedAt(dropRow));
        QStringList want;
        for (QChar c : order)
            want << m_dir.filePath(QString(c) + ".mp3");
        QCOMPARE(page.currentPaths(), want);
        QCOMPARE(Database::instance()->playlistItems(id), want);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(countText(page), QStringLiteral("4 items"));
        QCOMPARE(page.findChild<QListWidget*>()->currentItem()->text(), QStringLiteral("Mix  (4)"));
    }

    void deleteKey()
    {
        QStringList paths;
        const qint64 id = abcd(&paths);
        Database::instance()->setFavorite(paths[0], true);
        PlaylistsPage page(&m_host);
        auto* table = page.findChild<ReorderTable*>();
        QCOMPARE(page.currentPaths(), QStringList({paths[0]}));   // Favorites
        table->selectRow(0);
        QTest::keyClick(table, Qt::Key_Delete);
        QCOMPARE(page.currentPaths(), QStringList({paths[0]}));

        show(page, id);
        table->selectRow(1);
        QTest::keyClick(table, Qt::Key_Delete);
        QCOMPARE(Database::instance()->playlistItems(id), QStringList({paths[0], paths[2], paths[3]}));
        QTest::keyClick(table, Qt::Key_Backspace);
        QCOMPARE(page.currentPaths().size(), 3);
    }

    // New, Rename and Delete, with the selection that follows each.
    void selection()
    {
        PlaylistsPage page(&m_host);
        QCOMPARE(shownTitle(page), QStringLiteral("Favorites"));
        QCOMPARE(countText(page), QStringLiteral("0 items · 0:00"));
        InputDialogAnswer::next(QStringLiteral("  Road trip "));
        buttonWithTip(page, QStringLiteral("New playlist"))->click();
        QCOMPARE(shownTitle(page), QStringLiteral("Road trip"));
        InputDialogAnswer::next(QStringLiteral("Zzz"));
        buttonWithTip(page, QStringLiteral("Rename"))->click();
        QCOMPARE(shownTitle(page), QStringLiteral("Zzz"));
        QCOMPARE(page.findChild<QListWidget*>()->currentItem()->text(), QStringLiteral("Zzz  (0)"));
        answer(QMessageBox::Yes);
        buttonWithTip(page, QStringLiteral("Delete playlist"))->click();
        QCOMPARE(shownTitle(page), QStringLiteral("Favorites"));
        QVERIFY(Database::instance()->playlists().isEmpty());
    }

    // A stream shows its address whatever the library calls it; a missing
    // file stays, in grey, titled from its name; no tags are read off either.
    void urlAndMissingRows()
    {
        const QString url = QStringLiteral("http://radio.example/live.mp3");
        Database::instance()->ensureMedia(url, QStringLiteral("stream"), QStringLiteral("Live Radio"));
        const QString gone = m_dir.filePath("gone.flac");
        const qint64 id = Database::instance()->createPlaylist(QStringLiteral("P"));
        Database::instance()->setPlaylistItems(id, {url, gone, QStringLiteral("rtsp://cam.example/s")});
        PlaylistsPage page(&m_host);
        show(page, id);
        auto* table = page.findChild<ReorderTable*>();
        QCOMPARE(table->item(0, 0)->text(), url);
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("gone"));
        QCOMPARE(table->item(1, 0)->foreground().color(), QColor(0x6b, 0x7c, 0x93));
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("rtsp://cam.example/s"));
        QCOMPARE(table->item(0, 0)->foreground().style(), Qt::NoBrush);
        QCOMPARE(PlaylistsPage::recordFor(m_dir.path()).displayTitle(), QFileInfo(m_dir.path()).completeBaseName());
    }

    // An import with a relative entry and an empty name line takes the file's
    // name; exported and read back, the entries come back the same.
    void importExportRoundTrip()
    {
        const QString song = file("one.mp3");
        const QString m3u = m_dir.filePath("Trip.m3u");
        QFile f(m3u);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#EXTM3U\n#PLAYLIST:\none.mp3\nhttp://radio.example/s\n");
        f.close();
        QString name;
        QList<QString> paths;
        QVERIFY(PlaylistsPage::importM3U(m3u, &name, &paths));
        QCOMPARE(paths, QList<QString>({song, "http://radio.example/s"}));

        const QString out = m_dir.filePath("out.m3u8");
        QVERIFY(PlaylistsPage::exportM3U(out, paths));
        QList<QString> back;
        QVERIFY(PlaylistsPage::importM3U(out, &name, &back));
        QCOMPARE(back, paths);
        QCOMPARE(PlaylistsPage::exportFileName(QStringLiteral("AC/DC")), QStringLiteral("AC_DC.m3u8"));

        // An import whose entries cannot be stored leaves no empty list.
        PlaylistsPage page(&m_host);
        QSqlQuery trigger;
        QVERIFY(trigger.exec(QStringLiteral(
            "CREATE TEMP TRIGGER refuse BEFORE INSERT ON main.playlist_items BEGIN SELECT RAISE(ABORT, 'no'); END")));
        chooseFile(m3u);
        buttonWithTip(page, QStringLiteral("Import M3U"))->click();
        QVERIFY(trigger.exec(QStringLiteral("DROP TRIGGER refuse")));
        QCOMPARE(m_host.last().text, QStringLiteral("Save failed"));
        QVERIFY(Database::instance()->playlists().isEmpty());
        chooseFile(m3u);
        buttonWithTip(page, QStringLiteral("Import M3U"))->click();
        QCOMPARE(m_host.last().text, QStringLiteral("Playlist \"Trip\" imported (2 items)"));
        const QList<Playlist> lists = Database::instance()->playlists();
        QCOMPARE(lists.size(), 1);
        QCOMPARE(lists[0].name, QStringLiteral("Trip"));
        QCOMPARE(Database::instance()->playlistItems(lists[0].id), QStringList(paths));

        // A name given under the PLS filter is written as PLS.
        chooseFile(m_dir.filePath("Road"), QStringLiteral("PLS (*.pls)"));
        buttonWithTip(page, QStringLiteral("Export as M3U"))->click();
        QCOMPARE(m_host.last().text, QStringLiteral("Playlist exported"));
        QFile pls(m_dir.filePath("Road.pls"));
        QVERIFY(pls.open(QIODevice::ReadOnly) && pls.readAll().startsWith("[playlist]\n"));
    }
};

ORVEL_TEST_MAIN(TestPlaylistsPage)
#include "tst_playlistspage.moc"
