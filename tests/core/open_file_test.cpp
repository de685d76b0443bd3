// Whole opens: loading, tags, refusals with their messages, cancelling,
// adopting a scratch state, frame viewer rows.
#include "analysis_test_support.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/frame_viewer_data.h"
#include "core/analysis/mp3_load.h"
#include "core/parts/part_access.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace tessivo;
using namespace analysis_test;

namespace {

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "tessivo_" + name;
}

// A fixture's audio with `front` in front and `back` behind it.
std::string Wrapped(const std::string& name, const std::vector<uint8_t>& front,
                    const std::vector<uint8_t>& back,
                    const std::string& source = "cbr128_stereo.mp3") {
    std::vector<uint8_t> b = front;
    const std::vector<uint8_t> audio = ReadBytes(Fixture(source));
    b.insert(b.end(), audio.begin(), audio.end());
    b.insert(b.end(), back.begin(), back.end());
    const std::string p = TempPath(name);
    WriteBytes(p, b);
    return p;
}

} // namespace

TEST(OpenFile, NegativeInputsAreRefusedAsNotMp3) {
    for (const std::string& name : NegativeFixtures()) {
        SCOPED_TRACE(name);
        ProgramState st;
        const OpenResult r = AnalyseFile(st, st, Fixture(name), true);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.cancelled);
        EXPECT_EQ(r.message, "It is not a MP3 file!");
        EXPECT_EQ(st.FileName, Fixture(name));
        EXPECT_FALSE(st.FileLoaded);
        EXPECT_EQ(st.FrameCount, 0u);
        EXPECT_EQ(st.ProgressPercent.load(), 0.0);
    }
}

TEST(OpenFile, MissingFileAndFolderAreRefusedWithTheReason) {
    ProgramState st;
    OpenResult r = AnalyseFile(st, st, TempPath("does_not_exist.mp3"), false);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("No such file"), std::string::npos) << r.message;
    r = AnalyseFile(st, st, ::testing::TempDir(), false);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("not a regular file"), std::string::npos) << r.message;
}

TEST(OpenFile, FilesPast64GiBAreRefusedBeforeAnyAllocation) {
    // A sparse file: no disk space and no memory are used.
    const std::string p = TempPath("huge.mp3");
    const int fd = ::open(p.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kMaxFileSize + 1)), 0);
    ::close(fd);
    ProgramState st;
    const OpenResult r = AnalyseFile(st, st, p, true);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, p + ": 64.1 GiB is larger than the 64 GiB Tessivo opens");
    EXPECT_EQ(st.FileBuffer.capacity(), 0u);
    // 64 GiB itself is not refused for its size (it is refused as not MP3 later).
    uint64_t size = 0;
    std::string msg;
    ASSERT_EQ(::truncate(p.c_str(), static_cast<off_t>(kMaxFileSize)), 0);
    EXPECT_TRUE(CheckFileSize(p, size, msg));
    EXPECT_EQ(size, uint64_t{64} << 30);
    std::remove(p.c_str());
}

TEST(OpenFile, LoadsInChunksWithProgress) {
    const std::string p = TempPath("chunks.bin");
    std::vector<uint8_t> b(25000);
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(i * 7);
    WriteBytes(p, b);
    ProgramState st;
    st.FileName = p;
    std::vector<double> seen;
    std::string msg;
    ASSERT_TRUE(LoadFile(st, st, msg, [&](const char* stage, double x) {
        EXPECT_STREQ(stage, "Opening file");
        EXPECT_EQ(st.ProgressPercent.load(), x);
        seen.push_back(x);
    }));
    EXPECT_EQ(seen, (std::vector<double>{40.0, 80.0, 100.0}));
    EXPECT_EQ(st.ProgressPercent.load(), 0.0);
    EXPECT_EQ(st.FileSize, 25000u);
    EXPECT_EQ(st.FileBuffer, b);
    std::remove(p.c_str());
}

TEST(OpenFile, Id3v2SizeAndPresence) {
    ProgramState st;
    st.FileBuffer = {'I', 'D', '3', 3, 0, 0, 0, 0, 2, 1, 0, 0};
    DetectTags(st);
    EXPECT_TRUE(st.HasId3v2);
    EXPECT_EQ(st.Id3v2Size, 267);
    // Lower case, or a different third byte: no tag; the old size stays.
    st.FileBuffer = {'i', 'd', '3', 3, 0, 0, 0, 0, 9, 9, 0, 0};
    DetectTags(st);
    EXPECT_FALSE(st.HasId3v2);
    EXPECT_EQ(st.Id3v2Size, 267);
    st.FileBuffer = {'I', 'D', '2', 3, 0, 0, 0, 0, 9, 9, 0, 0};
    DetectTags(st);
    EXPECT_FALSE(st.HasId3v2);
    // Shorter than 10 bytes: the size bytes are missing, so no tag.
    st.FileBuffer = {'I', 'D', '3', 3, 0, 0, 0, 0, 2};
    DetectTags(st);
    EXPECT_FALSE(st.HasId3v2);
}

