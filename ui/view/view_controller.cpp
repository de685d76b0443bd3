#include "ui/view/view_controller.h"

#include "core/util/round_even.h"

#include "core/playback/playback_control.h"
#include "ui/view/wave_view.h"

#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace tessivo {

namespace {

constexpr int kMax = kScrollMax; // scroll bar positions 0..10000
// Eighths of a degree in one notch of the wheel.
constexpr double kNotch = 120.0;

// The waveform's tooltip while it shows samples: how a cut line gets to one.
QString SampleCutHint(bool samples, bool gapless) {
    if (!samples)
        return {};
    return gapless ? ViewController::tr("Samples shown: a dragged or double-clicked cut line "
                                        "goes to the sample under the pointer (Gapless parts)")
                   : ViewController::tr("Samples shown: Ctrl+drag or Ctrl+double click puts a "
                                        "cut line at the sample under the pointer");
}

} // namespace

ViewController::ViewController(ProgramState& st, WaveView& view, ViewHooks hooks, QObject* parent)
    : QObject(parent), st_(st), view_(view), hooks_(std::move(hooks)) {
    createScrollBar(view.parentWidget());
}

void ViewController::createScrollBar(QWidget* parent) {
    scrollBar_ = new QScrollBar(Qt::Horizontal, parent);
    scrollBar_->setObjectName(QStringLiteral("scrollBar"));
    scrollBar_->setRange(0, kMax);
    scrollBar_->setPageStep(kMax);
    connect(scrollBar_, &QScrollBar::valueChanged, this, &ViewController::onScrollBarMoved);
    // A click in the trough moves by the large change, not by a page.
    connect(scrollBar_, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderPageStepAdd)
            scrollBar_->setSliderPosition(scrollBar_->value() + steps_.largeChange);
        else if (action == QAbstractSlider::SliderPageStepSub)
            scrollBar_->setSliderPosition(scrollBar_->value() - steps_.largeChange);
    });
}

void ViewController::layout() {
    geom_ = ComputeWaveGeometry(view_.width(), view_.height(), st_.ChannelCount, st_.FrameCount);
    st_.WaveLeft = geom_.waveLeft;
    st_.WaveRight = geom_.waveRight;
    view_.waveLeft = geom_.waveLeft;
    view_.meterLeft = geom_.meterLeft;
    if (view_.waveBitmap.size() != QSize(geom_.waveBitmapWidth(), geom_.waveBitmapHeight()))
        view_.waveBitmap = MakeWaveBitmap(geom_);
    if (view_.meterBitmap.size() != QSize(geom_.meterBitmapWidth(), geom_.meterBitmapHeight()))
        view_.meterBitmap = MakeMeterBitmap(geom_);
}

void ViewController::draw() {
    // The exact peaks of what is shown are computed next.
    const int64_t shown = static_cast<int64_t>(std::ceil(geom_.cols() * ZoomScale(st_.ZoomLevel)));
    if (hooks_.framesShown)
        hooks_.framesShown(static_cast<uint32_t>(std::max(st_.ViewFirstFrame, 0)),
                           static_cast<uint32_t>(std::clamp<int64_t>(st_.ViewFirstFrame + shown, 0,
                                                                     int64_t{st_.FrameCount})));
    if (view_.waveBitmap.isNull())
        return;
    style_.samples = shownSamples();
    const QString hint = SampleCutHint(style_.samples != nullptr, st_.IsGapless);
    if (view_.toolTip() != hint)
        view_.setToolTip(hint);
    {
        QPainter p(&view_.waveBitmap);
        RenderWaveView(p, st_, geom_, style_);
    }
    view_.update(geom_.waveLeft, geom_.waveTop, view_.waveBitmap.width(),
                 view_.waveBitmap.height());
    if (stretchBand_)
        showStretch();
}

