#pragma once

#include <QCache>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <QThreadPool>

// The pictures shown for media items: the cover of a music file (its
// embedded picture or an image in its folder) and the thumbnail of a video
// (made by the Thumbnailer). Requests are answered at once from memory or the
// disk caches, or with a null pixmap while the work runs in the background;
// `ready` then names the media path, found or not, so the asker repaints.
class Covers : public QObject
{
    Q_OBJECT
public:
    // Draws one named line icon in one colour at size x size.
    using IconSource = QPixmap (*)(const QString& name, int size, const QColor& color);

    static Covers* instance();
    ~Covers() override;

    QPixmap cover(const QString& path, int size);
    QPixmap videoThumb(const QString& path, int width, double secs, const QString& variant);
    void invalidateVideoThumb(const QString& path, const QString& variant);

    static QPixmap placeholder(int size, bool video);
    static QPixmap rounded(const QPixmap& pixmap, int radius);

    // Worker-thread readers.
    static QImage embeddedCover(const QString& path);
    static QImage folderCover(const QString& dir);

    // The disk cache file that holds (or will hold) the cover of a media
    // path; the "covers" folder is created when missing.
    static QString diskFile(const QString& path);

    // The icon drawing lives above this layer; the window hands it down at
    // start. Without it the placeholder has no icon.
    static void setIconSource(IconSource source);

signals:
    void ready(const QString& path);

private:
    explicit Covers(QObject* parent);
    static QImage extract(const QString& path);
    void coverDone(const QString& path, const QImage& image);
    void thumbDone(const QString& key, const QImage& image, double duration);
    void askLength(const QString& path, const QString& key, double secs);

    QCache<QString, QPixmap> m_pixmaps;
    QSet<QString> m_pending;
    QSet<QString> m_failed;
    QSet<QString> m_timedOut;   // keys whose null answer was a time-out
    QHash<QString, QString> m_pendingThumbs;  // thumbnail key -> media path
    QSet<QString> m_staleThumbs;              // pending keys invalidated since asked
    QSet<QString> m_lengthAsked;              // video paths whose stored length was looked at
    QThreadPool m_pool;                        // last: stopped first
};
