#include "App.h"
#include "CardView.h"
#include "Covers.h"
#include "Database.h"
#include "Lang.h"
#include "RecordingHost.h"
#include "TestEnv.h"
#include "VideosPage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QStandardItemModel>

namespace {

MediaItem video(const QString& path, qint64 size = 0, double duration = 0, qint64 added = 1000)
{
    MediaItem m;
    m.path = path;
    m.kind = QStringLiteral("video");
    m.folder = QFileInfo(path).absolutePath();
    m.size = size;
    m.duration = duration;
    m.added_at = added;
    return m;
}

void wipe()
{
    QSqlQuery().exec(QStringLiteral("DELETE FROM media"));
    QSqlQuery().exec(QStringLiteral("DELETE FROM history"));
}

CardView* viewOf(VideosPage& page) { return page.findChild<CardView*>(); }

QStringList shownPaths(VideosPage& page)
{
    QStringList out;
    QStandardItemModel* model = viewOf(page)->model;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->item(r)->data(PathRole).toString();
    return out;
}

QComboBox* sortBox(VideosPage& page)
{
    for (QComboBox* box : page.findChildren<QComboBox*>())
        if (box->findData(QStringLiteral("duration")) >= 0)
            return box;
    return nullptr;
}

QComboBox* folderBox(VideosPage& page)
{
    for (QComboBox* box : page.findChildren<QComboBox*>())
        if (box != sortBox(page))
            return box;
    return nullptr;
}

}  // namespace

class TestVideosPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("ORVEL_NO_THUMBS", "1");
        QVERIFY(Database::instance()->open());
    }

    void init() { wipe(); }

    void cardData_data()
    {
        QTest::addColumn<MediaItem>("item");
        QTest::addColumn<int>("history");  // 0 none, 1 finished short of the end, 2 past the end
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<QString>("badge");
        QTest::addColumn<double>("progress");  // -1: no progress strip

        QTest::newRow("700 MiB in Movies") << video("/v/Movies/a.mkv", 700 * 1048576LL, 4000) << 0
                                           << "Movies · 700 MB" << "1:06:40" << -1.0;
        QTest::newRow("exactly 1 GiB") << video("/v/Movies/b.mkv", 1073741824LL, 59) << 0
                                       << "Movies · 1024 MB" << "0:59" << -1.0;
        QTest::newRow("one byte more") << video("/v/Movies/c.mkv", 1073741825LL) << 0 << "Movies · 1,0 GB"
                                       << "" << -1.0;
        QTest::newRow("size 0") << video("/v/Movies/d.mkv") << 0 << "Movies" << "" << -1.0;
        QTest::newRow("under 1 MiB") << video("/v/Movies/h.mkv", 977 * 1024LL) << 0 << "Movies · 977 KB" << ""
                                     << -1.0;
        QTest::newRow("in the root") << video("/e.mkv", 5 * 1048576LL) << 0 << " · 5 MB" << "" << -1.0;
        QTest::newRow("finished") << video("/v/Movies/f.mkv") << 1 << "Movies" << "" << 1.0;
        QTest::newRow("overlong") << video("/v/Movies/g.mkv") << 2 << "Movies" << "" << 1.0;
    }

    void cardData()
    {
        QFETCH(MediaItem, item);
        QFETCH(int, history);
        Database::instance()->upsertMedia({item});
        if (history > 0) {
            HistoryItem h;
            h.path = item.path;
            h.kind = QStringLiteral("video");
            h.duration = 100;
            h.position = history == 1 ? 40 : 130;
            h.finished = history == 1;
            Database::instance()->saveHistory(h);
        }
        RecordingHost host;
        VideosPage page(&host);
        page.refresh();
        QStandardItemModel* model = viewOf(page)->model;
        QCOMPARE(model->rowCount(), 1);
        const QStandardItem* card = model->item(0);
        QFETCH(QString, subtitle);
        QFETCH(QString, badge);
        QFETCH(double, progress);
        QCOMPARE(card->data(SubtitleRole).toString(), subtitle);
        QCOMPARE(card->data(BadgeRole).toString(), badge);
        QCOMPARE(card->data(ProgressRole).isValid() ? card->data(ProgressRole).toDouble() : -1.0, progress);
        QCOMPARE(card->data(PathRole).toString(), item.path);
        QCOMPARE(card->data(Qt::ToolTipRole).toString(), item.path);
        QCOMPARE(card->data(KindRole).toString(), QStringLiteral("video"));
    }

    // A duration learned after the cards were made (by the thumbnailer)
    // reaches the card's badge when Covers announces the path.
    void lateDuration()
    {
        Database::instance()->upsertMedia({video("/v/a.mkv"), video("/v/b.mkv")});
        RecordingHost host;
        VideosPage page(&host);
        page.refresh();
        QStandardItemModel* model = viewOf(page)->model;
        emit Covers::instance()->ready(QStringLiteral("/v/b.mkv"));
        QVERIFY(model->item(1)->data(BadgeRole).toString().isEmpty());

        Database::instance()->setDuration(QStringLiteral("/v/b.mkv"), 125);
        emit Covers::instance()->ready(QStringLiteral("/elsewhere/x.mp3"));
        emit Covers::instance()->ready(QStringLiteral("/v/b.mkv"));
        QCOMPARE(model->item(1)->data(BadgeRole).toString(), QStringLiteral("2:05"));
        QVERIFY(model->item(0)->data(BadgeRole).toString().isEmpty());

        // The next fill keeps it, and sorts by it.
        QComboBox* sort = sortBox(page);
        sort->setCurrentIndex(sort->findData(QStringLiteral("duration")));
        QCOMPARE(shownPaths(page), QStringList({"/v/b.mkv", "/v/a.mkv"}));
        QCOMPARE(model->item(0)->data(BadgeRole).toString(), QStringLiteral("2:05"));
        App::settings()->remove(QStringLiteral("videos/sort"));
    }

    // Every sort key, ties by path, then the choice as a second page finds it.
    void sortingAndRestore()
    {
        // b and d tie on every key but the name; a whole scan shares added_at.
        Database::instance()->upsertMedia({video("/v/x/d.mkv", 10, 60, 5), video("/v/x/b.mkv", 10, 60, 5),
                                           video("/v/x/C.mkv", 30, 0, 9), video("/v/x/a.mkv", 20, 0, 1)});
        RecordingHost host;
        VideosPage page(&host);
        page.refresh();
        QCOMPARE(shownPaths(page), QStringList({"/v/x/a.mkv", "/v/x/b.mkv", "/v/x/C.mkv", "/v/x/d.mkv"}));
        QVERIFY(!App::settings()->contains(QStringLiteral("videos/sort")));  // building wrote nothing

        QComboBox* sort = sortBox(page);
        sort->setCurrentIndex(sort->findData(QStringLiteral("date")));
        QCOMPARE(shownPaths(page), QStringList({"/v/x/C.mkv", "/v/x/b.mkv", "/v/x/d.mkv", "/v/x/a.mkv"}));
        sort->setCurrentIndex(sort->findData(QStringLiteral("duration")));
        QCOMPARE(shownPaths(page), QStringList({"/v/x/b.mkv", "/v/x/d.mkv", "/v/x/C.mkv", "/v/x/a.mkv"}));
        sort->setCurrentIndex(sort->findData(QStringLiteral("size")));
        QCOMPARE(shownPaths(page), QStringList({"/v/x/C.mkv", "/v/x/a.mkv", "/v/x/b.mkv", "/v/x/d.mkv"}));
        QCOMPARE(App::get(QStringLiteral("videos/sort")).toString(), QStringLiteral("size"));

        VideosPage second(&host);
        second.refresh();
        QCOMPARE(sortBox(second)->currentData().toString(), QStringLiteral("size"));
        QCOMPARE(shownPaths(second), shownPaths(page));
        App::settings()->remove(QStringLiteral("videos/sort"));
    }

    void foldersAndSearch()
    {
        Database::instance()->upsertMedia({video("/a/Shows/pilot.mkv"), video("/b/Shows/Finale.mkv"),
                                           video("/b/Other/trip.mkv"), video("/root.mkv")});
        RecordingHost host;
        VideosPage page(&host);
        page.refresh();
        QComboBox* folders = folderBox(page);
        QCOMPARE(folders->count(), 5);
        QCOMPARE(folders->itemText(0), L("Todas as pastas", "All folders"));
        QCOMPARE(folders->itemText(1), QStringLiteral("/"));
        QCOMPARE(folders->itemText(2), QStringLiteral("Shows"));
        QCOMPARE(folders->itemText(4), QStringLiteral("Shows"));
        QCOMPARE(folders->itemData(2).toString(), QStringLiteral("/a/Shows"));
        QCOMPARE(folders->itemData(4).toString(), QStringLiteral("/b/Shows"));

        folders->setCurrentIndex(4);
        QCOMPARE(shownPaths(page), QStringList({"/b/Shows/Finale.mkv"}));
        page.refresh();  // the folder choice survives while the folder exists
        QCOMPARE(folders->currentData().toString(), QStringLiteral("/b/Shows"));

        folders->setCurrentIndex(0);
        auto* search = page.findChild<QLineEdit*>();
        search->setText(QStringLiteral("FINALE"));
        QCOMPARE(shownPaths(page), QStringList({"/b/Shows/Finale.mkv"}));
        search->setText(QStringLiteral("OTHER"));  // the path is searched too
        QCOMPARE(shownPaths(page), QStringList({"/b/Other/trip.mkv"}));
        search->setText(QStringLiteral("   "));
        QCOMPARE(shownPaths(page).size(), 4);
        search->setText(QStringLiteral("nothing like it"));
        QCOMPARE(shownPaths(page).size(), 0);
        QCOMPARE(page.findChild<QStackedWidget*>()->currentIndex(), 0);  // an empty grid, not the empty state
    }

    // A hidden page only notes changes; showing it catches up. Activating a
    // card resumes it, and the menu gets the selection.
    void hiddenPageCatchesUp()
    {
        Database::instance()->upsertMedia({video("/v/a.mkv"), video("/v/b.mkv")});
        RecordingHost host;
        VideosPage page(&host);
        page.resize(800, 600);
        QCOMPARE(viewOf(page)->model->rowCount(), 0);  // nothing read while hidden
        page.show();
        QCOMPARE(viewOf(page)->model->rowCount(), 2);

        page.hide();
        HistoryItem h;
        h.path = QStringLiteral("/v/a.mkv");
        h.kind = QStringLiteral("video");
        h.position = 25;
        h.duration = 100;
        Database::instance()->saveHistory(h);
        Database::instance()->upsertMedia({video("/v/c.mkv")});
        QCOMPARE(viewOf(page)->model->rowCount(), 2);
        QVERIFY(!viewOf(page)->model->item(0)->data(ProgressRole).isValid());
        page.show();
        QCOMPARE(viewOf(page)->model->rowCount(), 3);
        QCOMPARE(viewOf(page)->model->item(0)->data(ProgressRole).toDouble(), 0.25);

        CardView* view = viewOf(page);
        emit view->activatedPath(view->model->index(1, 0));
        QCOMPARE(host.last().method, QStringLiteral("playResume"));
        QCOMPARE(host.last().text, QStringLiteral("/v/b.mkv"));
        view->selectionModel()->select(view->model->index(2, 0), QItemSelectionModel::Select);
        view->selectionModel()->select(view->model->index(0, 0), QItemSelectionModel::Select);
        emit view->menuRequested(view->model->index(1, 0), QPoint(5, 6));
        QCOMPARE(host.last().method, QStringLiteral("showMediaMenu"));
        QCOMPARE(host.last().paths, QStringList({"/v/c.mkv", "/v/a.mkv"}));
        QCOMPARE(host.last().pos, QPoint(5, 6));
    }

    void emptyLibrary()
    {
        RecordingHost host;
        VideosPage page(&host);
        page.refresh();
        QCOMPARE(page.findChild<QStackedWidget*>()->currentIndex(), 1);
    }
};

ORVEL_TEST_MAIN(TestVideosPage)
#include "tst_videospage.moc"