const SampleStretch* ViewController::shownSamples() {
    const FrameMapping m(geom_, st_);
    if (!st_.FileLoaded || !m.showsSamples())
        return nullptr;
    // The frames shown, and a frame more for the last column's samples.
    const int64_t wide = static_cast<int64_t>(std::ceil(geom_.waveBitmapWidth() * m.z())) + 1;
    const auto first = static_cast<uint32_t>(std::max<int64_t>(m.f0(), 0));
    const auto end = static_cast<uint32_t>(
        std::clamp<int64_t>(int64_t{first} + wide, 0, int64_t{st_.FrameCount}));
    if (!StretchHolds(samples_, st_, first, end)) {
        // A screen to either side as well, so scrolling a little and every
        // redraw of a drag reuse them.
        const auto from = static_cast<uint32_t>(std::max<int64_t>(int64_t{first} - wide, 0));
        samples_ = DecodeFrameStretch(st_, from, static_cast<uint32_t>(int64_t{end} + wide));
    }
    return StretchHolds(samples_, st_, first, end) ? &samples_ : nullptr;
}

void ViewController::drawMeter() {
    if (view_.meterBitmap.isNull())
        return;
    {
        QPainter p(&view_.meterBitmap);
        RenderLevelMeter(p, st_, geom_, hooks_.windowHeight ? hooks_.windowHeight() : 0,
                         style_.colours);
    }
    view_.update(geom_.meterLeft, geom_.waveTop, view_.meterBitmap.width(),
                 view_.meterBitmap.height());
}

void ViewController::onResized() {
    layout();
    if (st_.FitFramesPerColumn > 0)
        st_.FitFramesPerColumn = FitScale(st_.FrameCount, geom_.cols());
    updateScrollBar();
    view_.update();
    draw();
    drawMeter();
    emit viewChanged();
}

void ViewController::zoomIn() {
    if (hooks_.busy())
        return;
    // From a fitted scale in goes to the level below the one just above it.
    st_.FitFramesPerColumn = 0.0;
    if (st_.ZoomLevel > kFinestZoomLevel) {
        --st_.ZoomLevel;
        updateScrollBar();
        draw();
        emit viewChanged();
    }
}

void ViewController::zoomOut() {
    if (hooks_.busy() || st_.FitFramesPerColumn > 0)
        return; // a fitted scale already shows the whole file
    const int64_t w = geom_.waveBitmapWidth();
    const int64_t n = st_.FrameCount;
    double z = ZoomScale(st_.ZoomLevel);
    if (st_.ZoomLevel >= 11 || RoundEven(static_cast<double>(n) / z) <= w)
        return; // the whole file already fits
    ++st_.ZoomLevel;
    z = ZoomScale(st_.ZoomLevel);
    if (RoundEven(static_cast<double>(n - st_.ViewFirstFrame) / z) < w)
        st_.ViewFirstFrame =
            static_cast<int32_t>(std::max<int64_t>(n - RoundEven(static_cast<double>(w) * z), 0));
    updateScrollBar();
    draw();
    emit viewChanged();
}

void ViewController::zoomToFit() {
    if (hooks_.busy() || !st_.FileLoaded)
        return;
    st_.FitFramesPerColumn = FitScale(st_.FrameCount, geom_.cols());
    st_.ZoomLevel = LevelOfScale(st_.FitFramesPerColumn);
    scrollTo(0);
}

void ViewController::setOpenHint(bool shown) {
    style_.openHint = shown;
    draw();
}

void ViewController::setColours(const ColourScheme& colours, const MarkImages& images) {
    style_.colours = colours;
    style_.images = &images;
    view_.update(); // the frame around the waveform takes the colours too
    draw();
    drawMeter();
}

void ViewController::showOpenedFile() {
    layout();
    st_.FitFramesPerColumn = 0.0;
    st_.ZoomLevel = StartingZoomLevel(st_.FrameCount, geom_.cols());
    // A file longer than the coarsest level shows opens fitted: whole.
    if (int64_t{st_.FrameCount} > int64_t{ZoomFactor[st_.ZoomLevel]} * geom_.cols()) {
        st_.FitFramesPerColumn = FitScale(st_.FrameCount, geom_.cols());
        st_.ZoomLevel = LevelOfScale(st_.FitFramesPerColumn);
    }
    {
        const QSignalBlocker block(scrollBar_);
        scrollBar_->setValue(0);
    }
    st_.ViewFirstFrame = 0;
    samples_ = {};
    updateScrollBar();
    layout();
    emit viewChanged();
}

