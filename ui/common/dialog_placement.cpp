#include "ui/common/dialog_placement.h"

#include <QLayout>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tessivo {

void CentreOnParent(QWidget* dialog) {
    QWidget* parent = dialog->parentWidget();
    if (!parent)
        return;
    const QWidget* owner = parent->window();
    // The size the dialog will show at: its layout settled first, and the
    // size hint (as the first show would give it) when none was set.
    dialog->ensurePolished();
    if (dialog->layout())
        dialog->layout()->activate();
    if (!dialog->testAttribute(Qt::WA_Resized))
        dialog->adjustSize();
    const QSize size = dialog->size().expandedTo(dialog->minimumSizeHint());
    const QRect over = owner->frameGeometry();
    QPoint at = over.center() - QPoint(size.width() / 2, size.height() / 2);
    if (const QScreen* screen = owner->screen()) {
        const QRect room = screen->availableGeometry();
        at.setX(
            std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - size.width())));
        at.setY(
            std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - size.height())));
    }
    dialog->move(at);
}

} // namespace tessivo
