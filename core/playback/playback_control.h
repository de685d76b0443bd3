// Playback control without widgets: starting and stopping the play stream,
// the volume and rate sliders' arithmetic, the end-of-part rule and what the
// 33 ms timer shows while the file plays (time, level meter, cursor, strip
// mark, auto-scroll). The window calls these and applies the results.
#pragma once

#include "core/playback/audio_engine.h"
#include "core/state/program_state.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tessivo {

// Both trackbars run from 0 to this.
constexpr int kSliderMax = 100;
// The rate slider's top position plays at this frequency.
constexpr double kTopRateHz = 100000.0;
// Positions of the horizontal scroll bar run 0..kScrollMax.
constexpr int kScrollMax = 10000;

enum class PlayStartKind {
    PartStart,    // from part n's first frame
    ClickedFrame, // from ClickFrame; n is ignored
};

struct PlayFromResult {
    bool started = false;
    // Set when the engine refused to play: the whole message to show.
    std::optional<std::string> errorText;
};

// Byte position of frame f in the decoded 16-bit PCM, in 64 bits.
int64_t FrameToPcmBytes(const StreamFacts& stream, int64_t frame);
// The frame being heard at PCM byte position b (rounded, halves to even).
uint32_t PcmBytesToFrame(const StreamFacts& stream, int64_t bytes);

// RateStep and PlayRate for a rate slider position and the open file's rate.
void ComputePlayRate(const StreamFacts& stream, PlaybackValues& play, int rateBarPosition);

// The part the Play button plays: the selected one, or 1 when none is.
int PlayButtonPart(const PartTable& parts);

// Starts (or repositions) playback. The caller sets PlayingPart first.
// `pumpMessages` runs once before the sound starts so the window can repaint.
// Does nothing while no file has been accepted (Duration 0).
PlayFromResult PlayFrom(const StreamFacts& stream, const PartTable& parts,
                        const SettingsValues& settings, PlaybackValues& play, AudioEngine& engine,
                        int n, PlayStartKind kind, int rateBarPosition,
                        const std::function<void()>& pumpMessages = {});

// Stops playback (ignored while no file has been accepted). The caller
// redraws the level meter afterwards.
void StopPlayback(const StreamFacts& stream, PlaybackValues& play, AudioEngine& engine);

// Slider change handlers' work: store the value and, while the stream plays,
// apply it at once.
void ApplyVolumeBar(SettingsValues& settings, const PlaybackValues& play, AudioEngine& engine,
                    int position);
void ApplyRateBar(const StreamFacts& stream, PlaybackValues& play, AudioEngine& engine,
                  int position);

// "text", a line break, "(Error code: N)".
std::string EngineErrorText(const std::string& text, int code);

// The status caption while playback runs ("Playing the file",
// "Playing Part(n)"), or nothing when it doesn't.
std::optional<std::string> PlaybackStatusCaption(const PartTable& parts,
                                                 const PlaybackValues& play);

// The view values the timer's playback branch reads, in client pixels of the
// main window.
struct PlaybackGeometry {
    int32_t waveLeft = 20;
    int32_t waveRight = 0;
    int32_t waveTop = 0;
    int32_t waveBottom = 0;
    int32_t viewBottom = 0;
    double pixelsPerFrame = 1.0;
};

// Where a one-pixel-wide overlay line goes, in client pixels of the main
// window. Hidden lines have height 0 and x -1.
struct OverlayLine {
    bool visible = false;
    int32_t x = -1;
    int32_t y = 0;
    int32_t height = 0;
};

struct PlaybackTickResult {
    // The engine reported playing at the start of the tick: PlayFrame was
    // updated, the time labels show `seconds` and the level meter redraws.
    bool following = false;
    double seconds = 0.0;
    uint32_t frame = 0; // the frame heard (PlayFrame before any stop below)
    // Placement of the cursor and strip mark; valid when `placeOverlays`.
    bool placeOverlays = false;
    OverlayLine cursor;
    OverlayLine stripMark;
    // The view jumped ahead of the cursor: ViewFirstFrame now holds the new
    // first frame; the window moves the scroll bar to `scrollPosition` and
    // redraws the view.
    bool autoScrolled = false;
    int scrollPosition = 0;
    // Playback reached the next part's first frame and was stopped.
    bool stoppedAtPartEnd = false;
    // The stream is not playing (any more): hide both overlay lines.
    bool hideOverlays = false;
    // The stream ended by itself while IsPlaying was still set.
    bool streamEnded = false;
    // The level meter needs a redraw: it follows the position, or its bars
    // must go because playback ended this tick.
    bool redrawMeter() const { return following || stoppedAtPartEnd || streamEnded; }
};

// The dotted cursor line at `frame` (a fraction lies inside the frame, for
// the zoom levels below one frame per column): visible only strictly
// between the wave area's left and right edge.
OverlayLine CursorLineAt(const ViewValues& view, const PlaybackGeometry& g, double frame);

// The play cursor: the frame heard while playing, else ClickFrame, where a
// click or the keys put it.
int64_t PlayCursorFrame(const PlaybackValues& play);
// The part a click at `frame` plays: the last one holding it more than 5
// frames before its end; 0 when none does.
int PartAtClickFrame(const StreamFacts& stream, const PartTable& parts, int64_t frame);
// Moves the play cursor (ClickFrame) to `frame`, held inside the file. While
// playing it also sets PlayingPart to the part there and returns true: the
// caller then plays on from ClickFrame.
bool MovePlayCursor(const StreamFacts& stream, const PartTable& parts, PlaybackValues& play,
                    int64_t frame);

// The playback branches of the 33 ms timer, in order: follow the position,
// place the cursor and strip mark, auto-scroll, the end-of-part stop, idle.
PlaybackTickResult PlaybackTimerTick(const StreamFacts& stream, const PartTable& parts,
                                     ViewValues& view, PlaybackValues& play, AudioEngine& engine,
                                     const PlaybackGeometry& g);

} // namespace tessivo