TEST(OpenFile, Id3v1Presence) {
    ProgramState st;
    st.FileBuffer.assign(300, 0);
    st.FileBuffer[172] = 'T';
    st.FileBuffer[173] = 'A';
    st.FileBuffer[174] = 'G'; // rest of the block is not a valid tag: still a tag
    st.FileBuffer[299] = 0x55;
    DetectTags(st);
    EXPECT_TRUE(st.HasId3v1);
    EXPECT_EQ(st.Id3v1Buffer[127], 0x55);
    st.FileBuffer[173] = 'a';
    DetectTags(st);
    EXPECT_FALSE(st.HasId3v1);
    // Shorter than 128 bytes: no ID3v1 tag, even if it starts with TAG.
    st.FileBuffer.assign(127, 0);
    st.FileBuffer[0] = 'T';
    st.FileBuffer[1] = 'A';
    st.FileBuffer[2] = 'G';
    DetectTags(st);
    EXPECT_FALSE(st.HasId3v1);
}

TEST(OpenFile, TagsOfTheFixtures) {
    struct Case {
        const char* file;
        bool v2;
        int32_t v2size;
        bool v1;
        int track;
    };
    for (const Case& c :
         {Case{"id3v2.mp3", true, 500, false, -1}, Case{"id3v2_padding.mp3", true, 2000, false, -1},
          Case{"cover_art.mp3", true, 60000, false, -1}, Case{"id3v1_track.mp3", false, 0, true, 7},
          Case{"id3v1_notrack.mp3", false, 0, true, -1},
          Case{"id3v1_id3v2.mp3", true, 500, true, 3},
          Case{"cbr128_stereo.mp3", false, 0, false, -1}}) {
        SCOPED_TRACE(c.file);
        OpenResult r;
        auto st = Analyse(c.file, false, &r);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(st->HasId3v2, c.v2);
        if (c.v2) {
            EXPECT_EQ(st->Id3v2Size, c.v2size);
        }
        EXPECT_EQ(st->HasId3v1, c.v1);
        if (c.track >= 0) {
            EXPECT_EQ(st->Id3v1Buffer[125], 0);
            EXPECT_EQ(st->Id3v1Buffer[126], c.track);
        }
        if (c.v1) {
            const std::vector<uint8_t> b = ReadBytes(Fixture(c.file));
            EXPECT_TRUE(std::equal(b.end() - 128, b.end(), st->Id3v1Buffer.begin()));
        }
    }
}

TEST(OpenFile, CoverArtBeyond50000BytesOpens) {
    // 80 KB of tag: a search limited to 50000 bytes from the start of the
    // file would never reach the audio.
    std::vector<uint8_t> tag(80000, 0);
    tag[0] = 'I';
    tag[1] = 'D';
    tag[2] = '3';
    tag[3] = 3;
    const uint32_t body = 80000 - 10;
    tag[6] = (body >> 21) & 127;
    tag[7] = (body >> 14) & 127;
    tag[8] = (body >> 7) & 127;
    tag[9] = body & 127;
    const std::string p = Wrapped("art80k.mp3", tag, {});
    ProgramState st;
    const OpenResult r = AnalyseFile(st, st, p, true);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(st.FirstFramePos, 80000);
    EXPECT_EQ(st.FrameCount, 79u);
    std::remove(p.c_str());
}

TEST(OpenFile, AudioTooFarBehindTheTagIsRefused) {
    // 51000 zero bytes between a small tag and the audio.
    std::vector<uint8_t> front(10 + 51000, 0);
    front[0] = 'I';
    front[1] = 'D';
    front[2] = '3';
    const std::string p = Wrapped("late_audio.mp3", front, {});
    ProgramState st;
    const OpenResult r = AnalyseFile(st, st, p, false);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "It is not a MP3 file!");
    std::remove(p.c_str());
}

TEST(OpenFile, CancelStopsWithoutAMessage) {
    std::atomic<bool> cancel{true};
    ProgramState st;
    const OpenResult r = AnalyseFile(st, st, Fixture("long65.mp3"), true, {}, &cancel);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.message.empty());
    EXPECT_EQ(st.ProgressPercent.load(), 0.0);
}

