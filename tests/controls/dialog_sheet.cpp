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
#include "CaptureSession.h"
#include "EqualizerDialog.h"
#include "ImageDialog.h"
#include "PlayerCore.h"
#include "SubtitleDialog.h"

#include <QAction>
#include <QApplication>
#include <QTimer>

#include <memory>


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
    return CaptureSession::save(widget->grab(), path);
}

// The dialog as the window's action opens it: modal, over the window.
int captureFromAction(CaptureSession& session, const QString& id, const char* path)
{
    if (!session.showWindow(QSize(1100, 700)))
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
    CaptureSession session(argc, argv, 3, "dialog_sheet pt|en eq|sub|image|window:ACTION out.png [WxH]");
    if (session.status())
        return session.status();
    const QByteArray which(argv[2]);
    if (which.startsWith("window:"))
        return captureFromAction(session, QString::fromLatin1(which.mid(7)), argv[3]);
    std::unique_ptr<QDialog> dialog = makeDialog(which, &session.core);
    if (!dialog)
        return 2;
    dialog->show();
    if (argc > 4)
        dialog->resize(CaptureSession::size(argv[4]));
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        return 1;
    QTest::qWait(300);
    return save(dialog.get(), argv[3]) ? 0 : 1;
}
