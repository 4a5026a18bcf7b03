#pragma once

#include <QString>
#include <QStringView>

// Texts that files and streams bring with them (tags, stream titles) are
// shown as one line a person can read: anyone may write a title of
// megabytes, with control characters or marks that turn text around.
class TextCleaner
{
public:
    // A length a person can read, in UTF-16 units.
    static constexpr qsizetype kMaxLength = 1024;
    // How much of a text line() ever looks at: a long run of characters it
    // drops (or of blanks in front) ends the text there.
    static constexpr qsizetype kHead = 4 * kMaxLength;

    // The text without control characters (C0, C1) and without the marks
    // that reorder text (bidirectional embeddings, overrides and isolates);
    // line breaks and tabs become blanks, blanks at both ends go, and at
    // most max units stay, a surrogate pair never split.
    static QString line(QStringView text, qsizetype max = kMaxLength);
    // The same, sharing the text when it is clean already.
    static QString line(const QString& text, qsizetype max = kMaxLength);
    // The same of a C string of any length, UTF-8 or else Windows-1252
    // (TextDecoder::line): only its head is decoded.
    static QString line(const char* text, qsizetype max = kMaxLength);

private:
    enum class Kind { Keep, Blank, Drop };
    static Kind kindOf(QChar c);
};
