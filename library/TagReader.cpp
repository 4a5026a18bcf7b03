#include "TagReader.h"

#include <QFile>
#include <QFileInfo>

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/aifffile.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <sys/stat.h>

namespace {

QString text(const TagLib::String& s)
{
    const std::wstring w = s.toWString();
    return QString::fromWCharArray(w.data(), qsizetype(w.size())).trimmed();
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

// The offset of the first frame header followed, one frame later, by a
// header of the same version, layer and sample rate: what TagLib takes for
// the audio (random bytes show one in about 700 MB). -1 when there is none.
qint64 firstFramePair(const QByteArray& buf)
{
    const uchar* p = u(buf);
    const qint64 n = buf.size();
    for (qint64 i = 0; i + 4 <= n; ++i) {
        const int length = p[i] == 0xff ? mpegFrameLength(p + i) : 0;
        if (length <= 0 || i + length + 4 > n)
            continue;
        const uchar* next = p + i + length;
        if (next[0] == p[i] && (next[1] & 0xfe) == (p[i + 1] & 0xfe)
            && (next[2] & 0x0c) == (p[i + 2] & 0x0c))
            return i;
    }
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

// MPEG: TagLib looks for the first frame up to the end of the file, and
// without a VBR header for the last one back to its start.
Access mpegAccess(QFile& file, bool full)
{
    const qint64 start = afterId3v2(file);
    const QByteArray head = readAt(file, start, kWindow);
    const qint64 first = firstFramePair(head);
    if (first < 0)
        return start > 0 ? Access::TagsOnly : Access::None;
    const int length = mpegFrameLength(u(head) + first);
    if (!full || hasVbrHeader(head.mid(first, length)))
        return Access::Full;
    const qint64 end = beforeTrailingTags(file);
    const qint64 from = qMax(start, end - kWindow);
    return firstFramePair(readAt(file, from, end - from)) >= 0 ? Access::Full : Access::TagsOnly;
}

// FLAC and Monkey's Audio: TagLib looks for the stream's mark ("fLaC",
// "MAC ") from the end of the ID3v2 tag through the whole file.
Access markAccess(QFile& file, const char* mark)
{
    return readAt(file, afterId3v2(file), kWindow).contains(mark) ? Access::Full : Access::None;
}

// Ogg: TagLib looks for the first page forward and the last one backward.
Access oggAccess(QFile& file, bool full)
{
    if (readAt(file, 0, 4) != "OggS")
        return Access::None;
    if (!full)
        return Access::Full;
    const qint64 from = qMax<qint64>(0, file.size() - kOggTail);
    return readAt(file, from, kOggTail).contains("OggS") ? Access::Full : Access::TagsOnly;
}

// Formats whose TagLib reader is bounded by itself are let through.
Access accessFor(const QString& path, bool full)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    const bool mpeg = ext == QLatin1String("mp3") || ext == QLatin1String("mp2");
    const bool ogg = ext == QLatin1String("ogg") || ext == QLatin1String("oga")
        || ext == QLatin1String("opus") || ext == QLatin1String("spx");
    const bool flac = ext == QLatin1String("flac");
    const bool ape = ext == QLatin1String("ape");
    if (!mpeg && !ogg && !flac && !ape)
        return Access::Full;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Access::None;
    if (mpeg)
        return mpegAccess(file, full);
    if (ogg)
        return oggAccess(file, full);
    return markAccess(file, flac ? "fLaC" : "MAC ");
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
    const Access access = accessFor(path, readLength);
    if (access == Access::None)
        return;
    readLength = readLength && access == Access::Full;
    m_ref = std::make_unique<TagLib::FileRef>(QFile::encodeName(path).constData(), readLength,
                                              readLength ? TagLib::AudioProperties::Fast
                                                         : TagLib::AudioProperties::Average);
    if (m_ref->isNull())
        m_ref.reset();
}

TagReader::~TagReader() = default;

bool TagReader::isValid() const
{
    return m_ref != nullptr;
}

bool TagReader::hasTitle() const
{
    return m_ref && m_ref->tag() && !m_ref->tag()->title().isEmpty();
}

QString TagReader::title() const
{
    return m_ref && m_ref->tag() ? text(m_ref->tag()->title()) : QString();
}

QString TagReader::artist() const
{
    return m_ref && m_ref->tag() ? text(m_ref->tag()->artist()) : QString();
}

QString TagReader::album() const
{
    return m_ref && m_ref->tag() ? text(m_ref->tag()->album()) : QString();
}

QString TagReader::genre() const
{
    return m_ref && m_ref->tag() ? text(m_ref->tag()->genre()) : QString();
}

int TagReader::year() const
{
    return m_ref && m_ref->tag() ? int(m_ref->tag()->year()) : 0;
}

int TagReader::track() const
{
    return m_ref && m_ref->tag() ? int(m_ref->tag()->track()) : 0;
}

QString TagReader::property(const char* name) const
{
    if (!m_ref)
        return QString();
    const TagLib::PropertyMap props = m_ref->file()->properties();
    const auto it = props.find(name);
    if (it == props.end() || it->second.isEmpty())
        return QString();
    return text(it->second.front());
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
