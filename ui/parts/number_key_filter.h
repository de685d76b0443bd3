// Key filter of the number-only edit boxes (time, year, track): typed
// characters other than the digits 0-9 and backspace are discarded. Keys that
// type nothing (arrows, Home, Delete), Tab and Shift+Tab (they move the focus)
// and shortcuts (Ctrl+C, Ctrl+V) pass.
#pragma once

#include <QKeyEvent>

namespace tessivo {

inline bool KeyAllowedInNumberEdit(const QKeyEvent* key) {
    if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete ||
        key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        return true;
    if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return true;
    const QString text = key->text();
    if (text.isEmpty())
        return true;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace tessivo
