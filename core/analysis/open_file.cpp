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

OpenResult Fail(ProgressValues& meter, std::string message) {
    meter.ProgressPercent = 0.0;
    OpenResult r;
    r.cancelled = message.empty();
    r.message = std::move(message);
    return r;
}

// Everything after the file image is in file.FileBuffer with its tags detected.
OpenResult AnalyseLoaded(AnalysedFile& file, ProgressValues& meter, bool withPeaks,
                         const ProgressFn& progress, const std::atomic<bool>* cancel,
                         unsigned peakThreads = 0) {
    std::string message;
    try {
        if (!ProbeFile(file, file))
            return Fail(meter, kNotMp3Message);
        if (!FindFirstFrame(file, message, file.HasId3v2 ? file.Id3v2Size : 0))
            return Fail(meter, message);
        // The decoder must see the same stream as the frame search: a first
        // frame of another rate or channel count means the two disagree on
        // where the audio is, and neither positions nor peaks would fit.
        if (static_cast<int64_t>(file.StreamInfo.freq) != file.HeaderSampleRate ||
            static_cast<int32_t>(file.StreamInfo.chans) != file.ChannelCount)
            return Fail(meter, kNotMp3Message);
        ComputeFrameCount(file);
        if (file.FrameCount == 0)
            return Fail(meter, kNotMp3Message);
        file.FramePos.assign(file.FrameCount, 0);
        if (file.ViewerEnabled)
            SizeViewerTables(file);
        BuildFrameIndex(file);
        file.FileBuffer.AdviseRandom();
        if (SourceChanged(file))
            return Fail(meter, ChangedOnDiskMessage(file.FileName));
        if (file.IndexedFrames == 0)
            return Fail(meter, kNotMp3Message);
        SetTimeBase(file);
        if (withPeaks) {
            if (progress)
                progress("Calculating Peaks", 0.0);
            if (!CalculatePeaksParallel(file, meter, peakThreads, progress, cancel))
                return Fail(meter, "");
            if (SourceChanged(file))
                return Fail(meter, ChangedOnDiskMessage(file.FileName));
        } else {
            SizePeakArrays(file, file, false);
        }
    } catch (const std::bad_alloc&) {
        return Fail(meter, NotEnoughMemoryToOpen(file.FileName));
    }
    meter.ProgressPercent = 0.0;
    OpenResult r;
    r.ok = true;
    return r;
}

} // namespace

OpenResult AnalyseFile(AnalysedFile& file, ProgressValues& meter, const std::string& path,
                       bool withPeaks, const ProgressFn& progress, const std::atomic<bool>* cancel,
                       unsigned peakThreads) {
    file.FileName = path;
    file.FileLoaded = false;
    file.FrameCount = 0;
    meter.LastShownPercent = 0.0;
    std::string message;
    try {
        // A large file is first looked at from its start, so one that is not
        // an MP3 is refused without reading it all.
        uint64_t size = 0;
        if (!CheckFileSize(path, size, message))
            return Fail(meter, message);
        if (size > kQuickCheckFrom && !QuickCheck(path, message))
            return Fail(meter, message);
        if (!LoadFile(file, meter, message, progress, cancel))
            return Fail(meter, message);
    } catch (const std::bad_alloc&) {
        return Fail(meter, NotEnoughMemoryToOpen(path));
    }
    return AnalyseLoaded(file, meter, withPeaks, progress, cancel, peakThreads);
}

OpenResult AnalyseImage(AnalysedFile& file, ProgressValues& meter, std::vector<uint8_t> image,
                        bool withPeaks, const ProgressFn& progress,
                        const std::atomic<bool>* cancel) {
    file.FileLoaded = false;
    file.FrameCount = 0;
    meter.LastShownPercent = 0.0;
    if (image.size() > kMaxFileSize)
        return Fail(meter, TooLargeMessage(file.FileName, image.size()));
    file.FileBuffer.assign(image.begin(), image.end());
    file.FileModifiedNs = 0;
    image = {};
    file.FileSize = file.FileBuffer.size();
    DetectTags(file);
    return AnalyseLoaded(file, meter, withPeaks, progress, cancel);
}

namespace {

// The viewer keeps rows of frames the new file did not index: the new file's
// rows are copied over the old ones.
void AdoptViewerRows(FrameViewerRecording& dst, const AnalysedFile& src) {
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

void AdoptAnalysedFile(AnalysedFile& dst, AnalysedFile&& src) {
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
}

} // namespace tessivo
