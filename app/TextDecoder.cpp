#include "TextDecoder.h"

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

QString TextDecoder::decode(const QByteArray& data)
{
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
