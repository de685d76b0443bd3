#include "ui/view/playback_cursor_overlay.h"

#include <QPainter>

namespace tessivo {

PlaybackLine::PlaybackLine(QColor color, bool dotted, QWidget* parent)
    : QWidget(parent), color_(color), dotted_(dotted) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // No background of its own: the view shows through the dotted line's gaps.
    setAutoFillBackground(false);
    HideLine();
}

void PlaybackLine::Place(const OverlayLine& line) {
    if (!line.visible || line.height <= 0) {
        HideLine();
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

void PlaybackLine::HideLine() {
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

PlaybackOverlays::PlaybackOverlays(QWidget* clientArea)
    : FormLine1(new PlaybackLine(QColor(0, 128, 0), true, clientArea)),
      FormLine2(new PlaybackLine(QColor(36, 255, 36), false, clientArea)) {
    FormLine1->setObjectName(QStringLiteral("FormLine1"));
    FormLine2->setObjectName(QStringLiteral("FormLine2"));
}

void PlaybackOverlays::Apply(const PlaybackTickResult& r) {
    if (r.placeOverlays) {
        FormLine2->Place(r.stripMark);
        FormLine1->Place(r.cursor);
    }
    if (r.hideOverlays)
        HideAll();
}

void PlaybackOverlays::HideAll() {
    FormLine1->HideLine();
    FormLine2->HideLine();
}

} // namespace tessivo
