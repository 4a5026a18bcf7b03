#include "Icons.h"

#include "IconEngine.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace Icons {

namespace {

struct Body
{
    const char* name;
    const char* svg;
};

// Bodies of 24 x 24 drawings. The document around them strokes in
// currentColor, 2 units wide with round caps and joins; solid parts say
// fill="currentColor" themselves.
#define SPEAKER R"(<path d="M11 5 6 9H2v6h4l5 4z" fill="currentColor"/>)"
#define REPEAT                                                                             \
    R"(<path d="M4 12V9a3 3 0 0 1 3-3h13"/><polyline points="17 3 20 6 17 9"/>)"         \
    R"(<path d="M20 12v3a3 3 0 0 1-3 3H4"/><polyline points="7 15 4 18 7 21"/>)"
#define HEART                                                                              \
    "M12 20C12 20 4.5 15.4 3.2 10.8C2.3 7.6 4.3 4.5 7.5 4.5C9.5 4.5 10.9 5.6 12 7.2"        \
    "C13.1 5.6 14.5 4.5 16.5 4.5C19.7 4.5 21.7 7.6 20.8 10.8C19.5 15.4 12 20 12 20z"
#define LABEL(x, y, size, s)                                                               \
    R"(<text x=")" x R"(" y=")" y R"(" font-family="Arial" font-weight="bold" font-size=")" \
    size R"(" text-anchor="middle" fill="currentColor" stroke="none">)" s "</text>"
#define TRAY R"(<path d="M4 16v3a2 2 0 0 0 2 2h12a2 2 0 0 0 2-2v-3"/>)"
#define FOLDER                                                                             \
    R"(<path d="M3 7a2 2 0 0 1 2-2h4l2 2h8a2 2 0 0 1 2 2v9a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2z"/>)"

const Body kBodies[] = {
    {"play", R"(<path d="M7 4.5v15a1 1 0 0 0 1.5.86l12.5-7.5a1 1 0 0 0 0-1.72L8.5 3.64A1 1 0 0 0 7 4.5z" fill="currentColor"/>)"},
    {"pause", R"(<rect x="6" y="4" width="4" height="16" rx="1" fill="currentColor"/><rect x="14" y="4" width="4" height="16" rx="1" fill="currentColor"/>)"},
    {"stop", R"(<rect x="5" y="5" width="14" height="14" rx="2" fill="currentColor"/>)"},
    {"prev", R"(<path d="M19 6v12l-9-6z" fill="currentColor"/><line x1="6" y1="6" x2="6" y2="18"/>)"},
    {"next", R"(<path d="M5 6v12l9-6z" fill="currentColor"/><line x1="18" y1="6" x2="18" y2="18"/>)"},
    {"back10", R"(<path d="M4 13a8 8 0 1 0 8-8H8"/><path d="M8.5 2.5 5.5 5l3 2.5z" fill="currentColor"/>)" LABEL("12.5", "15.5", "7.5", "10")},
    {"fwd10", R"(<path d="M20 13a8 8 0 1 1-8-8h4"/><path d="M15.5 2.5l3 2.5-3 2.5z" fill="currentColor"/>)" LABEL("11.5", "15.5", "7.5", "10")},
    {"shuffle", R"(<path d="M3 7h3c2 0 3 1 4 2.5l4 5c1 1.5 2 2.5 4 2.5h3"/><path d="M3 17h3c2 0 3-1 4-2.5l4-5c1-1.5 2-2.5 4-2.5h3"/><polyline points="18 4 21 7 18 10"/><polyline points="18 14 21 17 18 20"/>)"},
    {"repeat", REPEAT},
    {"repeat-one", REPEAT R"(<path d="M11 10h1.5v5"/>)"},
    {"volume", SPEAKER R"(<path d="M15.5 8.5a5 5 0 0 1 0 7"/><path d="M18.5 5.5a9.2 9.2 0 0 1 0 13"/>)"},
    {"volume-low", SPEAKER R"(<path d="M15.5 8.5a5 5 0 0 1 0 7"/>)"},
    {"volume-x", SPEAKER R"(<path d="M16 9.5l5 5M21 9.5l-5 5"/>)"},
    {"fullscreen", R"(<path d="M4 9V4h5M15 4h5v5M20 15v5h-5M9 20H4v-5"/>)"},
    {"fullscreen-exit", R"(<path d="M9 4v5H4M15 4v5h5M20 15h-5v5M4 15h5v5"/>)"},
    {"queue", R"(<path d="M10 6h10M10 12h10M10 18h10"/><circle cx="5" cy="6" r="2" fill="currentColor" stroke="none"/><circle cx="5" cy="12" r="2" fill="currentColor" stroke="none"/><circle cx="5" cy="18" r="2" fill="currentColor" stroke="none"/>)"},
    {"captions", R"(<rect x="3" y="5" width="18" height="14" rx="3"/><path d="M7 11h3M13 11h4M7 15h6M16 15h1"/>)"},
    {"audio", R"(<path d="M4 16v-4a8 8 0 0 1 16 0v4"/><rect x="3" y="14" width="4" height="7" rx="1.5"/><rect x="17" y="14" width="4" height="7" rx="1.5"/>)"},
    {"speed", R"(<path d="M6 19a8.5 8.5 0 1 1 12 0"/><path d="M12 14l4-5"/><circle cx="12" cy="14" r="1"/>)"},
    {"eq", R"(<path d="M6 4v16M12 4v16M18 4v16M4 14h4M10 8h4M16 16h4"/>)"},
    {"more", R"(<circle cx="5" cy="12" r="1.5" fill="currentColor"/><circle cx="12" cy="12" r="1.5" fill="currentColor"/><circle cx="19" cy="12" r="1.5" fill="currentColor"/>)"},
    {"home", R"(<path d="M3 11l9-8 9 8"/><path d="M5 9.5V20a1 1 0 0 0 1 1h4v-6h4v6h4a1 1 0 0 0 1-1V9.5"/>)"},
    {"film", R"(<rect x="3" y="4" width="18" height="16" rx="2"/><path d="M7 4v16M17 4v16M3 9h4M3 15h4M17 9h4M17 15h4"/>)"},
    {"music", R"(<path d="M9 18V5l11-2v13"/><circle cx="6" cy="18" r="3"/><circle cx="17" cy="16" r="3"/>)"},
    {"playlist", R"(<path d="M3 6h13M3 11h13M3 16h7"/><circle cx="15" cy="18" r="2"/><path d="M17 18V9l4 1.5"/>)"},
    {"clock", R"(<circle cx="12" cy="12" r="9"/><polyline points="12 7 12 12 15.5 14"/>)"},
    {"radio", R"(<circle cx="12" cy="12" r="1.5"/><path d="M15.5 8.5a5 5 0 0 1 0 7M8.5 15.5a5 5 0 0 1 0-7M18.4 5.6a9 9 0 0 1 0 12.8M5.6 18.4a9 9 0 0 1 0-12.8"/>)"},
    {"settings", R"(<path d="M10.3 5.2L10.7 2.6L13.3 2.6L13.7 5.2A7 7 0 0 1 15.6 6L17.7 4.4L19.6 6.3L18 8.4A7 7 0 0 1 18.8 10.3L21.4 10.7L21.4 13.3L18.8 13.7A7 7 0 0 1 18 15.6L19.6 17.7L17.7 19.6L15.6 18A7 7 0 0 1 13.7 18.8L13.3 21.4L10.7 21.4L10.3 18.8A7 7 0 0 1 8.4 18L6.3 19.6L4.4 17.7L6 15.6A7 7 0 0 1 5.2 13.7L2.6 13.3L2.6 10.7L5.2 10.3A7 7 0 0 1 6 8.4L4.4 6.3L6.3 4.4L8.4 6A7 7 0 0 1 10.3 5.2z"/><circle cx="12" cy="12" r="3"/>)"},
    {"folder", FOLDER},
    {"folder-plus", FOLDER R"(<path d="M12 10.5v6M9 13.5h6"/>)"},
    {"file", R"(<path d="M14 3H7a2 2 0 0 0-2 2v14a2 2 0 0 0 2 2h10a2 2 0 0 0 2-2V8z"/><path d="M14 3v5h5"/>)"},
    {"link", R"(<path d="M10 14a4.5 4.5 0 0 0 6.4 0l3-3a4.5 4.5 0 0 0-6.4-6.4l-1.2 1.2"/><path d="M14 10a4.5 4.5 0 0 0-6.4 0l-3 3a4.5 4.5 0 0 0 6.4 6.4l1.2-1.2"/>)"},
    {"plus", R"(<path d="M12 5v14M5 12h14"/>)"},
    {"trash", R"(<path d="M4 7h16"/><path d="M9 7V5a1 1 0 0 1 1-1h4a1 1 0 0 1 1 1v2"/><path d="M6 7l1 12a2 2 0 0 0 2 2h6a2 2 0 0 0 2-2l1-12"/><path d="M10 11v6M14 11v6"/>)"},
    {"search", R"(<circle cx="11" cy="11" r="7"/><path d="M16 16l5 5"/>)"},
    {"heart", R"(<path d=")" HEART R"("/>)"},
    {"heart-filled", R"(<path d=")" HEART R"(" fill="currentColor"/>)"},
    {"camera", R"(<path d="M3 8.5a2 2 0 0 1 2-2h2.5L9 4h6l1.5 2.5H19a2 2 0 0 1 2 2V18a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2z"/><circle cx="12" cy="13" r="3.5"/>)"},
    {"pip", R"(<rect x="2" y="4" width="20" height="16" rx="2"/><rect x="12" y="12" width="6" height="4" rx="0.5" fill="currentColor"/>)"},
    {"image", R"(<circle cx="12" cy="12" r="4"/><path d="M12 2.5v2M12 19.5v2M2.5 12h2M19.5 12h2M5.3 5.3l1.4 1.4M17.3 17.3l1.4 1.4M5.3 18.7l1.4-1.4M17.3 6.7l1.4-1.4"/>)"},
    {"x", R"(<path d="M18 6 6 18M6 6l12 12"/>)"},
    {"check", R"(<polyline points="20 6 9 17 4 12"/>)"},
    {"pin", R"(<path d="M9 3h6l-1 6 3 4H7l3-4z"/><path d="M12 13v8"/>)"},
    {"download", R"(<path d="M12 4v11"/><polyline points="7 10 12 15 17 10"/>)" TRAY},
    {"upload", R"(<path d="M12 15V4"/><polyline points="7 9 12 4 17 9"/>)" TRAY},
    {"edit", R"(<path d="M4 20h4L19 9a2.8 2.8 0 0 0-4-4L4 16z"/><path d="M13.5 6.5l4 4"/>)"},
    {"refresh", R"(<path d="M19.5 8.5A8 8 0 1 0 20 13"/><polyline points="20 3.5 20 8.5 15 8.5"/>)"},
    {"info", R"(<circle cx="12" cy="12" r="9"/><path d="M12 11v5M12 7.5h.01"/>)"},
    {"tv", R"(<rect x="3" y="7" width="18" height="13" rx="2"/><polyline points="8 3 12 7 16 3"/>)"},
    {"globe", R"(<circle cx="12" cy="12" r="9"/><path d="M3 12h18"/><path d="M12 3c2.5 2.5 3.8 5.5 3.8 9s-1.3 6.5-3.8 9c-2.5-2.5-3.8-5.5-3.8-9S9.5 5.5 12 3z"/>)"},
    {"ab", R"(<rect x="2" y="6" width="20" height="12" rx="3"/>)" LABEL("12", "15.6", "8.5", "A-B")},
    {"rotate", R"(<path d="M18.2 7A8 8 0 1 0 20 12"/><polyline points="19 3 19 7.5 14.5 7.5"/>)"},
    {"mirror", R"(<path d="M12 3v18"/><path d="M8.5 7v10L3 12z"/><path d="M15.5 7v10l5.5-5z"/>)"},
    {"aspect", R"(<rect x="2" y="5" width="20" height="14" rx="2"/><polyline points="6 12 6 9 9 9"/><polyline points="18 12 18 15 15 15"/>)"},
    {"mic", R"(<rect x="9" y="3" width="6" height="11" rx="3"/><path d="M5 11a7 7 0 0 0 14 0"/><path d="M12 18v3M9 21h6"/>)"},
    {"mini", R"(<polyline points="4 14 10 14 10 20"/><path d="M3 21l7-7"/><polyline points="20 10 14 10 14 4"/><path d="M14 10l7-7"/>)"},
    {"chevron-left", R"(<polyline points="15 18 9 12 15 6"/>)"},
    {"chevron-right", R"(<polyline points="9 18 15 12 9 6"/>)"},
    {"chevron-down", R"(<polyline points="6 9 12 15 18 9"/>)"},
    {"frame", R"(<rect x="3" y="3" width="18" height="18" rx="3"/><path d="M8.5 8.5v7l5-3.5z" fill="currentColor"/><path d="M16 8.5v7"/>)"},
    {"keyboard", R"(<rect x="2" y="6" width="20" height="12" rx="2"/><path d="M6 10h.01M10 10h.01M14 10h.01M18 10h.01M6 14h.01M18 14h.01M9 14h6"/>)"},
    {"sparkles", R"(<path d="M10 7c.7 4.3 2.7 6.3 7 7-4.3.7-6.3 2.7-7 7-.7-4.3-2.7-6.3-7-7 4.3-.7 6.3-2.7 7-7z"/><path d="M18 3c.3 1.8 1.2 2.7 3 3-1.8.3-2.7 1.2-3 3-.3-1.8-1.2-2.7-3-3 1.8-.3 2.7-1.2 3-3z"/>)"},
    {"grid", R"(<rect x="3" y="3" width="7.5" height="7.5" rx="1.5"/><rect x="13.5" y="3" width="7.5" height="7.5" rx="1.5"/><rect x="3" y="13.5" width="7.5" height="7.5" rx="1.5"/><rect x="13.5" y="13.5" width="7.5" height="7.5" rx="1.5"/>)"},
    {"list", R"(<path d="M9 6h11M9 12h11M9 18h11M4 6h.01M4 12h.01M4 18h.01"/>)"},
};

#undef SPEAKER
#undef REPEAT
#undef HEART
#undef LABEL
#undef TRAY
#undef FOLDER

const char kTemplate[] =
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24" fill="none" )"
    R"(stroke="currentColor" stroke-width="2" stroke-linecap="round" )"
    R"(stroke-linejoin="round">%1</svg>)";

const QHash<QString, QString>& bodies()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        for (const Body& b : kBodies)
            t.insert(QString::fromLatin1(b.name), QString::fromLatin1(b.svg));
        return t;
    }();
    return table;
}

