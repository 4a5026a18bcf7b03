#include "TagReader.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include "TextCleaner.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/trueaudiofile.h>
#include <taglib/unknownframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <sys/stat.h>

#include <optional>
#include <type_traits>

namespace {

QString text(const TagLib::String& s)
{
    const std::wstring w = s.toWString();
    return QString::fromWCharArray(w.data(), qsizetype(w.size())).trimmed();
}

// A tag text as it is shown: only its head is converted.
QString label(const TagLib::String& s)
{
    const std::wstring w = s.substr(0, TextCleaner::kHead).toWString();
    return TextCleaner::line(QString::fromWCharArray(w.data(), qsizetype(w.size())));
}

// Text frames far longer than anything shown, and lyrics longer than the
// lyrics view takes in any encoding, are left undecoded by TagLib: decoding
// the whole of a frame of megabytes costs tens of milliseconds, in every
// reader of the file. The head of such a frame is read by frameHead.
constexpr unsigned kMaxTextFrame = 64 * 1024;
constexpr unsigned kMaxLyricsFrame = 4 * 1024 * 1024;

struct FrameAccess : TagLib::ID3v2::Frame {
    using TagLib::ID3v2::Frame::Header;
};

class BoundedFrames : public TagLib::ID3v2::FrameFactory
{
protected:
    bool updateFrame(FrameAccess::Header* header) const override
    {
        if (!FrameFactory::updateFrame(header))
            return false;
        const TagLib::ByteVector id = header->frameID();
        if (id == "USLT")
            return header->frameSize() <= kMaxLyricsFrame;
        const bool text = id.startsWith("T") || id.startsWith("W") || id == "COMM";
        return !text || header->frameSize() <= kMaxTextFrame;
    }
};

TagLib::ID3v2::FrameFactory* boundedFrames()
{
    static BoundedFrames factory;
    return &factory;
}

TagLib::ID3v2::Tag* id3v2Of(TagLib::File* file)
{
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file))
        return mpeg->ID3v2Tag();
    if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file))
        return flac->ID3v2Tag();
    if (auto* tta = dynamic_cast<TagLib::TrueAudio::File*>(file))
        return tta->ID3v2Tag();
    return nullptr;
}

// The shown head of a text frame that TagLib left undecoded (its first
// value); nothing when the frame is absent or was decoded.
std::optional<QString> frameHead(TagLib::File* file, const char* id)
{
    TagLib::ID3v2::Tag* tag = id3v2Of(file);
    if (!tag)
        return std::nullopt;
    const auto it = tag->frameListMap().find(id);
    if (it == tag->frameListMap().end() || it->second.isEmpty())
        return std::nullopt;
    const auto* frame = dynamic_cast<const TagLib::ID3v2::UnknownFrame*>(it->second.front());
    if (!frame)
        return std::nullopt;
    const TagLib::ByteVector field = frame->data();
    if (field.isEmpty())
        return QString();   // an empty frame: present, with no text
    QByteArrayView body(field.data() + 1, qMin<qsizetype>(field.size() - 1, 4 * TextCleaner::kHead));
    QStringDecoder::Encoding encoding = QStringDecoder::Latin1;
    if (field[0] == 1 && body.startsWith("\xff\xfe")) {
        encoding = QStringDecoder::Utf16LE;
        body = body.sliced(2);
    } else if (field[0] == 1 || field[0] == 2) {
        encoding = QStringDecoder::Utf16BE;
        body = body.sliced(body.startsWith("\xfe\xff") ? 2 : 0);
    } else if (field[0] == 3) {
        encoding = QStringDecoder::Utf8;
    }
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    const QString all = decoder.decode(body);
    return TextCleaner::line(QStringView(all).left(all.indexOf(QChar(0))));
}

QByteArray bytes(const TagLib::ByteVector& v)
{
    return QByteArray(v.data(), qsizetype(v.size()));
}

void addId3v2(QList<TagReader::Picture>& out, TagLib::ID3v2::Tag* tag)
{
    if (!tag)
        return;
    const TagLib::ID3v2::FrameList frames = tag->frameListMap()["APIC"];
    for (TagLib::ID3v2::Frame* frame : frames) {
        auto* apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (apic)
            out.append({bytes(apic->picture()),
                        apic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover});
    }
}

