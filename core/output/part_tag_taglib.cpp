// The TagLib side of part tags: reading the source's tag from the file image
// and rendering a part's ID3v2 tag.
#include "core/output/part_tag.h"

#include "core/util/text_encoding.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/chapterframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2extendedheader.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/taglib.h>
#include <taglib/tbytevector.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unknownframe.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/urllinkframe.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessivo {

namespace {

// Frames that describe the whole source file, wrong for any part of it.
constexpr std::array<const char*, 7> kWholeFileFrames = {"TLEN", "CHAP", "CTOC", "MLLT",
                                                         "SEEK", "ETCO", "SYTC"};

// TagLib turns a lone UTF-16 surrogate into bytes that are not UTF-8.
std::string Utf8(const TagLib::String& s) {
    return RepairedUtf8(s.to8Bit(true));
}

TagLib::String FromUtf8(const std::string& s) {
    return TagLib::String(s, TagLib::String::UTF8);
}

// A tag image opened by TagLib; the stream must outlive the file.
struct OpenedTag {
    TagLib::ByteVector bytes;
    std::unique_ptr<TagLib::ByteVectorStream> stream;
    std::unique_ptr<TagLib::MPEG::File> file;

    explicit OpenedTag(TagLib::ByteVector image) : bytes(std::move(image)) {
        stream = std::make_unique<TagLib::ByteVectorStream>(bytes);
        file = std::make_unique<TagLib::MPEG::File>(stream.get(),
                                                    TagLib::ID3v2::FrameFactory::instance(), false);
    }
};

std::string FirstText(const TagLib::ID3v2::Tag& tag, const char* id) {
    const TagLib::ID3v2::FrameList& l = tag.frameList(id);
    return l.isEmpty() ? std::string() : Utf8(l.front()->toString());
}

// The bytes of the frames TagLib took in, against the tag's body: anything
// but padding after them is a frame it could not read.
bool FramesCoverBody(const TagLib::ID3v2::Tag& tag, const TagLib::ByteVector& image) {
    const TagLib::ID3v2::Header& h = *tag.header();
    if (h.unsynchronisation())
        return true; // sizes count the unsynchronised bytes: nothing to compare
    size_t pos = TagLib::ID3v2::Header::size();
    if (h.extendedHeader() && tag.extendedHeader())
        pos += tag.extendedHeader()->size();
    const size_t frameHeader = h.majorVersion() < 3 ? 6 : 10;
    for (const TagLib::ID3v2::Frame* f : tag.frameList())
        pos += frameHeader + f->size();
    const size_t end = std::min<size_t>(image.size(), TagLib::ID3v2::Header::size() + h.tagSize());
    for (size_t i = pos; i < end; ++i)
        if (image[static_cast<unsigned>(i)] != 0)
            return false;
    return true;
}

// Removes the frames that describe the whole file. Pictures of any format
// stay as they are: they are the user's data.
void DropWholeFileFrames(TagLib::ID3v2::Tag& tag) {
    for (const char* id : kWholeFileFrames)
        tag.removeFrames(id);
}

// The text encoding byte of a frame that has one, else 0 (Latin-1).
int TextEncodingOf(const TagLib::ID3v2::Frame* f) {
    using namespace TagLib::ID3v2;
    if (const auto* t = dynamic_cast<const TextIdentificationFrame*>(f))
        return t->textEncoding();
    if (const auto* c = dynamic_cast<const CommentsFrame*>(f))
        return c->textEncoding();
    if (const auto* l = dynamic_cast<const UnsynchronizedLyricsFrame*>(f))
        return l->textEncoding();
    if (const auto* p = dynamic_cast<const AttachedPictureFrame*>(f))
        return p->textEncoding();
    if (const auto* u = dynamic_cast<const UserUrlLinkFrame*>(f))
        return u->textEncoding();
    return 0;
}

// True when a frame's format flags say its bytes are encoded (compressed,
// encrypted, grouped, unsynchronised, with a length indicator), as TagLib
// read them from the frame's header. TagLib keeps the header behind a
// protected accessor: a member pointer taken in a derived class reads it.
struct FrameFlags : TagLib::ID3v2::Frame {
    static bool SayEncoded(const TagLib::ID3v2::Frame* f) {
        constexpr auto header = &FrameFlags::header;
        const Header* h = (f->*header)();
        return h && (h->compression() || h->encryption() || h->groupingIdentity() ||
                     h->unsynchronisation() || h->dataLengthIndicator());
    }
};

// A frame TagLib reads wrong or cannot write back: one with a text encoding
// byte other than the four ID3v2 defines (0..3; TagLib reads the text as
// garbage), or one TagLib kept as bytes it does not know whose flags say
// they are encoded (encrypted, say): TagLib would write them back without
// those flags. Unknown frames without such flags are the user's data and
// pass through as they are.
bool IsUndefined(const TagLib::ID3v2::Frame* f) {
    const int e = TextEncodingOf(f);
    if (e < 0 || e > 3)
        return true;
    return dynamic_cast<const TagLib::ID3v2::UnknownFrame*>(f) != nullptr &&
           FrameFlags::SayEncoded(f);
}

// The frames of `list` with an undefined text encoding. Gathered apart, as
// a copy of a TagLib frame list shares (and may delete) the frames.
std::vector<TagLib::ID3v2::Frame*> WithUndefinedEncoding(const TagLib::ID3v2::FrameList& list) {
    std::vector<TagLib::ID3v2::Frame*> out;
    for (TagLib::ID3v2::Frame* f : list)
        if (IsUndefined(f))
            out.push_back(f);
    return out;
}

// Removes the frames with an undefined text encoding, in the tag and in its
// chapters; true when there was one.
bool DropFramesWithUndefinedEncoding(TagLib::ID3v2::Tag& tag) {
    const std::vector<TagLib::ID3v2::Frame*> bad = WithUndefinedEncoding(tag.frameList());
    for (TagLib::ID3v2::Frame* f : bad)
        tag.removeFrame(f, true);
    bool dropped = !bad.empty();
    for (TagLib::ID3v2::Frame* f : tag.frameList("CHAP")) {
        auto* chap = dynamic_cast<TagLib::ID3v2::ChapterFrame*>(f);
        if (!chap)
            continue;
        for (TagLib::ID3v2::Frame* e : WithUndefinedEncoding(chap->embeddedFrameList())) {
            chap->removeEmbeddedFrame(e, true);
            dropped = true;
        }
    }
    return dropped;
}

void ReadPicture(const TagLib::ID3v2::Tag& tag, SourceTag& out) {
    const TagLib::ID3v2::AttachedPictureFrame* chosen = nullptr;
    for (const TagLib::ID3v2::Frame* f : tag.frameList("APIC")) {
        const auto* pic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(f);
        if (!pic || pic->mimeType() == "-->" || pic->picture().isEmpty())
            continue;
        if (!chosen || pic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
            chosen = pic;
        if (pic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover)
            break;
    }
    if (!chosen)
        return;
    const TagLib::ByteVector& d = chosen->picture();
    out.picture.assign(d.begin(), d.end());
    out.pictureMime = Utf8(chosen->mimeType());
}

void ReadChapters(const TagLib::ID3v2::Tag& tag, SourceTag& out) {
    for (const TagLib::ID3v2::Frame* f : tag.frameList("CHAP")) {
        const auto* chap = dynamic_cast<const TagLib::ID3v2::ChapterFrame*>(f);
        if (!chap)
            continue;
        Chapter c;
        c.startMs = chap->startTime();
        c.endMs = chap->endTime();
        const TagLib::ID3v2::FrameList titles = chap->embeddedFrameList("TIT2");
        if (!titles.isEmpty())
            c.title = Utf8(titles.front()->toString());
        out.chapters.push_back(c);
    }
    std::stable_sort(out.chapters.begin(), out.chapters.end(),
                     [](const Chapter& a, const Chapter& b) { return a.startMs < b.startMs; });
}

void ReadFields(const TagLib::Tag& tag, PartTagV2& f) {
    f.title = Utf8(tag.title());
    f.artist = Utf8(tag.artist());
    f.album = Utf8(tag.album());
    f.comment = Utf8(tag.comment());
    f.genre = Utf8(tag.genre());
    f.year = tag.year() ? std::to_string(tag.year()) : std::string();
    f.track = tag.track() ? std::to_string(tag.track()) : std::string();
}

// The fields of an ID3v2 tag: year and track as the frames hold them.
PartTagV2 Id3v2Fields(const TagLib::ID3v2::Tag& tag) {
    PartTagV2 f;
    ReadFields(tag, f);
    f.year = FirstText(tag, "TDRC");
    f.track = FirstText(tag, "TRCK");
    return f;
}

// The ID3v2 region at the start of the image: the size its header declares
// (plus a footer), or what the file holds when it is cut short.
TagLib::ByteVector Id3v2Image(const LoadedFile& file, bool& truncated) {
    const size_t size = std::min<size_t>(file.FileSize, file.FileBuffer.size());
    size_t declared = static_cast<size_t>(std::max(file.Id3v2Size, 0));
    if (size >= 6 && (file.FileBuffer[5] & 0x10))
        declared += 10;
    truncated = declared > size;
    const size_t take = std::min(declared, size);
    return TagLib::ByteVector(reinterpret_cast<const char*>(file.FileBuffer.data()),
                              static_cast<unsigned>(take));
}

void ReadId3v2(const LoadedFile& file, SourceTag& out) {
    bool truncated = false;
    OpenedTag opened(Id3v2Image(file, truncated));
    TagLib::ID3v2::Tag* tag = opened.file->ID3v2Tag(false);
    if (!tag || tag->frameList().isEmpty()) {
        out.damaged = true; // "ID3" with nothing TagLib could read
        return;
    }
    out.hasId3v2 = true;
    out.damaged = truncated || !FramesCoverBody(*tag, opened.bytes);
    if (DropFramesWithUndefinedEncoding(*tag))
        out.damaged = true;
    out.fields = Id3v2Fields(*tag);
    ReadChapters(*tag, out);
    DropWholeFileFrames(*tag);
    ReadPicture(*tag, out);
    const TagLib::ByteVector rendered = tag->render(TagLib::ID3v2::v4);
    out.inherited.assign(rendered.begin(), rendered.end());
}

// The source's ID3v1 fields, when it has a record.
bool ReadId3v1(const LoadedFile& file, PartTagV2& fields) {
    OpenedTag opened(TagLib::ByteVector(reinterpret_cast<const char*>(file.Id3v1Buffer.data()),
                                        static_cast<unsigned>(file.Id3v1Buffer.size())));
    const TagLib::ID3v1::Tag* tag = opened.file->ID3v1Tag(false);
    if (!tag)
        return false;
    ReadFields(*tag, fields);
    return true;
}

// Fields the ID3v2 tag lacks, from the ID3v1 record, as common taggers read
// a file with both.
void FillFrom(PartTagV2& to, const PartTagV2& from) {
    for (auto [field, other] : {std::pair{&to.title, &from.title},
                                {&to.artist, &from.artist},
                                {&to.album, &from.album},
                                {&to.year, &from.year},
                                {&to.comment, &from.comment},
                                {&to.genre, &from.genre},
                                {&to.track, &from.track}})
        if (field->empty())
            *field = *other;
}

// Sets a text frame to `text`, or removes it when the text is empty.
void SetText(TagLib::ID3v2::Tag& tag, const char* id, const std::string& text) {
    tag.removeFrames(id);
    if (text.empty())
        return;
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::Latin1);
    frame->setText(FromUtf8(text));
    tag.addFrame(frame);
}

// Drops the source's ReplayGain frames (they measure the whole file) and
// adds the part's own.
void SetReplayGain(TagLib::ID3v2::Tag& tag, const UserTexts& texts) {
    TagLib::ID3v2::FrameList drop;
    for (TagLib::ID3v2::Frame* f : tag.frameList("TXXX")) {
        const auto* user = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(f);
        if (user && user->description().upper().startsWith("REPLAYGAIN_"))
            drop.append(f);
    }
    for (TagLib::ID3v2::Frame* f : drop)
        tag.removeFrame(f);
    for (const auto& [description, text] : texts) {
        auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::Latin1);
        frame->setDescription(FromUtf8(description));
        frame->setText(FromUtf8(text));
        tag.addFrame(frame);
    }
}

} // namespace