void ViewController::forgetFile() {
    samples_ = {};
    st_.FitFramesPerColumn = 0.0;
}

void ViewController::zoomAround(int direction, int x) {
    const int64_t col = std::clamp<int64_t>(x - geom_.waveLeft, 0, geom_.cols());
    const int64_t under = FrameMapping(geom_, st_).columnToFrame(col);
    if (direction < 0) {
        st_.FitFramesPerColumn = 0.0;
        if (st_.ZoomLevel <= kFinestZoomLevel)
            return;
        --st_.ZoomLevel;
    } else {
        const double z = FramesPerColumn(st_);
        if (st_.FitFramesPerColumn > 0 || st_.ZoomLevel >= 11 ||
            RoundEven(st_.FrameCount / z) <= geom_.waveBitmapWidth())
            return; // the whole file already fits
        ++st_.ZoomLevel;
    }
    scrollTo(under - RoundEven(FramesPerColumn(st_) * static_cast<double>(col)));
}

void ViewController::centreOn(int64_t frame) {
    scrollTo(frame - RoundEven(FramesPerColumn(st_) * geom_.cols() / 2.0));
}

void ViewController::scrollTo(int64_t firstFrame) {
    const double z = FramesPerColumn(st_);
    const int64_t shown = RoundEven(z * geom_.cols());
    const int64_t last = std::max<int64_t>(0, int64_t{st_.FrameCount} - shown);
    st_.ViewFirstFrame = static_cast<int32_t>(std::clamp<int64_t>(firstFrame, 0, last));
    {
        // The bar follows the view; its rounded position does not move it.
        const QSignalBlocker block(scrollBar_);
        updateScrollBar();
    }
    draw();
    emit viewChanged();
}

void ViewController::wheel(QPoint angleDelta, Qt::KeyboardModifiers mods, int x) {
    if (hooks_.busy() || !st_.FileLoaded)
        return;
    // Either wheel axis scrolls; a turn away from the user goes forward.
    const int delta = angleDelta.y() != 0 ? angleDelta.y() : angleDelta.x();
    if (delta == 0)
        return;
    if (mods & Qt::ControlModifier) {
        zoomAround(delta > 0 ? -1 : +1, x);
        return;
    }
    // One notch: a tenth of the view, at least a frame while a column is less.
    const double frames =
        static_cast<double>(delta) / kNotch * FramesPerColumn(st_) * geom_.cols() / 10.0;
    scrollTo(st_.ViewFirstFrame -
             (std::fabs(frames) < 1.0 ? (frames < 0 ? -1 : 1) : RoundEven(frames)));
}

void ViewController::updateScrollBar() {
    const int64_t n = st_.FrameCount == 0 ? 1 : st_.FrameCount;
    const double z = FramesPerColumn(st_);
    const int64_t cols = geom_.cols();
    const int64_t f0 = st_.ViewFirstFrame;
    int64_t page = kMax;
    if (!(static_cast<double>(n) <= z * static_cast<double>(cols) && f0 == 0))
        page = RoundEven(z * kMax * static_cast<double>(cols) / static_cast<double>(n));
    if (page <= kMax)
        steps_.pageSize = static_cast<int>(std::max<int64_t>(page, 1));
    // The view starts on a whole frame, also below one frame per column.
    const double step = std::max(z, 1.0);
    const int64_t position = RoundEven(
        step * static_cast<double>(RoundEven(static_cast<double>(kMax) * static_cast<double>(f0) /
                                             (step * static_cast<double>(n)))));
    steps_.smallChange = static_cast<int>(RoundEven(step));
    steps_.largeChange = static_cast<int>(RoundEven(10 * step));
    {
        // The last position shows the end of the file at the right edge.
        const QSignalBlocker block(scrollBar_);
        scrollBar_->setMaximum(kMax - steps_.pageSize);
        scrollBar_->setPageStep(steps_.pageSize);
        scrollBar_->setSingleStep(steps_.smallChange);
    }
    // A changed position re-derives the first frame and redraws.
    scrollBar_->setValue(static_cast<int>(std::clamp<int64_t>(position, 0, kMax)));
}

