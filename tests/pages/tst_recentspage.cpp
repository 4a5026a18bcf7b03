#include "CardView.h"
#include "Database.h"
#include "Lang.h"
#include "MenuDriver.h"
#include "RecentsPage.h"
#include "RecordingHost.h"
#include "TestEnv.h"
#include "Widgets.h"

#include <QDateTime>
#include <QMenu>
#include <QPointer>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>

namespace {

HistoryItem entry(const QString& path, const QString& kind, double position, double duration, qint64 when,
                  bool finished = false, const QString& title = QString())
{
    HistoryItem h;
    h.path = path;
    h.kind = kind;
    h.title = title;
    h.position = position;
    h.duration = duration;
    h.last_played = when;
    h.finished = finished;
    return h;
}

QStringList lines(RecentsPage& page)
{
    QStringList out;
    QStandardItemModel* model = page.findChild<CardView*>()->model;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->item(r)->data(SubtitleRole).toString();
    return out;
}

// Presses a button of the next question box.
void answer(QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        box->button(button)->click();
    });
}

class MenuKeeper : public RecordingHost
{
public:
    QPointer<QMenu> menu;
    void showMediaMenu(QList<QString>, QPoint, QMenu* extra) override { menu = extra; }
};

}  // namespace

class TestRecentsPage : public QObject
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
        QSqlQuery().exec(QStringLiteral("DELETE FROM history"));
        m_host.clear();
    }

    // Every form of the second line, per tab.
    void secondLines()
    {
        // The rows are up to 3 s apart: all in one minute, so they read alike.
        const qint64 clock = QDateTime::currentSecsSinceEpoch();
        const qint64 now = clock % 60 >= 3 ? clock : clock - clock % 60 - 1;
        const QString date = QStringLiteral("   ·   ") + relativeDate(now);
        Database* db = Database::instance();
        const QString stopped = file("stopped.mp4");
        db->saveHistory(entry(stopped, "video", 95, 3700, now));
        db->saveHistory(entry(file("ended.mp4"), "video", 600, 600, now - 1, true));
        db->saveHistory(entry(file("nolength.mp4"), "video", 0, 0, now - 2));
        db->saveHistory(entry(m_dir.filePath("gone.mkv"), "video", 10, 100, now - 3));
        MediaItem song;
        song.path = file("song.flac");
        song.kind = QStringLiteral("audio");
        song.folder = m_dir.path();
        song.album = QStringLiteral("Blue");
        db->upsertMedia({song});
        db->saveHistory(entry(song.path, "audio", 0, 0, now));
        db->saveHistory(entry(file("loose.mp3"), "audio", 0, 0, now - 1));
        db->saveHistory(entry(QStringLiteral("https://radio.example/live"), "stream", 0, 0, now));

        RecentsPage page(&m_host);
        QCOMPARE(lines(page), QStringList({"Stopped at 1:35 of 1:01:40" + date, "Watched to the end" + date,
                                           m_dir.filePath("nolength.mp4") + date,
                                           "Stopped at 0:10 of 1:40" + date + "   ·   file not found"}));
        QStandardItemModel* model = page.findChild<CardView*>()->model;
        QCOMPARE(model->item(0)->text(), QStringLiteral("stopped"));
        QCOMPARE(model->item(0)->data(BadgeRole).toString(), QStringLiteral("1:01:40"));
        QCOMPARE(model->item(1)->data(ProgressRole).toDouble(), 1.0);
        QVERIFY(!model->item(2)->data(ProgressRole).isValid());

        page.findChild<QTabBar*>()->setCurrentIndex(1);
        QCOMPARE(lines(page), QStringList({"Unknown artist · Blue" + date, date}));
        page.findChild<QTabBar*>()->setCurrentIndex(2);
        QCOMPARE(lines(page), QStringList({"https://radio.example/live" + date}));
    }

    // The three leading entries of the context menu, and activation.
    void menuEntries()
    {
        const QString path = file("film.mp4");
        Database::instance()->saveHistory(entry(path, "video", 100, 600, 10));
        RecentsPage page(&m_host);
        CardView* view = page.findChild<CardView*>();
        const QModelIndex index = view->model->index(0, 0);

        emit view->activatedPath(index);
        QCOMPARE(m_host.last().method, QStringLiteral("playResume"));

        // A host that keeps the page's menu to trigger its entries later.
        MenuKeeper keeper;
        RecentsPage other(&keeper);
        emit other.findChild<CardView*>()->menuRequested(index, QPoint(5, 5));
        QVERIFY(keeper.menu);
        const QList<QAction*> actions = keeper.menu->actions();
        QCOMPARE(actions.size(), 3);
        QCOMPARE(actions[1]->text(), QStringLiteral("Play from start"));
        actions[0]->trigger();
        QCOMPARE(keeper.last().method, QStringLiteral("playResume"));
        actions[1]->trigger();
        QCOMPARE(keeper.last().method, QStringLiteral("playFromStart"));
        QCOMPARE(keeper.last().text, path);
        QVERIFY(keeper.count("playFiles") == 0);
        actions[2]->trigger();
        QVERIFY(!Database::instance()->historyFor(path));
    }

    // Clear asks first and clears only the shown kind.
    void clearTab()
    {
        Database* db = Database::instance();
        db->saveHistory(entry(file("a.mp4"), "video", 30, 600, 10));
        db->saveHistory(entry(file("b.mp3"), "audio", 30, 600, 11));
        RecentsPage page(&m_host);
        QPushButton* clear = nullptr;
        for (QPushButton* b : page.findChildren<QPushButton*>())
            if (b->text() == QLatin1String("Clear history"))
                clear = b;
        QVERIFY(clear);
        answer(QMessageBox::No);
        clear->click();
        QCOMPARE(db->history(QString(), 10).size(), 2);
        answer(QMessageBox::Yes);
        clear->click();
        const QList<HistoryItem> left = db->history(QString(), 10);
        QCOMPARE(left.size(), 1);
        QCOMPARE(left[0].kind, QStringLiteral("audio"));
    }
};

ORVEL_TEST_MAIN(TestRecentsPage)
#include "tst_recentspage.moc"