qreal appDevicePixelRatio()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app ? app->devicePixelRatio() : 1.0;
}

}  // namespace

QStringList names()
{
    QStringList list;
    for (const Body& b : kBodies)
        list.append(QString::fromLatin1(b.name));
    return list;
}

QPixmap render(const QString& name, int pixels, const QColor& color)
{
    const QString body = bodies().value(name);
    if (body.isEmpty())
        return QPixmap();
    QString svg = QString::fromLatin1(kTemplate).arg(body);
    svg.replace(QStringLiteral("currentColor"), color.name(QColor::HexRgb));
    QSvgRenderer renderer(svg.toUtf8());
    QPixmap pm(pixels, pixels);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        renderer.render(&p, QRectF(0, 0, pixels, pixels));
    }
    return pm;
}

QPixmap pixmap(const QString& name, int size, const QColor& color)
{
    const qreal dpr = appDevicePixelRatio();
    QPixmap pm = render(name, qRound(size * dpr), color);
    if (!pm.isNull())
        pm.setDevicePixelRatio(dpr);
    return pm;
}

QIcon icon(const QString& name, const QColor& normal, const QColor& on)
{
    static QHash<QString, QIcon> cache;
    const QString key = name + normal.name(QColor::HexRgb) + on.name(QColor::HexRgb);
    const auto hit = cache.constFind(key);
    if (hit != cache.constEnd())
        return *hit;

    if (!bodies().contains(name))
        return QIcon();
    // Each variant is drawn when a widget first paints it: building the
    // window asks for dozens of icons, most of which never show every state.
    const QIcon result(new IconEngine(name, normal, on));
    cache.insert(key, result);
    return result;
}

QIcon icon(const QString& name)
{
    return icon(name, QColor(QStringLiteral("#c9d4e3")), QColor(QStringLiteral("#2bd9fe")));
}

QIcon appIcon()
{
    QIcon result;
    for (int side : {16, 24, 32, 48, 64, 128, 256})
        result.addFile(QStringLiteral(":/icons/orvel.svg"), QSize(side, side), QIcon::Normal,
                       QIcon::Off);
    return result;
}

QPixmap appLogo(int size)
{
    return QIcon(QStringLiteral(":/icons/orvel.svg"))
        .pixmap(QSize(size, size), QIcon::Normal, QIcon::Off);
}

}  // namespace Icons
