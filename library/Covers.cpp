#include "Covers.h"

#include "Database.h"
#include "Thumbnailer.h"

#include <QCoreApplication>
#include <QFile>

namespace {

// Decoded covers (at most 512 x 512), so one cover serves every size.
QCache<QString, QImage>& imageCache()
{
    static QCache<QString, QImage> cache(300);
    return cache;
}

QPixmap centreSquare(const QImage& image, int size)
{
    QImage scaled = image.scaled(size, size, Qt::KeepAspectRatioByExpanding,
                                 Qt::SmoothTransformation);
    if (scaled.width() != scaled.height()) {
        const int side = qMin(scaled.width(), scaled.height());
        scaled = scaled.copy((scaled.width() - side) / 2, (scaled.height() - side) / 2, side, side);
    }
    return QPixmap::fromImage(scaled);
}

}  // namespace

Covers* Covers::instance()
{
    static Covers* covers = new Covers(QCoreApplication::instance());
    return covers;
}

Covers::Covers(QObject* parent) : QObject(parent), m_pixmaps(600)
{
    m_pool.setMaxThreadCount(1);
    connect(Thumbnailer::instance(), &Thumbnailer::ready, this, &Covers::thumbDone);
    connect(Thumbnailer::instance(), &Thumbnailer::jobTimedOut, this,
            [this](const QString& key) { m_timedOut.insert(key); });
}

Covers::~Covers()
{
    // Covers still queued are of no use any more: only the running one is
    // waited for.
    m_pool.clear();
    m_pool.waitForDone();
}

QPixmap Covers::cover(const QString& path, int size)
{
    if (path.isEmpty() || path.contains(QLatin1String("://")))
        return QPixmap();
    const QString key = QStringLiteral("c%1:%2").arg(size).arg(path);
    if (const QPixmap* hit = m_pixmaps.object(key))
        return *hit;
    if (const QImage* image = imageCache().object(path)) {
        const QPixmap pixmap = centreSquare(*image, size);
        m_pixmaps.insert(key, new QPixmap(pixmap), 1);
        return pixmap;
    }
    if (m_failed.contains(path) || m_pending.contains(path))
        return QPixmap();
    m_pending.insert(path);
    m_pool.start([this, path] {
        const QImage image = extract(path);
        QMetaObject::invokeMethod(this, [this, path, image] { coverDone(path, image); });
    });
    return QPixmap();
}

void Covers::coverDone(const QString& path, const QImage& image)
{
    m_pending.remove(path);
    if (image.isNull())
        m_failed.insert(path);
    else
        imageCache().insert(path, new QImage(image), 1);
    emit ready(path);
}

QPixmap Covers::videoThumb(const QString& path, int width, double secs, const QString& variant)
{
    const QString key = Thumbnailer::keyFor(path, variant);
    const QString pixKey = QStringLiteral("v%1:%2").arg(width).arg(key);
    if (const QPixmap* hit = m_pixmaps.object(pixKey))
        return *hit;
    const QString file = Thumbnailer::cacheFile(key);
    if (QFile::exists(file)) {
        QPixmap pixmap(file);
        if (!pixmap.isNull()) {
            pixmap = pixmap.scaledToWidth(width, Qt::SmoothTransformation);
            m_pixmaps.insert(pixKey, new QPixmap(pixmap), 1);
            askLength(path, key, secs);
            return pixmap;
        }
    }
    if (m_failed.contains(key) || m_pendingThumbs.contains(key)
        || path.contains(QLatin1String("://")))
        return QPixmap();
    // Thumbnails are always made 384 wide; the width only picks the scaling.
    m_pendingThumbs.insert(key, path);
    Thumbnailer::instance()->request(path, secs, 384, key);
    return QPixmap();
}

// A thumbnail from an earlier run may have been made without the video's
// length (the library row still has none): it is made again once per
// process, and its answer brings the length.
void Covers::askLength(const QString& path, const QString& key, double secs)
{
    if (m_lengthAsked.contains(path) || m_pendingThumbs.contains(key)
        || path.contains(QLatin1String("://")))
        return;
    m_lengthAsked.insert(path);
    const std::optional<MediaItem> row = Database::instance()->mediaByPath(path);
    if (!row || row->duration > 0)
        return;
    m_pendingThumbs.insert(key, path);
    Thumbnailer::instance()->request(path, secs, 384, key);
}

void Covers::thumbDone(const QString& key, const QImage& image, double duration)
{
    const auto it = m_pendingThumbs.find(key);
    if (it == m_pendingThumbs.end())
        return;
    const QString path = it.value();
    m_pendingThumbs.erase(it);
    if (duration > 0)
        Database::instance()->setDuration(path, duration);
    // A picture taken for a position that changed meanwhile is dropped; the
    // asker, told, asks again for a new one.
    if (m_staleThumbs.remove(key))
        QFile::remove(Thumbnailer::cacheFile(key));
    // A time-out is asked again at the next need; only a file that could
    // not be read is given up on for the session.
    else if (image.isNull() && !m_timedOut.remove(key))
        m_failed.insert(key);
    m_timedOut.remove(key);
    emit ready(path);
}

void Covers::invalidateVideoThumb(const QString& path, const QString& variant)
{
    const QString key = Thumbnailer::keyFor(path, variant);
    QFile::remove(Thumbnailer::cacheFile(key));
    m_failed.remove(key);
    if (m_pendingThumbs.contains(key))
        m_staleThumbs.insert(key);
    const QString suffix = QLatin1Char(':') + key;
    const QList<QString> keys = m_pixmaps.keys();
    for (const QString& k : keys)
        if (k.endsWith(suffix))
            m_pixmaps.remove(k);
}
