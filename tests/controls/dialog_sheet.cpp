// Captures one playback dialog, for looking at it: one picture per call.
//
//   tests/support/run-gui.sh <build>/tests/controls/dialog_sheet
//       pt|en eq|sub|image out.png [WIDTHxHEIGHT]
//   tests/support/run-gui.sh <build>/tests/controls/dialog_sheet
//       pt|en window:ACTION out.png
//
// Without a size the dialog keeps its natural size. "window:eq" (or
// "window:sub_style", "window:image_adjust") opens the main window and
// triggers that registered action, then captures the dialog it runs. The
// engine runs without picture or sound output on a private data folder.

#include "Actions.h"
#include "Covers.h"
#include "Database.h"
#include "EqualizerDialog.h"
#include "Icons.h"
#include "ImageDialog.h"
#include "Lang.h"
#include "MainWindow.h"
#include "PlayerCore.h"
#include "SubtitleDialog.h"
#include "TestEnv.h"
#include "Theme.h"

#include <QAction>
#include <QApplication>
#include <QTimer>

#include <memory>

#include <cstdio>

namespace {
std::unique_ptr<QDialog> makeDialog(const QByteArray& which, PlayerCore* core)
{
    if (which == "eq")
        return std::make_unique<EqualizerDialog>(core);
    if (which == "sub")
        return std::make_unique<SubtitleDialog>(core);
    if (which == "image")
        return std::make_unique<ImageDialog>(core);
    return nullptr;
}
bool save(QWidget* widget, const char* path)
{
    const bool ok = widget->grab().save(QString::fromLocal8Bit(path));
    std::printf("%dx%d %s\n", widget->width(), widget->height(), ok ? "saved" : "not saved");
    return ok;
}

// The dialog as the window's action opens it: modal, over the window.
int captureFromAction(PlayerCore* core, const QString& id, const char* path)
{
    Covers::setIconSource(&Icons::pixmap);
    Database::instance()->open();
    MainWindow window(core);
    window.resize(1100, 700);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QAction* action = Actions::instance()->actions.value(id);
    if (!action)
        return 2;
    bool ok = false;
    QTimer::singleShot(800, [&ok, path] {
        QWidget* dialog = QApplication::activeModalWidget();
        ok = dialog && save(dialog, path);
        if (dialog)
            dialog->close();
    });
    action->trigger();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    TestEnv env;
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    if (argc < 4) {
        std::fprintf(stderr, "usage: dialog_sheet pt|en eq|sub|image out.png [WxH]\n");
        return 2;
    }
    Lang::englishFlag() = QByteArray(argv[1]) == "en";
    Theme::apply(app);
    PlayerCore core;
    QString error;
    if (!core.init(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QByteArray which(argv[2]);
    if (which.startsWith("window:"))
        return captureFromAction(&core, QString::fromLatin1(which.mid(7)), argv[3]);
    std::unique_ptr<QDialog> dialog = makeDialog(which, &core);
    if (!dialog)
        return 2;
    dialog->show();
    if (argc > 4) {
        const QList<QByteArray> size = QByteArray(argv[4]).split('x');
        dialog->resize(size.value(0).toInt(), size.value(1).toInt());
    }
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        return 1;
    QTest::qWait(300);
    return save(dialog.get(), argv[3]) ? 0 : 1;
}
