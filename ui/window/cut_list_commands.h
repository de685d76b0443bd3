// File > Import cut list... and Export cut list..., and cut list files dropped
// on the window: cue sheets (.cue), Audacity labels (.txt) and CSV (.csv),
// the format chosen by the file's extension.
#pragma once

#include "core/document/document.h"

#include <QObject>
#include <QString>

class QWidget;

namespace tessivo {

class UserDialogs;

class CutListCommands : public QObject {
    Q_OBJECT
public:
    CutListCommands(Document& doc, UserDialogs& dialogs, QWidget* parent);

    // Whether a dropped file is a cut list by its name.
    static bool isCutListPath(const QString& path);

    // Each does nothing while no file is loaded.
    void importCutList();
    void exportCutList();
    // Applies the cut list file at `path` to the open file: a bad file shows
    // its message and changes nothing; warnings are shown once, together.
    void applyCutListFile(const QString& path);

signals:
    // The cut lines, ticks and titles were replaced: refresh and redraw.
    void cutListApplied();

private:
    bool fileReady() const;
    // The folder the choosers start in: the open MP3's.
    QString startFolder() const;

    Document& doc_;
    UserDialogs& dialogs_;
    QWidget* parent_;
};

} // namespace tessivo
