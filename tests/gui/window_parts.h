// Finds a named child widget, action or timer of a window in a test; fails
// the test when there is none.
#pragma once

#include <QObject>
#include <QString>
#include <gtest/gtest.h>

namespace tessivo::testing {

template <class T, class Window> T* FindPart(const Window& window, const char* name) {
    T* part = window->template findChild<T*>(QString::fromLatin1(name));
    if (!part)
        ADD_FAILURE() << "no child named " << name;
    return part;
}

} // namespace tessivo::testing