void ViewController::onScrollBarMoved(int position) {
    const double step = std::max(FramesPerColumn(st_), 1.0);
    const int64_t fp = int64_t{st_.FrameCount} * position;
    st_.ViewFirstFrame = static_cast<int32_t>(
        RoundEven(step * static_cast<double>(RoundEven(static_cast<double>(fp) / (step * kMax)))));
    draw();
    emit viewChanged();
}

void ViewController::autoZoomIn() {
    const double z = ZoomScale(st_.ZoomLevel);
    if (hooks_.busy() || st_.ZoomLevel <= 1 || st_.FitFramesPerColumn > 0 ||
        !(st_.FrameCount < 0.5 * z * geom_.cols()))
        return;
    --st_.ZoomLevel;
    layout();
    updateScrollBar();
    view_.update();
    draw();
    emit viewChanged();
}

void ViewController::onPainted() {
    if (autoZoomPending_ || hooks_.busy() || st_.ZoomLevel <= 1 || st_.FitFramesPerColumn > 0)
        return;
    if (!(st_.FrameCount < 0.5 * ZoomScale(st_.ZoomLevel) * geom_.cols()))
        return;
    autoZoomPending_ = true;
    QTimer::singleShot(0, this, [this] {
        autoZoomPending_ = false;
        autoZoomIn();
    });
}

bool ViewController::stretchPress(Qt::MouseButton button, Qt::KeyboardModifiers mods, int x) {
    if (button != Qt::LeftButton || !(mods & Qt::ShiftModifier) || !st_.FileLoaded) {
        if (button == Qt::LeftButton)
            clearStretch();
        return false;
    }
    selecting_ = true;
    stretch_.first = stretch_.last = frameAtX(x);
    showStretch();
    return true;
}

bool ViewController::stretchMove(int x) {
    if (!selecting_)
        return false;
    stretch_.last = frameAtX(x);
    showStretch();
    return true;
}

bool ViewController::stretchRelease(int x) {
    if (!selecting_)
        return false;
    selecting_ = false;
    stretch_.last = frameAtX(x);
    if (stretch_.last < stretch_.first)
        std::swap(stretch_.first, stretch_.last);
    showStretch();
    emit stretchChanged();
    return true;
}

void ViewController::clearStretch() {
    const bool had = hasStretch() || selecting_;
    stretch_ = {};
    selecting_ = false;
    showStretch();
    if (had)
        emit stretchChanged();
}

bool ViewController::hasStretch() const {
    return !selecting_ && stretch_.last > stretch_.first;
}

int64_t ViewController::frameAtX(int x) const {
    const FrameMapping m(geom_, st_);
    const int xIn = std::clamp(x, geom_.waveLeft, geom_.waveRight - 1);
    return std::clamp<int64_t>(m.xToFrame(xIn), 0, std::max<int64_t>(st_.FrameCount - 1, 0));
}

void ViewController::showStretch() {
    if (!stretchBand_) {
        stretchBand_ = new QWidget(&view_);
        stretchBand_->setObjectName(QStringLiteral("stretchBand"));
        stretchBand_->setAttribute(Qt::WA_TransparentForMouseEvents);
        stretchBand_->setAutoFillBackground(true);
        QPalette p = stretchBand_->palette();
        p.setColor(QPalette::Window, QColor(80, 120, 220, 70));
        stretchBand_->setPalette(p);
    }
    if (stretch_.first == stretch_.last || !st_.FileLoaded) {
        stretchBand_->hide();
        return;
    }
    const FrameMapping m(geom_, st_);
    const int64_t a = std::min(stretch_.first, stretch_.last);
    const int64_t b = std::max(stretch_.first, stretch_.last);
    const int left =
        static_cast<int>(std::clamp<int64_t>(m.frameToX(a), geom_.waveLeft, geom_.waveRight));
    const int right =
        static_cast<int>(std::clamp<int64_t>(m.frameToX(b), geom_.waveLeft, geom_.waveRight));
    stretchBand_->setGeometry(left, geom_.waveTop, std::max(1, right - left),
                              geom_.waveBottom - geom_.waveTop);
    stretchBand_->setVisible(right > left);
}

} // namespace tessivo
