// Fuzz target: the source tag reader. The input is put in front of a small
// real MP3 (mpeg25_8k.mp3) as its tag: the fields, pictures and chapters are
// read through TagLib, then the part tags rendered in every format. Every
// text read is UTF-8, the chapters come sorted, and each rendered ID3v2 tag
// reads back undamaged with the part's title.
#include "core/analysis/mp3_load.h"
#include "core/output/part_tag.h"
#include "core/util/text_encoding.h"
#include "fuzz_check.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::vector<uint8_t>& Audio() {
    static const std::vector<uint8_t> bytes = [] {
        std::ifstream in(TESSIVO_FIXTURES "/mpeg25_8k.mp3", std::ios::binary);
        std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), {});
        fuzz::Check(!b.empty(), "the fixture cannot be read");
        return b;
    }();
    return bytes;
}

// One state for every input (a fresh one per input costs more than the
// read): its file fields are reset each time.
tessivo::SourceTag ReadTagOf(const uint8_t* tag, size_t size) {
    static const auto state = std::make_unique<tessivo::ProgramState>();
    tessivo::ProgramState& st = *state;
    static_cast<tessivo::LoadedFile&>(st) = tessivo::LoadedFile{};
    st.FileName = "/fuzz/input.mp3";
    st.FileBuffer.assign(tag, tag + size);
    st.FileBuffer.insert(st.FileBuffer.end(), Audio().begin(), Audio().end());
    st.FileSize = static_cast<uint32_t>(st.FileBuffer.size());
    tessivo::DetectTags(st);
    return tessivo::ReadSourceTag(st);
}

void CheckTexts(const tessivo::SourceTag& src) {
    using tessivo::IsValidUtf8;
    const tessivo::PartTagV2& f = src.fields;
    for (const std::string* s :
         {&f.title, &f.artist, &f.album, &f.year, &f.genre, &f.track, &f.comment, &src.pictureMime})
        fuzz::Check(IsValidUtf8(*s), "a field is not UTF-8");
    for (size_t i = 0; i < src.chapters.size(); ++i) {
        fuzz::Check(IsValidUtf8(src.chapters[i].title), "a chapter title is not UTF-8");
        fuzz::Check(i == 0 || src.chapters[i - 1].startMs <= src.chapters[i].startMs,
                    "chapters out of order");
    }
}

// TagLib shows a frame of several strings joined by blanks, and drops empty
// strings at its end when it writes the frame again.
std::string TrailingBlanksOff(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessivo;
    const SourceTag src = ReadTagOf(data, size);
    CheckTexts(src);
    PartTags tags;
    tags.source = src;
    tags.part.assign(3, src.fields);
    for (int n : {1, 2}) {
        const PartTagV2 part = ResolvePartTag(tags, n, "input", n, 2);
        fuzz::Check(RenderId3v1(part)[0] == 'T', "no ID3v1 record");
        for (int version : {3, 4}) {
            const std::vector<uint8_t> v2 = RenderId3v2(src, part, version);
            fuzz::Check(v2.size() >= 10 && v2[0] == 'I' && v2[1] == 'D' && v2[2] == '3' &&
                            v2[3] == version,
                        "no ID3v2 header");
            const SourceTag back = ReadTagOf(v2.data(), v2.size());
            fuzz::Check(!back.damaged, "a rendered tag reads back damaged");
            if (part.title.find('\0') == std::string::npos &&
                TrailingBlanksOff(back.fields.title) != TrailingBlanksOff(part.title))
                fuzz::Expect("the part's title \"" + part.title + "\" came back as \"" +
                             back.fields.title + "\"");
        }
    }
    return 0;
}
