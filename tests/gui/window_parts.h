// What the window tests share: finding a named child widget, action or timer
// of a window (the test fails when there is none), a fixture's path, and a
// main window shown at the tests' size with its files in a temporary folder
// and short autosave waits.
#pragma once

#include "tests/fakes/fake_user_dialogs.h"
#include "ui/view/wave_mouse.h"
#include "ui/window/main_window.h"

#include <QMenuBar>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace tessivo::testing {

// The autosave waits of a test window (ms): short, as tests wait for what is
// written rather than for the time.
constexpr int kShortWaitMs = 10;

inline QString Fixture(const char* name) {
    return QStringLiteral(TESSIVO_FIXTURES "/") + QString::fromLatin1(name);
}

// A main window over `st`, its settings and music folder in `dir`, shown and
// exposed at 1000 x 700 client pixels; null (and the test failed) when the
// window could not be shown.
inline std::unique_ptr<MainWindow> ShowTestWindow(ProgramState& st, AudioEngine& engine,
                                                  UserDialogs& dialogs, const QTemporaryDir& dir) {
    WindowEnvironment env;
    env.settingsPath = dir.filePath("tessivo.ini");
    env.musicFolder = dir.filePath("Music");
    env.diagnosticFolder = dir.path();
    env.recoveryFolder = dir.filePath("recovery");
    env.clickWaitMs = 0; // tests wait for the click itself (SettleClicks)
    // Tests wait for the crash record and the settings file themselves.
    env.autosaveWaitMs = kShortWaitMs;
    env.settingsWaitMs = kShortWaitMs;
    auto win = std::make_unique<MainWindow>(st, engine, dialogs, env);
    win->show();
    if (!QTest::qWaitForWindowExposed(win.get())) {
        ADD_FAILURE() << "the window was not exposed";
        return nullptr;
    }
    const QSize size(1000, 700 + win->menuBar()->height());
    win->resize(size);
    EXPECT_TRUE(QTest::qWaitFor([&] { return win->size() == size; }, 2000));
    return win;
}

// Waits until the waveform's pending clicks took effect.
template <class Window> void SettleClicks(const Window& win) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return win->waveMouse()->pendingReleases() == 0; }, 5000));
}

// Closes and deletes a test window, discarding its unsplit edits.
inline void CloseTestWindow(std::unique_ptr<MainWindow>& win, FakeUserDialogs& dialogs) {
    dialogs.discardAnswer = true;
    if (win)
        win->close();
    win.reset();
}

template <class T, class Window> T* FindPart(const Window& window, const char* name) {
    T* part = window->template findChild<T*>(QString::fromLatin1(name));
    if (!part)
        ADD_FAILURE() << "no child named " << name;
    return part;
}

} // namespace tessivo::testing

namespace tessivo {
using testing::SettleClicks;
} // namespace tessivo
