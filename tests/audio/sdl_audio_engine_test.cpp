// The SDL audio engine, headless: SDL's `disk` driver writes everything the
// engine hands to the device into a file, which is compared with a direct
// decode of the fixture through libmpg123.
#include "audio/sdl_audio_engine.h"

#include "core/decode/mpg123_decoder.h"
#include "core/parts/cut_lines.h"
#include "core/playback/playback_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <thread>
#include <unistd.h>

namespace tessivo {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::vector<uint8_t> ReadBytes(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Frame offsets found by walking the layer III frame headers from the first
// one (after an ID3v2 tag), independent of the program's own frame index.
std::vector<int64_t> WalkFrames(std::span<const uint8_t> b, int& spf, uint32_t& rate) {
    static const int kBrV1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                  112, 128, 160, 192, 224, 256, 320, 0};
    static const int kBrV2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const uint32_t kRates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    size_t pos = 0;
    if (b.size() > 10 && std::memcmp(b.data(), "ID3", 3) == 0)
        pos = 10 + ((b[6] & 0x7f) << 21 | (b[7] & 0x7f) << 14 | (b[8] & 0x7f) << 7 | (b[9] & 0x7f));
    size_t end = b.size();
    if (end >= 128 && std::memcmp(&b[end - 128], "TAG", 3) == 0)
        end -= 128;
    while (pos + 4 <= end && !(b[pos] == 0xff && (b[pos + 1] & 0xe0) == 0xe0))
        ++pos;
    std::vector<int64_t> frames;
    while (pos + 4 <= end && b[pos] == 0xff && (b[pos + 1] & 0xe0) == 0xe0) {
        const int ver = (b[pos + 1] >> 3) & 3;
        const int br = (b[pos + 2] >> 4) & 15;
        const int sr = (b[pos + 2] >> 2) & 3;
        const int pad = (b[pos + 2] >> 1) & 1;
        rate = kRates[ver][sr];
        const int kbps = ver == 3 ? kBrV1[br] : kBrV2[br];
        spf = ver == 3 ? 1152 : 576;
        const size_t len = size_t(spf / 8) * 1000 * kbps / rate + pad;
        if (len < 4 || pos + len > end)
            break;
        frames.push_back(int64_t(pos));
        pos += len;
    }
    return frames;
}

// A fixture loaded into a program state with one part, plus the reference
// decode of the whole file from frame 0.
struct Loaded {
    ProgramState st;
    std::vector<int16_t> reference;
};

void Load(Loaded& l, const char* name) {
    ProgramState& st = l.st;
    const std::vector<uint8_t> image = ReadBytes(fs::path(TESSIVO_FIXTURES) / name);
    st.FileBuffer.assign(image.begin(), image.end());
    ASSERT_FALSE(st.FileBuffer.empty()) << name;
    st.FileSize = uint32_t(st.FileBuffer.size());
    int spf = 0;
    uint32_t rate = 0;
    st.FramePos = WalkFrames(st.FileBuffer, spf, rate);
    ASSERT_GT(st.FramePos.size(), 20u) << name;
    st.FrameCount = uint32_t(st.FramePos.size());
    st.IndexedFrames = int32_t(st.FrameCount);
    st.SamplesPerFrame = spf;
    st.SampleRate = rate;
    st.HeaderSampleRate = int32_t(rate);
    st.FrameDuration = double(spf) / rate;
    st.Duration = st.FrameCount * st.FrameDuration;

    Mpg123Decoder dec;
    ASSERT_TRUE(dec.Open(st.FileBuffer.data(), st.FileBuffer.size(), size_t(st.FramePos[0])));
    st.ChannelCount = dec.Channels();
    ASSERT_EQ(dec.Rate(), rate);
    const int16_t* pcm = nullptr;
    size_t bytes = 0;
    uint32_t n = 0;
    while (dec.NextFrame(pcm, bytes)) {
        ASSERT_EQ(bytes, size_t(spf) * 2 * st.ChannelCount) << "frame " << n;
        l.reference.insert(l.reference.end(), pcm, pcm + bytes / 2);
        ++n;
    }
    ASSERT_EQ(n, st.FrameCount) << "the decoder and the header walk see the same frames";
    st.FileLoaded = true;
    ResetToOnePart(st, st);
}

// Points SDL at its disk driver writing into a fresh file of this test.
class DiskOutput : public ::testing::Test {
protected:
    void UseDisk(int delayMs) {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        path_ = fs::temp_directory_path() /
                ("tessivo_disk_" + std::to_string(::getpid()) + "_" + name + ".raw");
        fs::remove(path_);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path_.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", std::to_string(delayMs).c_str(), 1);
    }
    void TearDown() override {
        if (!path_.empty())
            fs::remove(path_);
    }
    // Samples the device was given, read after the engine shut down.
    std::vector<int16_t> Written() {
        const auto bytes = ReadBytes(path_);
        std::vector<int16_t> s(bytes.size() / 2);
        std::memcpy(s.data(), bytes.data(), s.size() * 2);
        return s;
    }
    fs::path path_;
};

// Waits until the engine reports the stream finished.
void WaitUntilInactive(SdlAudioEngine& eng, StreamHandle h, double seconds) {
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    while (eng.IsActive(h) && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(eng.IsActive(h)) << "the stream did not end in time";
}

// Index in `hay` where `needle` begins, or -1.
int64_t Find(const std::vector<int16_t>& hay, const int16_t* needle, size_t n) {
    auto it = std::search(hay.begin(), hay.end(), needle, needle + n);
    return it == hay.end() ? -1 : int64_t(it - hay.begin());
}

struct ExactCase {
    const char* file;
    int32_t cut;
};
void PrintTo(const ExactCase& c, std::ostream* os) {
    *os << c.file << " cut at " << c.cut;
}

class BitExact : public DiskOutput, public ::testing::WithParamInterface<ExactCase> {};

TEST_P(BitExact, PartTwoFromItsStartIsTheDecodeFromThatFrameOn) {
    const ExactCase c = GetParam();
    Loaded l;
    Load(l, c.file);
    ProgramState& st = l.st;
    ReplaceParts(st, st, {c.cut});
    st.Volume = 100;
    UseDisk(2);
    SdlAudioEngine eng;
    ASSERT_TRUE(eng.Init());
    st.PlayStream = eng.CreateStream(st);
    ASSERT_NE(st.PlayStream, 0u);
    st.PlayingPart = 2;
    const auto r = PlayFrom(st, st, st, st, eng, 2, PlayStartKind::PartStart, 0);
    ASSERT_TRUE(r.started) << (r.errorText ? *r.errorText : "");
    WaitUntilInactive(eng, st.PlayStream, 20);
    eng.Shutdown();

    const auto out = Written();
    const size_t from = size_t(c.cut) * st.SamplesPerFrame * st.ChannelCount;
    const size_t n = l.reference.size() - from;
    const int16_t* expected = l.reference.data() + from;
    // Locate the first frame of the part in the output (the device wrote
    // silence before playback started).
    const int64_t at = Find(out, expected, size_t(st.SamplesPerFrame) * st.ChannelCount);
    ASSERT_GE(at, 0) << "first frame of the part not found in the output";
    EXPECT_TRUE(std::all_of(out.begin(), out.begin() + at, [](int16_t v) { return v == 0; }))
        << "something was heard before the part's first frame";
    ASSERT_GE(out.size(), size_t(at) + n) << "the output stops before the end of the file";
    EXPECT_TRUE(std::equal(expected, expected + n, out.begin() + at))
        << "the output differs from the decode of frames " << c.cut << "...";
    EXPECT_TRUE(std::all_of(out.begin() + at + int64_t(n), out.end(), [](int16_t v) {
        return v == 0;
    })) << "something was heard after the end of the file";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BitExact,
                         ::testing::Values(ExactCase{"cbr128_stereo.mp3", 30},
                                           ExactCase{"vbr_stereo.mp3", 41},
                                           ExactCase{"mono.mp3", 17},
                                           ExactCase{"mpeg2_22k.mp3", 25},
                                           ExactCase{"id3v1_id3v2.mp3", 9}),
                         [](const auto& info) {
                             std::string s = info.param.file;
                             return s.substr(0, s.find('.'));
                         });

TEST_F(DiskOutput, VolumeScalesEverySample) {
    Loaded l;
    Load(l, "vbr_stereo.mp3");
    ProgramState& st = l.st;
    st.Volume = 37;
    UseDisk(2);
    SdlAudioEngine eng;
    ASSERT_TRUE(eng.Init());
    st.PlayStream = eng.CreateStream(st);
    st.PlayingPart = 1;
    st.ClickFrame = 10;
    ASSERT_TRUE(PlayFrom(st, st, st, st, eng, 0, PlayStartKind::ClickedFrame, 0).started);
    WaitUntilInactive(eng, st.PlayStream, 20);
    eng.Shutdown();

    const auto out = Written();
    const size_t from = size_t(10) * st.SamplesPerFrame * st.ChannelCount;
    const size_t n = l.reference.size() - from;
    // Find the start through the first sample that is loud enough to be
    // unambiguous, then compare everything with the reference at 0.37.
    std::vector<int16_t> scaledHead(64);
    for (size_t i = 0; i < scaledHead.size(); ++i)
        scaledHead[i] = int16_t(std::lrint(l.reference[from + i] * 0.37));
    const int64_t at = Find(out, scaledHead.data(), scaledHead.size());
    ASSERT_GE(at, 0);
    ASSERT_GE(out.size(), size_t(at) + n);
    int worst = 0;
    for (size_t i = 0; i < n; ++i)
        worst = std::max(worst, std::abs(out[size_t(at) + i] - int(l.reference[from + i] * 0.37)));
    EXPECT_LE(worst, 1);
}

TEST_F(DiskOutput, VolumeChangeWhilePlayingTakesEffectAtTheNextBuffer) {
    Loaded l;
    Load(l, "vbr_stereo.mp3");
    ProgramState& st = l.st;
    st.Volume = 100;
    UseDisk(10); // about 4.6 times real time
    SdlAudioEngine eng;
    ASSERT_TRUE(eng.Init());
    st.PlayStream = eng.CreateStream(st);
    st.PlayingPart = 1;
    st.ClickFrame = 10;
    ASSERT_TRUE(PlayFrom(st, st, st, st, eng, 0, PlayStartKind::ClickedFrame, 0).started);
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    const int64_t h0 = eng.FramesHandedToDevice();
    ApplyVolumeBar(st, st, eng, 25);
    const int64_t h1 = eng.FramesHandedToDevice();
    ASSERT_TRUE(eng.IsActive(st.PlayStream)) << "the change must come while playing";
    WaitUntilInactive(eng, st.PlayStream, 20);
    eng.Shutdown();
    EXPECT_EQ(st.Volume, 25);

    const auto out = Written();
    const int ch = st.ChannelCount;
    const size_t from = size_t(10) * st.SamplesPerFrame * ch;
    const size_t n = l.reference.size() - from;
    const int64_t at = Find(out, l.reference.data() + from, 256);
    ASSERT_GE(at, 0);
    ASSERT_GE(out.size(), size_t(at) + n);
    // The first sample that is not the full-volume decode is where the new
    // volume begins; from there on every sample is at a quarter.
    size_t sw = 0;
    while (sw < n && out[size_t(at) + sw] == l.reference[from + sw])
        ++sw;
    ASSERT_LT(sw, n) << "the volume never changed";
    // The change lands on a device buffer boundary handed over after the call.
    const int64_t switchFrame = int64_t(sw) / ch;
    // (A few quiet samples look alike at both volumes, so the detected
    // switch may lie a little after the real one.)
    EXPECT_GE(switchFrame, h0);
    EXPECT_LE(switchFrame, h1 + 16);
    EXPECT_GT(h0, 0) << "nothing was handed over before the change: no test";
    int worst = 0;
    for (size_t i = size_t(switchFrame) * ch; i < n; ++i)
        worst = std::max(worst, std::abs(out[size_t(at) + i] - int(l.reference[from + i] * 0.25)));
    EXPECT_LE(worst, 1);
}

// Number of samples between the first and the last non-zero sample.
int64_t SoundingLength(const int16_t* p, size_t n) {
    size_t a = 0, b = n;
    while (a < n && p[a] == 0)
        ++a;
    while (b > a && p[b - 1] == 0)
        --b;
    return int64_t(b - a);
}

TEST_F(DiskOutput, RateSliderShortensTheOutputByTheRateRatio) {
    Loaded l;
    Load(l, "vbr_stereo.mp3");
    ProgramState& st = l.st;
    st.Volume = 100;
    UseDisk(2);
    SdlAudioEngine eng;
    ASSERT_TRUE(eng.Init());
    st.PlayStream = eng.CreateStream(st);
    st.PlayingPart = 1;
    st.ClickFrame = 10;
    ASSERT_TRUE(PlayFrom(st, st, st, st, eng, 0, PlayStartKind::ClickedFrame, 50).started);
    EXPECT_DOUBLE_EQ(st.PlayRate, 72050.0);
    WaitUntilInactive(eng, st.PlayStream, 20);
    eng.Shutdown();

    const auto out = Written();
    const int ch = st.ChannelCount;
    const size_t from = size_t(10) * st.SamplesPerFrame * ch;
    const double refFrames =
        double(SoundingLength(l.reference.data() + from, l.reference.size() - from)) / ch;
    const double outFrames = double(SoundingLength(out.data(), out.size())) / ch;
    // 44100 Hz of output per 72050 Hz of source.
    EXPECT_NEAR(outFrames, refFrames * 44100.0 / 72050.0, refFrames * 0.005);
}

TEST_F(DiskOutput, PositionFollowsTheClockAndEndOfPartStopsWithinOneTick) {
    Loaded l;
    Load(l, "cbr128_stereo.mp3");
    ProgramState& st = l.st;
    ReplaceParts(st, st, {20, 50});
    UseDisk(-1); // SDL's own pace: real time
    unsetenv("SDL_DISKAUDIODELAY");
    SdlAudioEngine eng(1024);
    ASSERT_TRUE(eng.Init());
    st.PlayStream = eng.CreateStream(st);
    st.PlayingPart = 2;
    ASSERT_TRUE(PlayFrom(st, st, st, st, eng, 2, PlayStartKind::PartStart, 0).started);
    const auto t0 = Clock::now();

    PlaybackGeometry g;
    g.waveLeft = 20;
    g.waveRight = 960;
    g.waveBottom = 346;
    g.viewBottom = 377;
    g.pixelsPerFrame = 939.0 / st.FrameCount;
    uint32_t lastFrame = 20;
    double lastTickAt = 0;
    uint32_t frameAtStop = 0;
    double gapAtStop = 0;
    while (st.IsPlaying) {
        std::this_thread::sleep_for(std::chrono::milliseconds(33));
        const double now = std::chrono::duration<double>(Clock::now() - t0).count();
        ASSERT_LT(now, 5.0) << "playback never stopped";
        const auto r = PlaybackTimerTick(st, st, st, st, eng, g);
        if (r.following) {
            EXPECT_GE(r.frame, lastFrame) << "the position ran backwards";
            EXPECT_LT(r.frame, 50u + 10u);
            // Heard position against the clock: start frame plus elapsed time,
            // less at most the device latency (two buffers) and a tick.
            const double expect = 20 + now / st.FrameDuration;
            // (SDL's disk driver runs a little fast; a loaded machine can
            // starve its thread for a while.)
            EXPECT_LE(r.frame, expect + 2) << "at " << now << " s";
            EXPECT_GE(r.frame, expect - (2 * 1024.0 / 44100 + 0.25) / st.FrameDuration)
                << "at " << now << " s";
            lastFrame = r.frame;
        }
        if (r.stoppedAtPartEnd) {
            frameAtStop = lastFrame;
            gapAtStop = now - lastTickAt;
        }
        lastTickAt = now;
    }
    ASSERT_GT(frameAtStop, 0u) << "playback ended some other way";
    EXPECT_GE(frameAtStop, 50u);
    // Within one tick of the next part's start (plus rounding and the
    // position estimate's jitter).
    EXPECT_LE(frameAtStop, 50 + std::ceil(gapAtStop / st.FrameDuration) + 2);
    EXPECT_FALSE(eng.IsActive(st.PlayStream));
}

TEST_F(DiskOutput, PositionRunsAtThePlaybackRate) {
    Loaded l;
    Load(l, "vbr_stereo.mp3");
    ProgramState& st = l.st;
    UseDisk(-1);
    unsetenv("SDL_DISKAUDIODELAY"); // real time
    SdlAudioEngine eng(1024);
    ASSERT_TRUE(eng.Init());
    st.PlayStream = eng.CreateStream(st);
    st.PlayingPart = 1;
    // Rate slider at its top: 100000 Hz for a 44.1 kHz file, 2.27 times as fast.
    ASSERT_TRUE(PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 100).started);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int64_t b1 = eng.GetPosition(st.PlayStream);
    const double s1 = std::chrono::duration<double>(Clock::now() - t0).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const int64_t b2 = eng.GetPosition(st.PlayStream);
    const double s2 = std::chrono::duration<double>(Clock::now() - t0).count();
    ASSERT_TRUE(eng.IsActive(st.PlayStream));
    eng.Shutdown();
    const double bytesPerSecond = st.SampleRate * 2.0 * st.ChannelCount;
    const double heardSeconds = double(b2 - b1) / bytesPerSecond;
    // Source seconds heard per wall-clock second.
    EXPECT_NEAR(heardSeconds / (s2 - s1), 100000.0 / 44100.0, 0.35);
}

TEST(SdlAudioEngineTest, NoAudioDriverGivesTheErrorMessage) {
    Loaded l;
    Load(l, "cbr128_stereo.mp3");
    ProgramState& st = l.st;
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    SdlAudioEngine eng;
    EXPECT_FALSE(eng.Init());
    st.PlayStream = eng.CreateStream(st);
    ASSERT_NE(st.PlayStream, 0u) << "a stream exists without a device";
    st.PlayingPart = 1;
    const auto r = PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    EXPECT_FALSE(r.started);
    ASSERT_TRUE(r.errorText);
    EXPECT_EQ(*r.errorText,
              "Error playing music!\n(Error code: " + std::to_string(kEngineErrNoInit) + ")");
    EXPECT_FALSE(st.IsPlaying);
    EXPECT_FALSE(eng.IsActive(st.PlayStream));
}

TEST(SdlAudioEngineTest, DeviceThatCannotOpenGivesDeviceCode) {
    Loaded l;
    Load(l, "cbr128_stereo.mp3");
    ProgramState& st = l.st;
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/nonexistent-folder/out.raw", 1);
    SdlAudioEngine eng;
    ASSERT_TRUE(eng.Init());
    st.PlayStream = eng.CreateStream(st);
    const auto r = PlayFrom(st, st, st, st, eng, 1, PlayStartKind::PartStart, 0);
    ASSERT_TRUE(r.errorText);
    EXPECT_EQ(*r.errorText,
              "Error playing music!\n(Error code: " + std::to_string(kEngineErrDevice) + ")");
    EXPECT_FALSE(st.IsPlaying);
}

TEST(SdlAudioEngineTest, RefusesPositionsOutsideTheStreamAndUnknownHandles) {
    Loaded l;
    Load(l, "cbr128_stereo.mp3");
    ProgramState& st = l.st;
    SdlAudioEngine eng;
    const StreamHandle h = eng.CreateStream(st);
    const int64_t bpf = int64_t(st.SamplesPerFrame) * 2 * st.ChannelCount;
    EXPECT_TRUE(eng.SetPosition(h, 5 * bpf));
    EXPECT_EQ(eng.GetPosition(h), 5 * bpf);
    EXPECT_FALSE(eng.SetPosition(h, int64_t(st.FrameCount) * bpf));
    EXPECT_EQ(eng.ErrorGetCode(), kEngineErrPosition);
    EXPECT_EQ(eng.GetPosition(h), 5 * bpf) << "a refused position keeps the old one";
    EXPECT_FALSE(eng.Play(h + 100));
    EXPECT_EQ(eng.ErrorGetCode(), kEngineErrHandle);
    eng.FreeStream(h);
    EXPECT_FALSE(eng.IsActive(h));
    eng.FreeStream(0);
}

} // namespace
} // namespace tessivo
