#include "ui/window/control_panel.h"

#include "core/playback/playback_control.h"
#include "core/util/time_text.h"
#include "ui/view/colour_scheme.h"
#include "ui/view/view_geometry.h"
#include "ui/window/status_texts.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace tessivo {

namespace {

// The sunken, light panels of the status word and the clock.
QFrame* MakeDisplayFrame(QWidget* parent) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::Panel);
    f->setFrameShadow(QFrame::Sunken);
    SetSchemeBackground(f, QColor(245, 240, 230));
    return f;
}

// The large bold type of the status word and the clock, in the desktop's font.
QFont DisplayFont(int pixelSize) {
    QFont f = QApplication::font();
    f.setPixelSize(pixelSize);
    f.setBold(true);
    return f;
}

// `font` made smaller, when needed, until `widest` fits in `width` pixels:
// the clock's frame keeps its size whatever the desktop's font is.
QFont FittedFont(QFont font, const QString& widest, int width) {
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(widest) > width)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

// A button at least `w` pixels wide, wider when its text needs it.
QToolButton* MakeButton(QWidget* parent, const QString& text, const QString& hint, int w,
                        const char* name) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setMinimumSize(w, 27);
    b->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    b->setAutoRaise(false);
    return b;
}

} // namespace

ControlPanel::ControlPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("controlPanel"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 2, 2);
    row->setSpacing(4);
    createPlaybackControls(row);
    createStatusDisplay(row);
    createClock(row);
    splitButton = MakeButton(this, tr("Split"), tr("Split & Save"), 60, "splitButton");
    row->addWidget(splitButton);
    row->addStretch(1);
    createZoomButtons(row);
}

void ControlPanel::createPlaybackControls(QHBoxLayout* row) {
    playButton = MakeButton(this, tr("Play"), tr("Play (Space)"), 50, "playButton");
    stopButton = MakeButton(this, tr("Stop"), tr("Stop (Space)"), 50, "stopButton");
    row->addWidget(playButton);
    row->addWidget(stopButton);
    row->addSpacing(20);
    // A caption above each slider.
    auto addSlider = [this, row](const QString& caption, const QString& hint, int w) {
        auto* column = new QVBoxLayout;
        column->setSpacing(0);
        column->addWidget(new QLabel(caption, this));
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setToolTip(hint);
        slider->setMinimumWidth(w);
        slider->setRange(0, kSliderMax);
        slider->setTickPosition(QSlider::NoTicks);
        column->addWidget(slider);
        row->addLayout(column);
        return slider;
    };
    volumeSlider = addSlider(tr("Volume"), tr("Playback Volume"), 80);
    volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
    rateSlider = addSlider(tr("Rate"), tr("Playback Rate"), 60);
    rateSlider->setObjectName(QStringLiteral("rateSlider"));
}

void ControlPanel::createStatusDisplay(QHBoxLayout* row) {
    statusFrame_ = MakeDisplayFrame(this);
    statusLabel_ = new QLabel(tr("Open a File"), statusFrame_);
    statusLabel_->setObjectName(QStringLiteral("statusLabel"));
    // The longest status word fits whole in the frame's least width.
    constexpr int kStatusWidth = 221 - 14;
    statusLabel_->setFont(FittedFont(DisplayFont(16), PeaksWaitingText(100.0), kStatusWidth));
    statusLabel_->setMinimumWidth(kStatusWidth);
    statusLabel_->setAttribute(Qt::WA_TranslucentBackground);
    statusLabel_->installEventFilter(this);
    statusFrame_->installEventFilter(this);
    auto* box = new QHBoxLayout(statusFrame_);
    box->setContentsMargins(7, 2, 7, 2);
    box->addWidget(statusLabel_);
    row->addWidget(statusFrame_, 1);
}

void ControlPanel::createClock(QHBoxLayout* row) {
    QFrame* clockFrame = MakeDisplayFrame(this);
    clockLabel_ = new QLabel(QStringLiteral("0:00:00"), clockFrame);
    clockLabel_->setObjectName(QStringLiteral("clockLabel"));
    clockLabel_->setFont(FittedFont(DisplayFont(24), QStringLiteral("00:00:00"), 120));
    clockLabel_->setMinimumWidth(
        clockLabel_->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 2);
    clockLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    clockMsLabel_ = new QLabel(QStringLiteral(":000"), clockFrame);
    clockMsLabel_->setObjectName(QStringLiteral("clockMsLabel"));
    clockMsLabel_->setMinimumWidth(
        clockMsLabel_->fontMetrics().horizontalAdvance(QStringLiteral(":000")) + 2);
    auto* box = new QHBoxLayout(clockFrame);
    box->setContentsMargins(6, 0, 6, 0);
    box->setSpacing(2);
    box->addWidget(clockLabel_);
    box->addWidget(clockMsLabel_, 0, Qt::AlignBottom);
    row->addWidget(clockFrame);
}

void ControlPanel::createZoomButtons(QHBoxLayout* row) {
    zoomInButton =
        MakeButton(this, QStringLiteral("+"), tr("Zoom In Time"), kZoomButtonWidth, "zoomInButton");
    zoomOutButton = MakeButton(this, QStringLiteral("-"), tr("Zoom Out Time"), kZoomButtonWidth,
                               "zoomOutButton");
    auto* zoom = new QHBoxLayout;
    zoom->setSpacing(2);
    zoom->addWidget(zoomInButton);
    zoom->addWidget(zoomOutButton);
    row->addLayout(zoom);
}

void ControlPanel::showTime(double seconds) {
    std::string hms, ms;
    SplitClockText(seconds, hms, ms);
    clockLabel_->setText(QString::fromStdString(hms));
    clockMsLabel_->setText(QString::fromStdString(ms));
}

void ControlPanel::setStatus(const QString& text) {
    statusLabel_->setText(text);
}

QString ControlPanel::status() const {
    return statusLabel_->text();
}

void ControlPanel::setStatusClickable(bool on) {
    if (on)
        statusLabel_->setCursor(Qt::PointingHandCursor);
    else
        statusLabel_->unsetCursor();
}

void ControlPanel::setControlsEnabled(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(playButton), static_cast<QWidget*>(stopButton),
                       static_cast<QWidget*>(splitButton), static_cast<QWidget*>(zoomInButton),
                       static_cast<QWidget*>(zoomOutButton)})
        w->setEnabled(on);
}

bool ControlPanel::eventFilter(QObject* watched, QEvent* e) {
    if ((watched == statusLabel_ || watched == statusFrame_) &&
        e->type() == QEvent::MouseButtonPress) {
        emit statusClicked();
        return true;
    }
    return QFrame::eventFilter(watched, e);
}

} // namespace tessivo
