#include "WindowCapture.h"

#include "MpvWidget.h"

#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QWidget>

#include <algorithm>
#include <unordered_map>

namespace {

// The video in its own native window is not part of what the window paints:
// its frame comes from libmpv (the screen may show another window there),
// and what lies over it, in native windows of their own, is painted again
// above it.
void addNativeVideo(QWidget* window, QPixmap* pixmap)
{
    auto* video = window->findChild<MpvWidget*>();
    if (!video || !video->drawsNatively() || !video->isVisible() || pixmap->isNull())
        return;
    const QImage frame = video->grabFramebuffer();
    if (frame.isNull())
        return;
    const QRect area(video->mapTo(window, QPoint(0, 0)), video->size());
    QPainter painter(pixmap);
    painter.drawImage(area, frame);
    const QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* over : widgets) {
        if (over == video || !over->testAttribute(Qt::WA_NativeWindow) || !over->isVisible()
            || video->isAncestorOf(over))
            continue;
        const QRect place(over->mapTo(window, QPoint(0, 0)), over->size());
        if (place.intersects(area))
            painter.drawPixmap(place.topLeft(), over->grab());
    }
}

}  // namespace

QImage WindowCapture::save(QWidget* window, const QString& outDir, const QString& name, QString* error)
{
    const QString file = outDir + QLatin1Char('/') + name + QStringLiteral(".png");
    QPixmap pixmap = window->grab();
    addNativeVideo(window, &pixmap);
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

bool WindowCapture::screenShows(QWidget* widget)
{
    QScreen* screen = widget->screen();
    if (!screen || !widget->isVisible())
        return false;
    QImage own(widget->size(), QImage::Format_RGB32);
    own.fill(Qt::black);
    QPainter(&own).drawPixmap(0, 0, widget->grab());
    const QPoint at = widget->mapToGlobal(QPoint(0, 0));
    const QImage shown = screen->grabWindow(0, at.x(), at.y(), widget->width(), widget->height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    if (shown.size() != own.size())
        return false;
    int same = 0, samples = 0;
    for (int y = 16; y < own.height() - 16; y += 2)
        for (int x = 16; x < own.width() - 16; x += 2, ++samples) {
            const QRgb a = own.pixel(x, y), b = shown.pixel(x, y);
            same += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) < 100;
        }
    return samples > 0 && same * 10 > samples * 9;
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
