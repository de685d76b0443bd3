// Tab order set by hand where the order the controls were made in is not the
// order they are read in (left to right, then top to bottom).
#pragma once

#include <QWidget>

#include <initializer_list>

namespace tessivo {

// Tab goes from each widget to the next of `widgets`, in the order given.
inline void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* before = nullptr;
    for (QWidget* w : widgets) {
        if (before)
            QWidget::setTabOrder(before, w);
        before = w;
    }
}

} // namespace tessivo
