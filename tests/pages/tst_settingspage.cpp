#include "App.h"
#include "Database.h"
#include "FolderBox.h"
#include "Lang.h"
#include "Library.h"
#include "PlayerCore.h"
#include "RecordingHost.h"
#include "SettingsPage.h"
#include "TestEnv.h"
#include "VideosPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>
#include <QWheelEvent>

#include <functional>
#include <memory>

namespace {

// Runs answer on the next modal dialog of type T, once it is up.
template <class T>
void answerNext(std::function<void(T*)> answer)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->deleteLater();
        poll->stop();
        answer(dialog);
    });
    poll->start();
}

// The field of a form row, found by its label.
template <class T>
T* field(const QWidget& page, const QString& label)
{
    for (QLabel* l : page.findChildren<QLabel*>())
        if (l->text() == label)
            return qobject_cast<T*>(l->buddy());
    return nullptr;
}

QCheckBox* box(const QWidget& page, const QString& text)
{
    for (QCheckBox* b : page.findChildren<QCheckBox*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QPushButton* button(const QWidget& page, const QString& text)
{
    for (QPushButton* b : page.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QByteArray settingsFile()
{
    App::settings()->sync();
    QFile file(App::settings()->fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString af(PlayerCore* core) { return core->handle().getString("af"); }

}  // namespace

class TestSettingsPage : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl& url)
    {
        m_opened = url;
        m_existedWhenOpened = QFileInfo(url.toLocalFile()).isDir();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(Database::instance()->open());
        // The library's first-run folders are its own business, written once.
        Library::instance();
        m_core = std::make_unique<PlayerCore>();
        QString error;
        QVERIFY2(m_core->init(&error), qPrintable(error));
        m_host.setCore(m_core.get());
    }

    void cleanupTestCase() { m_core.reset(); }

    void init()
    {
        App::settings()->clear();
        m_host.clear();
    }

    // Stored values outside the ranges and items are shown, not rewritten.
    void buildingWritesNothing()
    {
        App::set("playback/seekStep", 500);
        App::set("playback/speedStep", 0.01);
        App::set("audio/crossfade", 40);
        App::set("ui/language", "EN");
        App::set("general/openMode", "Queue");
        App::set("subs/codepage", "UTF-8");
        App::set("audio/device", "nowhere");
        const QByteArray before = settingsFile();
        const QStringList keys = App::settings()->allKeys();

        SettingsPage page(&m_host);
        page.refreshAudioDevices();
        QCOMPARE(settingsFile(), before);
        QCOMPARE(App::settings()->allKeys(), keys);

        QCOMPARE(field<QSpinBox>(page, "Avançar/voltar com as setas")->value(), 120);
        QCOMPARE(field<QDoubleSpinBox>(page, "Passo da velocidade ([ e ])")->value(), 0.05);
        QCOMPARE(field<QDoubleSpinBox>(page, "Passo da velocidade ([ e ])")->text(), QString("0,05x"));
        QCOMPARE(field<QDoubleSpinBox>(page, "Transição suave entre músicas")->value(), 12.0);
        QCOMPARE(field<QComboBox>(page, "Idioma")->currentText(), QString("Português (Brasil)"));
        QCOMPARE(field<QComboBox>(page, "Ao abrir arquivo com o player aberto")->currentIndex(), 0);
        QCOMPARE(field<QComboBox>(page, "Codificação (acentos)")->currentText(), QString("Automática"));
        QCOMPARE(field<QComboBox>(page, "Saída de som")->currentIndex(), 0);
    }

    // Each control writes its key and, where it acts at once, the engine follows.
    void everyControl()
    {
        SettingsPage page(&m_host);
        PlayerCore* core = m_core.get();
        const MpvHandle mpv = core->handle();

        QCheckBox* hwdec = box(page, "Decodificar vídeo pela placa de vídeo (recomendado)");
        hwdec->setChecked(false);
        QCOMPARE(App::get("video/hwdec"), QVariant(false));
        QCOMPARE(mpv.getString("hwdec"), QString("no"));
        hwdec->setChecked(true);
        QCOMPARE(mpv.getString("hwdec"), QString("auto-safe"));

        QCheckBox* normalize = box(page, "Normalizar volume (sons baixos e altos ficam parecidos)");
        normalize->setChecked(true);
        QCOMPARE(App::get("audio/normalize").toBool(), true);
        QVERIFY(af(core).contains("@norm:"));

        QDoubleSpinBox* fade = field<QDoubleSpinBox>(page, "Transição suave entre músicas");
        QCOMPARE(fade->text(), QString("Desligada"));
        fade->setValue(0.5);
        QCOMPARE(App::get("audio/crossfade").toDouble(), 0.5);
        QCOMPARE(core->crossfade(), 0.5);
        QVERIFY(af(core).contains("@fade:"));
        QVERIFY(af(core).contains("@norm:"));
        normalize->setChecked(false);
        fade->setValue(0);
        QVERIFY(!af(core).contains("@fade:"));
        QVERIFY(!af(core).contains("@norm:"));

        QLineEdit* alang = field<QLineEdit>(page, "Idioma de áudio preferido");
        alang->setText("  eng,en ");
        emit alang->editingFinished();
        QCOMPARE(App::get("audio/lang").toString(), QString("eng,en"));
        QCOMPARE(mpv.getString("alang"), QString("eng,en"));
        QCOMPARE(alang->text(), QString("  eng,en "));
        QLineEdit* slang = field<QLineEdit>(page, "Idioma preferido");
        slang->setText(" ja ");
        emit slang->editingFinished();
        QCOMPARE(App::get("subs/lang").toString(), QString("ja"));
        QCOMPARE(mpv.getString("slang"), QString("ja"));

        QComboBox* codepage = field<QComboBox>(page, "Codificação (acentos)");
        codepage->setCurrentIndex(codepage->findData("cp1252"));
        QCOMPARE(App::get("subs/codepage").toString(), QString("cp1252"));
        QCOMPARE(mpv.getString("sub-codepage"), QString("cp1252"));

        App::set("audio/device", "nowhere");
        page.refreshAudioDevices();
        QComboBox* devices = field<QComboBox>(page, "Saída de som");
        QVERIFY(devices->count() > 1);
        QCOMPARE(devices->currentIndex(), 0);
        QCOMPARE(devices->currentText(), QString("Automática (padrão do sistema)"));
        QCOMPARE(App::get("audio/device").toString(), QString("nowhere"));
        const QString chosen = devices->itemData(1).toString();
        emit devices->activated(1);
        QCOMPARE(App::get("audio/device").toString(), chosen);
        QCOMPARE(mpv.getString("audio-device"), chosen);

        QComboBox* language = field<QComboBox>(page, "Idioma");
        language->setCurrentIndex(1);
        QCOMPARE(App::get("ui/language").toString(), QString("en"));
        QCOMPARE(m_host.last().text, QString("O idioma muda ao reabrir o Orvel"));
        QVERIFY(!Lang::englishFlag());
    }

    // The wheel over a field that has no focus, or only the one Qt gave it
    // when the page came up, scrolls the page and changes nothing; a field
    // the user gave the focus turns by it.
    void wheelScrollsThePage()
    {
        SettingsPage page(&m_host);
        page.resize(800, 400);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        auto notches = [](QWidget* w, int count, int step) {
            for (int i = 0; i < count; ++i) {
                QWheelEvent wheel(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, step),
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(w, &wheel);
            }
        };
        QSpinBox* seek = field<QSpinBox>(page, "Avançar/voltar com as setas");
        QComboBox* language = field<QComboBox>(page, "Idioma");
        QScrollBar* bar = page.findChild<QScrollArea*>()->verticalScrollBar();
        const QStringList keys = App::settings()->allKeys();
        notches(seek, 10, -120);
        notches(language, 3, -120);
        QCOMPARE(seek->value(), 5);
        QCOMPARE(language->currentIndex(), 0);
        QCOMPARE(App::settings()->allKeys(), keys);
        QVERIFY(bar->value() > 0);

        page.activateWindow();
        QApplication::setActiveWindow(&page);
        seek->setFocus(Qt::TabFocusReason);
        QVERIFY(seek->hasFocus());
        const int scrolled = bar->value();
        notches(seek, 2, 120);
        QCOMPARE(seek->value(), 7);
        QCOMPARE(App::get("playback/seekStep").toInt(), 7);
        QCOMPARE(bar->value(), scrolled);
    }

    // The untouched field holds what the core applied, in either language.
    void subtitleDefault()
    {
        for (bool english : {false, true}) {
            Lang::englishFlag() = english;
            PlayerCore core;
            QString error;
            QVERIFY2(core.init(&error), qPrintable(error));
            RecordingHost host;
            host.setCore(&core);
            SettingsPage page(&host);
            QLineEdit* slang = field<QLineEdit>(page, english ? "Preferred language" : "Idioma preferido");
            QVERIFY(slang);
            QCOMPARE(slang->text(), core.handle().getString("slang"));
            QCOMPARE(slang->text(), PlayerCore::defaultSubtitleLanguages());
        }
        Lang::englishFlag() = false;
    }

    void historyLogAndAbout()
    {
        HistoryItem item;
        item.path = "/m/a.mkv";
        item.kind = "video";
        item.position = 60;
        item.duration = 600;
        item.last_played = 1000;
        Database::instance()->saveHistory(item);
        SettingsPage page(&m_host);
        QPushButton* clear = button(page, "Apagar todo o histórico");
        QString asked;
        answerNext<QMessageBox>([&asked](QMessageBox* b) {
            asked = b->text();
            b->button(QMessageBox::No)->click();
        });
        clear->click();
        QCOMPARE(asked, QString("Apagar todo o histórico e os pontos de onde parou?"));
        QCOMPARE(Database::instance()->history(QString(), 10).size(), 1);
        QCOMPARE(m_host.count("toast"), 0);
        answerNext<QMessageBox>([](QMessageBox* b) { b->button(QMessageBox::Yes)->click(); });
        clear->click();
        QVERIFY(Database::instance()->history(QString(), 10).isEmpty());
        QCOMPARE(m_host.last().text, QString("Histórico apagado"));

        const QString logs = App::dataDir() + "/logs";
        QDir(logs).removeRecursively();
        QDesktopServices::setUrlHandler("file", this, "openUrl");
        button(page, "Abrir pasta de registros")->click();
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(m_opened, QUrl::fromLocalFile(logs));
        QVERIFY(m_existedWhenOpened);

        const QString about = SettingsPage::aboutText();
        QVERIFY2(!about.contains('%'), qPrintable(about));
        QVERIFY(about.contains("Orvel 1.0.1</b><br>velloran<br>"));
        QVERIFY(about.contains("href='https://velloran.com.br/aplicacoes/orvel/'>velloran.com.br</a>"));
    }

    void folders()
    {
        QTemporaryDir dir;
        SettingsPage page(&m_host);
        FolderBox* music = nullptr;
        for (FolderBox* b : page.findChildren<FolderBox*>())
            if (b->title() == "Pastas de música")
                music = b;
        QVERIFY(music);
        QSignalSpy scans(Library::instance(), &Library::scanFinished);
        // The dialog answers with the folder it shows when nothing in it is
        // selected: open the chosen folder and accept.
        answerNext<QFileDialog>([&dir](QFileDialog* d) {
            d->setDirectory(dir.path());
            QMetaObject::invokeMethod(d, "accept");
        });
        button(*music, "Adicionar")->click();
        const QString stored = Library::normalFolder(dir.path());
        QCOMPARE(Library::instance()->folders("audio"), QStringList{stored});
        QCOMPARE(music->list()->count(), 1);
        QCOMPARE(music->list()->item(0)->text(), QDir::toNativeSeparators(stored));

        music->list()->setCurrentRow(-1);
        button(*music, "Remover")->click();
        QCOMPARE(Library::instance()->folders("audio"), QStringList{stored});
        music->list()->setCurrentRow(0);
        button(*music, "Remover")->click();
        QVERIFY(Library::instance()->folders("audio").isEmpty());
        QCOMPARE(music->list()->count(), 0);

        // A folder added on the Videos page shows in the box at once, and
        // can be removed from there.
        FolderBox* video = nullptr;
        for (FolderBox* b : page.findChildren<FolderBox*>())
            if (b->title() == "Pastas de vídeo")
                video = b;
        QVERIFY(video);
        const int before = video->list()->count();
        VideosPage videos(&m_host);
        answerNext<QFileDialog>([&dir](QFileDialog* d) {
            d->setDirectory(dir.path());
            QMetaObject::invokeMethod(d, "accept");
        });
        button(videos, "Adicionar pasta")->click();
        QCOMPARE(video->list()->count(), before + 1);
        QCOMPARE(video->list()->item(before)->text(), QDir::toNativeSeparators(stored));
        video->list()->setCurrentRow(before);
        button(*video, "Remover")->click();
        QVERIFY(!Library::instance()->folders("video").contains(stored));
        QVERIFY(scans.wait(10000));
        while (scans.wait(1000)) {}
    }

private:
    std::unique_ptr<PlayerCore> m_core;
    RecordingHost m_host;
    QUrl m_opened;
    bool m_existedWhenOpened = false;
};

ORVEL_TEST_MAIN(TestSettingsPage)
#include "tst_settingspage.moc"
