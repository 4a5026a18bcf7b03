#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

// Turns downloaded station logos into pictures of the size the station list
// shows, on worker threads: a logo of a few kilobytes may unpack to a
// picture of many megapixels, and decoding one costs the GUI thread seconds.
class LogoDecoder : public QObject
{
    Q_OBJECT
public:
    // Logos fit inside this square, small ones enlarged.
    static constexpr int kLogoSize = 128;
    // Pictures wider or taller than this are refused unread: no logo needs it.
    static constexpr int kMaxSide = 4096;
    // Room for one picture being decoded, when its size cannot be read first.
    static constexpr int kMaxDecodeMb = 64;

    explicit LogoDecoder(QObject* parent = nullptr);
    // Decodings not started yet are dropped; running ones are waited for.
    ~LogoDecoder() override;

    // Decodes data on a worker; decoded() follows with the same key.
    void decode(const QString& key, const QByteArray& data);
    // The picture fitted inside kLogoSize x kLogoSize, or a null image for
    // data that is no picture or one too large. Safe on any thread.
    static QImage read(const QByteArray& data);

signals:
    // Emitted on the worker thread that decoded the logo: receivers in other
    // threads get it queued.
    void decoded(const QString& key, const QImage& image);

private:
    QThreadPool m_pool;
};
