#include "ui/window/mute_commands.h"

#include "ui/view/view_geometry.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QPainter>

#include <algorithm>

namespace tessivo {

MuteOverlay::MuteOverlay(const ProgramState& st, const ViewGeometry& geom, QWidget* view)
    : QWidget(view), st_(st), geom_(geom) {
    setObjectName(QStringLiteral("muteOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(view->rect());
    view->installEventFilter(this);
    show();
}

QList<QRect> MuteOverlay::mutedRects() const {
    QList<QRect> rects;
    if (!st_.FileLoaded || geom_.waveRight <= geom_.waveLeft)
        return rects;
    const FrameMapping m(geom_, st_);
    for (const MutedStretch& span : st_.Muted) {
        const auto left = static_cast<int>(
            std::clamp<int64_t>(m.frameToX(span.first), geom_.waveLeft, geom_.waveRight));
        const auto right = static_cast<int>(
            std::clamp<int64_t>(m.frameToX(span.end), geom_.waveLeft, geom_.waveRight));
        if (right > left)
            rects << QRect(left, geom_.waveTop, right - left, geom_.waveBottom - geom_.waveTop);
    }
    return rects;
}

void MuteOverlay::paintEvent(QPaintEvent*) {
    const QList<QRect> rects = mutedRects();
    if (rects.isEmpty())
        return;
    QPainter p(this);
    const QColor hatch = palette().color(QPalette::WindowText);
    for (const QRect& r : rects) {
        p.fillRect(r, QColor(hatch.red(), hatch.green(), hatch.blue(), 40));
        p.fillRect(r, QBrush(hatch, Qt::BDiagPattern));
    }
}

bool MuteOverlay::eventFilter(QObject* watched, QEvent* e) {
    if (watched == parentWidget() && e->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, e);
}

MuteCommands::MuteCommands(MainWindow& window, QMenu* editMenu)
    : QObject(&window), window_(window),
      overlay_(new MuteOverlay(window.state(), window.viewGeometry(), window.waveView())) {
    QAction* mute = editMenu->addAction(tr("Mute selection"), this, &MuteCommands::muteSelection);
    mute->setObjectName(QStringLiteral("muteSelectionAction"));
    mute->setShortcut(QKeySequence(Qt::Key_U));
}

void MuteCommands::muteSelection() {
    if (window_.isBusy() || !window_.state().FileLoaded || !window_.view()->hasStretch())
        return;
    const Stretch& s = window_.view()->stretch();
    // The document's change redraws the waveform with the hatching.
    window_.document().Mute(static_cast<int32_t>(s.first), static_cast<int32_t>(s.last + 1));
}

} // namespace tessivo
