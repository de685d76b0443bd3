// Fuzz target: the open path as the window takes it before any decoding —
// the image loaded, its tags read, the frame index built and the preview
// peaks drawn from the side information. Fast enough for millions of
// inputs, where open_path_fuzzer decodes every input for its peaks.
#include "core/analysis/frame_index.h"
#include "core/analysis/open_file.h"
#include "core/analysis/preview_peaks.h"
#include "core/output/part_tag.h"
#include "fuzz_check.h"
#include "tests/invariants/analysed_file.h"

#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessivo;
    // One scratch state for every input, its analysis fields reset each time.
    static const auto st = std::make_unique<ProgramState>();
    static_cast<AnalysedFile&>(*st) = AnalysedFile{};
    st->FileName = "/fuzz/input.mp3";
    const OpenResult r = AnalyseImage(*st, *st, std::vector<uint8_t>(data, data + size), false);
    if (!r.ok) {
        fuzz::Check(!r.message.empty(), "a refusal without a message");
        return 0;
    }
    fuzz::Expect(invariants::IndexFault(*st, size));
    fuzz::Expect(invariants::PeaksFault(PreviewPeaks(*st), st->FrameCount));
    (void)ReadSourceTag(*st);
    (void)StreamInfoText(*st);
    return 0;
}
