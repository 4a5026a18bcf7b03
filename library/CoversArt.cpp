// The picture work of Covers: extraction on the worker thread (disk cache,
// embedded pictures, folder images) and the placeholder and rounded corners.
#include "Covers.h"

#include "App.h"
#include "TagReader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>

#include <atomic>

namespace {

std::atomic<Covers::IconSource> g_iconSource{nullptr};

// Loads a picture only from a regular file: a FIFO named like an image
// would block the worker for good.
QImage loadImage(const QString& file)
{
    return QFileInfo(file).isFile() ? QImage(file) : QImage();
}

void saveAtomically(const QImage& image, const QString& file)
{
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && image.save(&out, "JPG", 88))
        out.commit();
}

}  // namespace

void Covers::setIconSource(IconSource source)
{
    g_iconSource = source;
}

QString Covers::diskFile(const QString& path)
{
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1);
    return App::subDir(QStringLiteral("covers")) + QLatin1Char('/')
        + QString::fromLatin1(hash.toHex().left(20)) + QStringLiteral(".jpg");
}

QImage Covers::extract(const QString& path)
{
    const QString file = diskFile(path);
    QImage image = loadImage(file);
    if (!image.isNull())
        return image;
    image = embeddedCover(path);
    if (image.isNull())
        image = folderCover(QFileInfo(path).absolutePath());
    if (image.isNull())
        return image;
    // Larger pictures are shrunk to 512 x 512; smaller ones stay as they are.
    if (image.width() > 512 || image.height() > 512)
        image = image.scaled(512, 512, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    saveAtomically(image, file);
    return image;
}

QImage Covers::embeddedCover(const QString& path)
{
    const TagReader tags(path);
    QImage first;
    for (const TagReader::Picture& picture : tags.pictures()) {
        const QImage image = QImage::fromData(picture.data);
        if (image.isNull())
            continue;
        if (picture.front)
            return image;
        if (first.isNull())
            first = image;
    }
    return first;
}

QImage Covers::folderCover(const QString& dir)
{
    const QDir folder(dir);
    const QStringList files = folder.entryList(
        {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.png"),
         QStringLiteral("*.webp"), QStringLiteral("*.bmp")},
        QDir::Files, QDir::Unsorted);
    static const char* const names[] = {"cover", "folder", "front", "albumart", "album", "capa"};
    for (const char* name : names)
        for (const QString& file : files)
            if (QFileInfo(file).completeBaseName().toLower().startsWith(QLatin1String(name)))
                return loadImage(folder.filePath(file));
    if (files.size() == 1)
        return loadImage(folder.filePath(files.first()));
    return QImage();
}

QPixmap Covers::placeholder(int size, bool video)
{
    const int w = size;
    const int h = video ? size * 9 / 16 : size;
    if (w <= 0 || h <= 0)
        return QPixmap();
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, w, h);
    gradient.setColorAt(0, QColor(0x12, 0x23, 0x3a));
    gradient.setColorAt(1, QColor(0x0d, 0x1b, 0x2e));
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, w, h), 8, 8);
    p.fillPath(shape, gradient);
    const IconSource source = g_iconSource;
    const int side = qMin(w, h) / 3;
    if (source && side > 0) {
        const QPixmap icon = source(video ? QStringLiteral("film") : QStringLiteral("music"), side,
                                    QColor(0x2b, 0xd9, 0xfe));
        p.setOpacity(0.55);
        p.drawPixmap(QRect((w - side) / 2, (h - side) / 2, side, side), icon);
    }
    return pixmap;
}

QPixmap Covers::rounded(const QPixmap& pixmap, int radius)
{
    if (pixmap.isNull())
        return pixmap;
    QPixmap out(pixmap.size());
    out.setDevicePixelRatio(pixmap.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(QPointF(0, 0), pixmap.deviceIndependentSize()), radius, radius);
    p.setClipPath(clip);
    p.drawPixmap(0, 0, pixmap);
    return out;
}
