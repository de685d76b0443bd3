// Bad input on the open path: tiny files, junk before the audio, free-format
// streams, truncated downloads, lying ID3v2 sizes, streams that change format,
// garbage and damaged copies of real files. Nothing may crash or hang; an
// accepted file must give a frame index and peak table the rest of the
// program can rely on, and a refused one the state of a rejected open.
#include "part_file_checks.h"
#include "reliability_support.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/mp3_load.h"
#include "core/analysis/peaks.h"
#include "core/decode/mpg123_decoder.h"

#include <random>

using namespace tessivo;
using namespace reliability;

namespace {

// What every accepted open guarantees to the view, the split and playback.
void ExpectSoundAnalysis(const ProgramState& st, const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_GT(st.FrameCount, 0u);
    ASSERT_GT(st.IndexedFrames, 0);
    ASSERT_LE(static_cast<uint32_t>(st.IndexedFrames), st.FrameCount);
    ASSERT_EQ(st.FramePos.size(), st.FrameCount);
    ASSERT_EQ(st.PeakMaxL.size(), st.FrameCount);
    ASSERT_EQ(st.PeakMinR.size(), st.FrameCount);
    EXPECT_TRUE(st.ChannelCount == 1 || st.ChannelCount == 2);
    EXPECT_EQ(st.FileSize, st.FileBuffer.size());
    for (int32_t i = 0; i < st.IndexedFrames; ++i) {
        ASSERT_LT(static_cast<uint32_t>(st.FramePos[i]), st.FileSize) << i;
        if (i > 0) {
            ASSERT_GT(st.FramePos[i], st.FramePos[i - 1]) << i;
        }
    }
    for (uint32_t j = 0; j < st.FrameCount; ++j) {
        ASSERT_LE(st.PeakMinL[j], st.PeakMaxL[j]) << j;
        ASSERT_LE(st.PeakMinR[j], st.PeakMaxR[j]) << j;
    }
}

// A refused open: a message for the user and nothing that looks loaded.
void ExpectRefused(const OpenResult& r, const ProgramState& st, const std::string& message) {
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.message, message);
    EXPECT_FALSE(st.FileLoaded);
}