SourceTag ReadSourceTag(const LoadedFile& file) {
    SourceTag out;
    if (file.HasId3v2)
        ReadId3v2(file, out);
    out.id3v2Fields = out.fields;
    PartTagV2 v1;
    if (file.HasId3v1 && ReadId3v1(file, v1)) {
        if (out.hasId3v2) {
            FillFrom(out.fields, v1);
        } else {
            out.hasId3v1 = true;
            out.fields = v1;
        }
    }
    return out;
}

std::vector<uint8_t> RenderId3v2(const SourceTag& source, const PartTagV2& part, int version,
                                 const UserTexts& userTexts) {
    TagLib::ByteVector inherited(reinterpret_cast<const char*>(source.inherited.data()),
                                 static_cast<unsigned>(source.inherited.size()));
    OpenedTag opened(inherited);
    TagLib::ID3v2::Tag empty;
    TagLib::ID3v2::Tag* tag = source.inherited.empty() ? nullptr : opened.file->ID3v2Tag(false);
    if (!tag)
        tag = &empty;
    // Fields that differ from what the inherited frames hold are set anew
    // (also those TagLib left out of the inherited tag, such as frames marked
    // to be dropped when the tag changes); the rest stay as inherited.
    const PartTagV2 was = Id3v2Fields(*tag);
    if (part.title != was.title)
        SetText(*tag, "TIT2", part.title);
    if (part.artist != was.artist)
        SetText(*tag, "TPE1", part.artist);
    if (part.album != was.album)
        SetText(*tag, "TALB", part.album);
    if (part.year != was.year)
        SetText(*tag, "TDRC", part.year);
    if (part.genre != was.genre)
        SetText(*tag, "TCON", part.genre);
    if (part.track != was.track)
        SetText(*tag, "TRCK", part.track);
    if (part.comment != was.comment)
        tag->setComment(FromUtf8(part.comment));
    SetReplayGain(*tag, userTexts);
    const TagLib::ByteVector bytes =
        tag->render(version == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

namespace {

TagLib::ID3v2::Frame* TitleFrame(const std::string& title) {
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame("TIT2", TagLib::String::UTF8);
    frame->setText(FromUtf8(title));
    return frame;
}

// A chapter's byte offset as its frame holds it: 32 bits, all ones (none
// given) where the offset does not fit.
uint32_t ChapterByte(uint64_t at) {
    return at <= UINT32_MAX - 1 ? static_cast<uint32_t>(at) : UINT32_MAX;
}

void AddChapters(TagLib::ID3v2::Tag& tag, const std::vector<ChapterMark>& marks) {
    TagLib::ByteVectorList children;
    for (size_t k = 0; k < marks.size(); ++k) {
        const ChapterMark& m = marks[k];
        const TagLib::ByteVector id(("chp" + std::to_string(k + 1)).c_str());
        TagLib::ID3v2::FrameList embedded;
        embedded.append(TitleFrame(m.title));
        tag.addFrame(new TagLib::ID3v2::ChapterFrame(
            id, m.startMs, m.endMs, ChapterByte(m.startByte), ChapterByte(m.endByte), embedded));
        children.append(id);
    }
    auto* toc = new TagLib::ID3v2::TableOfContentsFrame("toc", children);
    toc->setIsTopLevel(true);
    toc->setIsOrdered(true);
    tag.addFrame(toc);
}

} // namespace

std::vector<uint8_t> RenderChapteredId3v2(const SourceTag& source,
                                          const std::vector<ChapterMark>& marks, int version,
                                          const UserTexts& userTexts) {
    TagLib::ByteVector inherited(reinterpret_cast<const char*>(source.inherited.data()),
                                 static_cast<unsigned>(source.inherited.size()));
    OpenedTag opened(inherited);
    TagLib::ID3v2::Tag empty;
    TagLib::ID3v2::Tag* tag = source.inherited.empty() ? nullptr : opened.file->ID3v2Tag(false);
    if (!tag) {
        tag = &empty;
        const PartTagV2& f = source.fields;
        SetText(*tag, "TIT2", f.title);
        SetText(*tag, "TPE1", f.artist);
        SetText(*tag, "TALB", f.album);
        SetText(*tag, "TDRC", f.year);
        SetText(*tag, "TCON", f.genre);
        SetText(*tag, "TRCK", f.track);
        if (!f.comment.empty())
            tag->setComment(FromUtf8(f.comment));
    }
    if (!marks.empty())
        AddChapters(*tag, marks);
    if (!userTexts.empty())
        SetReplayGain(*tag, userTexts);
    if (tag->frameList().isEmpty())
        return {};
    const TagLib::ByteVector bytes =
        tag->render(version == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::string TagLibVersion() {
    return "TagLib " + std::to_string(TAGLIB_MAJOR_VERSION) + "." +
           std::to_string(TAGLIB_MINOR_VERSION) + "." + std::to_string(TAGLIB_PATCH_VERSION);
}

} // namespace tessivo
