// What the window remembers between runs beside the settings: its place and
// size, the folder the open dialog starts in and the files opened last. Kept
// in section "Window" of the settings file; the "Settings" keys stay apart.
#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

namespace tessivo {

// At most this many files in File > Open Recent.
constexpr int kRecentFileCount = 10;

struct WindowMemory {
    QRect geometry; // the normal (not maximised) frame; null = none kept
    bool maximized = false;
    QString openFolder;
    QStringList recentFiles; // newest first
    // The dividers' places: the waveform's and the panels' heights, and the
    // split settings', part list's and tag panel's widths. Empty = none kept.
    QList<int> waveSplit;
    QList<int> panelSplit;
};

// Reads section "Window" of `iniPath`; what is missing or not understood is
// left empty.
WindowMemory LoadWindowMemory(const QString& iniPath);
// Writes section "Window" into `iniPath`, other sections as they were.
bool SaveWindowMemory(const QString& iniPath, const WindowMemory& memory);

// `path` in front of `recent`, once, the list cut to kRecentFileCount.
QStringList WithRecentFile(QStringList recent, const QString& path);

} // namespace tessivo
