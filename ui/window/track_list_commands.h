// File > Import track list...: a text of one track per line ("12:03 Title"
// or "01 - Title (3:45)") cuts the open file, each cut snapped into the
// nearest pause, and titles the parts; a list of titles alone titles the
// parts there are.
#pragma once

#include "core/document/document.h"

#include <QObject>
#include <QString>

class QWidget;

namespace tessivo {

class UserDialogs;

class TrackListCommands : public QObject {
    Q_OBJECT
public:
    TrackListCommands(Document& doc, UserDialogs& dialogs, QWidget* parent);

    // Asks for the file; nothing while no file is loaded.
    void importTrackList();
    // Applies the track list at `path`: an error (naming the line) is shown
    // and changes nothing; the lines whose cut found no pause are shown
    // once, together, after the import.
    void applyTrackListFile(const QString& path);

signals:
    // The cut lines, ticks and titles were replaced: refresh and redraw.
    void trackListApplied();

private:
    Document& doc_;
    UserDialogs& dialogs_;
    QWidget* parent_;
};

} // namespace tessivo
