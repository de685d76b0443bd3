// Fuzz target: the whole open path over an arbitrary file image — tag
// detection, the decoder's probe, first-frame search, frame count, frame
// index and the peak table (sequential and parallel) — then the part byte
// ranges a split would write, the plain parts' Info frames, and the source's
// tags read through TagLib and rendered as part tags. Checks the invariants
// later stages rely on.
#include "core/analysis/frame_index.h"

#include "core/analysis/mp3_load.h"
#include "core/analysis/open_file.h"
#include "core/analysis/peaks.h"
#include "core/output/part_tag.h"
#include "core/output/plain_part.h"
#include "core/output/split_parts.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_access.h"
#include "core/state/program_state.h"
#include "fuzz_check.h"
#include "tests/invariants/analysed_file.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using fuzz::Check;

// Whatever the image's tags hold, reading them and rendering part tags from
// them never fails.
void ReadAndRenderTags(const uint8_t* data, size_t size) {
    using namespace tessivo;
    auto st = std::make_unique<ProgramState>();
    st->FileName = "/fuzz/input.mp3";
    st->FileBuffer.assign(data, data + size);
    st->FileSize = static_cast<uint32_t>(size);
    DetectTags(*st);
    const SourceTag src = ReadSourceTag(*st);
    PartTags tags;
    tags.source = src;
    tags.part.assign(2, src.fields);
    const PartTagV2 part = ResolvePartTag(tags, 1, SourceStem(st->FileName), 1, 2);
    for (int version : {3, 4}) {
        const std::vector<uint8_t> v2 = RenderId3v2(src, part, version);
        Check(v2.size() >= 10 && v2[0] == 'I' && v2[1] == 'D' && v2[2] == '3' && v2[3] == version);
    }
    Check(RenderId3v1(part)[0] == 'T');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessivo;
    ReadAndRenderTags(data, size);
    auto st = std::make_unique<ProgramState>();
    st->FileName = "/fuzz/input.mp3";
    st->ViewerEnabled = (size & 1) != 0; // the frame viewer's rows on every other input
    const OpenResult r = AnalyseImage(*st, *st, std::vector<uint8_t>(data, data + size), true);
    if (!r.ok) {
        Check(!r.message.empty());
        return 0;
    }
    // What the view, the split and playback take for granted.
    fuzz::Expect(invariants::IndexFault(*st, size));
    fuzz::Expect(invariants::PeaksFault(*st, st->FrameCount));
    (void)StreamInfoText(*st);

    // The parallel table over the same image, with small shares so several
    // workers and warm-up starts run even on short inputs.
    CalculatePeaksParallel(*st, *st, 2, {}, nullptr, 5);

    // Parts at equal distances: ranges stay inside the image and tile the audio.
    const uint32_t n = st->FrameCount;
    const int parts = static_cast<int>(std::min<uint32_t>(n, 4));
    std::vector<int32_t> cuts;
    for (int k = 1; k < parts; ++k)
        cuts.push_back(static_cast<int32_t>(static_cast<uint64_t>(n) * k / parts));
    ReplaceParts(*st, *st, cuts);
    size_t covered = 0, prevEnd = 0;
    for (int i = 1; i <= PartCount(*st); ++i) {
        const ByteRange br = PartByteRange(*st, *st, i);
        Check(br.first <= br.end && br.end <= size);
        if (i > 1)
            Check(br.first == prevEnd);
        prevEnd = br.end;
        covered += br.size();
    }
    Check(covered <= size);

    // Plain parts: an Info frame of their own, then exactly their frames.
    const PlainSource plain = ExaminePlainSource(*st);
    for (int i = 1; i <= PartCount(*st); ++i) {
        std::vector<uint8_t> part;
        if (BuildPlainPart(*st, *st, plain, i, part))
            Check(part.size() >= PartByteRange(*st, *st, i).size() / 2 && part[0] == 0xFF);
    }
    return 0;
}
