#include "core/analysis/open_file.h"

#include "core/analysis/frame_index.h"
#include "core/analysis/frame_viewer_data.h"
#include "core/analysis/mp3_load.h"
#include "core/analysis/peaks.h"
#include "core/analysis/time_base.h"

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
                         const std::atomic<bool>* cancel, unsigned peakThreads = 0) {
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
        st.FileBuffer.AdviseRandom();
        if (SourceChanged(st))
            return Fail(st, ChangedOnDiskMessage(st.FileName));
        if (st.IndexedFrames == 0)
            return Fail(st, kNotMp3Message);
        SetTimeBase(st);
        if (withPeaks) {
            if (progress)
                progress("Calculating Peaks", 0.0);
            if (!CalculatePeaksParallel(st, peakThreads, progress, cancel))
                return Fail(st, "");
            if (SourceChanged(st))
                return Fail(st, ChangedOnDiskMessage(st.FileName));
        } else {
            SizePeakArrays(st, false);
        }
    } catch (const std::bad_alloc&) {
        return Fail(st, NotEnoughMemoryToOpen(st.FileName));
    }
    st.ProgressPercent = 0.0;
    OpenResult r;
    r.ok = true;
    return r;
}

} // namespace

OpenResult AnalyseFile(ProgramState& st, const std::string& path, bool withPeaks,
                       const ProgressFn& progress, const std::atomic<bool>* cancel,
                       unsigned peakThreads) {
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
        return Fail(st, NotEnoughMemoryToOpen(path));
    }
    return AnalyseLoaded(st, withPeaks, progress, cancel, peakThreads);
}

OpenResult AnalyseImage(ProgramState& st, std::vector<uint8_t> image, bool withPeaks,
                        const ProgressFn& progress, const std::atomic<bool>* cancel) {
    st.FileLoaded = false;
    st.FrameCount = 0;
    st.LastShownPercent = 0.0;
    if (image.size() > kMaxFileSize)
        return Fail(st, TooLargeMessage(st.FileName, image.size()));
    st.FileBuffer.assign(image.begin(), image.end());
    st.FileModifiedNs = 0;
    image = {};
    st.FileSize = st.FileBuffer.size();
    DetectTags(st);
    return AnalyseLoaded(st, withPeaks, progress, cancel);
}

namespace {

// The viewer keeps rows of frames the new file did not index: the new file's
// rows are copied over the old ones.
void AdoptViewerRows(ProgramState& dst, const ProgramState& src) {
    if (!src.ViewerEnabled || src.ViewerB1.empty())
        return;
    SizeViewerTables(dst);
    const size_t rows =
        std::min<size_t>(static_cast<size_t>(std::max(src.IndexedFrames, 0)), kViewerLastFrame + 1);
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

} // namespace

void AdoptAnalysedFile(ProgramState& dst, ProgramState&& src) {
    AdoptViewerRows(dst, src);
    // Whether a file counts as loaded is the caller's to say; an open without
    // an ID3v2 tag leaves the tag size as it was.
    const bool loaded = dst.FileLoaded;
    const int32_t id3v2Size = src.HasId3v2 ? src.Id3v2Size : dst.Id3v2Size;
    static_cast<LoadedFile&>(dst) = std::move(static_cast<LoadedFile&>(src));
    static_cast<StreamFacts&>(dst) = std::move(static_cast<StreamFacts&>(src));
    static_cast<FrameIndexTable&>(dst) = std::move(static_cast<FrameIndexTable&>(src));
    static_cast<PeakTable&>(dst) = std::move(static_cast<PeakTable&>(src));
    dst.FileLoaded = loaded;
    dst.Id3v2Size = id3v2Size;
    dst.ProgressPercent = 0.0;
}

} // namespace tessivo
