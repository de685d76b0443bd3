#include "core/analysis/open_file.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/frame_viewer_data.h"
#include "core/analysis/mp3_load.h"
#include "core/analysis/peaks.h"

#include <new>
#include <utility>

namespace tessivo {

namespace {

OpenResult Fail(ProgramState& st, std::string message) {
    st.ProgressPercent = 0.0;
    OpenResult r;
    r.cancelled = message.empty();
    r.message = std::move(message);
    return r;
}

// Everything after the file image is in st.FileBuffer with its tags detected.
OpenResult AnalyseLoaded(ProgramState& st, bool withPeaks, const ProgressFn& progress,
                         const std::atomic<bool>* cancel) {
    std::string message;
    try {
        if (!ProbeFile(st))
            return Fail(st, kNotMp3Message);
        if (!FindFirstFrame(st, message, st.HasId3v2 ? st.Id3v2Size : 0))
            return Fail(st, message);
        // The decoder must see the same stream as the frame search: a first
        // frame of another rate or channel count means the two disagree on
        // where the audio is, and neither positions nor peaks would fit.
        if (static_cast<int64_t>(st.StreamInfo.freq) != st.HeaderSampleRate ||
            static_cast<int32_t>(st.StreamInfo.chans) != st.ChannelCount)
            return Fail(st, kNotMp3Message);
        ComputeFrameCount(st);
        if (st.FrameCount == 0)
            return Fail(st, kNotMp3Message);
        st.FramePos.assign(st.FrameCount, 0);
        if (st.ViewerEnabled)
            SizeViewerTables(st);
        BuildFrameIndex(st);
        if (st.IndexedFrames == 0)
            return Fail(st, kNotMp3Message);
        if (withPeaks) {
            if (progress)
                progress("Calculating Peaks", 0.0);
            if (!CalculatePeaksParallel(st, 0, progress, cancel))
                return Fail(st, "");
        } else {
            SizePeakArrays(st);
        }
    } catch (const std::bad_alloc&) {
        return Fail(st, "Not enough memory to open " + st.FileName);
    }
    st.ProgressPercent = 0.0;
    OpenResult r;
    r.ok = true;
    return r;
}

} // namespace

OpenResult AnalyseFile(ProgramState& st, const std::string& path, bool withPeaks,
                       const ProgressFn& progress, const std::atomic<bool>* cancel) {
    st.FileName = path;
    st.FileLoaded = false;
    st.FrameCount = 0;
    st.LastShownPercent = 0.0;
    std::string message;
    try {
        // A large file is first looked at from its start, so one that is not
        // an MP3 is refused without reading it all.
        uint64_t size = 0;
        if (!CheckFileSize(path, size, message))
            return Fail(st, message);
        if (size > kQuickCheckFrom && !QuickCheck(path, message))
            return Fail(st, message);
        if (!LoadFile(st, message, progress, cancel))
            return Fail(st, message);
    } catch (const std::bad_alloc&) {
        return Fail(st, "Not enough memory to open " + path);
    }
    return AnalyseLoaded(st, withPeaks, progress, cancel);
}

OpenResult AnalyseImage(ProgramState& st, std::vector<uint8_t> image, bool withPeaks,
                        const ProgressFn& progress, const std::atomic<bool>* cancel) {
    st.FileLoaded = false;
    st.FrameCount = 0;
    st.LastShownPercent = 0.0;
    if (image.size() >= kMaxFileSize)
        return Fail(st, kTooLargeMessage);
    st.FileBuffer.assign(image.begin(), image.end());
    st.FileModifiedNs = 0;
    image = {};
    st.FileSize = static_cast<uint32_t>(st.FileBuffer.size());
    DetectTags(st);
    return AnalyseLoaded(st, withPeaks, progress, cancel);
}

void AdoptAnalysedFile(ProgramState& dst, ProgramState&& src) {
    dst.FileName = std::move(src.FileName);
    dst.FileSize = src.FileSize;
    dst.FileBuffer = std::move(src.FileBuffer);
    dst.FileModifiedNs = src.FileModifiedNs;
    dst.HasId3v2 = src.HasId3v2;
    if (src.HasId3v2)
        dst.Id3v2Size = src.Id3v2Size;
    dst.HasId3v1 = src.HasId3v1;
    dst.Id3v1Buffer = src.Id3v1Buffer;

    dst.StreamInfo = src.StreamInfo;
    dst.SampleRate = src.SampleRate;
    dst.DecodedLength = src.DecodedLength;
    dst.Duration = src.Duration;
    dst.ChannelCount = src.ChannelCount;
    dst.MpegVersionText = std::move(src.MpegVersionText);
    dst.MpegLayerText = std::move(src.MpegLayerText);
    dst.ChannelModeText = std::move(src.ChannelModeText);
    dst.FirstFrameBitrate = src.FirstFrameBitrate;
    dst.HeaderSampleRate = src.HeaderSampleRate;
    dst.SamplesPerFrame = src.SamplesPerFrame;
    dst.FrameDuration = src.FrameDuration;
    dst.FrameCount = src.FrameCount;

    dst.CrcProtected = src.CrcProtected;

    dst.FirstFramePos = src.FirstFramePos;
    dst.FramePos = std::move(src.FramePos);
    dst.IndexedFrames = src.IndexedFrames;
    dst.FrameLength = src.FrameLength;

    dst.PeakMaxL = std::move(src.PeakMaxL);
    dst.PeakMinL = std::move(src.PeakMinL);
    dst.PeakMaxR = std::move(src.PeakMaxR);
    dst.PeakMinR = std::move(src.PeakMinR);

    // The viewer keeps rows of frames the new file did not index.
    if (src.ViewerEnabled && !src.ViewerB1.empty()) {
        SizeViewerTables(dst);
        const size_t rows = std::min<size_t>(static_cast<size_t>(std::max(src.IndexedFrames, 0)),
                                             kViewerLastFrame + 1);
        auto copyRows = [rows](std::vector<uint8_t>& d, const std::vector<uint8_t>& s) {
            std::copy(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(std::min(rows, s.size())),
                      d.begin());
        };
        copyRows(dst.ViewerB1, src.ViewerB1);
        copyRows(dst.ViewerB2, src.ViewerB2);
        copyRows(dst.ViewerB3, src.ViewerB3);
        copyRows(dst.ViewerB4, src.ViewerB4);
        copyRows(dst.ViewerGain11, src.ViewerGain11);
        copyRows(dst.ViewerGain21, src.ViewerGain21);
        copyRows(dst.ViewerGain12, src.ViewerGain12);
        copyRows(dst.ViewerGain22, src.ViewerGain22);
    }
    dst.ProgressPercent = 0.0;
}

} // namespace tessivo
