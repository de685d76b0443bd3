#include "core/playback/playback_control.h"

#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"

#include "core/util/round_even.h"

#include <algorithm>
#include <cmath>

namespace tessivo {

namespace {

int64_t BytesPerFrame(const StreamFacts& stream) {
    return int64_t{stream.SamplesPerFrame} * 2 * stream.ChannelCount;
}

double CurrentZoomFactor(const ViewValues& view) {
    return FramesPerColumn(view);
}

// First frame of the part after `PlayingPart`; the end marker for the last
// part. A part number outside the table gives -1, which stops playback.
int64_t NextPartStart(const StreamFacts& stream, const PartTable& parts,
                      const PlaybackValues& play) {
    const int64_t idx = int64_t{play.PlayingPart} + 1;
    if (idx < 1)
        return -1;
    // After cut lines were removed mid-play the number can lie past the last
    // part; the file's last frame then bounds it.
    if (idx > PartCount(parts))
        return static_cast<int64_t>(stream.FrameCount) - 1;
    return PartFirstFrame(parts, static_cast<int>(idx));
}

} // namespace

int64_t FrameToPcmBytes(const StreamFacts& stream, int64_t frame) {
    return frame * BytesPerFrame(stream);
}

uint32_t PcmBytesToFrame(const StreamFacts& stream, int64_t bytes) {
    const int64_t bpf = BytesPerFrame(stream);
    if (bpf <= 0 || bytes <= 0)
        return 0;
    return static_cast<uint32_t>(RoundEven(static_cast<double>(bytes) / static_cast<double>(bpf)));
}

void ComputePlayRate(const StreamFacts& stream, PlaybackValues& play, int rateBarPosition) {
    play.RateStep = (kTopRateHz - stream.SampleRate) / kSliderMax;
    play.PlayRate = rateBarPosition * play.RateStep + stream.SampleRate;
}

int PlayButtonPart(const PartTable& parts) {
    if (IsPartNumber(parts, parts.SelectedPart))
        return parts.SelectedPart;
    return 1;
}

PlayFromResult PlayFrom(const StreamFacts& stream, const PartTable& parts,
                        const SettingsValues& settings, PlaybackValues& play, AudioEngine& engine,
                        int n, PlayStartKind kind, int rateBarPosition,
                        const std::function<void()>& pumpMessages) {
    PlayFromResult result;
    if (stream.Duration == 0.0)
        return result;

    int64_t frame = 0;
    if (kind == PlayStartKind::PartStart) {
        if (IsPartNumber(parts, n))
            frame = PartFirstFrame(parts, n);
    } else {
        frame = play.ClickFrame;
    }
    frame = std::max<int64_t>(frame, 0);
    play.PlayStartPos = FrameToPcmBytes(stream, frame);
    play.PlayFrame = static_cast<uint32_t>(frame);

    if (pumpMessages)
        pumpMessages();

    play.IsPlaying = true;
    // Results of these three are ignored: a refused value keeps the old one.
    engine.SetPosition(play.PlayStream, play.PlayStartPos);
    engine.SetVolume(play.PlayStream, settings.Volume / 100.0);
    ComputePlayRate(stream, play, rateBarPosition);
    engine.SetFrequency(play.PlayStream, play.PlayRate);

    if (!engine.Play(play.PlayStream)) {
        const int code = engine.ErrorGetCode();
        result.errorText = EngineErrorText("Error playing music!", code);
        // A stream that was playing before keeps no sound going behind a
        // "stopped" display.
        engine.Stop(play.PlayStream);
        play.IsPlaying = false;
        play.PlayFrame = 0;
        return result;
    }
    result.started = true;
    return result;
}

void StopPlayback(const StreamFacts& stream, PlaybackValues& play, AudioEngine& engine) {
    if (stream.Duration == 0.0)
        return;
    engine.Stop(play.PlayStream);
    play.IsPlaying = false;
    play.PlayFrame = 0;
}

void ApplyVolumeBar(SettingsValues& settings, const PlaybackValues& play, AudioEngine& engine,
                    int position) {
    settings.Volume = std::clamp(position, 0, kSliderMax);
    if (engine.IsActive(play.PlayStream))
        engine.SetVolume(play.PlayStream, settings.Volume / 100.0);
}

void ApplyRateBar(const StreamFacts& stream, PlaybackValues& play, AudioEngine& engine,
                  int position) {
    ComputePlayRate(stream, play, position);
    if (engine.IsActive(play.PlayStream))
        engine.SetFrequency(play.PlayStream, play.PlayRate);
}

std::string EngineErrorText(const std::string& text, int code) {
    return text + "\n(Error code: " + std::to_string(code) + ")";
}

std::optional<std::string> PlaybackStatusCaption(const PartTable& parts,
                                                 const PlaybackValues& play) {
    if (!play.IsPlaying)
        return std::nullopt;
    if (PartCount(parts) == 1)
        return std::string("Playing the file");
    if (PartCount(parts) > 1)
        return "Playing Part(" + std::to_string(play.PlayingPart) + ")";
    return std::nullopt;
}

OverlayLine CursorLineAt(const ViewValues& view, const PlaybackGeometry& g, double frame) {
    OverlayLine line;
    const double z = CurrentZoomFactor(view);
    const int64_t x =
        RoundEven((frame - static_cast<double>(view.ViewFirstFrame)) / z) + g.waveLeft;
    if (g.waveLeft < x && x < g.waveRight) {
        line.visible = true;
        line.x = static_cast<int32_t>(x);
        line.y = g.waveTop;
        line.height = g.waveBottom - g.waveTop;
    }
    return line;
}

int64_t PlayCursorFrame(const PlaybackValues& play) {
    return play.IsPlaying ? int64_t{play.PlayFrame} : int64_t{play.ClickFrame};
}

int PartAtClickFrame(const StreamFacts& stream, const PartTable& parts, int64_t frame) {
    int part = 0;
    for (int k = 1; k <= PartCount(parts); ++k) {
        if (PartFirstFrame(parts, k) <= frame && frame < PartLastFrame(stream, parts, k) - 5)
            part = k;
    }
    return part;
}

bool MovePlayCursor(const StreamFacts& stream, const PartTable& parts, PlaybackValues& play,
                    int64_t frame) {
    if (stream.FrameCount == 0)
        return false;
    play.ClickFrame =
        static_cast<int32_t>(std::clamp<int64_t>(frame, 0, int64_t{stream.FrameCount} - 1));
    if (!play.IsPlaying)
        return false;
    play.PlayingPart = PartAtClickFrame(stream, parts, play.ClickFrame);
    return true;
}

namespace {

// Follows the position heard now: PlayFrame, the time, and where the strip
// mark and the cursor go.
void FollowPosition(const StreamFacts& stream, const ViewValues& view, PlaybackValues& play,
                    AudioEngine& engine, const PlaybackGeometry& g, PlaybackTickResult& r) {
    const int64_t b = engine.GetPosition(play.PlayStream);
    play.PlayFrame = PcmBytesToFrame(stream, b);
    const int64_t bytesPerSample = 2 * int64_t{std::max(stream.ChannelCount, 1)};
    r.seconds = DecodedSampleSeconds(TimeBaseOf(stream), b / bytesPerSample);
    r.following = true;
    r.frame = play.PlayFrame;

    r.placeOverlays = true;
    r.stripMark.visible = true;
    r.stripMark.x = g.waveLeft + static_cast<int32_t>(RoundEven(play.PlayFrame * g.pixelsPerFrame));
    r.stripMark.y = g.viewBottom - 13;
    r.stripMark.height = 12;

    // Below one frame per column the cursor moves inside its frame as well.
    const double heard = CurrentZoomFactor(view) < 1.0 && BytesPerFrame(stream) > 0
                             ? static_cast<double>(b) / static_cast<double>(BytesPerFrame(stream))
                             : static_cast<double>(play.PlayFrame);
    r.cursor = CursorLineAt(view, g, heard);
}

// Auto-scroll once the cursor enters the band 100..91 columns before the
// right edge; it then stands about 32 columns from the left edge.
void AutoScroll(const StreamFacts& stream, ViewValues& view, const PlaybackValues& play,
                const PlaybackGeometry& g, PlaybackTickResult& r) {
    // A fitted view shows the whole file: there is nothing to scroll to.
    if (view.FitFramesPerColumn > 0)
        return;
    const double z = CurrentZoomFactor(view);
    const int64_t w = int64_t{g.waveRight} - g.waveLeft;
    const int64_t d = int64_t{play.PlayFrame} - view.ViewFirstFrame;
    if (z * static_cast<double>(w - 100) <= static_cast<double>(d) &&
        static_cast<double>(d) < z * static_cast<double>(w - 90)) {
        const int64_t newF0 = std::max<int64_t>(int64_t{play.PlayFrame} - RoundEven(32 * z), 0);
        view.ViewFirstFrame = static_cast<int32_t>(newF0);
        r.autoScrolled = true;
        r.scrollPosition = static_cast<int>(
            RoundEven(double(kScrollMax) * static_cast<double>(newF0) / stream.FrameCount));
    }
}

// Idle: the stream ended or was stopped.
void GoIdle(PlaybackValues& play, PlaybackTickResult& r) {
    r.hideOverlays = true;
    r.placeOverlays = false;
    r.cursor = OverlayLine{};
    r.stripMark = OverlayLine{};
    if (play.IsPlaying) {
        play.IsPlaying = false;
        play.PlayFrame = 0;
        r.streamEnded = true;
    }
}

} // namespace

PlaybackTickResult PlaybackTimerTick(const StreamFacts& stream, const PartTable& parts,
                                     ViewValues& view, PlaybackValues& play, AudioEngine& engine,
                                     const PlaybackGeometry& g) {
    PlaybackTickResult r;
    if (engine.IsActive(play.PlayStream))
        FollowPosition(stream, view, play, engine, g, r);
    if (play.IsPlaying && stream.FrameCount > 0)
        AutoScroll(stream, view, play, g, r);
    // End of the part being played.
    if (play.IsPlaying && PartCount(parts) > 1) {
        const int64_t m = NextPartStart(stream, parts, play);
        if (m < 0 || int64_t{play.PlayFrame} >= m) {
            engine.Stop(play.PlayStream);
            play.IsPlaying = false;
            play.PlayFrame = 0;
            r.stoppedAtPartEnd = true;
        }
    }
    if (!engine.IsActive(play.PlayStream))
        GoIdle(play, r);
    return r;
}

} // namespace tessivo
