#include "ui/window/playback_controller.h"

#include "core/parts/part_access.h"
#include "core/util/round_even.h"
#include "ui/common/user_dialogs.h"
#include "ui/document/core_text.h"
#include "ui/view/playback_cursor_overlay.h"
#include "ui/view/view_controller.h"
#include "ui/view/wave_view.h"
#include "ui/window/control_panel.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace tessivo {

namespace {

// Seconds heard before and after a cut line.
constexpr double kAroundCutSeconds = 2.0;

} // namespace

PlaybackController::PlaybackController(ProgramState& st, AudioEngine& engine, UserDialogs& dialogs,
                                       ViewController& view, WaveView& waveView,
                                       ControlPanel& controls, std::function<bool()> busy,
                                       QWidget* window)
    : QObject(window), st_(st), engine_(engine), dialogs_(dialogs), view_(view),
      controls_(controls), busy_(std::move(busy)), window_(window),
      overlays_(std::make_unique<PlaybackOverlays>(&waveView)) {
    connect(controls.playButton, &QToolButton::clicked, this, &PlaybackController::play);
    connect(controls.stopButton, &QToolButton::clicked, this, &PlaybackController::stop);
    connect(controls.volumeSlider, &QSlider::valueChanged, this,
            [this](int position) { ApplyVolumeBar(st_, st_, engine_, position); });
    connect(controls.rateSlider, &QSlider::valueChanged, this,
            [this](int position) { ApplyRateBar(st_, st_, engine_, position); });
    // The play cursor's line follows the view.
    connect(&view, &ViewController::viewChanged, this, &PlaybackController::placePositionLine);

    auto* timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("playbackTimer"));
    timer->setInterval(33);
    connect(timer, &QTimer::timeout, this, &PlaybackController::tick);
    timer->start();
}

PlaybackController::~PlaybackController() = default;

void PlaybackController::stopPlayback() {
    tessivo::StopPlayback(st_, st_, engine_);
    view_.drawMeter();
}

void PlaybackController::play() {
    if (busy_())
        return;
    controls_.rateSlider->setValue(0); // Play always starts at the file's own speed
    // A stretch chosen with Shift+drag plays alone.
    if (view_.hasStretch()) {
        playStretch(view_.stretch().first, view_.stretch().last);
        return;
    }
    const int n = PlayButtonPart(st_);
    st_.PlayingPart = n;
    playPart(n, PlayStartKind::PartStart);
}

void PlaybackController::stop() {
    if (busy_())
        return;
    stopPlayback();
}

