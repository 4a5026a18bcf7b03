#include "Database.h"
#include "MediaGen.h"
#include "MediaItem.h"
#include "PlayerCore.h"
#include "QueuePanel.h"
#include "TestEnv.h"

#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTimer>
#include <QToolButton>
#include <QTextDocument>

namespace {
constexpr int kWait = 30000;   // generous: tests share the machine
const QString kStream = QStringLiteral("av://lavfi:sine=frequency=440");

QStringList rowTexts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// The entries' base names in libmpv's own queue order.
QStringList engineOrder(const PlayerCore& core)
{
    QStringList out;
    for (const QVariant& v : core.handle().getNode("playlist").toList())
        out << QFileInfo(v.toMap().value("filename").toString()).completeBaseName();
    return out;
}

// Opens the row menu of a row; answers its entries and triggers the one
// named `pick` (when given).
QStringList menuOf(QListWidget* list, int row, const QString& pick = QString())
{
    QStringList texts;
    QTimer::singleShot(0, list, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* a : menu->actions()) {
            texts << a->text();
            if (a->text() == pick)
                a->trigger();
        }
        menu->close();
    });
    emit list->customContextMenuRequested(list->visualItemRect(list->item(row)).center());
    return texts;
}
}  // namespace

// The queue panel on the real playback core (no picture or sound output).
class TestQueuePanel : public QObject
{
    Q_OBJECT
    PlayerCore m_core;
    QTemporaryDir m_dir;
    QStringList m_files;   // a b c d e

