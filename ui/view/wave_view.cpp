#include "ui/view/wave_view.h"

#include "ui/view/wave_renderer.h"

#include <QMouseEvent>
#include <QPainter>

namespace tessivo {

WaveView::WaveView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void WaveView::paintEvent(QPaintEvent*) {
    {
        QPainter p(this);
        p.fillRect(rect(), BackColor);
        if (!waveBitmap.isNull())
            p.drawImage(waveLeft, 0, waveBitmap);
        if (!meterBitmap.isNull())
            p.drawImage(meterLeft, 0, meterBitmap);
    }
    if (handler_)
        handler_->onWavePainted();
}

void WaveView::mousePressEvent(QMouseEvent* e) {
    if (handler_)
        handler_->onWaveMousePress(e->button(), e->modifiers(), e->position().toPoint().x(),
                                   e->position().toPoint().y());
}

void WaveView::mouseMoveEvent(QMouseEvent* e) {
    if (handler_)
        handler_->onWaveMouseMove(e->buttons(), e->modifiers(), e->position().toPoint().x(),
                                  e->position().toPoint().y());
}

void WaveView::mouseReleaseEvent(QMouseEvent* e) {
    if (handler_)
        handler_->onWaveMouseRelease(e->button(), e->modifiers(), e->position().toPoint().x(),
                                     e->position().toPoint().y());
}

void WaveView::mouseDoubleClickEvent(QMouseEvent* e) {
    // The platform sends a press for the second click as well; the double-click
    // handler runs first, then the press, as the mouse code expects.
    if (handler_) {
        handler_->onWaveDoubleClick();
        handler_->onWaveMousePress(e->button(), e->modifiers(), e->position().toPoint().x(),
                                   e->position().toPoint().y());
    }
}

} // namespace tessivo
