// Fuzz target: the cut list readers (cue sheet, Audacity labels, CSV). The
// first byte picks the format and the file's frame length, the next two its
// frame count; the rest is the file. What is read is placed on the file,
// then written in every format and read back: what Tessivo writes it reads
// back, and every text stays UTF-8.
#include "core/cutlist/cut_list.h"
#include "core/cutlist/cut_list_file.h"
#include "fuzz_check.h"
#include "tests/invariants/cut_list_round_trip.h"

#include <array>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessivo;
    if (size < 3)
        return 0;
    // The frame lengths of MPEG audio layer III at its sample rates.
    static constexpr std::array<double, 8> kFrameDurations = {
        1152 / 44100.0, 1152 / 48000.0, 1152 / 32000.0, 576 / 22050.0,
        576 / 24000.0,  576 / 16000.0,  576 / 11025.0,  576 / 8000.0};
    static constexpr std::array<CutListFormat, 3> kFormats = {
        CutListFormat::Cue, CutListFormat::Labels, CutListFormat::Csv};
    const CutListFormat format = kFormats[data[0] % 3];
    TimeBase tb;
    tb.frameDuration = kFrameDurations[(data[0] / 3) % 8];
    const uint32_t scale = data[0] >= 128 ? 40 : 1;
    const uint32_t frameCount = 2 + (data[1] | uint32_t{data[2]} << 8) * scale;
    const std::string bytes(reinterpret_cast<const char*>(data + 3), size - 3);

    const CutListRead read = ReadCutList(format, bytes);
    if (!read.ok()) {
        fuzz::Check(read.list.entries.empty(), "a refused list holds entries");
        return 0;
    }
    fuzz::Check(IsValidUtf8(read.list.album) && IsValidUtf8(read.list.albumArtist),
                "album text not UTF-8");
    const FrameCutList placed = PlaceCutList(read.list, tb, frameCount);
    fuzz::Expect(invariants::PlacedFault(placed, frameCount));
    const CutListSource source{"in.mp3", read.list.album, read.list.albumArtist};
    for (CutListFormat out : kFormats)
        fuzz::Expect(invariants::WriteReadFault(out, placed, tb, frameCount, source));
    return 0;
}
