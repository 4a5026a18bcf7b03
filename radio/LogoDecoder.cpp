#include "LogoDecoder.h"

#include <QBuffer>
#include <QImageReader>

namespace {
constexpr int kThreads = 2;
}

LogoDecoder::LogoDecoder(QObject* parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(kThreads);
}

LogoDecoder::~LogoDecoder()
{
    m_pool.clear();
    m_pool.waitForDone();
}

void LogoDecoder::decode(const QString& key, const QByteArray& data)
{
    m_pool.start([this, key, data] { emit decoded(key, read(data)); });
}

// The size is read from the picture's header first: one too large is
// refused before any pixel is unpacked, and the rest are unpacked straight
// to the size shown where the format allows it.
QImage LogoDecoder::read(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kMaxDecodeMb);
    const QSize size = reader.size();
    if (size.width() > kMaxSide || size.height() > kMaxSide)
        return QImage();
    if (!size.isEmpty())
        reader.setScaledSize(size.scaled(kLogoSize, kLogoSize, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull() || image.width() > kMaxSide || image.height() > kMaxSide)
        return QImage();
    const QSize fitted = image.size().scaled(kLogoSize, kLogoSize, Qt::KeepAspectRatio);
    if (image.size() != fitted)
        image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}