TEST(OpenFile, ProgressStagesInOrder) {
    ProgramState st;
    std::vector<std::string> stages;
    const OpenResult r =
        AnalyseFile(st, st, Fixture("speech_pauses.mp3"), true, [&](const char* stage, double) {
            if (stages.empty() || stages.back() != stage)
                stages.push_back(stage);
        });
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(stages, (std::vector<std::string>{"Opening file", "Calculating Peaks"}));
}

TEST(OpenFile, AdoptMovesTheFileAndKeepsTheRest) {
    ProgramState dst;
    dst.Volume = 77;
    dst.OutputFolder = "/music/out";
    dst.Parts.resize(3);
    dst.Id3v2Size = 1234;
    ProgramState scratch;
    ASSERT_TRUE(AnalyseFile(scratch, scratch, Fixture("id3v1_track.mp3"), true).ok);
    const uint32_t frames = scratch.FrameCount;
    const std::vector<int16_t> peaks = scratch.PeakMaxL;
    AdoptAnalysedFile(dst, std::move(scratch));
    EXPECT_EQ(dst.FileName, Fixture("id3v1_track.mp3"));
    EXPECT_EQ(dst.FrameCount, frames);
    EXPECT_EQ(dst.FramePos.size(), frames);
    EXPECT_EQ(dst.PeakMaxL, peaks);
    EXPECT_EQ(dst.FileBuffer.size(), dst.FileSize);
    EXPECT_TRUE(dst.HasId3v1);
    EXPECT_FALSE(dst.HasId3v2);
    EXPECT_EQ(dst.Id3v2Size, 1234); // no tag: the old size is left alone
    EXPECT_EQ(StreamInfoText(dst),
              "MPEG-1   Layer3   128kbps   joint stereo   44100Hz   00:02:000");
    EXPECT_EQ(dst.Volume, 77);
    EXPECT_EQ(dst.OutputFolder, "/music/out");
    EXPECT_EQ(PartCount(dst), 3);
}

TEST(OpenFile, FrameViewerRowsOnlyWhenEnabled) {
    ProgramState off;
    ASSERT_TRUE(AnalyseFile(off, off, Fixture("cbr128_stereo.mp3"), false).ok);
    EXPECT_TRUE(off.ViewerB1.empty());

    ProgramState st;
    st.ViewerEnabled = true;
    ASSERT_TRUE(AnalyseFile(st, st, Fixture("cbr128_stereo.mp3"), false).ok);
    ASSERT_EQ(st.ViewerB1.size(), kViewerTableSize);
    const auto& b = st.FileBuffer;
    for (int i = 0; i < st.IndexedFrames; ++i) {
        const size_t p = static_cast<size_t>(st.FramePos[i]);
        ASSERT_EQ(st.ViewerB1[i], b[p]);
        ASSERT_EQ(st.ViewerB2[i], b[p + 1]);
        ASSERT_EQ(st.ViewerB3[i], b[p + 2]);
        ASSERT_EQ(st.ViewerB4[i], b[p + 3]);
        // Stereo, no CRC: gain of channel 1, granule 1 = 8 bits from bit 41 of the side info.
        const size_t s = p + 4;
        const unsigned bits = (b[s + 5] << 16) | (b[s + 6] << 8) | b[s + 7];
        EXPECT_EQ(st.ViewerGain11[i], (bits >> (24 - 1 - 8)) & 0xFF) << "frame " << i;
    }
    EXPECT_EQ(st.ViewerB1[st.IndexedFrames], 0);

    // CRC-protected mono-free case: side info starts 6 bytes after the frame.
    ProgramState crc;
    crc.ViewerEnabled = true;
    ASSERT_TRUE(AnalyseFile(crc, crc, Fixture("crc.mp3"), false).ok);
    const size_t p = static_cast<size_t>(crc.FramePos[5]);
    const unsigned bits = (crc.FileBuffer[p + 6 + 5] << 8) | crc.FileBuffer[p + 6 + 6];
    EXPECT_EQ(crc.ViewerGain11[5], (bits >> 7) & 0xFF);

    // Mono: gain 1 from bit 39 (B[4] * 128 + B[5] / 2).
    ProgramState mono;
    mono.ViewerEnabled = true;
    ASSERT_TRUE(AnalyseFile(mono, mono, Fixture("mono.mp3"), false).ok);
    const size_t m = static_cast<size_t>(mono.FramePos[3]) + 4;
    EXPECT_EQ(mono.ViewerGain11[3],
              static_cast<uint8_t>(mono.FileBuffer[m + 4] * 128 + mono.FileBuffer[m + 5] / 2));

    // Adopting keeps rows of frames the new file did not index.
    ProgramState shown;
    AdoptAnalysedFile(shown, std::move(st));
    ProgramState small;
    small.ViewerEnabled = true;
    ASSERT_TRUE(AnalyseFile(small, small, Fixture("mpeg25_8k.mp3"), false).ok);
    const int32_t smallRows = small.IndexedFrames;
    const uint8_t before = shown.ViewerB3[smallRows + 5];
    AdoptAnalysedFile(shown, std::move(small));
    EXPECT_EQ(shown.ViewerB3[smallRows + 5], before);
    EXPECT_EQ(shown.ViewerB2[0], shown.FileBuffer[1]);
}

