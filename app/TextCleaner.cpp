#include "TextCleaner.h"

#include "TextDecoder.h"

#include <cstring>

TextCleaner::Kind TextCleaner::kindOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x20 && u < 0x7f)
        return Kind::Keep;
    if (u == '\t' || u == '\n' || u == '\v' || u == '\f' || u == '\r' || u == 0x85 || u == 0x2028
        || u == 0x2029)
        return Kind::Blank;
    if (c.category() == QChar::Other_Control)
        return Kind::Drop;
    // Embeddings and overrides (LRE..RLO), isolates (LRI..PDI) and the
    // deprecated shaping controls after them.
    if ((u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x206f))
        return Kind::Drop;
    return Kind::Keep;
}

QString TextCleaner::line(QStringView text, qsizetype max)
{
    const QStringView head = text.left(qMax(kHead, max));
    QString out;
    out.reserve(qMin(head.size(), max + 1));
    for (qsizetype i = 0; i < head.size() && out.size() < max + 1; ++i) {
        const QChar c = head.at(i);
        switch (kindOf(c)) {
        case Kind::Keep:
            out += c;
            break;
        case Kind::Blank:
            if (!out.isEmpty())
                out += QLatin1Char(' ');
            break;
        case Kind::Drop:
            break;
        }
    }
    // One unit past max tells whether the text goes on; a high surrogate
    // at the cut loses its other half.
    if (out.size() > max) {
        out.truncate(max);
        if (!out.isEmpty() && out.back().isHighSurrogate())
            out.chop(1);
    }
    return out.trimmed();
}

QString TextCleaner::line(const QString& text, qsizetype max)
{
    bool clean = text.size() <= max && (text.isEmpty() || (!text.front().isSpace() && !text.back().isSpace()));
    for (qsizetype i = 0; clean && i < text.size(); ++i)
        clean = kindOf(text.at(i)) == Kind::Keep;
    return clean ? text : line(QStringView(text), max);
}

QString TextCleaner::line(const char* text, qsizetype max)
{
    if (!text)
        return QString();
    // A character of UTF-8 takes at most 4 bytes and at least 1 unit.
    qsizetype n = qsizetype(::strnlen(text, size_t(4 * qMax(kHead, max))));
    if (text[n] != '\0')
        while (n > 0 && (uchar(text[n]) & 0xc0) == 0x80)   // not inside a character
            --n;
    // Streams pass on what their servers send: a radio's title is often
    // Latin-1 or Windows-1252, as the lyric and playlist readers meet it.
    QString decoded = QString::fromUtf8(text, n);
    if (decoded.contains(QChar::ReplacementCharacter))
        decoded = TextDecoder().line(QByteArrayView(text, n));
    return line(decoded, max);
}
