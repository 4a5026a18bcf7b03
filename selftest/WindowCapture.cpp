#include "WindowCapture.h"

#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QWidget>

#include <algorithm>
#include <unordered_map>

QImage WindowCapture::save(QWidget* window, const QString& outDir, const QString& name, QString* error)
{
    const QString file = outDir + QLatin1Char('/') + name + QStringLiteral(".png");
    const QPixmap pixmap = window->grab();
    if (pixmap.isNull()) {
        *error = QStringLiteral("a captura veio vazia");
        return {};
    }
    if (!pixmap.save(file)) {
        *error = QStringLiteral("não foi possível salvar ") + file;
        return {};
    }
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

QImage WindowCapture::fromScreen(QWidget* window)
{
    QScreen* screen = window->screen();
    if (!screen)
        return {};
    const QPoint at = window->mapToGlobal(QPoint(0, 0));
    const QPixmap pixmap = screen->grabWindow(0, at.x(), at.y(), window->width(), window->height());
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

bool WindowCapture::isBlank(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const qint64 total = qint64(rgb.width()) * rgb.height();
    if (total == 0)
        return true;
    std::unordered_map<QRgb, qint64> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            ++counts[line[x] | 0xff000000u];
    }
    qint64 most = 0;
    for (const auto& entry : counts)
        most = std::max(most, entry.second);
    return (total - most) * 100 < total;
}

bool WindowCapture::showsPicture(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width() / 3;
    const int h = rgb.height() / 3;
    QSet<QRgb> colours;
    for (int y = h; y < 2 * h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = w; x < 2 * w; ++x) {
            colours.insert(line[x] | 0xff000000u);
            if (colours.size() >= 16)
                return true;
        }
    }
    return false;
}