void addFlac(QList<TagReader::Picture>& out, const TagLib::List<TagLib::FLAC::Picture*>& list)
{
    for (TagLib::FLAC::Picture* pic : list)
        out.append({bytes(pic->data()), pic->type() == TagLib::FLAC::Picture::FrontCover});
}

void addMp4(QList<TagReader::Picture>& out, TagLib::MP4::Tag* tag)
{
    if (!tag || !tag->contains("covr"))
        return;
    // MP4 cover atoms carry no picture type.
    for (const TagLib::MP4::CoverArt& art : tag->item("covr").toCoverArtList())
        out.append({bytes(art.data()), false});
}

void addAsf(QList<TagReader::Picture>& out, TagLib::ASF::Tag* tag)
{
    if (!tag || !tag->contains("WM/Picture"))
        return;
    for (const TagLib::ASF::Attribute& attr : tag->attribute("WM/Picture")) {
        const TagLib::ASF::Picture pic = attr.toPicture();
        if (pic.isValid())
            out.append({bytes(pic.picture()), pic.type() == TagLib::ASF::Picture::FrontCover});
    }
}

// How far TagLib may be let into a file (see the class comment).
enum class Access { None, TagsOnly, Full };

// The region at either end of a file in which its format must show.
constexpr qint64 kWindow = 64 * 1024;
// How far past a head tag, and back from the tags at the end, MPEG audio is
// looked for when the window holds none: TagLib walks what lies between, at
// about 50 MB/s.
constexpr qint64 kReach = 1024 * 1024;
// An Ogg page is at most 65,307 bytes, so the last one starts in here.
constexpr qint64 kOggTail = 66 * 1024;

QByteArray readAt(QFile& file, qint64 pos, qint64 len)
{
    if (pos < 0 || len <= 0 || !file.seek(pos))
        return QByteArray();
    return file.read(len);
}

const uchar* u(const QByteArray& b)
{
    return reinterpret_cast<const uchar*>(b.constData());
}

