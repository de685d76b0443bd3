// A window's files all in one temporary folder: settings, music folder,
// diagnostics, peak cache and recovery records, so a test, a benchmark or
// the screenshot tool touches nothing of the user's.
#pragma once

#include "ui/window/main_window.h"

#include <QTemporaryDir>

namespace tessivo::testing {

inline WindowEnvironment TempWindowEnvironment(const QTemporaryDir& dir) {
    WindowEnvironment env;
    env.settingsPath = dir.filePath(QStringLiteral("tessivo.ini"));
    env.musicFolder = dir.filePath(QStringLiteral("Music"));
    env.diagnosticFolder = dir.path();
    env.peakCacheFolder = dir.filePath(QStringLiteral("cache"));
    env.recoveryFolder = dir.filePath(QStringLiteral("recovery"));
    return env;
}

} // namespace tessivo::testing
