#include "ui/view/wave_view.h"

#include "ui/view/wave_renderer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace tessivo {

WaveView::WaveView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // A click takes the keyboard focus, so the editing keys reach the view.
    setFocusPolicy(Qt::StrongFocus);
}

void WaveView::wheelEvent(QWheelEvent* e) {
    if (!handler_)
        return;
    handler_->onWaveWheel(e->angleDelta(), e->modifiers(), e->position().toPoint().x());
    e->accept();
}

void WaveView::keyPressEvent(QKeyEvent* e) {
    if (handler_ && handler_->onWaveKeyPress(e->key(), e->modifiers()))
        e->accept();
    else
        QWidget::keyPressEvent(e);
}

void WaveView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (handler_)
        handler_->onWaveResized();
}

void WaveView::paintEvent(QPaintEvent*) {
    {
        QPainter p(this);
        p.fillRect(rect(), ActiveScheme()(BackColor));
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
        handler_->onWaveDoubleClick(e->modifiers());
        handler_->onWaveMousePress(e->button(), e->modifiers(), e->position().toPoint().x(),
                                   e->position().toPoint().y());
    }
}

} // namespace tessivo
