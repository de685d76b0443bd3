#include "core/playback/playback_control.h"

#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"

#include "core/util/round_even.h"

#include <algorithm>
#include <cmath>

namespace tessivo {

namespace {

int64_t BytesPerFrame(const ProgramState& st) {
    return int64_t{st.SamplesPerFrame} * 2 * st.ChannelCount;
}

double CurrentZoomFactor(const ProgramState& st) {
    return FramesPerColumn(st);
}

// First frame of the part after `PlayingPart`; the end marker for the last
// part. A part number outside the table gives -1, which stops playback.
int64_t NextPartStart(const ProgramState& st) {
    const int64_t idx = int64_t{st.PlayingPart} + 1;
    if (idx < 1)
        return -1;
    // After cut lines were removed mid-play the number can lie past the last
    // part; the file's last frame then bounds it.
    if (idx > PartCount(st))
        return static_cast<int64_t>(st.FrameCount) - 1;
    return PartFirstFrame(st, static_cast<int>(idx));
}

} // namespace

int64_t FrameToPcmBytes(const ProgramState& st, int64_t frame) {
    return frame * BytesPerFrame(st);
}

uint32_t PcmBytesToFrame(const ProgramState& st, int64_t bytes) {
    const int64_t bpf = BytesPerFrame(st);
    if (bpf <= 0 || bytes <= 0)
        return 0;
    return static_cast<uint32_t>(RoundEven(static_cast<double>(bytes) / static_cast<double>(bpf)));
}

void ComputePlayRate(ProgramState& st, int rateBarPosition) {
    st.RateStep = (kTopRateHz - st.SampleRate) / kSliderMax;
    st.PlayRate = rateBarPosition * st.RateStep + st.SampleRate;
}

int PlayButtonPart(const ProgramState& st) {
    if (IsPartNumber(st, st.SelectedPart))
        return st.SelectedPart;
    return 1;
}

PlayFromResult PlayFrom(ProgramState& st, AudioEngine& engine, int n, PlayStartKind kind,
                        int rateBarPosition, const std::function<void()>& pumpMessages) {
    PlayFromResult result;
    if (st.Duration == 0.0)
        return result;

    int64_t frame = 0;
    if (kind == PlayStartKind::PartStart) {
        if (IsPartNumber(st, n))
            frame = PartFirstFrame(st, n);
    } else {
        frame = st.ClickFrame;
    }
    frame = std::max<int64_t>(frame, 0);
    st.PlayStartPos = FrameToPcmBytes(st, frame);
    st.PlayFrame = static_cast<uint32_t>(frame);

    if (pumpMessages)
        pumpMessages();

    st.IsPlaying = true;
    // Results of these three are ignored: a refused value keeps the old one.
    engine.SetPosition(st.PlayStream, st.PlayStartPos);
    engine.SetVolume(st.PlayStream, st.Volume / 100.0);
    ComputePlayRate(st, rateBarPosition);
    engine.SetFrequency(st.PlayStream, st.PlayRate);

    if (!engine.Play(st.PlayStream)) {
        const int code = engine.ErrorGetCode();
        result.errorText = EngineErrorText("Error playing music!", code);
        // A stream that was playing before keeps no sound going behind a
        // "stopped" display.
        engine.Stop(st.PlayStream);
        st.IsPlaying = false;
        st.PlayFrame = 0;
        return result;
    }
    result.started = true;
    return result;
}

void StopPlayback(ProgramState& st, AudioEngine& engine) {
    if (st.Duration == 0.0)
        return;
    engine.Stop(st.PlayStream);
    st.IsPlaying = false;
    st.PlayFrame = 0;
}

void ApplyVolumeBar(ProgramState& st, AudioEngine& engine, int position) {
    st.Volume = std::clamp(position, 0, kSliderMax);
    if (engine.IsActive(st.PlayStream))
        engine.SetVolume(st.PlayStream, st.Volume / 100.0);
}

void ApplyRateBar(ProgramState& st, AudioEngine& engine, int position) {
    ComputePlayRate(st, position);
    if (engine.IsActive(st.PlayStream))
        engine.SetFrequency(st.PlayStream, st.PlayRate);
}

std::string EngineErrorText(const std::string& text, int code) {
    return text + "\n(Error code: " + std::to_string(code) + ")";
}

std::optional<std::string> PlaybackStatusCaption(const ProgramState& st) {
    if (!st.IsPlaying)
        return std::nullopt;
    if (PartCount(st) == 1)
        return std::string("Playing the file");
    if (PartCount(st) > 1)
        return "Playing Part(" + std::to_string(st.PlayingPart) + ")";
    return std::nullopt;
}

OverlayLine CursorLineAt(const ProgramState& st, const PlaybackGeometry& g, double frame) {
    OverlayLine line;
    const double z = CurrentZoomFactor(st);
    const int64_t x = RoundEven((frame - static_cast<double>(st.ViewFirstFrame)) / z) + g.waveLeft;
    if (g.waveLeft < x && x < g.waveRight) {
        line.visible = true;
        line.x = static_cast<int32_t>(x);
        line.y = g.waveTop;
        line.height = g.waveBottom - g.waveTop;
    }
    return line;
}

int64_t PlayCursorFrame(const ProgramState& st) {
    return st.IsPlaying ? int64_t{st.PlayFrame} : int64_t{st.ClickFrame};
}

int PartAtClickFrame(const ProgramState& st, int64_t frame) {
    int part = 0;
    for (int k = 1; k <= PartCount(st); ++k) {
        if (PartFirstFrame(st, k) <= frame && frame < PartLastFrame(st, st, k) - 5)
            part = k;
    }
    return part;
}

bool MovePlayCursor(ProgramState& st, int64_t frame) {
    if (st.FrameCount == 0)
        return false;
    st.ClickFrame = static_cast<int32_t>(std::clamp<int64_t>(frame, 0, int64_t{st.FrameCount} - 1));
    if (!st.IsPlaying)
        return false;
    st.PlayingPart = PartAtClickFrame(st, st.ClickFrame);
    return true;
}

namespace {

// Follows the position heard now: PlayFrame, the time, and where the strip
// mark and the cursor go.
void FollowPosition(ProgramState& st, AudioEngine& engine, const PlaybackGeometry& g,
                    PlaybackTickResult& r) {
    const int64_t b = engine.GetPosition(st.PlayStream);
    st.PlayFrame = PcmBytesToFrame(st, b);
    const int64_t bytesPerSample = 2 * int64_t{std::max(st.ChannelCount, 1)};
    r.seconds = DecodedSampleSeconds(TimeBaseOf(st), b / bytesPerSample);
    r.following = true;
    r.frame = st.PlayFrame;

    r.placeOverlays = true;
    r.stripMark.visible = true;
    r.stripMark.x = g.waveLeft + static_cast<int32_t>(RoundEven(st.PlayFrame * g.pixelsPerFrame));
    r.stripMark.y = g.viewBottom - 13;
    r.stripMark.height = 12;

    // Below one frame per column the cursor moves inside its frame as well.
    const double heard = CurrentZoomFactor(st) < 1.0 && BytesPerFrame(st) > 0
                             ? static_cast<double>(b) / static_cast<double>(BytesPerFrame(st))
                             : static_cast<double>(st.PlayFrame);
    r.cursor = CursorLineAt(st, g, heard);
}

// Auto-scroll once the cursor enters the band 100..91 columns before the
// right edge; it then stands about 32 columns from the left edge.
void AutoScroll(ProgramState& st, const PlaybackGeometry& g, PlaybackTickResult& r) {
    // A fitted view shows the whole file: there is nothing to scroll to.
    if (st.FitFramesPerColumn > 0)
        return;
    const double z = CurrentZoomFactor(st);
    const int64_t w = int64_t{g.waveRight} - g.waveLeft;
    const int64_t d = int64_t{st.PlayFrame} - st.ViewFirstFrame;
    if (z * static_cast<double>(w - 100) <= static_cast<double>(d) &&
        static_cast<double>(d) < z * static_cast<double>(w - 90)) {
        const int64_t newF0 = std::max<int64_t>(int64_t{st.PlayFrame} - RoundEven(32 * z), 0);
        st.ViewFirstFrame = static_cast<int32_t>(newF0);
        r.autoScrolled = true;
        r.scrollPosition = static_cast<int>(
            RoundEven(double(kScrollMax) * static_cast<double>(newF0) / st.FrameCount));
    }
}

// Idle: the stream ended or was stopped.
void GoIdle(ProgramState& st, PlaybackTickResult& r) {
    r.hideOverlays = true;
    r.placeOverlays = false;
    r.cursor = OverlayLine{};
    r.stripMark = OverlayLine{};
    if (st.IsPlaying) {
        st.IsPlaying = false;
        st.PlayFrame = 0;
        r.streamEnded = true;
    }
}

} // namespace

PlaybackTickResult PlaybackTimerTick(ProgramState& st, AudioEngine& engine,
                                     const PlaybackGeometry& g) {
    PlaybackTickResult r;
    if (engine.IsActive(st.PlayStream))
        FollowPosition(st, engine, g, r);
    if (st.IsPlaying && st.FrameCount > 0)
        AutoScroll(st, g, r);
    // End of the part being played.
    if (st.IsPlaying && PartCount(st) > 1) {
        const int64_t m = NextPartStart(st);
        if (m < 0 || int64_t{st.PlayFrame} >= m) {
            engine.Stop(st.PlayStream);
            st.IsPlaying = false;
            st.PlayFrame = 0;
            r.stoppedAtPartEnd = true;
        }
    }
    if (!engine.IsActive(st.PlayStream))
        GoIdle(st, r);
    return r;
}

} // namespace tessivo
