#include "Actions.h"
#include "App.h"
#include "Database.h"
#include "MainWindow.h"
#include "PlayerCore.h"
#include "SettingsPage.h"
#include "ShortcutEdit.h"
#include "ShortcutsBox.h"
#include "TestEnv.h"
#include "TestWindow.h"
#include "Theme.h"
#include "ToastReader.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSettings>
#include <QTimer>

#include <memory>

// Counts the shortcut events that reach registered actions.
class ShortcutTrap : public QObject
{
public:
    QStringList hits;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Shortcut && qobject_cast<QAction*>(watched))
            hits.append(watched->objectName());
        return false;
    }
};

// The settings page inside the real window, under Xvfb: the engine follows
// its controls, and the window's shortcuts leave its shortcut fields alone.
class TestSettingsWindow : public QObject
{
    Q_OBJECT
    std::unique_ptr<PlayerCore> m_core;
    std::unique_ptr<MainWindow> m_window;

    void openWindow()
    {
        QVERIFY(TestWindow::show(m_core.get(), m_window, TestWindow::Active));
        QTest::qWait(200);  // the first show visits the player page for 60 ms
        m_window->goToPage("settings");
        QVERIFY(page()->isVisible());
    }

    SettingsPage* page() { return m_window->findChild<SettingsPage*>(); }

    template <class T>
    T* field(const QString& label)
    {
        for (QLabel* l : page()->findChildren<QLabel*>())
            if (l->text() == label)
                return qobject_cast<T*>(l->buddy());
        return nullptr;
    }

    ShortcutEdit* editorOf(const QString& id)
    {
        const int row = Actions::instance()->order.indexOf(id);
        return page()->findChild<ShortcutsBox*>()->editors().value(row);
    }

    // Clicks the field and types the combination as the user does.
    void typeInto(ShortcutEdit* edit, Qt::Key key, Qt::KeyboardModifiers mods)
    {
        page()->findChild<QScrollArea*>()->ensureWidgetVisible(edit);
        QTest::mouseClick(edit->findChild<QLineEdit*>(), Qt::LeftButton);
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        QTest::keyClick(edit, key, mods);
    }

private slots:
    void initTestCase()
    {
        App::set("general/checkUpdates", false);
        Theme::apply(*qApp);
        QVERIFY(Database::instance()->open());
        m_core = std::make_unique<PlayerCore>();
        QString error;
        QVERIFY2(m_core->init(&error), qPrintable(error));
        openWindow();
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_core.reset();
    }

    void engineFollows()
    {
        const MpvHandle mpv = m_core->handle();
        field<QDoubleSpinBox>("Transição suave entre músicas")->setValue(2);
        QVERIFY(mpv.getString("af").contains("@fade:"));
        QCheckBox* normalize = nullptr;
        for (QCheckBox* box : page()->findChildren<QCheckBox*>()) {
            if (box->text().startsWith("Normalizar") || box->text().startsWith("Decodificar"))
                box->click();
            if (box->text().startsWith("Normalizar"))
                normalize = box;
        }
        QVERIFY(mpv.getString("af").contains("@norm:"));
        QCOMPARE(mpv.getString("hwdec"), QString("no"));
        // The menus' check mark and the box follow each other.
        QAction* normalizeAction = Actions::instance()->actions.value("normalize");
        QVERIFY(normalizeAction->isChecked());
        normalizeAction->trigger();
        QVERIFY(!normalize->isChecked());
        QCOMPARE(App::get("audio/normalize").toBool(), false);
        QTRY_VERIFY(ToastReader::text(m_window.get()).isEmpty());  // the menu's notice

        QLineEdit* slang = field<QLineEdit>("Idioma preferido");
        page()->findChild<QScrollArea*>()->ensureWidgetVisible(slang);
        slang->setFocus();
        slang->selectAll();
        QTest::keyClicks(slang, "de,ger");
        QTest::keyClick(slang, Qt::Key_Return);
        QCOMPARE(mpv.getString("slang"), QString("de,ger"));
    }

    // Space and Ctrl+O are recorded, not fired; the combination taken from
    // "open_file" stays taken after a restart.
    void windowKeysAreRecorded()
    {
        bool dialogOpened = false;
        QTimer guard;
        connect(&guard, &QTimer::timeout, this, [&dialogOpened] {
            if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                dialogOpened = true;
                d->reject();
            }
        });
        guard.start(20);
        ShortcutTrap trap;
        qApp->installEventFilter(&trap);

        typeInto(editorOf("play_pause"), Qt::Key_Space, Qt::NoModifier);
        QCOMPARE(editorOf("play_pause")->keySequence(), QKeySequence(Qt::Key_Space));
        QVERIFY(ToastReader::text(m_window.get()).isEmpty());
        typeInto(editorOf("play_pause"), Qt::Key_O, Qt::ControlModifier);
        QTest::qWait(100);
        qApp->removeEventFilter(&trap);
        QVERIFY(trap.hits.isEmpty());
        QVERIFY(!dialogOpened);
        QCOMPARE(editorOf("play_pause")->keySequence(), QKeySequence("Ctrl+O"));
        QVERIFY(editorOf("open_file")->keySequence().isEmpty());
        QCOMPARE(ToastReader::text(m_window.get()), QString("Atalho já usado em \"Abrir arquivo…\" — trocado"));

        m_window.reset();
        openWindow();
        QCOMPARE(Actions::instance()->actions.value("play_pause")->shortcut(), QKeySequence("Ctrl+O"));
        QVERIFY(Actions::instance()->actions.value("open_file")->shortcut().isEmpty());
        QCOMPARE(editorOf("open_file")->keySequence(), QKeySequence());
    }
};

ORVEL_TEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
