#include "Actions.h"
#include "App.h"
#include "RecordingHost.h"
#include "ShortcutEdit.h"
#include "ShortcutsBox.h"
#include "TestEnv.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

#include <memory>

namespace {

QKeySequence shortcutOf(const char* id) { return Actions::instance()->actions.value(id)->shortcut(); }

bool stored(const char* id) { return App::settings()->contains(QStringLiteral("shortcuts/") + id); }

}  // namespace

// The shortcut table over a small registry: a (Ctrl+1), b (Ctrl+2), c (none).
class TestShortcutsBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Actions* registry = Actions::instance();
        registry->add("a", "&Alpha", QString(), QKeySequence("Ctrl+1"), {}, "One");
        registry->add("b", "Be&ta", QString(), QKeySequence("Ctrl+2"), {}, "One");
        registry->add("c", "Gamma", QString(), QKeySequence(), {}, "Two");
        registry->add("d", "Delta", QString(), QKeySequence(Qt::Key_Backspace), {}, "Two");
    }

    void init()
    {
        Actions::instance()->resetAll();
        m_host.clear();
        m_box = std::make_unique<ShortcutsBox>(&m_host);
        m_box->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_box.get()));
    }

    void conflictAndReset()
    {
        type(0, Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(m_host.callsTo("toast").size(), 1);
        QCOMPARE(m_host.last().text, QString("Atalho já usado em \"Beta\" — trocado"));
        QCOMPARE(shortcutOf("a"), QKeySequence("Ctrl+2"));
        QCOMPARE(App::get("shortcuts/a").toString(), QString("Ctrl+2"));
        QCOMPARE(App::get("shortcuts/b"), QVariant(QString("")));
        QVERIFY(shortcutOf("b").isEmpty());
        QVERIFY(edit(1)->keySequence().isEmpty());

        // The same combination again is no conflict.
        type(0, Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(m_host.callsTo("toast").size(), 1);

        findChild<QPushButton>("Voltar atalhos ao padrão")->click();
        QCOMPARE(edit(0)->keySequence(), QKeySequence("Ctrl+1"));
        QCOMPARE(edit(1)->keySequence(), QKeySequence("Ctrl+2"));
        QCOMPARE(shortcutOf("b"), QKeySequence("Ctrl+2"));
        QVERIFY(!stored("a") && !stored("b"));
    }

    // Only the clear button empties a shortcut, and it does so at once.
    void clearing()
    {
        edit(0)->findChild<QLineEdit*>()->clear();
        QVERIFY(shortcutOf("a").isEmpty());
        QCOMPARE(App::get("shortcuts/a"), QVariant(QString("")));
        QCOMPARE(shortcutOf("b"), QKeySequence("Ctrl+2"));
        QCOMPARE(m_host.count("toast"), 0);
    }

    void recording()
    {
        // Esc ends the recording and keeps the combination.
        type(1, Qt::Key_Escape);
        QCOMPARE(shortcutOf("b"), QKeySequence("Ctrl+2"));
        QCOMPARE(edit(1)->keySequence(), QKeySequence("Ctrl+2"));
        QVERIFY(!stored("b"));

        // Holding a modifier starts nothing and clears nothing.
        startRecording(1);
        QTest::keyPress(edit(1), Qt::Key_Control, Qt::ControlModifier);
        QTest::keyRelease(edit(1), Qt::Key_Control, Qt::NoModifier);
        QCOMPARE(edit(1)->keySequence(), QKeySequence("Ctrl+2"));
        QVERIFY(!stored("b"));

        // One combination ends the recording: "A" then "B" keeps "A".
        QTest::keyClick(edit(1), Qt::Key_A);
        QTest::keyClick(edit(1), Qt::Key_B);
        QCOMPARE(shortcutOf("b"), QKeySequence("A"));
        QCOMPARE(edit(1)->keySequence(), QKeySequence("A"));

        // Backspace is an ordinary key here (the default of an action).
        type(3, Qt::Key_Backspace);
        QCOMPARE(shortcutOf("d"), QKeySequence(Qt::Key_Backspace));
        type(2, Qt::Key_Question, Qt::ShiftModifier, "?");
        QCOMPARE(shortcutOf("c"), QKeySequence("?"));
    }

private:
    ShortcutEdit* edit(int row) { return m_box->editors().at(row); }

    template <class T>
    T* findChild(const QString& text)
    {
        for (T* w : m_box->findChildren<T*>())
            if (w->text() == text)
                return w;
        return nullptr;
    }

    void startRecording(int row)
    {
        QTest::mouseClick(edit(row)->findChild<QLineEdit*>(), Qt::LeftButton);
        QVERIFY(edit(row)->isRecording());
    }

    void type(int row, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
    {
        startRecording(row);
        QTest::sendKeyEvent(QTest::Click, edit(row), key, text, mods);
    }

    RecordingHost m_host;
    std::unique_ptr<ShortcutsBox> m_box;
};

ORVEL_TEST_MAIN(TestShortcutsBox)
#include "tst_shortcutsbox.moc"