void PlaybackController::playPart(int n, PlayStartKind kind) {
    if (busy_())
        return;
    st_.PlayingPart = n;
    const PlayFromResult r =
        PlayFrom(st_, st_, st_, st_, engine_, n, kind, controls_.rateSlider->value(),
                 [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    if (r.errorText)
        dialogs_.showMessage(window_, CoreText(*r.errorText));
}

void PlaybackController::continueIntoPart(int k) {
    if (!st_.IsPlaying || st_.PlayingPart == k)
        return;
    st_.PlayingPart = k;
    emit playbackChanged();
}

void PlaybackController::playStretch(int64_t first, int64_t last) {
    const int64_t end = int64_t{st_.FrameCount} - 1;
    first = std::clamp<int64_t>(first, 0, std::max<int64_t>(end, 0));
    last = std::clamp<int64_t>(last, first, std::max<int64_t>(end, 0));
    if (st_.IsPlaying)
        stopPlayback();
    // Played as the part that holds its end, so no part end stops it early.
    st_.ClickFrame = static_cast<int32_t>(first);
    st_.PlayingPart = PartAtClickFrame(st_, st_, last);
    // The stop frame is set once playback runs: the start lets events run,
    // and a timer tick then, finding nothing playing yet, would forget it.
    playStopFrame_ = -1;
    playPart(st_.PlayingPart, PlayStartKind::ClickedFrame);
    if (st_.IsPlaying)
        playStopFrame_ = last;
    placePositionLine();
}

void PlaybackController::playAroundCut() {
    if (busy_() || !st_.FileLoaded || st_.FrameDuration <= 0)
        return;
    const int k = st_.SelectedPart;
    if (k < 2 || k > PartCount(st_)) {
        dialogs_.showMessage(window_, tr("Select a part after the first: its cut line "
                                         "is the one heard."));
        return;
    }
    const int64_t cut = PartFirstFrame(st_, k);
    const int64_t around = RoundEven(kAroundCutSeconds / st_.FrameDuration);
    playStretch(cut - around, cut + around);
}

void PlaybackController::movePlayCursorTo(int64_t frame) {
    if (MovePlayCursor(st_, st_, st_, frame))
        playPart(st_.PlayingPart, PlayStartKind::ClickedFrame);
    // The view follows a cursor that left it, the cursor in its middle.
    const FrameMapping m(view_.geometry(), st_);
    const int64_t x = m.frameToX(st_.ClickFrame);
    if (x <= view_.geometry().waveLeft || x >= view_.geometry().waveRight)
        view_.scrollTo(st_.ClickFrame - RoundEven(m.z() * view_.geometry().cols() / 2.0));
    placePositionLine();
}

void PlaybackController::placePositionLine() {
    PlaybackLine* line = overlays_->positionLine;
    if (!st_.FileLoaded || st_.IsPlaying) {
        if (!line->isHidden())
            line->hideLine();
        return;
    }
    line->place(CursorLineAt(st_, playbackGeometry(), static_cast<double>(st_.ClickFrame)));
}

void PlaybackController::openStream() {
    st_.PlayStream = engine_.CreateStream(st_);
}

void PlaybackController::releaseStream() {
    engine_.Stop(st_.PlayStream);
    engine_.FreeStream(st_.PlayStream);
    st_.PlayStream = 0;
}

void PlaybackController::tick() {
    if (busy_())
        return;
    stopAtStretchEnd();
    followPlayback();
    placePositionLine();
    // The status word tells what the player does: it follows every change.
    const PlaybackValues& now = st_;
    if (shownPlayback_.IsPlaying != now.IsPlaying || shownPlayback_.ClickFrame != now.ClickFrame ||
        shownPlayback_.PlayingPart != now.PlayingPart) {
        shownPlayback_ = now;
        emit playbackChanged();
    }
}

void PlaybackController::stopAtStretchEnd() {
    if (playStopFrame_ < 0)
        return;
    if (!st_.IsPlaying)
        playStopFrame_ = -1;
    else if (int64_t{st_.PlayFrame} >= playStopFrame_) {
        playStopFrame_ = -1;
        stopPlayback();
    }
}

PlaybackGeometry PlaybackController::playbackGeometry() const {
    const ViewGeometry& v = view_.geometry();
    PlaybackGeometry g;
    g.waveLeft = v.waveLeft;
    g.waveRight = v.waveRight;
    g.waveTop = v.waveTop;
    g.waveBottom = v.waveBottom;
    g.viewBottom = v.viewBottom;
    g.pixelsPerFrame = v.pixelsPerFrame;
    return g;
}

void PlaybackController::followPlayback() {
    const PlaybackTickResult r = PlaybackTimerTick(st_, st_, st_, st_, engine_, playbackGeometry());
    if (r.following)
        emit timeFollowed(r.seconds);
    if (r.autoScrolled) {
        // A changed position re-derives the first frame and redraws; an
        // unchanged one leaves the jump to be drawn here.
        const int before = view_.scrollBar()->value();
        view_.scrollBar()->setValue(r.scrollPosition);
        if (view_.scrollBar()->value() == before)
            view_.draw();
    }
    if (r.redrawMeter())
        view_.drawMeter();
    overlays_->apply(r);
}

} // namespace tessivo
