#include "ui/view/playback_cursor_overlay.h"

#include <QPainter>

namespace tessivo {

PlaybackLine::PlaybackLine(QColor color, bool dotted, QWidget* parent)
    : QWidget(parent), color_(color), dotted_(dotted) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // No background of its own: the view shows through the dotted line's gaps.
    setAutoFillBackground(false);
    hideLine();
}

void PlaybackLine::place(const OverlayLine& line) {
    if (!line.visible || line.height <= 0) {
        hideLine();
        return;
    }
    const QRect want(line.x, line.y, 1, line.height);
    if (geometry() != want)
        setGeometry(want);
    if (isHidden()) {
        show();
        raise();
    }
}

void PlaybackLine::setColor(const QColor& c) {
    color_ = c;
    update();
}

void PlaybackLine::hideLine() {
    setGeometry(-1, 0, 1, 0);
    hide();
}

void PlaybackLine::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!dotted_) {
        p.fillRect(rect(), color_);
        return;
    }
    p.setPen(color_);
    for (int y = 0; y < height(); y += 2)
        p.drawPoint(0, y);
}

namespace {

const QColor kCursorColour(0, 128, 0), kStripMarkColour(36, 255, 36), kPositionColour(0, 0, 160);

} // namespace

PlaybackOverlays::PlaybackOverlays(QWidget* clientArea)
    : cursorLine(new PlaybackLine(kCursorColour, true, clientArea)),
      stripMarkLine(new PlaybackLine(kStripMarkColour, false, clientArea)),
      positionLine(new PlaybackLine(kPositionColour, true, clientArea)) {
    positionLine->setObjectName(QStringLiteral("positionLine"));
    cursorLine->setObjectName(QStringLiteral("cursorLine"));
    stripMarkLine->setObjectName(QStringLiteral("stripMarkLine"));
}

void PlaybackOverlays::apply(const PlaybackTickResult& r) {
    if (r.placeOverlays) {
        stripMarkLine->place(r.stripMark);
        cursorLine->place(r.cursor);
    }
    if (r.hideOverlays)
        hideAll();
}

void PlaybackOverlays::hideAll() {
    cursorLine->hideLine();
    stripMarkLine->hideLine();
}

void PlaybackOverlays::setScheme(const ColourScheme& cs) {
    cursorLine->setColor(cs(kCursorColour));
    stripMarkLine->setColor(cs(kStripMarkColour));
    positionLine->setColor(cs(kPositionColour));
}

} // namespace tessivo
