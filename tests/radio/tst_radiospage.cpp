// The Radios page with a recording Host and the real database: IPTV lists,
// the station and section menus, playing and adding by link.
#include <QAbstractButton>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QtTest>

#include <functional>
#include <memory>

#include "CardView.h"
#include "Database.h"
#include "FakeWeb.h"
#include "RadiosPage.h"
#include "RecordingHost.h"
#include "TestEnv.h"

namespace {
const QString M0 = "all.api.radio-browser.info";

QByteArray tenStations()
{
    QByteArray out = "[";
    for (int i = 0; i < 10; ++i)
        out += QStringLiteral("%1{\"name\":\"Dir %2\",\"url\":\"http://dir.test/%2\"}")
                   .arg(i ? "," : "", QString::number(i))
                   .toUtf8();
    return out + "]";
}

// Runs `act` on the next popup menu or modal dialog once it shows.
void onNextPopup(std::function<bool()> act)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (act()) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
}

// Picks the menu entry with that text (nothing when empty: the menu closes).
void chooseInMenu(const QString& text, std::function<void()> before = {})
{
    onNextPopup([=] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return false;
        if (before)
            before();
        for (QAction* action : menu->actions()) {
            if (action->text() == text)
                action->trigger();
        }
        menu->close();
        return true;
    });
}

// Answers the coming text dialogs in order: (text, accepted).
void answerInputs(const QList<QPair<QString, bool>>& answers, QStringList* shown = nullptr)
{
    auto left = std::make_shared<QList<QPair<QString, bool>>>(answers);
    auto last = std::make_shared<QPointer<QInputDialog>>();
    onNextPopup([=] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog == *last)
            return false;
        *last = dialog;
        if (shown)
            shown->append(dialog->textValue());
        const auto [text, accept] = left->takeFirst();
        dialog->setTextValue(text);
        accept ? dialog->accept() : dialog->reject();
        return left->isEmpty();
    });
}

void answerQuestion(QMessageBox::StandardButton button, QString* text)
{
    onNextPopup([=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return false;
        *text = box->text();
        box->button(button)->click();
        return true;
    });
}
}

class TestRadiosPage : public QObject
{
    Q_OBJECT

    FakeWeb web;
    RecordingHost host;
    std::unique_ptr<RadiosPage> page;

