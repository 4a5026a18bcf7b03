#include "CaptureSession.h"

#include "Covers.h"
#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "MainWindow.h"
#include "Theme.h"

#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>

namespace {
// The application must exist before any QObject, the engine included, and
// the environment before the application.
QApplication* startApplication(int& argc, char** argv, CaptureSession::Video video)
{
    if (video == CaptureSession::DrawPicture)
        qputenv("ORVEL_OPT", "ao=null");   // draw the video, as the player does
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    auto* app = new QApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvel"));
    QCoreApplication::setOrganizationName(QStringLiteral("velloran"));
    return app;
}
}  // namespace

CaptureSession::CaptureSession(int& argc, char** argv, int required, const char* usage, Video video)
    : m_env(), m_app(startApplication(argc, argv, video))
{
    if (argc <= required) {
        std::fprintf(stderr, "usage: %s\n", usage);
        m_status = 2;
        return;
    }
    Lang::englishFlag() = QByteArray(argv[1]) == "en";
    Theme::apply(*m_app);
    Covers::setIconSource(&Icons::pixmap);
    Database::instance()->open();
    QString error;
    if (!core.init(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        m_status = 1;
    }
}

CaptureSession::~CaptureSession() = default;

QSize CaptureSession::size(const char* text)
{
    const QList<QByteArray> parts = QByteArray(text).split('x');
    return {parts.value(0).toInt(), parts.value(1).toInt()};
}

MainWindow* CaptureSession::showWindow(const QSize& size)
{
    m_window = std::make_unique<MainWindow>(&core);
    m_window->setGeometry(0, 0, size.width(), size.height());
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return nullptr;
    m_window->activateWindow();
    QApplication::setActiveWindow(m_window.get());
    QTest::qWait(300);  // the first show visits the player page for 60 ms
    return m_window.get();
}

void CaptureSession::play(const QString& path, int settle)
{
    QSignalSpy loaded(&core, &PlayerCore::fileLoaded);
    m_window->playFiles({path}, 0);
    loaded.wait(10000);
    QTest::qWait(settle);
}

bool CaptureSession::save(const QPixmap& picture, const char* path)
{
    const bool ok = !picture.isNull() && picture.save(QString::fromLocal8Bit(path));
    std::printf("%dx%d %s\n", picture.width(), picture.height(), ok ? "saved" : "not saved");
    return ok;
}
