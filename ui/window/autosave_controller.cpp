#include "ui/window/autosave_controller.h"

#include "ui/document/core_text.h"
#include <QDateTime>
#include <QFileInfo>

#include <ctime>

namespace tessivo {

namespace {

QString NameOf(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName();
}

// Muted stretches are an edit as well: a mute alone is kept.
bool SameEdit(const PartTable& a, const PartTable& b) {
    return a.Parts == b.Parts && a.FileTag == b.FileTag && a.Muted == b.Muted;
}

} // namespace

QString RestoreQuestion(const QString& fileName, int64_t savedSeconds) {
    const QString date =
        QDateTime::fromSecsSinceEpoch(savedSeconds).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    return AutosaveController::tr("Restore the unsaved edit of %1 from %2?").arg(fileName, date);
}

AutosaveController::AutosaveController(Document& doc, UserDialogs& dialogs, QWidget* window,
                                       const QString& folder, int waitMs)
    : doc_(doc), dialogs_(dialogs), window_(window),
      folder_(folder.isEmpty() ? DefaultRecoveryFolder() : folder.toStdString()) {
    timer_.setSingleShot(true);
    timer_.setInterval(waitMs);
    connect(&timer_, &QTimer::timeout, this, &AutosaveController::store);
    token_ = doc_.Subscribe([this](DocumentChange change) { onDocumentChanged(change); });
    PruneEditRecords(folder_, static_cast<int64_t>(std::time(nullptr)));
}

AutosaveController::~AutosaveController() {
    doc_.Unsubscribe(token_);
}

QString AutosaveController::recordPath() const {
    return current_ ? QString::fromStdString(EditRecordPath(folder_, *current_)) : QString();
}

void AutosaveController::onDocumentChanged(DocumentChange change) {
    if (HasChange(change, DocumentChange::File)) {
        // Another file (or none): the edit of the last one was given up.
        timer_.stop();
        if (current_)
            RemoveEditRecord(folder_, *current_);
        const ProgramState& st = doc_.State();
        current_ = st.FileLoaded ? std::optional(IdentityOf(st)) : std::nullopt;
        opened_ = st;
        return;
    }
    const bool edited = HasChange(change, DocumentChange::CutLines) ||
                        HasChange(change, DocumentChange::PartMarks) ||
                        HasChange(change, DocumentChange::Tags);
    if (edited && current_ && !timer_.isActive())
        timer_.start();
}

void AutosaveController::store() {
    const ProgramState& st = doc_.State();
    if (!current_ || !st.FileLoaded)
        return;
    if (SameEdit(st, opened_)) {
        RemoveEditRecord(folder_, *current_);
        return;
    }
    const std::string error = StoreEditRecord(folder_, EditRecordOf(st, st));
    if (error.empty()) {
        errorShown_ = false;
        return;
    }
    if (!errorShown_)
        dialogs_.showError(window_, CoreText(error));
    errorShown_ = true;
}

void AutosaveController::offerRestore() {
    if (!current_)
        return;
    const std::optional<StoredEdit> stored = FindEditRecord(folder_, *current_);
    const bool chosen = restoreOnShow_ == current_;
    restoreOnShow_.reset();
    if (!stored)
        return;
    if (chosen) {
        apply(*stored);
        return;
    }
    const RestoreChoice choice =
        dialogs_.askRestore(window_, RestoreQuestion(NameOf(current_->path), stored->savedSeconds));
    if (choice == RestoreChoice::Restore)
        apply(*stored);
    else if (choice == RestoreChoice::Discard)
        RemoveEditRecord(folder_, *current_);
}

QString AutosaveController::offerNewestRecord() {
    const std::optional<StoredEdit> stored = NewestRestorableEdit(folder_);
    if (!stored)
        return {};
    const FileIdentity& file = stored->record.file;
    const RestoreChoice choice =
        dialogs_.askRestore(window_, RestoreQuestion(NameOf(file.path), stored->savedSeconds));
    if (choice == RestoreChoice::Discard)
        RemoveEditRecord(folder_, file);
    if (choice != RestoreChoice::Restore)
        return {};
    restoreOnShow_ = file;
    return QString::fromStdString(file.path);
}

void AutosaveController::discard() {
    timer_.stop();
    if (current_)
        RemoveEditRecord(folder_, *current_);
    current_.reset();
}

void AutosaveController::apply(const StoredEdit& stored) {
    const std::string refusal = doc_.RestoreEdit(stored.record);
    if (!refusal.empty()) {
        dialogs_.showError(window_, tr("The edit kept for %1 cannot be restored: %2")
                                        .arg(NameOf(stored.record.file.path), CoreText(refusal)));
        return;
    }
    emit restored();
}

} // namespace tessivo
