// The one owner of what the player does for the window: the part playing, a
// stretch that stops at its end, the play cursor moved by the keys, the
// overlays that show where playback is, and the 33 ms timer that follows the
// stream. The Play and Stop buttons and the volume and rate sliders come
// here; it signals every change the status and the clock show.
#pragma once

#include "core/playback/audio_engine.h"
#include "core/playback/playback_control.h"
#include "core/state/program_state.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

namespace tessivo {

class ControlPanel;
class PlaybackOverlays;
class UserDialogs;
class ViewController;
class WaveView;

class PlaybackController : public QObject {
    Q_OBJECT
public:
    // `window` is the parent of the messages; `busy` is true while an open
    // or a split runs, when nothing plays or moves.
    PlaybackController(ProgramState& st, AudioEngine& engine, UserDialogs& dialogs,
                       ViewController& view, WaveView& waveView, ControlPanel& controls,
                       std::function<bool()> busy, QWidget* window);
    ~PlaybackController() override;

    // The play cursor and strip mark over the view.
    PlaybackOverlays* overlays() const { return overlays_.get(); }

    // The Play button: the Shift-selected stretch alone, else the part the
    // button plays, at the file's own speed.
    void play();
    // The Stop button (nothing while busy).
    void stop();
    void stopPlayback();
    // Plays part n (now the playing part) from its start or from ClickFrame
    // at the rate slider's speed; a refusal shows the engine's error.
    void playPart(int n, PlayStartKind kind);
    // A cut line was added where playback is: it goes on into part k, the
    // part that starts there. Nothing while nothing plays.
    void continueIntoPart(int k);
    // Plays frames first..last (held in the file) and stops there.
    void playStretch(int64_t first, int64_t last);
    // Edit > Play around cut: 2 s before to 2 s after the selected cut line.
    void playAroundCut();
    // The play cursor to `frame` (held in the file); playback follows it and
    // the view follows a cursor that left it.
    void movePlayCursorTo(int64_t frame);
    // The position line at ClickFrame while nothing plays.
    void placePositionLine();
    // The stream of the file in the state: made after an open, gone before
    // the file image goes.
    void openStream();
    void releaseStream();
    // One tick of the 33 ms timer.
    void tick();

signals:
    // Playing, the play cursor or the playing part changed.
    void playbackChanged();
    // Playback is followed: the clock shows `seconds`.
    void timeFollowed(double seconds);

private:
    PlaybackGeometry playbackGeometry() const;
    // Playing a stretch stops at its end.
    void stopAtStretchEnd();
    // The playback branches of the timer.
    void followPlayback();

    ProgramState& st_;
    AudioEngine& engine_;
    UserDialogs& dialogs_;
    ViewController& view_;
    ControlPanel& controls_;
    std::function<bool()> busy_;
    QWidget* window_;
    std::unique_ptr<PlaybackOverlays> overlays_;
    // Where a stretch being played stops (-1: none), and the player's state
    // the status last showed.
    int64_t playStopFrame_ = -1;
    PlaybackValues shownPlayback_;
};

} // namespace tessivo
