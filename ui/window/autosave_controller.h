// Crash recovery of the window's edit. Soon after every edit of the part
// table (cut lines, ticks, part tags, the file tag, undo and redo) the edit is
// written to a record in the recovery folder (core/document/recovery_store),
// keyed by the open file's path, size and modification time. A clean close,
// Discard, or going on to another file removes it. When a file with a record
// is shown, or at a start without a file when a record's file is unchanged,
// the user is asked whether to bring the edit back; Restore puts it back as
// one undoable edit.
#pragma once

#include "core/document/document.h"
#include "core/document/recovery_store.h"
#include "ui/common/user_dialogs.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>
#include <string>

class QWidget;

namespace tessivo {

// "Restore the unsaved edit of NAME from DATE?" (DATE as yyyy-MM-dd hh:mm, local time).
QString RestoreQuestion(const QString& fileName, int64_t savedSeconds);

class AutosaveController : public QObject {
    Q_OBJECT
public:
    // An edit is written this long after it was made (the first edit of a
    // burst starts the wait; those made meanwhile go with it).
    static constexpr int kDelayMs = 1000;

    // Records live in `folder` (empty: DefaultRecoveryFolder); those older
    // than 30 days are removed now. Questions and errors go to `dialogs`
    // over `window`. An edit is written `waitMs` after it was made.
    AutosaveController(Document& doc, UserDialogs& dialogs, QWidget* window, const QString& folder,
                       int waitMs = kDelayMs);
    ~AutosaveController() override;

    const std::string& folder() const { return folder_; }
    // The record kept for the open file now (it need not exist).
    QString recordPath() const;
    // True while an edit waits to be written.
    bool pending() const { return timer_.isActive(); }

    // The open file has just been shown: when a record is kept for exactly
    // this state of it, asks whether to restore it (without asking when the
    // user chose it at start).
    void offerRestore();
    // At a start without a file: asks about the newest record whose file is
    // unchanged. Returns the file to open on Restore (its edit is restored
    // once it is shown), else an empty string.
    QString offerNewestRecord();
    // The edit ends without a crash (a clean close): its record goes.
    void discard();

signals:
    // A kept edit was put back into the document.
    void restored();

private:
    void onDocumentChanged(DocumentChange change);
    // Writes the pending edit, or removes the record when the table is back
    // to what the open made.
    void store();
    void apply(const StoredEdit& stored);

    Document& doc_;
    UserDialogs& dialogs_;
    QWidget* window_;
    std::string folder_;
    QTimer timer_;
    int token_ = 0;
    // The open file whose record this writes, and its table as opened.
    std::optional<FileIdentity> current_;
    PartTable opened_;
    // The record chosen at start, restored without asking when its file shows.
    std::optional<FileIdentity> restoreOnShow_;
    bool errorShown_ = false; // a failed write is told once until one succeeds
};

} // namespace tessivo
