#include "TagReader.h"

#include <QFile>

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
