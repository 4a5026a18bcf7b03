#include "TextDecoder.h"

#include <optional>

QByteArray TextDecoder::toUtf8(const QByteArray& data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        return data.mid(3);
    QStringConverter::Encoding encoding;
    if (data.startsWith("\xFF\xFE"))
        encoding = QStringConverter::Utf16LE;
    else if (data.startsWith("\xFE\xFF"))
        encoding = QStringConverter::Utf16BE;
    else
        return data;
    QStringDecoder utf16(encoding, QStringDecoder::Flag::Stateless);
    return QString(utf16.decode(QByteArrayView(data).sliced(2))).toUtf8();
}

namespace {

// So many bytes at the start tell UTF-16 without a byte-order mark.
constexpr qsizetype kSniffBytes = 4096;

std::optional<QStringConverter::Encoding> unmarkedUtf16(const QByteArray& data)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return std::nullopt;
    const qsizetype n = qMin(data.size(), kSniffBytes);
    qsizetype even = 0;
    qsizetype odd = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (data.at(i) == '\0')
            ++(i % 2 == 0 ? even : odd);
    }
    const qsizetype pairs = n / 2;
    if (odd * 2 >= pairs && even * 8 < odd)
        return QStringConverter::Utf16LE;
    if (even * 2 >= pairs && odd * 8 < even)
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

}  // namespace

QString TextDecoder::decode(const QByteArray& data)
{
    if (const std::optional<QStringConverter::Encoding> utf16 = unmarkedUtf16(data))
        return QStringDecoder(*utf16, QStringDecoder::Flag::Stateless).decode(data);
    const QByteArray utf8 = toUtf8(data);
    TextDecoder decoder;
    QString text;
    text.reserve(utf8.size());
    qsizetype start = 0;
    while (start < utf8.size()) {
        qsizetype end = utf8.indexOf('\n', start);
        end = end < 0 ? utf8.size() : end + 1;
        text += decoder.line(QByteArrayView(utf8.constData() + start, end - start));
        start = end;
    }
    return text;
}

QString TextDecoder::line(QByteArrayView bytes)
{
    QString text = m_utf8.decode(bytes);
    if (!m_utf8.hasError())
        return text;
    m_utf8.resetState();
    if (m_windows.isValid()) {
        text = m_windows.decode(bytes);
        if (!m_windows.hasError())
            return text;
        m_windows.resetState();
    }
    return QString::fromLatin1(bytes);
}