TEST(OpenFile, RepeatedOpensAreIndependent) {
    // A stereo file, then a mono one, then the stereo one again, in one state.
    ProgramState st;
    ASSERT_TRUE(AnalyseFile(st, st, Fixture("vbr_stereo.mp3"), true).ok);
    const std::vector<int64_t> pos = st.FramePos;
    const std::vector<int16_t> peaks = st.PeakMinR;
    ASSERT_TRUE(AnalyseFile(st, st, Fixture("mpeg25_8k.mp3"), true).ok);
    EXPECT_EQ(st.ChannelCount, 1);
    ASSERT_TRUE(AnalyseFile(st, st, Fixture("vbr_stereo.mp3"), true).ok);
    EXPECT_EQ(st.FramePos, pos);
    EXPECT_EQ(st.PeakMinR, peaks);
}

TEST(OpenFile, LargeNonMp3IsRefusedFromItsStart) {
    // 300 MB of zeros (sparse): refused before the file is read into memory,
    // so the load never reports progress.
    const std::string p = TempPath("big_zeros.mp3");
    const int fd = ::open(p.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{300} << 20), 0);
    ::close(fd);
    ProgramState st;
    bool loaded = false;
    const OpenResult r = AnalyseFile(st, st, p, true, [&](const char*, double) { loaded = true; });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "It is not a MP3 file!");
    EXPECT_FALSE(loaded);
    EXPECT_EQ(st.FileBuffer.capacity(), 0u);
    std::string msg;
    EXPECT_TRUE(QuickCheck(Fixture("cover_art.mp3"), msg)) << msg;
    EXPECT_FALSE(QuickCheck(Fixture("not_mp3.wav"), msg));
    std::remove(p.c_str());
}

TEST(OpenFile, TenHourFileCountsEveryFrame) {
    // Ten hours of silent MPEG-1 frames at 32 kbit/s, 44.1 kHz stereo: the
    // decoded length (6.35 GB of PCM) does not fit 32 bits. Each frame is a
    // header and zero side information (every granule empty), 104 bytes, or
    // 105 with padding as a CBR encoder pads to keep the rate.
    const std::string p = TempPath("ten_hours.mp3");
    const uint32_t frames = 1378125; // 36000 s * 44100 / 1152
    {
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        std::vector<uint8_t> plain(104, 0), padded(105, 0);
        const uint8_t h[4] = {0xFF, 0xFB, 0x10, 0x44};
        std::copy(h, h + 4, plain.begin());
        std::copy(h, h + 4, padded.begin());
        padded[2] = 0x12;
        std::vector<uint8_t> block;
        uint64_t acc = 0; // 104.49 bytes per frame on average
        for (uint32_t i = 0; i < frames; ++i) {
            acc += 4898; // padding on 48.98 % of the frames
            const bool pad = acc >= 10000;
            if (pad)
                acc -= 10000;
            const auto& fr = pad ? padded : plain;
            block.insert(block.end(), fr.begin(), fr.end());
            if (block.size() > (1u << 20)) {
                f.write(reinterpret_cast<const char*>(block.data()),
                        static_cast<std::streamsize>(block.size()));
                block.clear();
            }
        }
        f.write(reinterpret_cast<const char*>(block.data()),
                static_cast<std::streamsize>(block.size()));
    }
    ProgramState st;
    const OpenResult r = AnalyseFile(st, st, p, false);
    std::remove(p.c_str());
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(st.DecodedLength, uint64_t{frames} * 1152 * 4);
    EXPECT_EQ(st.FrameCount, frames);
    EXPECT_EQ(st.IndexedFrames, static_cast<int32_t>(frames));
    EXPECT_DOUBLE_EQ(st.Duration, 36000.0);
    EXPECT_EQ(StreamInfoText(st),
              "MPEG-1   Layer3   32kbps   joint stereo   44100Hz   10:00:00:000");
    EXPECT_EQ(FrameByteEnd(st, st, frames - 1), static_cast<int64_t>(st.FileSize));
}