quint32 le32(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// Where the audio starts: after the ID3v2 tags at the head, if any.
qint64 afterId3v2(QFile& file)
{
    qint64 pos = 0;
    for (int i = 0; i < 4; ++i) {
        const QByteArray h = readAt(file, pos, 10);
        if (h.size() < 10 || !h.startsWith("ID3"))
            break;
        const uchar* b = u(h);
        const qint64 size = qint64(b[6] & 0x7f) << 21 | (b[7] & 0x7f) << 14 | (b[8] & 0x7f) << 7
            | (b[9] & 0x7f);
        pos += 10 + size + ((b[5] & 0x10) ? 10 : 0);   // a footer doubles the header
    }
    return pos;
}

// Length of the MPEG audio frame whose header starts at p; 0 when the four
// bytes are not a header TagLib accepts.
int mpegFrameLength(const uchar* p)
{
    static const int kBitrates[2][3][16] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
    // By the version bits: 2.5, reserved, 2, 1.
    static const int kRates[4][4] = {
        {11025, 12000, 8000, 0}, {0, 0, 0, 0}, {22050, 24000, 16000, 0}, {44100, 48000, 32000, 0}};
    static const int kSamples[3][2] = {{384, 384}, {1152, 1152}, {1152, 576}};
    static const int kPadding[3] = {4, 1, 1};
    if (p[0] != 0xff || (p[1] & 0xe0) != 0xe0)
        return 0;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    if (layerBits == 0)
        return 0;
    const int v = versionBits == 3 ? 0 : 1;
    const int layer = 3 - layerBits;   // 0: I, 1: II, 2: III
    const int bitrate = kBitrates[v][layer][p[2] >> 4];
    const int rate = kRates[versionBits][(p[2] >> 2) & 3];
    if (bitrate == 0 || rate == 0)
        return 0;
    return kSamples[layer][v] * bitrate * 125 / rate + ((p[2] & 0x02) ? kPadding[layer] : 0);
}

// Whether `frames` frame headers follow each other from offset i of p
// (n bytes), each one frame after the last and of the same version, layer
// and sample rate.
bool frameRunAt(const uchar* p, qint64 n, qint64 i, int frames)
{
    for (int k = 1; k < frames; ++k) {
        const int length = mpegFrameLength(p + i);
        if (length <= 0 || i + length + 4 > n)
            return false;
        const uchar* next = p + i + length;
        if (next[0] != p[i] || (next[1] & 0xfe) != (p[i + 1] & 0xfe)
            || (next[2] & 0x0c) != (p[i + 2] & 0x0c))
            return false;
        i += length;
    }
    return true;
}

// A run of two such headers is what TagLib takes for the audio; random
// bytes show one in about 700 MB, other compressed audio (DTS, say) in every
// few KB. A file named otherwise counts as MPEG only with a longer run.
constexpr int kPair = 2;
constexpr int kContentRun = 4;

// The offset of the first run of `frames` frame headers; -1 when there is
// none.
qint64 firstFrameRun(const QByteArray& buf, int frames)
{
    const uchar* p = u(buf);
    const qint64 n = buf.size();
    for (qint64 i = 0; i + 4 <= n; ++i)
        if (p[i] == 0xff && frameRunAt(p, n, i, frames))
            return i;
    return -1;
}

quint32 be32(const QByteArray& b, qint64 at)
{
    const uchar* p = u(b) + at;
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

// A Xing, Info or VBRI header in the first frame that TagLib can use: then
// it takes the length from there instead of looking for the last frame.
bool hasVbrHeader(const QByteArray& frame)
{
    qint64 at = frame.indexOf("Xing");
    if (at < 0)
        at = frame.indexOf("Info");
    if (at >= 0)
        return at + 16 <= frame.size() && (uchar(frame[at + 7]) & 3) == 3
            && be32(frame, at + 8) > 0 && be32(frame, at + 12) > 0;
    at = frame.indexOf("VBRI");
    return at >= 0 && at + 32 <= frame.size() && be32(frame, at + 10) > 0
        && be32(frame, at + 14) > 0;
}

// Where the audio ends: before an ID3v1 tag and an APE tag at the tail.
qint64 beforeTrailingTags(QFile& file)
{
    qint64 end = file.size();
    if (readAt(file, end - 128, 3) == "TAG")
        end -= 128;
    const QByteArray footer = readAt(file, end - 32, 32);
    if (footer.size() == 32 && footer.startsWith("APETAGEX")) {
        const bool header = (le32(u(footer) + 20) & 0x80000000u) != 0;
        end -= qint64(le32(u(footer) + 12)) + (header ? 32 : 0);
    }
    return end;
}

// Whether a frame pair lies between start and end, no further back from
// end than kReach: the last window first, the rest only when it holds none.
bool framesBefore(QFile& file, qint64 start, qint64 end)
{
    for (const qint64 reach : {kWindow, kReach}) {
        const qint64 from = qMax(start, end - reach);
        if (firstFrameRun(readAt(file, from, end - from), kPair) >= 0)
            return true;
        if (from == start)
            break;
    }
    return false;
}

// MPEG: TagLib looks for the first frame up to the end of the file, and
// without a VBR header for the last one back to its start. The head must
// show a run of `frames` frames.
Access mpegAccess(QFile& file, bool full, int frames)
{
    const qint64 start = afterId3v2(file);
    QByteArray head = readAt(file, start, kWindow);
    qint64 first = firstFrameRun(head, frames);
    if (first < 0 && start > 0) {   // past a tag, the audio may start further in
        head = readAt(file, start, kReach);
        first = firstFrameRun(head, frames);
    }
    if (first < 0)
        return Access::None;
    const int length = mpegFrameLength(u(head) + first);
    if (!full || hasVbrHeader(head.mid(first, length)))
        return Access::Full;
    return framesBefore(file, start + first, beforeTrailingTags(file)) ? Access::Full
                                                                        : Access::TagsOnly;
}

// FLAC and Monkey's Audio: TagLib looks for the stream's mark ("fLaC",
// "MAC ") from the end of the ID3v2 tag through the whole file. A file named
// otherwise counts only with the mark right there.
Access markAccess(QFile& file, const char* mark, bool byContent)
{
    const QByteArray head = readAt(file, afterId3v2(file), byContent ? 4 : kWindow);
    return head.contains(mark) ? Access::Full : Access::None;
}

// Ogg: TagLib looks for the first page forward (some taggers put an ID3v2
// tag in front) and the last one backward.
Access oggAccess(QFile& file, bool full)
{
    if (readAt(file, afterId3v2(file), 4) != "OggS")
        return Access::None;
    if (!full)
        return Access::Full;
    const qint64 from = qMax<qint64>(0, file.size() - kOggTail);
    return readAt(file, from, kOggTail).contains("OggS") ? Access::Full : Access::TagsOnly;
}

// The formats whose TagLib reader walks a file that lacks their structure;
// TagLib's other readers are bounded by themselves.
enum class Format { Other, Mpeg, Ogg, Flac, Ape };

Format formatOf(const QString& ext)
{
    if (ext == QLatin1String("mp3") || ext == QLatin1String("mp2"))
        return Format::Mpeg;
    if (ext == QLatin1String("ogg") || ext == QLatin1String("oga") || ext == QLatin1String("opus")
        || ext == QLatin1String("spx"))
        return Format::Ogg;
    if (ext == QLatin1String("flac"))
        return Format::Flac;
    return ext == QLatin1String("ape") ? Format::Ape : Format::Other;
}

// How far TagLib may be let into a file as the given format; byContent
// when the file's extension names another one.
Access accessAs(QFile& file, Format format, bool full, bool byContent)
{
    switch (format) {
    case Format::Mpeg:
        return mpegAccess(file, full, byContent ? kContentRun : kPair);
    case Format::Ogg:
        return oggAccess(file, full);
    case Format::Flac:
        return markAccess(file, "fLaC", byContent);
    case Format::Ape:
        return markAccess(file, "MAC ", byContent);
    case Format::Other:
        break;
    }
    return Access::Full;
}

using FilePtr = std::unique_ptr<TagLib::File>;
using Stream = TagLib::IOStream;

// The file read from the stream by one TagLib reader; null when the reader
// refuses it. Readers of ID3v2 tags get the bounded frame factory.
template <typename Reader>
FilePtr openWith(Stream* stream, bool props)
{
    const auto style = props ? TagLib::AudioProperties::Fast : TagLib::AudioProperties::Average;
    FilePtr file;
    if constexpr (std::is_constructible_v<Reader, Stream*, TagLib::ID3v2::FrameFactory*, bool,
                                          TagLib::AudioProperties::ReadStyle>)
        file = std::make_unique<Reader>(stream, boundedFrames(), props, style);
    else
        file = std::make_unique<Reader>(stream, props, style);
    if (!file->isValid())
        file.reset();
    return file;
}

FilePtr openAs(Format format, Stream* stream, bool props)
{
    switch (format) {
    case Format::Mpeg:
        return openWith<TagLib::MPEG::File>(stream, props);
    case Format::Flac:
        return openWith<TagLib::FLAC::File>(stream, props);
    case Format::Ape:
        return openWith<TagLib::APE::File>(stream, props);
    case Format::Ogg:
        if (FilePtr f = openWith<TagLib::Ogg::Vorbis::File>(stream, props))
            return f;
        if (FilePtr f = openWith<TagLib::Ogg::Opus::File>(stream, props))
            return f;
        if (FilePtr f = openWith<TagLib::Ogg::FLAC::File>(stream, props))
            return f;
        return openWith<TagLib::Ogg::Speex::File>(stream, props);
    case Format::Other:
        break;
    }
    return nullptr;
}

// The file read as one of the checked formats, when it looks like it.
FilePtr openChecked(QFile& file, Format format, Stream* stream, bool readLength, bool byContent)
{
    const Access access = accessAs(file, format, readLength, byContent);
    if (access == Access::None)
        return nullptr;
    return openAs(format, stream, readLength && access == Access::Full);
}

template <typename Reader>
FilePtr openIfLooksLike(Stream* stream, bool props)
{
    return Reader::isSupported(stream) ? openWith<Reader>(stream, props) : nullptr;
}

using Opener = FilePtr (*)(Stream* stream, bool props);

// TagLib's bounded readers, by the extensions it gives them; null for
// others.
Opener boundedReaderFor(const QString& ext)
{
    static const QHash<QString, Opener> readers = {
        {QStringLiteral("wav"), &openWith<TagLib::RIFF::WAV::File>},
        {QStringLiteral("aif"), &openWith<TagLib::RIFF::AIFF::File>},
        {QStringLiteral("aiff"), &openWith<TagLib::RIFF::AIFF::File>},
        {QStringLiteral("wma"), &openWith<TagLib::ASF::File>},
        {QStringLiteral("asf"), &openWith<TagLib::ASF::File>},
        {QStringLiteral("wv"), &openWith<TagLib::WavPack::File>},
        {QStringLiteral("mpc"), &openWith<TagLib::MPC::File>},
        {QStringLiteral("tta"), &openWith<TagLib::TrueAudio::File>},
        {QStringLiteral("m4a"), &openWith<TagLib::MP4::File>},
        {QStringLiteral("m4b"), &openWith<TagLib::MP4::File>},
        {QStringLiteral("m4p"), &openWith<TagLib::MP4::File>},
        {QStringLiteral("m4r"), &openWith<TagLib::MP4::File>},
        {QStringLiteral("mp4"), &openWith<TagLib::MP4::File>},
        {QStringLiteral("3g2"), &openWith<TagLib::MP4::File>}};
    return readers.value(ext);
}

// Extensions that TagLib opens with a reader of its own.
bool taglibKnows(const QString& ext)
{
    static const TagLib::StringList known = TagLib::FileRef::defaultFileExtensions();
    return known.contains(TagLib::String(ext.toUtf8().constData(), TagLib::String::UTF8));
}

// The formats of bounded readers, told by TagLib's own look at the head.
FilePtr openOther(Stream* stream, bool props)
{
    for (auto open : {&openIfLooksLike<TagLib::MP4::File>, &openIfLooksLike<TagLib::ASF::File>,
                      &openIfLooksLike<TagLib::RIFF::WAV::File>,
                      &openIfLooksLike<TagLib::RIFF::AIFF::File>,
                      &openIfLooksLike<TagLib::WavPack::File>, &openIfLooksLike<TagLib::MPC::File>,
                      &openIfLooksLike<TagLib::TrueAudio::File>})
        if (FilePtr f = open(stream, props))
            return f;
    return nullptr;
}

// A file whose content is not what its extension names is read by what it
// is: the formats with a mark of their own first, MPEG (known only by its
// frames) last, and at the very end the ID3v2 tag alone of a file that has
// one in front of content nobody reads.
FilePtr openByContent(QFile& file, Format named, Stream* stream, bool readLength)
{
    for (const Format format : {Format::Ogg, Format::Flac, Format::Ape})
        if (format != named)
            if (FilePtr f = openChecked(file, format, stream, readLength, true))
                return f;
    if (FilePtr f = openOther(stream, readLength))
        return f;
    if (named != Format::Mpeg)
        if (FilePtr f = openChecked(file, Format::Mpeg, stream, readLength, true))
            return f;
    return afterId3v2(file) > 0 ? openAs(Format::Mpeg, stream, false) : nullptr;
}

// Opens a file as the format its extension names when it is that format
// (checked first for the formats whose readers walk), else by its content.
FilePtr openFile(const QString& path, Stream* stream, Format named, Opener bounded, bool readLength)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    FilePtr f = bounded ? bounded(stream, readLength)
                        : openChecked(file, named, stream, readLength, false);
    return f ? std::move(f) : openByContent(file, named, stream, readLength);
}

}  // namespace

