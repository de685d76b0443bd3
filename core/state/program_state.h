// The one record that holds everything the program knows about the open file,
// its cut lines and parts, and the user's settings. Created once by whoever
// runs the program (window or command line) and passed by reference.
#pragma once

#include "core/state/file_image.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace tessivo {

// At most 999 parts (998 cut lines after the file's start).
constexpr int kMaxParts = 999;

// Frames per screen column at zoom levels 1..11 (index 0 unused).
constexpr std::array<int32_t, 12> ZoomFactor = {0, 1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024};
// Below level 1 a column is less than a frame: level L < 1 shows 2^(L - 1)
// frames per column, down to 1/256 (4.5 samples of a 1152-sample frame).
constexpr int16_t kFinestZoomLevel = -7;

// Frames per column at zoom level `level` (held within kFinestZoomLevel..11).
inline double ZoomScale(int level) {
    if (level >= 1)
        return ZoomFactor[level > 11 ? 11 : level];
    return std::ldexp(1.0, (level < kFinestZoomLevel ? kFinestZoomLevel : level) - 1);
}

using Id3v1Record = std::array<uint8_t, 128>;

// A byte offset or a size within the source or an output: 64-bit, so files
// past 4 GiB are measured and cut exactly.
using FileOffset = int64_t;

// Which tags a part file gets: ID3v2 in front, ID3v1 at the end, or both.
enum class TagFormat { V1, V23, V24, V1V23, V1V24 };
constexpr TagFormat kDefaultTagFormat = TagFormat::V1V23;

// One part's tag fields, as UTF-8 texts without length limits. The title may
// hold the placeholders {title}, {name}, {n} and {N}; an empty track stands
// for the part's own number.
struct PartTagV2 {
    std::string title{}, artist{}, album{}, year{}, comment{}, genre{}, track{};
    bool operator==(const PartTagV2&) const = default;
};

// A tag: `present` is false where there is none (a source without a tag,
// nothing set by hand).
struct PartTagSlot {
    bool present = false;
    PartTagV2 fields;
    bool operator==(const PartTagSlot&) const = default;
};

// The fields of PartTagV2 a part may set for itself, as bits of
// PartRecord::ownFields.
enum TagField : unsigned {
    kTagTitle = 1u << 0,
    kTagArtist = 1u << 1,
    kTagAlbum = 1u << 2,
    kTagYear = 1u << 3,
    kTagComment = 1u << 4,
    kTagGenre = 1u << 5,
    kTagTrack = 1u << 6,
};

// One part: where its audio starts (it ends where the next part starts, the
// last at the end of the file), whether the next split writes it, the file
// that holds exactly its audio, and the tag fields it sets for itself. Every
// other field of its tag is the file tag's (PartTable::FileTag).
struct PartRecord {
    int32_t start = 0; // first frame
    // Where the cut at the part's start lies in the samples of the time base
    // (core/analysis/time_base.h); -1 when it lies on the frame grid.
    int64_t cutSample = -1;
    bool ticked = true;
    std::string writtenFile{}; // empty: this range is in no file yet
    unsigned ownFields = 0;    // TagField bits of the fields below that count
    PartTagV2 own{};
    bool operator==(const PartRecord&) const = default;
};

// What the decoder reports about a file it probed.
struct StreamInfoRecord {
    uint32_t freq = 0;  // sample rate
    uint32_t chans = 0; // channel count
    uint32_t ctype = 0; // 0x10005 for an MPEG layer III stream
    int mpegLayer = 0;  // 1, 2 or 3 as the decoder saw it
};

// The file as the open read it: its bytes (mapped) and the tags found around
// the audio.
struct LoadedFile {
    std::string FileName;
    uint64_t FileSize = 0;
    FileImage FileBuffer;
    int64_t FileModifiedNs = 0; // the file's modification time when read (ns since 1970)
    bool HasId3v2 = false;
    int32_t Id3v2Size = 0;
    bool HasId3v1 = false;
    Id3v1Record Id3v1Buffer{};
    bool FileLoaded = false;
};

// The stream's properties as the decoder and the first frame report them.
struct StreamFacts {
    StreamInfoRecord StreamInfo;
    uint32_t SampleRate = 0;
    uint64_t DecodedLength = 0; // bytes of 16-bit PCM (every frame); 64 bits for 10-hour files
    double Duration = 0.0;      // seconds of the audio players play (core/analysis/time_base.h)
    int64_t TimeZeroSample = 0; // sample of the decoded frames at which time 0 lies
    int64_t AudioSamples = 0;   // samples players play
    int32_t ChannelCount = 0;
    std::string MpegVersionText;
    std::string MpegLayerText;
    std::string ChannelModeText;
    int32_t FirstFrameBitrate = 0;
    int32_t HeaderSampleRate = 0;
    int32_t SamplesPerFrame = 0;
    double FrameDuration = 0.0;
    uint32_t FrameCount = 0;
    bool CrcProtected = false;
};

// Where every frame starts.
struct FrameIndexTable {
    FileOffset FirstFramePos = 0;
    std::vector<FileOffset> FramePos;
    int32_t IndexedFrames = 0;
    int32_t FrameLength = 0;
};

