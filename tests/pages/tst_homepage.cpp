#include "CardView.h"
#include "Database.h"
#include "HomePage.h"
#include "Lang.h"
#include "RecordingHost.h"
#include "TestEnv.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTextDocument>

namespace {

// Remembers the addresses handed to the desktop's opener.
class UrlSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

HistoryItem watched(const QString& path, double position, double duration, qint64 when, bool finished = false)
{
    HistoryItem h;
    h.path = path;
    h.kind = QStringLiteral("video");
    h.position = position;
    h.duration = duration;
    h.last_played = when;
    h.finished = finished;
    return h;
}

MediaItem media(const QString& path, const QString& kind, qint64 added)
{
    MediaItem m;
    m.path = path;
    m.kind = kind;
    m.folder = QFileInfo(path).absolutePath();
    m.added_at = added;
    return m;
}

QList<CardView*> strips(HomePage& page) { return page.findChildren<CardView*>(); }

QStringList titles(CardView* view)
{
    QStringList out;
    for (int r = 0; r < view->model->rowCount(); ++r)
        out << view->model->item(r)->text();
    return out;
}

}  // namespace

class TestHomePage : public QObject
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
    }

    // Finished, zero-length, URL and deleted videos stay out; what remains
    // gets its card texts, and an empty strip hides its section.
    void continueWatching()
    {
        Database* db = Database::instance();
        db->saveHistory(watched(file("done.mp4"), 50, 600, 100, true));
        db->saveHistory(watched(file("nolength.mp4"), 50, 0, 101));
        db->saveHistory(watched(QStringLiteral("https://example.org/v.mp4"), 50, 600, 102));
        db->saveHistory(watched(m_dir.filePath("gone.mp4"), 50, 600, 103));
        HomePage empty(&m_host);
        QVERIFY(strips(empty)[0]->model->rowCount() == 0);
        QVERIFY(strips(empty)[0]->parentWidget()->isHidden());

        db->saveHistory(watched(file("start.mp4"), 0, 600, 104));
        HistoryItem past = watched(file("past.mp4"), 700, 600, 105);
        past.title = QStringLiteral("Past.mp4 Film");
        db->saveHistory(past);
        HistoryItem named = watched(file("long.mp4"), 60, 7200, 106);
        named.title = QStringLiteral("long.mp4");   // an untagged file as the engine names it
        db->saveHistory(named);
        HomePage page(&m_host);
        QStandardItemModel* model = strips(page)[0]->model;
        QCOMPARE(titles(strips(page)[0]), QStringList({"long", "Past.mp4 Film", "start"}));
        QCOMPARE(model->item(0)->data(BadgeRole).toString(), QStringLiteral("2:00:00"));
        QCOMPARE(model->item(1)->data(SubtitleRole).toString(), QStringLiteral("0:00 left"));
        QCOMPARE(model->item(1)->data(ProgressRole).toDouble(), 1.0);
        QCOMPARE(model->item(2)->data(SubtitleRole).toString(), QStringLiteral("10:00 left"));
        QCOMPARE(model->item(2)->data(ProgressRole).toDouble(), 0.0);
        QCOMPARE(model->item(2)->data(BadgeRole).toString(), QStringLiteral("10:00"));

        emit strips(page)[0]->activatedPath(model->index(2, 0));
        QCOMPARE(m_host.last().method, QStringLiteral("playResume"));
        QCOMPARE(m_host.last().text, m_dir.filePath("start.mp4"));
    }

    void sixteenCardsAtMost()
    {
        for (int i = 0; i < 20; ++i)
            Database::instance()->saveHistory(watched(file(QStringLiteral("v%1.mp4").arg(i)), 30, 600, 200 + i));
        HomePage page(&m_host);
        QCOMPARE(strips(page)[0]->model->rowCount(), 16);
        QCOMPARE(strips(page)[0]->model->item(0)->text(), QStringLiteral("v19"));
    }

    // The newest songs, however many videos were added after them.
    void recentlyAddedSongs()
    {
        QList<MediaItem> rows{media(file("old.mp3"), QStringLiteral("audio"), 10)};
        for (int i = 0; i < 24; ++i)
            rows << media(file(QStringLiteral("n%1.mp4").arg(i)), QStringLiteral("video"), 100 + i);
        Database::instance()->upsertMedia(rows);
        HomePage page(&m_host);
        QCOMPARE(titles(strips(page)[2]), QStringList({"old"}));
        QVERIFY(!strips(page)[2]->parentWidget()->isHidden());

        // A change while hidden waits for the next refresh.
        Database::instance()->upsertMedia({media(file("new.mp3"), QStringLiteral("audio"), 500)});
        QCOMPARE(strips(page)[2]->model->rowCount(), 1);
        page.refresh();
        QCOMPARE(titles(strips(page)[2]), QStringList({"new", "old"}));
        QVERIFY(!strips(page)[2]->parentWidget()->isHidden());
    }

    void greeting()
    {
        QCOMPARE(HomePage::greeting(11), QStringLiteral("Good morning"));
        QCOMPARE(HomePage::greeting(12), QStringLiteral("Good afternoon"));
        QCOMPARE(HomePage::greeting(17), QStringLiteral("Good afternoon"));
        QCOMPARE(HomePage::greeting(18), QStringLiteral("Good evening"));
    }

    // Manifest text shows literally, and only https addresses are opened.
    void updateBanner()
    {
        UrlSink sink;
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &sink, "open");
        HomePage page(&m_host);
        QPushButton* download = nullptr;
        for (QPushButton* b : page.findChildren<QPushButton*>())
            if (b->text() == QLatin1String("Download update"))
                download = b;
        QVERIFY(download);
        const QStringList urls{"file:///etc/passwd", "javascript:alert(1)", "ftp://example.org/x",
                               "not a url", "", "https://example.org/orvel.deb", "http://example.org/o"};
        for (const QString& url : urls) {
            page.setUpdateBanner(QStringLiteral("<b>&"), QStringLiteral("<i>&"), url);
            download->click();
        }
        QCOMPARE(sink.opened, QList<QUrl>({QUrl("https://example.org/orvel.deb")}));

        QLabel* text = page.findChild<QWidget*>(QStringLiteral("Banner"))->findChildren<QLabel*>()[1];
        QTextDocument doc;
        doc.setHtml(text->text());
        QCOMPARE(doc.toPlainText(), QStringLiteral("New version available: <b>&\n<i>&"));

        page.setUpdateBanner(QStringLiteral("1.0.3"), QStringLiteral("- Um\r\n- Dois"), QString());
        doc.setHtml(text->text());
        QCOMPARE(doc.toPlainText(), QStringLiteral("New version available: 1.0.3\n- Um\n- Dois"));

        // Long notes show their start; the whole text is the tool tip.
        const QString notes = QStringLiteral("Fixes and more. ").repeated(125);
        page.setUpdateBanner(QStringLiteral("1.0.3"), notes, QString());
        doc.setHtml(text->text());
        QVERIFY2(doc.toPlainText().size() < 260 && doc.toPlainText().endsWith(QChar(0x2026)), qPrintable(doc.toPlainText()));
        doc.setHtml(text->toolTip());
        QCOMPARE(doc.toPlainText().simplified(), notes.simplified());
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }
};

ORVEL_TEST_MAIN(TestHomePage)
#include "tst_homepage.moc"
