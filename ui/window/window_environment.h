// Where the main window finds what it needs from its surroundings: the
// settings file, folders and the help page; tests point these elsewhere.
#pragma once

#include "ui/window/autosave_controller.h"
#include "ui/window/settings_autosave.h"

#include <QString>

#include <cstdint>

namespace tessivo {

// What the window needs from its surroundings (empty: the default place).
struct WindowEnvironment {
    // Full path of the settings file.
    QString settingsPath;
    // The user's music folder: the default output folder. Empty = ask the
    // system (QStandardPaths::MusicLocation).
    QString musicFolder;
    // Folder in which "test.chk" switches the frame viewer on. Empty = the
    // current directory.
    QString diagnosticFolder;
    // The help page. Empty = look beside the program, then in the sources.
    QString helpPage;
    // Where exact peaks are kept between runs. Empty = the user's cache
    // folder (DefaultPeakCacheFolder).
    QString peakCacheFolder;
    // Decoders of the exact peaks (0: one per core) and frames per chunk
    // (0: the default).
    unsigned peakThreads = 0;
    uint32_t peakChunkFrames = 0;
    // Where edits are kept against a crash. Empty = the user's data folder
    // (DefaultRecoveryFolder).
    QString recoveryFolder;
    // How long a click on the waveform waits for a double click (ms).
    int clickWaitMs = 300;
    // How long an edit waits before it is kept against a crash, and a
    // changed setting before the settings file is written (ms).
    int autosaveWaitMs = AutosaveController::kDelayMs;
    int settingsWaitMs = SettingsAutosave::kDelayMs;
};

// The settings file's place: tessivo.ini in the user's configuration folder
// (created when missing).
QString DefaultSettingsPath();
// The user's music folder, created when missing; empty when there is none.
QString DefaultMusicFolder();
// The help page installed with the program; empty when it cannot be found.
QString FindHelpPage();

} // namespace tessivo