    void play(const QStringList& paths)
    {
        QSignalSpy loaded(&m_core, &PlayerCore::fileLoaded);
        m_core.openFiles(paths);
        QVERIFY(loaded.wait(kWait));
        m_core.setPaused(true);
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_core.init(&error), qPrintable(error));
        QVERIFY(Database::instance()->open());
        const QString first = m_dir.filePath("a.flac");
        QVERIFY2(MediaGen::audio(first, 60), qPrintable(MediaGen::lastError()));
        m_files << first;
        for (const char* name : {"b", "c", "d", "e"}) {
            m_files << m_dir.filePath(QString(name) + ".flac");
            QVERIFY(QFile::copy(first, m_files.last()));
        }
        MediaItem titled;
        titled.path = m_files[0];
        titled.kind = "audio";
        titled.title = "Alpha";
        titled.artist = "Ana";
        MediaItem untitled = titled;   // a row without a title: the file's name
        untitled.path = m_files[1];
        untitled.title.clear();
        untitled.artist.clear();
        Database::instance()->upsertMedia({titled, untitled});
    }

    void rowsFollowTheQueue()
    {
        QueuePanel panel(&m_core);
        panel.show();
        auto* list = panel.findChild<QListWidget*>();
        play(m_files + QStringList{kStream});
        QTRY_COMPARE_WITH_TIMEOUT(rowTexts(list),
                                  (QStringList{"Alpha\nAna", "b", "c", "d", "e", kStream}), kWait);
        QCOMPARE(list->item(0)->foreground().color(), QColor("#2bd9fe"));
        QVERIFY(list->item(0)->font().bold());

        m_core.playIndex(2);
        QTRY_VERIFY_WITH_TIMEOUT(list->item(2)->font().bold(), kWait);
        QVERIFY(!list->item(0)->font().bold());
        QCOMPARE(list->item(2)->foreground().color(), QColor("#2bd9fe"));
        QVERIFY(list->item(1)->foreground().style() == Qt::NoBrush);

        // The row menu: "Play next" only for a row other than the current one.
        QVERIFY(!menuOf(list, 2).contains("Tocar em seguida"));
        QCOMPARE(menuOf(list, 4, "Tocar em seguida"),
                 (QStringList{"Tocar agora", "Tocar em seguida", "Remover da fila"}));
        QTRY_COMPARE_WITH_TIMEOUT(engineOrder(m_core),
                                  (QStringList{"a", "b", "c", "e", "d", "lavfi:sine=frequency=440"}), kWait);

        // Delete removes the selected rows, highest first.
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 6, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(list->item(3)->toolTip(), Qt::convertFromPlainText(m_files[4]), kWait);
        for (int row : {1, 4, 2})
            list->item(row)->setSelected(true);
        QTest::keyClick(list, Qt::Key_Delete);
        QTRY_COMPARE_WITH_TIMEOUT(engineOrder(m_core), (QStringList{"a", "e", "lavfi:sine=frequency=440"}), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 3, kWait);
        m_core.stop();
    }

    // With the panel open, libmpv walks a long queue of links to a closed
    // port, each failing at once: the event loop keeps turning, the panel
    // opens at the playing row, and a removal takes out just that row.
    void longFailingQueueKeepsLoopTurning()
    {
        constexpr int kEntries = 20000;
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        QStringList links;
        for (int i = 0; i < kEntries - 1; ++i)
            links << QStringLiteral("http://127.0.0.1:%1/gone.ts?n=%2").arg(port).arg(i);
        links << m_files[0];   // the walk ends on a song, which stays current
        QueuePanel panel(&m_core);
        panel.resize(340, 600);
        panel.show();
        auto* list = panel.findChild<QListWidget*>();
        int ended = 0, sinceTurn = 0, most = 0;
        auto counting = connect(&m_core, &PlayerCore::fileEnded, this, [&] { ++ended, ++sinceTurn; });
        QTimer turn;
        connect(&turn, &QTimer::timeout, this, [&] { most = qMax(most, sinceTurn), sinceTurn = 0; });
        turn.start(0);
        m_core.openFiles(links, kEntries / 2);
        // libmpv's walk itself takes minutes on a busy machine.
        QTRY_VERIFY_WITH_TIMEOUT(m_core.path() == m_files[0] && !m_core.isIdle(), 30 * kWait);
        m_core.setPaused(true);
        disconnect(counting);
        QVERIFY2(ended >= kEntries / 2 - 1, qPrintable(QString::number(ended)));   // and what played before
        QVERIFY2(most <= 300, qPrintable(QString::number(most)));
        QTRY_VERIFY_WITH_TIMEOUT(list->count() == kEntries && list->item(kEntries - 1)->font().bold(), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(list->item(kEntries - 1)->text(), QString("Alpha\nAna"), kWait);   // named in time

        panel.hide();
        panel.show();
        QVERIFY(list->viewport()->rect().intersects(list->visualItemRect(list->item(kEntries - 1))));

        m_core.removeIndex(5);
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), kEntries - 1, kWait);
        QCOMPARE(list->item(5)->toolTip(), Qt::convertFromPlainText(links[6]));
        QCOMPARE(list->item(4)->toolTip(), Qt::convertFromPlainText(links[4]));
        QVERIFY(list->item(kEntries - 2)->font().bold());
        play(m_files);   // a new queue shows its playing row
        QTRY_VERIFY_WITH_TIMEOUT(list->count() == m_files.size() && list->item(0)->font().bold(), kWait);
        QVERIFY(list->viewport()->rect().intersects(list->visualItemRect(list->item(0))));
        m_core.stop();
        m_core.clearQueue();
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 0, kWait);
    }

    // Drags end in core moves; the list follows the core's new order.
    void dropsMoveThroughTheCore()
    {
        QueuePanel panel(&m_core);
        panel.resize(340, 600);
        panel.show();
        auto* list = panel.findChild<QListWidget*>();
        play(m_files.mid(0, 4));
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 4, kWait);
        const auto dragRow = [&](int from, const QPoint& at) {
            list->setCurrentRow(from);
            panel.dropCurrentAt(at);
        };
        const auto rowCentre = [&](int row) { return list->visualItemRect(list->item(row)).center(); };

        dragRow(1, rowCentre(2));   // onto the next row: the two swap
        QTRY_COMPARE_WITH_TIMEOUT(engineOrder(m_core), (QStringList{"a", "c", "b", "d"}), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(list->item(1)->toolTip(), Qt::convertFromPlainText(m_files[2]), kWait);
        dragRow(0, QPoint(20, list->viewport()->height() - 5));   // below the last row
        QTRY_COMPARE_WITH_TIMEOUT(engineOrder(m_core), (QStringList{"c", "b", "d", "a"}), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(list->item(3)->toolTip(), Qt::convertFromPlainText(m_files[0]), kWait);
        dragRow(3, rowCentre(1));   // upward
        QTRY_COMPARE_WITH_TIMEOUT(engineOrder(m_core), (QStringList{"c", "a", "b", "d"}), kWait);

        // A drop from elsewhere (files, another widget) adds nothing.
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(m_files[4])});
        QDropEvent drop(QPointF(rowCentre(0)), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &drop);
        QCOMPARE(list->count(), 4);
        QCOMPARE(engineOrder(m_core).size(), 4);
        m_core.stop();
    }

    void saveAndClose()
    {
        QueuePanel panel(&m_core);
        QSignalSpy saved(&panel, &QueuePanel::saveAsPlaylist);
        QSignalSpy closed(&panel, &QueuePanel::closeRequested);
        QPushButton* save = nullptr;
        QPushButton* clear = nullptr;
        for (QPushButton* b : panel.findChildren<QPushButton*>())
            (b->text() == "Limpar" ? clear : save) = b;
        play(m_files.mid(2, 2));
        QTRY_COMPARE_WITH_TIMEOUT(m_core.queue().size(), 2, kWait);
        save->click();
        QCOMPARE(saved.size(), 1);
        QCOMPARE(saved[0][0].value<QList<QString>>(), m_files.mid(2, 2));

        clear->click();   // all but the playing entry
        QTRY_COMPARE_WITH_TIMEOUT(m_core.queue().size(), 1, kWait);
        m_core.stop();
        QTRY_VERIFY_WITH_TIMEOUT(m_core.queue().isEmpty(), kWait);
        save->click();
        QCOMPARE(saved.size(), 1);   // nothing to save
        panel.findChild<QToolButton*>()->click();
        QCOMPARE(closed.size(), 1);
    }
};

ORVEL_TEST_MAIN(TestQueuePanel)
#include "tst_queuepanel.moc"
