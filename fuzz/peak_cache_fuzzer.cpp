// Fuzz target: the peak cache reader. Any bytes become the cache file of a
// fixed MP3 (after the right header when the first byte is even, so the
// fuzzer reaches the peaks); the lookup either misses and leaves the table
// alone or gives one entry per frame, each top at or above its bottom.
#include "core/analysis/loudness.h"
#include "core/analysis/open_file.h"
#include "core/analysis/peak_cache.h"
#include "fuzz_check.h"
#include "tests/invariants/analysed_file.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

struct Fixed {
    std::string folder;
    tessivo::PeakCacheKey key;
    uint32_t frameCount = 0;
    std::string header; // the bytes before the peaks in a file the program wrote
};

// The length of a cache file holding `table`: the header, four values per
// frame, and the loudness energies when it carries them.
size_t StoredLength(size_t headerSize, uint32_t frames, const tessivo::PeakTable& table) {
    return headerSize + size_t{frames} * 8 + table.FrameLoudness.size() * sizeof(float);
}

const Fixed& TheFile() {
    static const Fixed f = [] {
        using namespace tessivo;
        Fixed out;
        auto st = std::make_unique<ProgramState>();
        const OpenResult r = AnalyseFile(*st, *st, TESSIVO_FIXTURES "/mono.mp3", true);
        fuzz::Check(r.ok, "the fixture does not open");
        // In memory where there is such a folder: the target writes a file per input.
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        out.folder = (base / ("tessivo-peak-fuzz-" + std::to_string(::getpid()))).string();
        out.key = PeakCacheKeyOf(*st);
        out.frameCount = st->FrameCount;
        fuzz::Check(StorePeaks(out.folder, out.key, *st), "the cache file cannot be written");
        std::ifstream in(PeakCachePath(out.folder, out.key), std::ios::binary);
        const std::string stored((std::istreambuf_iterator<char>(in)), {});
        out.header = stored.substr(0, stored.size() - StoredLength(0, out.frameCount, *st));
        static const std::string* folder = new std::string(out.folder); // outlives `f`
        std::atexit([] { std::filesystem::remove_all(*folder); });
        return out;
    }();
    return f;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tessivo;
    const Fixed& f = TheFile();
    if (size == 0)
        return 0;
    std::string bytes = (data[0] & 1) == 0 ? f.header : std::string();
    bytes.append(reinterpret_cast<const char*>(data + 1), size - 1);
    std::ofstream(PeakCachePath(f.folder, f.key), std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    PeakTable table;
    table.PeakMaxL.assign(3, 7);
    if (!LookUpPeaks(f.folder, f.key, f.frameCount, table)) {
        fuzz::Check(table.PeakMaxL.size() == 3 && table.PeakMinL.empty(),
                    "a miss changed the table");
        return 0;
    }
    // A hit is a whole file: with its energies (one set per slice of every
    // frame) or without any.
    const size_t energies = table.FrameLoudness.size();
    fuzz::Check(energies == 0 || energies == size_t{f.frameCount} * kLoudnessSlices,
                "energies for some frames only");
    fuzz::Check(bytes.size() == StoredLength(f.header.size(), f.frameCount, table),
                "wrong length taken");
    fuzz::Expect(invariants::PeaksFault(table, f.frameCount));
    return 0;
}
