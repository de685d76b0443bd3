// How the window tests walk the keyboard focus: the widgets Tab (or
// Shift+Tab) visits from a start until it comes back, the controls a user
// expects it to reach, and whether one control is read after another.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QRadioButton>
#include <QRect>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <string>

namespace tessivo::testing {

// The widgets the key visits from `start` (first), until the focus comes
// back to it or leaves `root`; at most 100.
inline QList<QWidget*> TabChain(QWidget* root, QWidget* start, Qt::Key key = Qt::Key_Tab) {
    QList<QWidget*> chain;
    start->setFocus(Qt::TabFocusReason);
    for (QWidget* w = QApplication::focusWidget(); w && chain.size() < 100;) {
        if (chain.contains(w) || (w != root && !root->isAncestorOf(w)))
            break;
        chain << w;
        QTest::keyClick(w, key);
        w = QApplication::focusWidget();
    }
    return chain;
}

// Every control of `root` that Tab should reach: shown, enabled and taking
// the focus by Tab; of a group of radio buttons only the checked one.
inline QList<QWidget*> TabControls(QWidget* root) {
    QList<QWidget*> out;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) ||
            w->focusProxy())
            continue;
        if (auto* radio = qobject_cast<QRadioButton*>(w); radio && !radio->isChecked())
            continue;
        out << w;
    }
    return out;
}

// Where `w` lies in `root`'s coordinates.
inline QRect PlaceIn(const QWidget* root, const QWidget* w) {
    return QRect(w->mapTo(root, QPoint(0, 0)), w->size());
}

// Whether `b` is read after `a`: in the same row (they share at least half
// the height of the lower one) further right, or in a lower row.
inline bool ReadsAfter(const QWidget* root, const QWidget* a, const QWidget* b) {
    const QRect ra = PlaceIn(root, a), rb = PlaceIn(root, b);
    const int shared = std::min(ra.bottom(), rb.bottom()) - std::max(ra.top(), rb.top());
    if (2 * shared >= std::min(ra.height(), rb.height()))
        return rb.left() > ra.left();
    return rb.center().y() > ra.center().y();
}

// The objects' names, for messages.
inline std::string NamesOf(const QList<QWidget*>& widgets) {
    std::string out;
    for (const QWidget* w : widgets)
        out += (w->objectName().isEmpty() ? std::string(w->metaObject()->className())
                                          : w->objectName().toStdString()) +
               " ";
    return out;
}

} // namespace tessivo::testing
