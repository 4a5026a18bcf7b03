#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

// Text files as other programs write them: UTF-8 with or without a
// byte-order mark, UTF-16 with one (the "Unicode" of Windows editors), and
// lines that are not valid UTF-8, which most likely come from Windows as
// Windows-1252 (Latin-1 reads every byte where that codec is missing).
class TextDecoder
{
public:
    // The bytes as UTF-8: UTF-16 with a byte-order mark converted, a UTF-8
    // byte-order mark dropped, anything else unchanged.
    static QByteArray toUtf8(const QByteArray& data);
    // The whole text: toUtf8, then line by line as line() reads it. UTF-16
    // without a byte-order mark, which some editors write, is told by its
    // zero bytes: text in a Latin script has one in nearly every pair of
    // bytes, always on the same side.
    static QString decode(const QByteArray& data);

    // One line of toUtf8's result.
    QString line(QByteArrayView bytes);

private:
    QStringDecoder m_utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
    QStringDecoder m_windows{"windows-1252", QStringDecoder::Flag::Stateless};
};
