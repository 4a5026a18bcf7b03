#include "CardView.h"
#include "Database.h"
#include "NameOrder.h"
#include "RecordingHost.h"
#include "TestEnv.h"
#include "VideosPage.h"

#include <QSqlQuery>
#include <QStandardItemModel>

// The order of names on the pages, in the user's locale and in the C
// locale, whose own collation would put every capital first.
class TestNameOrder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("ORVEL_NO_THUMBS", "1");
        QVERIFY(Database::instance()->open());
    }

    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void order_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
    }

    void order()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const QStringList names = {"Zebra", "banana", "Éclair", "apple", "eclair", "Apple", "track 10", "track 2"};
        const QList<int> ranks = NameOrder().ranks(names);
        QStringList sorted = names;
        std::stable_sort(sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) {
            return ranks.at(names.indexOf(a)) < ranks.at(names.indexOf(b));
        });
        // Case and accents count after the letters; digits are numbers.
        QCOMPARE(sorted, QStringList({"apple", "Apple", "banana", "eclair", "Éclair", "track 2", "track 10", "Zebra"}));
        QVERIFY(NameOrder().compare("Zebra", "apple") > 0);

        QSqlQuery().exec(QStringLiteral("DELETE FROM media"));
        QList<MediaItem> videos;
        for (const QString& name : names) {
            MediaItem m;
            m.path = QStringLiteral("/v/%1.mkv").arg(name);
            m.kind = QStringLiteral("video");
            m.folder = QStringLiteral("/v");
            videos << m;
        }
        Database::instance()->upsertMedia(videos);
        RecordingHost host;
        VideosPage page(&host);
        page.refresh();
        QStringList shown;
        QStandardItemModel* model = page.findChild<CardView*>()->model;
        for (int r = 0; r < model->rowCount(); ++r)
            shown << model->item(r)->text();
        QCOMPARE(shown, sorted);
    }
};

ORVEL_TEST_MAIN(TestNameOrder)
#include "tst_nameorder.moc"
