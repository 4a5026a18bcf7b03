#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

namespace TagLib {
class FileRef;
class FileStream;
class PropertyMap;
class String;
class Tag;
}

// One file opened with TagLib: the common tag fields, named properties,
// the play length and the embedded pictures. Only regular files are
// opened (a FIFO or device named like a song would block the reader), and
// every value comes back as trimmed text. Reentrant: each reader owns its
// own TagLib objects, so readers may live on any thread. Files are opened
// read only, and the texts meant to be shown (title, artist, album, album
// artist, genre) come back as TextCleaner lines.
//
// TagLib walks a whole file when it looks for a structure the file lacks
// (an MPEG frame, at a few MB/s; a "fLaC" or "OggS" mark, an APE descriptor).
// So before TagLib sees a file of those formats, a few bounded reads check
// that it looks like its format. One that does not is read by what its
// content is (a song saved under another format's extension), checked the
// same way; a file that no reader recognises is left unread, and a file
// whose end does not look like its format (a pre-allocated download, say)
// has its tags read without its length. Every reader thus costs a bounded
// amount of reading, whatever the file's size.
class TagReader
{
public:
    struct Picture {
        QByteArray data;
        bool front = false;  // marked as the front cover
    };

    // readLength: also read the audio properties (fast style) for length().
    explicit TagReader(const QString& path, bool readLength = false);
    ~TagReader();
    TagReader(const TagReader&) = delete;
    TagReader& operator=(const TagReader&) = delete;

    // False when the file is not a regular file, looks like no format that
    // TagLib reads, or TagLib cannot read it.
    bool isValid() const;

    // Whether the tag holds a title at all (blanks count).
    bool hasTitle() const;
    QString title() const;
    QString artist() const;
    QString album() const;
    QString genre() const;
    // The album artist, also where it is written "ALBUM ARTIST".
    QString albumArtist() const;
    // Whether the file is marked as part of a compilation (TCMP, cpil,
    // COMPILATION=1).
    bool isCompilation() const;
    int year() const;
    int track() const;
    // The disc of a multi-disc album ("2" of "2/3"), whatever the format
    // calls it (TPOS, DISCNUMBER, disk, WM/PartOfSet); 0 when absent.
    int disc() const;
    // First value of a property such as "LYRICS", whole.
    QString property(const char* name) const;
    // Play length in seconds; 0 when unknown, not read, or not readable
    // without walking the file.
    double length() const;
    // Embedded pictures in the order the tags hold them.
    QList<Picture> pictures() const;

    // True for a regular file, or a link to one.
    static bool isRegularFile(const QString& path);

private:
    TagLib::String value(const char* name) const;
    QString shown(const char* frame, TagLib::String (TagLib::Tag::*field)() const) const;

    std::unique_ptr<TagLib::FileStream> m_stream;   // outlives the file read from it
    std::unique_ptr<TagLib::FileRef> m_ref;
    mutable std::unique_ptr<TagLib::PropertyMap> m_props;  // made on first use
};