bool TagReader::isRegularFile(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

TagReader::TagReader(const QString& path, bool readLength)
{
    if (!isRegularFile(path))
        return;
    // Read only: opened for writing, every song read would look saved to
    // file watchers and backup tools.
    m_stream = std::make_unique<TagLib::FileStream>(QFile::encodeName(path).constData(), true);
    if (!m_stream->isOpen())
        return;
    const QString ext = QFileInfo(path).suffix().toLower();
    const Format named = formatOf(ext);
    const Opener bounded = named == Format::Other ? boundedReaderFor(ext) : nullptr;
    if (named == Format::Other && !bounded && taglibKnows(ext)) {
        // Tracker modules: left to TagLib whole.
        m_ref = std::make_unique<TagLib::FileRef>(m_stream.get(), readLength,
                                                  readLength ? TagLib::AudioProperties::Fast
                                                             : TagLib::AudioProperties::Average);
    } else if (FilePtr file = openFile(path, m_stream.get(), named, bounded, readLength)) {
        m_ref = std::make_unique<TagLib::FileRef>(file.release());
    }
    if (m_ref && m_ref->isNull())
        m_ref.reset();
}

TagReader::~TagReader() = default;

bool TagReader::isValid() const
{
    return m_ref != nullptr;
}

bool TagReader::hasTitle() const
{
    if (!m_ref)
        return false;
    return frameHead(m_ref->file(), "TIT2") || (m_ref->tag() && !m_ref->tag()->title().isEmpty());
}

QString TagReader::shown(const char* frame, TagLib::String (TagLib::Tag::*field)() const) const
{
    if (!m_ref)
        return QString();
    if (std::optional<QString> head = frameHead(m_ref->file(), frame))
        return *head;
    return m_ref->tag() ? label((m_ref->tag()->*field)()) : QString();
}

QString TagReader::title() const
{
    return shown("TIT2", &TagLib::Tag::title);
}

QString TagReader::artist() const
{
    return shown("TPE1", &TagLib::Tag::artist);
}

QString TagReader::album() const
{
    return shown("TALB", &TagLib::Tag::album);
}

QString TagReader::genre() const
{
    return shown("TCON", &TagLib::Tag::genre);
}

QString TagReader::albumArtist() const
{
    if (!m_ref)
        return QString();
    if (std::optional<QString> head = frameHead(m_ref->file(), "TPE2"))
        return *head;
    const TagLib::String artist = value("ALBUMARTIST");
    return label(artist.isEmpty() ? value("ALBUM ARTIST") : artist);
}

bool TagReader::isCompilation() const
{
    // ffmpeg writes the ID3v2.4 mark as a user text frame named "TCMP".
    QString flag = property("COMPILATION");
    if (flag.isEmpty())
        flag = property("TCMP");
    return flag == QLatin1String("1") || flag.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

int TagReader::year() const
{
    return m_ref && m_ref->tag() ? int(m_ref->tag()->year()) : 0;
}

int TagReader::track() const
{
    return m_ref && m_ref->tag() ? int(m_ref->tag()->track()) : 0;
}

int TagReader::disc() const
{
    const QString value = property("DISCNUMBER");
    qsizetype digits = 0;
    while (digits < value.size() && digits < 6 && value.at(digits).isDigit())
        ++digits;
    return value.left(digits).toInt();
}

TagLib::String TagReader::value(const char* name) const
{
    if (!m_ref)
        return TagLib::String();
    // TagLib builds the whole map on each call, lyrics and all.
    if (!m_props)
        m_props = std::make_unique<TagLib::PropertyMap>(m_ref->file()->properties());
    const auto it = m_props->find(name);
    if (it == m_props->end() || it->second.isEmpty())
        return TagLib::String();
    return it->second.front();
}

QString TagReader::property(const char* name) const
{
    return text(value(name));
}

double TagReader::length() const
{
    if (!m_ref || !m_ref->audioProperties())
        return 0;
    return m_ref->audioProperties()->lengthInMilliseconds() / 1000.0;
}

QList<TagReader::Picture> TagReader::pictures() const
{
    QList<Picture> out;
    if (!m_ref)
        return out;
    TagLib::File* file = m_ref->file();
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file))
        addId3v2(out, mpeg->ID3v2Tag());
    else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file))
        addFlac(out, flac->pictureList());
    else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file))
        addMp4(out, mp4->tag());
    else if (auto* asf = dynamic_cast<TagLib::ASF::File*>(file))
        addAsf(out, asf->tag());
    else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file))
        addId3v2(out, wav->ID3v2Tag());
    else if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file))
        addId3v2(out, aiff->tag());
    else if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file->tag()))
        addFlac(out, xiph->pictureList());
    return out;
}
