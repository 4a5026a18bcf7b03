// Renders every named icon into one contact sheet: each cell shows the icon
// at 16, 24 and 32 px in the normal colour (top row) and the checked colour
// (bottom row), with its name underneath.
//
//   QT_QPA_PLATFORM=offscreen icon_sheet [output.png]

#include "Icons.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

const int kColumns = 8;
const int kCellW = 136;
const int kCellH = 104;
const int kSides[] = {16, 24, 32};

void drawCell(QPainter& p, const QString& name, const QPoint& origin)
{
    const QColor colours[] = {QColor(QStringLiteral("#c9d4e3")),
                              QColor(QStringLiteral("#2bd9fe"))};
    for (int row = 0; row < 2; ++row) {
        int x = origin.x() + 12;
        for (int side : kSides) {
            const int y = origin.y() + 8 + row * 38 + (32 - side) / 2;
            p.drawPixmap(x, y, Icons::pixmap(name, side, colours[row]));
            x += side + 14;
        }
    }
    p.setPen(QColor(QStringLiteral("#a8b5c7")));
    p.drawText(QRect(origin.x(), origin.y() + 82, kCellW, 18), Qt::AlignCenter, name);
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : QStringLiteral("icon-sheet.png");
    const QStringList names = Icons::names();
    const int rows = (names.size() + kColumns - 1) / kColumns;

    QImage sheet(kColumns * kCellW, rows * kCellH, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(QStringLiteral("#07111f")));
    QPainter p(&sheet);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);
    for (int i = 0; i < names.size(); ++i) {
        const QPoint origin((i % kColumns) * kCellW, (i / kColumns) * kCellH);
        p.setPen(QColor(QStringLiteral("#12233a")));
        p.drawRect(QRect(origin, QSize(kCellW - 1, kCellH - 1)));
        drawCell(p, names.at(i), origin);
    }
    p.end();

    if (!sheet.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s: %lld icons\n", qPrintable(out), static_cast<long long>(names.size()));
    return 0;
}