std::vector<uint8_t> Prefix(const std::vector<uint8_t>& b, size_t n) {
    return std::vector<uint8_t>(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
}

// 16-bit stereo 44.1 kHz sine as raw PCM, for encoding test streams.
std::vector<uint8_t> SinePcm(double seconds, double hz) {
    const size_t n = static_cast<size_t>(seconds * 44100);
    std::vector<uint8_t> pcm(n * 4);
    for (size_t i = 0; i < n; ++i) {
        const auto v = static_cast<int16_t>(12000 * std::sin(2 * M_PI * hz * i / 44100.0));
        for (int c = 0; c < 2; ++c) {
            pcm[i * 4 + c * 2] = static_cast<uint8_t>(v & 0xFF);
            pcm[i * 4 + c * 2 + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
        }
    }
    return pcm;
}

} // namespace

class ReliabilityInput : public ScratchDir {};

// Files shorter than the ID3v2 header (10 bytes) and than an ID3v1 block (128
// bytes) have no tag of that kind, whatever their first bytes say, and every
// length of a real file's beginning is either refused or sound.
TEST_F(ReliabilityInput, ShortFilesHaveNoTagsAndNeverCrash) {
    for (size_t n : {0u, 3u, 9u}) {
        ProgramState st;
        st.FileBuffer = {'I', 'D', '3', 4, 0, 0, 0, 0, 2, 1};
        st.FileBuffer.resize(n);
        st.Id3v2Size = 77;
        DetectTags(st);
        EXPECT_FALSE(st.HasId3v2) << n;
        EXPECT_EQ(st.Id3v2Size, 77) << "left alone without a tag, n=" << n;
    }
    {
        ProgramState st;
        st.FileBuffer = {'I', 'D', '3', 4, 0, 0, 0, 0, 2, 1};
        DetectTags(st);
        EXPECT_TRUE(st.HasId3v2);
        EXPECT_EQ(st.Id3v2Size, 267);
    }
    for (size_t n : {3u, 127u}) {
        ProgramState st;
        const std::vector<uint8_t> zeros(n, 0);
        st.FileBuffer.assign(zeros.begin(), zeros.end());
        std::copy_n("TAG", 3, st.FileBuffer.begin()); // "TAG" at the start, not 128 from the end
        DetectTags(st);
        EXPECT_FALSE(st.HasId3v1) << n;
    }

    // Every prefix length of a stream with 72-byte frames, and some of a
    // 417-byte one, through the whole open path.
    for (const char* name : {"mpeg25_8k.mp3", "cbr128_stereo.mp3", "id3v1_id3v2.mp3"}) {
        const std::vector<uint8_t> whole = ReadBytes(Fixture(name));
        for (size_t n = 0; n < 1300 && n <= whole.size(); n += (n < 300 ? 1 : 37)) {
            const std::string path = Path("short.mp3");
            WriteBytes(path, Prefix(whole, n));
            OpenResult r;
            auto st = Open(path, true, &r);
            const std::string what = std::string(name) + " cut to " + std::to_string(n);
            if (n < 128) {
                EXPECT_FALSE(st->HasId3v1) << what;
            }
            if (n < 10) {
                EXPECT_FALSE(st->HasId3v2) << what;
            }
            if (r.ok)
                ExpectSoundAnalysis(*st, what);
            else
                ExpectRefused(r, *st, kNotMp3Message);
            // A file shorter than 50 bytes leaves nothing the index may use.
            if (n < 50) {
                EXPECT_FALSE(r.ok) << what;
            }
        }
    }
}

// The first frame may lie at most 50000 bytes after where the search starts
// (the end of an ID3v2 tag, else the start of the file); beyond that the
// file is refused as not an MP3 file.
TEST_F(ReliabilityInput, FirstFrameBeyondTheSearchLimitIsRefused) {
    const std::vector<uint8_t> audio = ReadBytes(Fixture("cbr128_stereo.mp3"));
    for (size_t junk : {49000u, 50001u, 120000u}) {
        const std::string path = Path("junk.mp3");
        WriteBytes(path, Concat(std::vector<uint8_t>(junk, 0), audio));
        OpenResult r;
        auto st = Open(path, true, &r);
        if (junk < 50000) {
            ASSERT_TRUE(r.ok) << junk << ": " << r.message;
            EXPECT_EQ(st->FirstFramePos, static_cast<int32_t>(junk));
            ExpectSoundAnalysis(*st, "junk " + std::to_string(junk));
        } else {
            ExpectRefused(r, *st, kNotMp3Message);
            EXPECT_EQ(st->FrameCount, 0u);
        }
    }
}

// Free-format streams (bitrate index 0 in every frame) are refused with a
// message of their own; the decoder itself would take them.
TEST_F(ReliabilityInput, FreeFormatStreamIsRefusedWithItsMessage) {
    if (!HaveTool("lame"))
        GTEST_SKIP() << "lame not installed";
    WriteBytes(Path("sine.raw"), SinePcm(1.0, 440));
    ASSERT_EQ(
        RunCommand("lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian --freeformat "
                   "-b 320 " +
                   Quote(Path("sine.raw")) + " " + Quote(Path("free.mp3")))
            .status,
        0);
    const std::vector<uint8_t> b = ReadBytes(Path("free.mp3"));
    ASSERT_GT(b.size(), 1000u);
    size_t sync = 0;
    while (sync + 2 < b.size() && !(b[sync] == 0xFF && (b[sync + 1] & 0xE0) == 0xE0))
        ++sync;
    ASSERT_EQ(b[sync + 2] >> 4, 0) << "lame wrote a free-format header";

    OpenResult r;
    auto st = Open(Path("free.mp3"), true, &r);
    ExpectRefused(r, *st, "Free-format MP3 streams are not supported.");
    EXPECT_EQ(st->FrameCount, 0u);
}

// A download cut off anywhere: the index stops before the last 50 bytes, the
// frames past it keep their (silent or real) peaks, and the parts cover the
// audio up to the end of the last indexed frame and decode cleanly.
TEST_F(ReliabilityInput, TruncatedDownloadsIndexWhatIsThere) {
    const std::vector<uint8_t> whole = ReadBytes(Fixture("vbr_stereo.mp3"));
    const bool haveMpg123 = HaveTool("mpg123");
    for (size_t n :
         {whole.size() / 2, whole.size() / 2 + 1, whole.size() - 200, whole.size() - 1}) {
        const std::string what = "cut to " + std::to_string(n);
        const std::string path = Path("cut.mp3");
        WriteBytes(path, Prefix(whole, n));
        OpenResult r;
        auto st = Open(path, true, &r);
        ASSERT_TRUE(r.ok) << what << ": " << r.message;
        ExpectSoundAnalysis(*st, what);
        // The index never reaches into the last 50 bytes.
        EXPECT_LT(st->FramePos[st->IndexedFrames - 1], static_cast<int32_t>(n) - 50) << what;

        CutAt(*st,
              {static_cast<int32_t>(st->FrameCount / 3), static_cast<int32_t>(st->FrameCount / 2)});
        st->OutputFolder = Path("out");
        fs::remove_all(Path("out"));
        fs::create_directories(Path("out"));
        const SplitResult s = SplitParts(*st, *st, *st);
        ASSERT_TRUE(s.ok) << what << ": " << s.error;
        ASSERT_EQ(s.written.size(), 3u);
        // First frame up to the end of the last indexed frame, nothing else.
        const size_t first = static_cast<size_t>(st->FirstFramePos);
        const size_t end = std::min<size_t>(
            n, static_cast<size_t>(st->FramePos[st->IndexedFrames - 1]) + st->FrameLength);
        // Each part opens with an Info frame of its own; its frames are the source's.
        std::vector<uint8_t> audio;
        for (const std::string& f : s.written)
            audio = Concat(audio, part_checks::AudioFrames(ReadBytes(f)));
        EXPECT_EQ(audio, part_checks::AudioFrames(
                             std::vector<uint8_t>(whole.begin() + first, whole.begin() + end)))
            << what;
        if (haveMpg123)
            for (const std::string& f : s.written) {
                EXPECT_EQ(RunCommand("mpg123 -q -t " + Quote(f) + " 2>&1").out, "")
                    << what << " " << f;
            }
    }
}

// A decode stream that breaks off: frames the decoder cannot deliver are
// silent, the table still has an entry for every frame, and the parallel
// decode agrees with the sequential one.
TEST_F(ReliabilityInput, DecodeStreamThatFailsGivesSilentFrames) {
    OpenResult r;
    auto st = Open(Fixture("cbr128_stereo.mp3"), true, &r);
    ASSERT_TRUE(r.ok) << r.message;
    const std::vector<int16_t> before = st->PeakMaxL;
    const uint32_t k = st->FrameCount / 2;
    ASSERT_GT(before[k + 3], 0) << "the tone is audible there";

    // The audio from frame k on becomes zero bytes in memory: no sync word
    // is left for the decoder after frame k - 1.
    std::fill(st->FileBuffer.begin() + st->FramePos[k], st->FileBuffer.end(), 0);
    ASSERT_TRUE(CalculatePeaks(*st, *st));
    ASSERT_EQ(st->PeakMaxL.size(), st->FrameCount);
    for (uint32_t j = k + 1; j < st->FrameCount; ++j) {
        EXPECT_EQ(st->PeakMaxL[j], 0) << j;
        EXPECT_EQ(st->PeakMinR[j], 0) << j;
    }
    for (uint32_t j = 2; j + 2 < k; ++j) {
        EXPECT_EQ(st->PeakMaxL[j], before[j]) << j;
    }
    const std::vector<int16_t> seqMax = st->PeakMaxL, seqMin = st->PeakMinR;
    ASSERT_TRUE(CalculatePeaksParallel(*st, *st, 2, {}, nullptr, 6));
    EXPECT_EQ(st->PeakMaxL, seqMax);
    EXPECT_EQ(st->PeakMinR, seqMin);

    // A stream that cannot even be created: every frame is silent.
    std::fill(st->FileBuffer.begin(), st->FileBuffer.end(), 0);
    ASSERT_TRUE(CalculatePeaks(*st, *st));
    for (uint32_t j = 0; j < st->FrameCount; ++j) {
        ASSERT_EQ(st->PeakMaxL[j], 0) << j;
    }
    Mpg123Decoder dec;
    EXPECT_FALSE(dec.Open(st->FileBuffer.data(), st->FileBuffer.size(), 0));
    EXPECT_FALSE(dec.Open(st->FileBuffer.data(), st->FileBuffer.size(), st->FileBuffer.size()));
    const int16_t* pcm = nullptr;
    size_t bytes = 0;
    EXPECT_FALSE(dec.NextFrame(pcm, bytes));
}

// ID3v2 sizes that lie: larger than the file (the search starts past the end
// and the file is refused), non-synchsafe bytes, and a size that is too
// small (the search then steps over the rest of the tag).
TEST_F(ReliabilityInput, LyingId3v2SizesAreHandled) {
    const std::vector<uint8_t> tagged = ReadBytes(Fixture("id3v2.mp3"));
    ASSERT_EQ(tagged[0], 'I');
    struct Case {
        std::array<uint8_t, 4> size;
        bool accepted;
    };
    for (const Case& c :
         {Case{{0x7F, 0x7F, 0x7F, 0x7F}, false}, Case{{0xFF, 0xFF, 0xFF, 0xFF}, false},
          Case{{0x00, 0x08, 0x00, 0x00}, false}, Case{{0, 0, 0, 0}, true},
          Case{{0, 0, 1, 0}, true}}) {
        std::vector<uint8_t> b = tagged;
        std::copy(c.size.begin(), c.size.end(), b.begin() + 6);
        const std::string path = Path("lying.mp3");
        WriteBytes(path, b);
        OpenResult r;
        auto st = Open(path, true, &r);
        const std::string what = "size bytes " + std::to_string(c.size[0]) + "," +
                                 std::to_string(c.size[1]) + "," + std::to_string(c.size[2]) + "," +
                                 std::to_string(c.size[3]);
        if (c.accepted) {
            EXPECT_TRUE(st->HasId3v2) << what;
            ASSERT_TRUE(r.ok) << what << ": " << r.message;
            ExpectSoundAnalysis(*st, what);
            // The same first frame as with the honest size.
            auto honest = Open(Fixture("id3v2.mp3"), false);
            EXPECT_EQ(st->FirstFramePos, honest->FirstFramePos) << what;
            EXPECT_EQ(st->IndexedFrames, honest->IndexedFrames) << what;
        } else {
            ExpectRefused(r, *st, kNotMp3Message);
        }
    }
}

// Streams that change sample rate, version or channel count part-way: the
// open either refuses them or gives a sound index and table (the first
// format holds), and the parts within the first section are its exact bytes.
TEST_F(ReliabilityInput, FormatChangeMidStreamDoesNotCrash) {
    std::vector<std::vector<uint8_t>> seconds = {ReadBytes(Fixture("mono.mp3")),
                                                 ReadBytes(Fixture("mpeg2_22k.mp3"))};
    if (HaveTool("lame")) {
        WriteBytes(Path("sine.raw"), SinePcm(1.0, 330));
        ASSERT_EQ(RunCommand("lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian "
                             "--resample 48 -b 128 " +
                             Quote(Path("sine.raw")) + " " + Quote(Path("48k.mp3")))
                      .status,
                  0);
        seconds.push_back(ReadBytes(Path("48k.mp3")));
    }
    const std::vector<uint8_t> first = ReadBytes(Fixture("cbr128_stereo.mp3"));
    for (size_t i = 0; i < seconds.size(); ++i) {
        const std::string what = "second stream " + std::to_string(i);
        const std::string path = Path("mixed.mp3");
        WriteBytes(path, Concat(first, seconds[i]));
        OpenResult r;
        auto st = Open(path, true, &r);
        if (!r.ok) {
            ExpectRefused(r, *st, kNotMp3Message);
            continue;
        }
        ExpectSoundAnalysis(*st, what);
        EXPECT_EQ(st->SampleRate, 44100u) << what;
        auto alone = Open(Fixture("cbr128_stereo.mp3"), false);
        ASSERT_GT(alone->IndexedFrames, 10);
        CutAt(*st, {10});
        EXPECT_EQ(PartByteRange(*st, *st, 1).first, static_cast<size_t>(alone->FramePos[0]))
            << what;
        EXPECT_EQ(PartByteRange(*st, *st, 1).end, static_cast<size_t>(alone->FramePos[10])) << what;
    }
}

// Noise, and real files with bytes flipped, cut or repeated: every image is
// either refused with a message or gives a sound analysis.
TEST_F(ReliabilityInput, GarbageAndDamagedFilesNeverCrash) {
    std::mt19937 rng(20261208);
    int accepted = 0, refused = 0;
    auto tryImage = [&](std::vector<uint8_t> image, const std::string& what) {
        ProgramState st;
        st.FileName = what;
        const OpenResult r = AnalyseImage(st, st, std::move(image), true);
        if (r.ok) {
            ++accepted;
            ExpectSoundAnalysis(st, what);
        } else {
            ++refused;
            EXPECT_FALSE(r.message.empty()) << what;
        }
    };
    for (int i = 0; i < 40; ++i) {
        std::vector<uint8_t> noise(std::uniform_int_distribution<size_t>(0, 20000)(rng));
        for (auto& b : noise)
            b = static_cast<uint8_t>(rng());
        // Noise full of sync words.
        if (i % 2)
            for (size_t p = 0; p + 1 < noise.size(); p += 97)
                noise[p] = 0xFF, noise[p + 1] = 0xFB;
        tryImage(noise, "noise " + std::to_string(i));
    }
    for (const char* name : {"cbr128_stereo.mp3", "vbr_stereo.mp3", "mono.mp3", "mpeg2_22k.mp3",
                             "mpeg25_8k.mp3", "crc.mp3", "id3v1_id3v2.mp3", "cover_art.mp3"}) {
        const std::vector<uint8_t> whole = ReadBytes(Fixture(name));
        for (int i = 0; i < 12; ++i) {
            std::vector<uint8_t> b = whole;
            const int flips = 1 + i * 7;
            for (int k = 0; k < flips; ++k)
                b[rng() % b.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
            if (i % 3 == 1) { // a stretch repeated, as a broken download resume leaves it
                const size_t at = rng() % b.size(), len = std::min<size_t>(3000, b.size() - at);
                b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), whole.begin(),
                         whole.begin() + static_cast<std::ptrdiff_t>(len));
            }
            if (i % 3 == 2) // a stretch missing
                b.erase(b.begin() + static_cast<std::ptrdiff_t>(rng() % (b.size() / 2)),
                        b.begin() + static_cast<std::ptrdiff_t>(b.size() / 2));
            tryImage(b, std::string(name) + " damaged " + std::to_string(i));
        }
    }
    EXPECT_GT(accepted, 0);
    EXPECT_GT(refused, 0);
}
