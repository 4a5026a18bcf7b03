#include "Actions.h"
#include "App.h"
#include "RecordingHost.h"
#include "ShortcutEdit.h"
#include "ShortcutsBox.h"
#include "TestEnv.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QToolButton>

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

        // A bare digit seeks in the window: no row takes it, the row keeps its own.
        type(0, Qt::Key_5);
        QCOMPARE(m_host.callsTo("toast").size(), 2);
        QCOMPARE(m_host.last().text, QString("Atalho já usado em \"Ir para 50%\" — não trocado"));
        QCOMPARE(shortcutOf("a"), QKeySequence("Ctrl+2"));
        QCOMPARE(edit(0)->keySequence(), QKeySequence("Ctrl+2"));
        for (QAction* action : Actions::instance()->all())
            QVERIFY(action->shortcut() != QKeySequence(Qt::Key_5));

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

        // The clear button ends a recording: the next key changes nothing.
        startRecording(1);
        QLineEdit* line = edit(1)->findChild<QLineEdit*>();
        QToolButton* clear = line->findChild<QToolButton*>();
        QVERIFY(clear && clear->isVisible());
        QTest::mouseClick(clear, Qt::LeftButton);
        QVERIFY(shortcutOf("b").isEmpty());
        QVERIFY(!edit(1)->isRecording());
        QTest::keyClick(edit(1), Qt::Key_2, Qt::ControlModifier);
        QVERIFY(shortcutOf("b").isEmpty());
        QVERIFY(shortcutOf("a").isEmpty());
        QCOMPARE(shortcutOf("d"), QKeySequence(Qt::Key_Backspace));
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

        // Reaching a field with Tab only focuses it, and the focus leaving commits nothing.
        m_box->activateWindow();
        QApplication::setActiveWindow(m_box.get());
        QSignalSpy finished(edit(3), &ShortcutEdit::editingFinished);
        QSignalSpy changed(edit(3), &ShortcutEdit::keySequenceChanged);
        edit(3)->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(edit(3)->hasFocus());
        QVERIFY(!edit(3)->isRecording());
        QTest::keyClick(edit(3), Qt::Key_K);
        QCOMPARE(shortcutOf("d"), QKeySequence(Qt::Key_Backspace));
        edit(2)->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(edit(2)->hasFocus());
        QCOMPARE(finished.size(), 0);
        QCOMPARE(changed.size(), 0);
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