// The frame viewer's recording, filled by the index build only when
// ViewerEnabled; entry i describes frame i, i <= 1000; 2000 entries.
struct FrameViewerRecording {
    bool ViewerEnabled = false;
    std::vector<uint8_t> ViewerB1, ViewerB2, ViewerB3, ViewerB4;
    std::vector<uint8_t> ViewerGain11, ViewerGain21, ViewerGain12, ViewerGain22;
};

// K-weighted energies kept per frame: one for each equal slice of its
// samples, so the 400 ms loudness blocks of a part are summed from pieces
// far shorter than a block even where a frame lasts 72 ms.
constexpr size_t kLoudnessSlices = 4;

// Per-frame extremes of the decoded samples, per channel, and the frame's
// K-weighted energies, kLoudnessSlices per frame (core/analysis/loudness.h;
// empty while not measured).
struct PeakTable {
    std::vector<int16_t> PeakMaxL, PeakMinL, PeakMaxR, PeakMinR;
    std::vector<float> FrameLoudness;
};

// Everything an open produces. The window analyses into a separate one off
// its thread and adopts it in one move (AdoptAnalysedFile).
struct AnalysedFile : LoadedFile, StreamFacts, FrameIndexTable, FrameViewerRecording, PeakTable {};

// Progress of the long operation now running, 0..100; exactly 0 when idle.
// Written by a worker while the window's timers read it.
struct ProgressValues {
    std::atomic<double> ProgressPercent{0.0};
    double LastShownPercent = 0.0;
};

// A stretch of the open file silenced in what is written: frames [first, end).
struct MutedStretch {
    int32_t first = 0;
    int32_t end = 0;
    bool operator==(const MutedStretch&) const = default;
};

// The parts of the open file in the order of their audio, and the tag they
// inherit. Parts are numbered from 1 (record k - 1): the first starts at
// frame 0, and each later start is a cut line. Empty while no file is open.
// Changed only through core/parts/cut_lines and the Document.
struct PartTable {
    std::vector<PartRecord> Parts;
    // The file tag: the source's tag (ID3v2 fields, ID3v1 filling the ones
    // ID3v2 lacks) with the user's changes to "Original File".
    PartTagSlot FileTag;
    int32_t SelectedPart = 0; // 0 = none
    int32_t SplitFileCount = 0;
    // The key of the way of cutting the split panel has chosen
    // (core/cutting/cutting_mode.h).
    std::string SplitMode = "visual";
    // Stretches silenced in every output, in order and apart from each other.
    std::vector<MutedStretch> Muted{};
    // The frames of the cut lines the user has reviewed, in order.
    std::vector<int32_t> ReviewedCuts{};
    bool operator==(const PartTable&) const = default;
};

// What part of the file the waveform shows.
struct ViewValues {
    int16_t ZoomLevel = 1; // kFinestZoomLevel..11

    int32_t ViewFirstFrame = 0;
    int32_t WaveLeft = 20;
    int32_t WaveRight = 0;
    // Frames per screen column of "Zoom to fit" (any positive scale); 0 while
    // the zoom level decides. ZoomLevel then holds the level just above it.
    double FitFramesPerColumn = 0.0;
};

// Frames per screen column: the fitted scale while one is set, else the zoom
// level's factor.
inline double FramesPerColumn(const ViewValues& v) {
    if (v.FitFramesPerColumn > 0.0)
        return v.FitFramesPerColumn;
    return ZoomScale(v.ZoomLevel);
}

// How the window picks its colours: by the desktop's palette, or always the
// light or the dark scheme.
enum class ColourChoice { FollowDesktop = 0, Light = 1, Dark = 2 };

// The longest fade in and out of the parts the settings keep, in ms.
constexpr int32_t kMaxFadeMs = 10000;
// The longest pause one-file output may shorten the pauses to, in ms.
constexpr int32_t kMaxShortenPausesMs = 3600000;

// The user's settings kept in the settings file.
struct SettingsValues {
    int32_t Volume = 50;
    int32_t SilenceThreshold = 10;
    int32_t SilenceRelease = 1000;
    bool IsSaveTags = false;
    bool IsGapless = false;
    std::string OutputFolder;
    TagFormat PartTagFormat = kDefaultTagFormat; // the tags written with IsSaveTags
    bool NumberTracks = false;                   // parts numbered n/N of the parts written
    int32_t FadeMs = 0;                          // every part faded in and out over this long
    bool TrimSilence = false;                    // the split drops the quiet at each part's edges
    int32_t ShortenPausesMs = 0; // one file: longer pauses shortened to this; 0 = off
    ColourChoice Colours = ColourChoice::FollowDesktop;
};

// What is playing and from where.
struct PlaybackValues {
    uint32_t PlayStream = 0; // engine stream handle, 0 = none
    bool IsPlaying = false;
    uint32_t PlayFrame = 0;
    int64_t PlayStartPos = 0;
    double PlayRate = 0.0;
    double RateStep = 0.0;
    int32_t ClickFrame = 0;
    int32_t PlayingPart = 0;
};

// The whole program's state, one record of each kind. Code that needs only
// one kind takes that record.
struct ProgramState : AnalysedFile,
                      ProgressValues,
                      PartTable,
                      ViewValues,
                      SettingsValues,
                      PlaybackValues {};

} // namespace tessivo
