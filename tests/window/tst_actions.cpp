#include "Actions.h"
#include "App.h"
#include "TestEnv.h"

#include <QAction>
#include <QPointer>
#include <QSettings>

namespace {

QKeySequence keys(const char* text)
{
    return QKeySequence::fromString(QString::fromLatin1(text), QKeySequence::PortableText);
}

// What a fresh start would read back from the file.
QVariant onDisk(const QString& key)
{
    App::settings()->sync();
    QSettings file(App::settings()->fileName(), QSettings::IniFormat);
    return file.value(key);
}

}  // namespace

class TestActions : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        App::settings()->remove(QStringLiteral("shortcuts"));
    }

    void registration()
    {
        Actions reg;
        int fired = 0;
        QAction* open = reg.add(QStringLiteral("open_file"), QStringLiteral("Open"),
                                QStringLiteral("folder"), keys("Ctrl+O"), [&] { ++fired; },
                                QStringLiteral("File"));
        QAction* quiet = reg.add(QStringLiteral("quiet"), QStringLiteral("Quiet"), QString(),
                                 QKeySequence(), {});
        QAction* play = reg.add(QStringLiteral("play"), QStringLiteral("Play"),
                                QStringLiteral("play"), keys("Space"), [] {});

        QCOMPARE(reg.all(), (QList<QAction*>{open, quiet, play}));
        QCOMPARE(reg.actions.value(QStringLiteral("missing")), nullptr);
        QCOMPARE(open->objectName(), QStringLiteral("open_file"));
        QCOMPARE(open->shortcut(), keys("Ctrl+O"));
        QVERIFY(!open->icon().isNull());
        open->trigger();
        quiet->trigger();
        QCOMPARE(fired, 1);
        QVERIFY(!App::settings()->childGroups().contains(QStringLiteral("shortcuts")));
        // Outside menus a label reads without its mnemonic and with one "&".
        QCOMPARE(Actions::plainText(QStringLiteral("Go to Radio && TV")), QStringLiteral("Go to Radio & TV"));
        QCOMPARE(Actions::plainText(QStringLiteral("&Media")), QStringLiteral("Media"));
    }

    void storedOverrideAndBackToDefault()
    {
        App::settings()->setValue(QStringLiteral("shortcuts/open_file"), QStringLiteral("Ctrl+Shift+O"));
        Actions reg;
        QAction* open = reg.add(QStringLiteral("open_file"), QStringLiteral("Open"), QString(),
                                keys("Ctrl+O"), {});
        QCOMPARE(open->shortcut(), keys("Ctrl+Shift+O"));
        QCOMPARE(reg.defaults.value(QStringLiteral("open_file")), keys("Ctrl+O"));

        reg.setShortcut(QStringLiteral("open_file"), keys("Ctrl+O"));
        QCOMPARE(open->shortcut(), keys("Ctrl+O"));
        QVERIFY(!App::settings()->contains(QStringLiteral("shortcuts/open_file")));
        QVERIFY(!onDisk(QStringLiteral("shortcuts/open_file")).isValid());
    }

    void clearedShortcutSurvivesARestart()
    {
        {
            Actions reg;
            reg.add(QStringLiteral("mute"), QStringLiteral("Mute"), QString(), keys("M"), {});
            reg.add(QStringLiteral("bare"), QStringLiteral("Bare"), QString(), QKeySequence(), {});
            reg.setShortcut(QStringLiteral("mute"), QKeySequence());
            reg.setShortcut(QStringLiteral("bare"), QKeySequence());
            QVERIFY(reg.actions.value(QStringLiteral("mute"))->shortcut().isEmpty());
        }
        QCOMPARE(onDisk(QStringLiteral("shortcuts/mute")), QVariant(QString()));
        QVERIFY(!App::settings()->contains(QStringLiteral("shortcuts/bare")));

        Actions again;
        QAction* mute = again.add(QStringLiteral("mute"), QStringLiteral("Mute"), QString(),
                                  keys("M"), {});
        QVERIFY(mute->shortcut().isEmpty());
    }

    void resetAllRestoresDefaults()
    {
        Actions reg;
        reg.add(QStringLiteral("a"), QStringLiteral("A"), QString(), keys("Ctrl+A"), {});
        reg.add(QStringLiteral("b"), QStringLiteral("B"), QString(), QKeySequence(), {});
        reg.add(QStringLiteral("c"), QStringLiteral("C"), QString(), keys("F5"), {});
        reg.setShortcut(QStringLiteral("a"), keys("Ctrl+B"));
        reg.setShortcut(QStringLiteral("b"), keys("Ctrl+Shift+B"));
        reg.setShortcut(QStringLiteral("c"), QKeySequence());
        App::settings()->beginGroup(QStringLiteral("shortcuts"));
        QCOMPARE(App::settings()->childKeys().size(), 3);
        App::settings()->endGroup();

        reg.resetAll();
        App::settings()->beginGroup(QStringLiteral("shortcuts"));
        QVERIFY(App::settings()->childKeys().isEmpty());
        App::settings()->endGroup();
        for (QAction* a : reg.all())
            QCOMPARE(a->shortcut(), reg.defaults.value(a->objectName()));
    }

    void unknownIdChangesNothing()
    {
        Actions reg;
        QAction* a = reg.add(QStringLiteral("a"), QStringLiteral("A"), QString(), keys("Ctrl+A"), {});
        const QStringList before = App::settings()->allKeys();
        reg.setShortcut(QStringLiteral("never_registered"), keys("Ctrl+A"));
        reg.setShortcut(QString(), QKeySequence());
        QCOMPARE(App::settings()->allKeys(), before);
        QCOMPARE(a->shortcut(), keys("Ctrl+A"));
        QCOMPARE(reg.actions.size(), 1);
    }

    void portableTextRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("comma") << "Ctrl+,";
        QTest::newRow("equals") << "Ctrl+=";
        QTest::newRow("minus") << "Ctrl+-";
        QTest::newRow("two keys") << "Ctrl+K, Ctrl+S";
    }
    void portableTextRoundTrip()
    {
        QFETCH(QString, text);
        const QKeySequence seq = QKeySequence::fromString(text, QKeySequence::PortableText);
        QCOMPARE(seq.toString(QKeySequence::PortableText), text);
        {
            Actions reg;
            reg.add(QStringLiteral("prefs"), QStringLiteral("Prefs"), QString(), keys("F2"), {});
            reg.setShortcut(QStringLiteral("prefs"), seq);
        }
        QCOMPARE(onDisk(QStringLiteral("shortcuts/prefs")), QVariant(text));
        Actions again;
        QAction* prefs = again.add(QStringLiteral("prefs"), QStringLiteral("Prefs"), QString(),
                                   keys("F2"), {});
        QCOMPARE(prefs->shortcut(), seq);
    }

    void handEditedCommaIsReadBack()
    {
        // "shortcuts/prefs=Ctrl+," written by hand reads back as a list.
        App::settings()->setValue(QStringLiteral("shortcuts/prefs"),
                             QStringList{QStringLiteral("Ctrl+"), QString()});
        Actions reg;
        QAction* prefs = reg.add(QStringLiteral("prefs"), QStringLiteral("Prefs"), QString(),
                                 keys("F2"), {});
        QCOMPARE(prefs->shortcut(), keys("Ctrl+,"));
    }

    void registeringAgainReplacesInPlace()
    {
        Actions reg;
        int first = 0;
        int second = 0;
        reg.add(QStringLiteral("a"), QStringLiteral("A"), QString(), keys("Ctrl+A"), {});
        QPointer<QAction> old = reg.add(QStringLiteral("open"), QStringLiteral("Open"), QString(),
                                        keys("Ctrl+O"), [&] { ++first; });
        reg.add(QStringLiteral("z"), QStringLiteral("Z"), QString(), keys("Ctrl+Z"), {});
        reg.setShortcut(QStringLiteral("open"), keys("Ctrl+P"));

        QAction* fresh = reg.add(QStringLiteral("open"), QStringLiteral("Open"), QString(),
                                 keys("Ctrl+O"), [&] { ++second; }, QStringLiteral("File"));
        QVERIFY(fresh != old);
        QCOMPARE(reg.order, (QStringList{"a", "open", "z"}));
        QCOMPARE(reg.all().at(1), fresh);
        QCOMPARE(reg.actions.value(QStringLiteral("open")), fresh);
        QCOMPARE(reg.groups.value(QStringLiteral("open")), QStringLiteral("File"));
        QCOMPARE(fresh->shortcut(), keys("Ctrl+P"));
        QCOMPARE(reg.findChildren<QAction*>(QStringLiteral("open")), QList<QAction*>{fresh});

        // The first registration's handler is never reached again.
        QVERIFY(old);
        old->trigger();
        fresh->trigger();
        QCOMPARE(first, 0);
        QCOMPARE(second, 1);
        QVERIFY(old->shortcut().isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!old);
    }

    void instanceIsOneChildOfTheApplication()
    {
        Actions* reg = Actions::instance();
        QCOMPARE(Actions::instance(), reg);
        QCOMPARE(reg->parent(), qApp);
    }
};

ORVEL_TEST_MAIN(TestActions)
#include "tst_actions.moc"