    CardView* view() const { return page->findChild<CardView*>(); }
    QListWidget* sections() const { return page->findChild<QListWidget*>(); }
    QString status() const { return page->findChild<QLabel*>("Muted")->text(); }
    QStringList names() const
    {
        QStringList out;
        for (int i = 0; i < view()->model->rowCount(); ++i)
            out << view()->model->item(i)->text();
        return out;
    }
    QStringList sectionNames() const
    {
        QStringList out;
        for (int i = 2; i < sections()->count(); ++i)
            out << sections()->item(i)->text();
        return out;
    }
    void stationMenu(int row, const QString& entry, std::function<void()> before = {})
    {
        chooseInMenu(entry, before);
        emit view()->menuRequested(view()->model->index(row, 0), QPoint(10, 10));
    }
    QString writeList(const QString& name, const QByteArray& text)
    {
        const QString path = TestEnv::current()->root() + "/" + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text);
        return path;
    }
    void showSection(const QString& name)
    {
        const auto found = sections()->findItems(name, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        sections()->setCurrentItem(found.first());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Database::instance()->open());
        QVERIFY(web.start());
        web.install();
        web.answer(M0, "/json/stations/search", 200, tenStations());
    }

    void init()
    {
        for (const Station& s : Database::instance()->stations(QString()))
            Database::instance()->deleteStation(s.id);
        host.clear();
        page = std::make_unique<RadiosPage>(&host);
        QTRY_COMPARE(view()->model->rowCount(), 10);
    }

    void cleanup() { page.reset(); }

    void iptvList()
    {
        const QByteArray longLine = "http://long.test/" + QByteArray(70 * 1024, 'a');
        const QString path = writeList("news.m3u", "#EXTM3U\n"
            "#EXTINF:-1 tvg-logo=\"http://logo.test/a.png\" group-title=\"News, Sports\",Canal, Notícias 24h\n"
            "http://a.test/1\n"
            "  http://a.test/2  \n"
            "#extinf:-1 group-title=\"Kids\" tvg-logo=\"\" , Lower\n"
            "rtmp://b.test/x\n"
            "#EXTINF:-1 no comma\n"
            "https://c.test/y\n"
            "file:///etc/passwd\nfd://0\nfdclose://3\nav://lavfi:sine\nlavf://x\nedl://x\nmemory://x\n"
            "/home/u/a.mp3\nrelative.mp3\n" + longLine + "\n"
            "# a comment\n\n"
            "#EXTINF:-1,Multicast\r\nudp://239.0.0.1:1234\r\n");
        QSignalSpy changed(Database::instance(), &Database::stationsChanged);
        QVERIFY(page->importIptv(path));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(host.last().text, QString("Lista \"news\" importada: 5 canais"));
        QCOMPARE(sectionNames(), QStringList({"news"}));

        const QList<Station> stored = Database::instance()->stations("news");
        QCOMPARE(stored.size(), 5);
        QCOMPARE(stored[0].name, QString("Canal, Notícias 24h"));
        QCOMPARE(stored[0].logo, QString("http://logo.test/a.png"));
        QCOMPARE(stored[0].tags, QString("News, Sports"));
        QCOMPARE(stored[1].name, QString("http://a.test/2"));   // no title, no logo, same group title
        QCOMPARE(stored[1].logo, QString());
        QCOMPARE(stored[1].tags, QString("News, Sports"));
        QCOMPARE(stored[2].name, QString("Lower"));
        QCOMPARE(stored[2].tags, QString("Kids"));
        QCOMPARE(stored[3].name, QString("https://c.test/y"));
        QCOMPARE(stored[4].url, QString("udp://239.0.0.1:1234"));

        showSection("news");
        QCOMPARE(status(), QString("5 canais"));
        QCOMPARE(names().first(), QString("Canal, Notícias 24h"));

        QVERIFY(page->importIptv(writeList("one.m3u", "#EXTM3U\n#EXTINF:-1,Only\nhttp://one.test/1\n")));
        QCOMPARE(host.last().text, QString("Lista \"one\" importada: 1 canal"));
    }

    void reimportAndSpecialNames()
    {
        QVERIFY(page->importIptv(writeList("news.m3u", "#EXTINF:-1,One\nhttp://n.test/1\nhttp://n.test/2\n")));
        QVERIFY(page->importIptv(writeList("news.m3u", "#EXTINF:-1,Only\nhttp://n.test/3\n")));
        QCOMPARE(Database::instance()->stations("news").size(), 1);
        QCOMPARE(Database::instance()->stations("news").first().name, QString("Only"));
        // A list without channels keeps the earlier import.
        QSignalSpy changed(Database::instance(), &Database::stationsChanged);
        QVERIFY(!page->importIptv(writeList("news.m3u", "#EXTM3U\nfile:///etc/passwd\n")));
        QCOMPARE(changed.size(), 0);
        QCOMPARE(Database::instance()->stations("news").size(), 1);
        QVERIFY(!page->importIptv(TestEnv::current()->root() + "/absent.m3u"));

        // "radio" is the group of the user's own stations.
        Station mine;
        mine.name = "Mine";
        mine.url = "http://mine.test";
        mine.grp = "radio";
        Database::instance()->saveStation(mine);
        QVERIFY(page->importIptv(writeList("radio.m3u", "http://r.test/1\n")));
        QVERIFY(page->importIptv(writeList(".m3u", "http://r.test/2\n")));
        QCOMPARE(Database::instance()->stations("radio").size(), 1);
        QCOMPARE(Database::instance()->stations("radio (IPTV)").size(), 1);
        QCOMPARE(Database::instance()->stations("IPTV").size(), 1);
        QCOMPARE(sectionNames(), QStringList({"IPTV", "news", "radio (IPTV)"}));
    }

    void stationMenus()
    {
        const int requests = web.count(M0);
        stationMenu(2, "Salvar nas favoritas");
        QCOMPARE(host.last().text, QString("Rádio salva nas favoritas"));
        stationMenu(2, "Salvar nas favoritas");   // known URL: nothing new, same notice
        QCOMPARE(host.count("toast"), 2);
        QCOMPARE(host.last().text, QString("Rádio salva nas favoritas"));
        QList<Station> mine = Database::instance()->stations("radio");
        QCOMPARE(mine.size(), 1);
        QVERIFY(mine.first().favorite);
        QCOMPARE(mine.first().name, QString("Dir 2"));
        // The directory results stay, without a new request.
        QCOMPARE(names().size(), 10);
        QCOMPARE(web.count(M0), requests);

        sections()->setCurrentRow(1);
        QCOMPARE(names(), QStringList({"Dir 2"}));
        QCOMPARE(status(), QString("1 rádio"));
        stationMenu(0, "Tirar dos favoritos");
        QVERIFY(!Database::instance()->stations("radio").first().favorite);
        answerInputs({{"   ", true}});
        stationMenu(0, "Renomear");
        QCOMPARE(Database::instance()->stations("radio").first().name, QString("Dir 2"));
        answerInputs({{" Nova ", true}});
        stationMenu(0, "Renomear");
        QCOMPARE(names(), QStringList({"Nova"}));
        stationMenu(0, "Excluir");
        QCOMPARE(Database::instance()->stations("radio").size(), 0);
        QVERIFY(status().startsWith("Nenhuma rádio salva."));
    }

    void removeList()
    {
        QVERIFY(page->importIptv(writeList("a.m3u", "http://a.test/1\n")));
        QVERIFY(page->importIptv(writeList("b.m3u", "http://b.test/1\n")));
        showSection("b");   // the last row
        const QPoint at = sections()->visualItemRect(sections()->item(3)).center();
        QString asked;
        chooseInMenu("Remover lista");
        answerQuestion(QMessageBox::No, &asked);
        emit sections()->customContextMenuRequested(at);
        QCOMPARE(asked, QString("Remover a lista \"b\"?"));
        QCOMPARE(sectionNames(), QStringList({"a", "b"}));
        chooseInMenu("Remover lista");
        answerQuestion(QMessageBox::Yes, &asked);
        emit sections()->customContextMenuRequested(at);
        QCOMPARE(sectionNames(), QStringList({"a"}));
        // The row number stays: the new last row is shown.
        QCOMPARE(sections()->currentRow(), 2);
        QCOMPARE(status(), QString("1 canal"));
    }

    void playing()
    {
        page->playIndex(view()->model->index(3, 0));
        RecordingHost::Call play = host.callsTo("playFiles").last();
        QCOMPARE(play.paths.size(), 10);
        QCOMPARE(play.paths.at(9), QString("http://dir.test/9"));
        QCOMPARE(play.start, 3);
        QCOMPARE(host.last().text, QString("Conectando: Dir 3"));
        QCOMPARE(Database::instance()->mediaByPath("http://dir.test/3")->title, QString("Dir 3"));

        // The rows change while the menu is open: Play plays the station alone.
        stationMenu(3, "Tocar", [this] { sections()->setCurrentRow(1); });
        play = host.callsTo("playFiles").last();
        QCOMPARE(play.paths, QStringList({"http://dir.test/3"}));
        QCOMPARE(play.start, 0);
    }

    void addByLink()
    {
        const QString link = "http://rádio.test:8000/live?x=1";
        QStringList shown;
        answerInputs({{link, true}, {"", true}}, &shown);
        const auto buttons = page->findChildren<QPushButton*>();
        QPushButton* add = nullptr;
        for (QPushButton* b : buttons) {
            if (b->text() == "Adicionar por link")
                add = b;
        }
        QVERIFY(add);
        add->click();
        QCOMPARE(shown, QStringList({"", "rádio.test"}));
        answerInputs({{link, true}, {"Minha", true}});
        add->click();
        answerInputs({{link, true}, {"Outra", false}});
        add->click();
        const QList<Station> mine = Database::instance()->stations("radio");
        QCOMPARE(mine.size(), 2);
        QCOMPARE(mine[0].name, link);
        QCOMPARE(mine[0].url, link);
        QVERIFY(mine[0].favorite);
        QCOMPARE(mine[1].name, QString("Minha"));
        QCOMPARE(sections()->currentRow(), 1);
        QCOMPARE(names(), QStringList({link, "Minha"}));
    }
};

ORVEL_TEST_MAIN(TestRadiosPage)
#include "tst_radiospage.moc"
