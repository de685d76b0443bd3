#include "ui/document/edit_history.h"

#include <QUndoCommand>

namespace tessivo {

namespace {

// One edit of the part table, pushed after the document made it: the push's
// redo() finds the table already changed and leaves it.
class PartTableCommand : public QUndoCommand {
public:
    PartTableCommand(EditHistory& history, Document& doc, EditKind kind, int gesture,
                     const PartTable& before, const PartTable& after)
        : QUndoCommand(EditText(kind)), history_(history), doc_(doc), kind_(kind),
          gesture_(gesture), before_(before), after_(after) {}

    int id() const override { return static_cast<int>(kind_); }

    // A later edit of the same kind in the same gesture extends this one.
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const PartTableCommand*>(other);
        if (gesture_ == 0 || next->gesture_ != gesture_ || next->kind_ != kind_)
            return false;
        after_ = next->after_;
        return true;
    }

    void undo() override { restore(before_); }
    void redo() override {
        if (done_) {
            done_ = false;
            return;
        }
        restore(after_);
    }

private:
    void restore(const PartTable& table);

    EditHistory& history_;
    Document& doc_;
    EditKind kind_;
    int gesture_;
    bool done_ = true;
    // The part records in use: unlimited steps stay small.
    PartTable before_, after_;
};

} // namespace

QString EditText(EditKind kind) {
    switch (kind) {
    case EditKind::AddCutLine:
        return EditHistory::tr("Add Cut Line");
    case EditKind::MoveCutLine:
        return EditHistory::tr("Move Cut Line");
    case EditKind::DeleteCutLine:
        return EditHistory::tr("Delete Cut Line");
    case EditKind::Prepare:
        return EditHistory::tr("Prepare");
    case EditKind::ClearCutLines:
        return EditHistory::tr("Clear Cut Lines");
    case EditKind::TickPart:
        return EditHistory::tr("Tick Part");
    case EditKind::SetTag:
        return EditHistory::tr("Set Tag");
    case EditKind::ImportCutList:
        return EditHistory::tr("Import Cut List");
    case EditKind::RestoreEdit:
        return EditHistory::tr("Restore Edit");
    case EditKind::CutOut:
        return EditHistory::tr("Cut Out Selection");
    case EditKind::Mute:
        return EditHistory::tr("Mute Selection");
    }
    return {};
}

EditHistory::EditHistory(Document& doc, QObject* parent) : QObject(parent), doc_(doc) {
    doc_.SetEditRecorder([this](EditKind kind, const PartTable& before, const PartTable& after) {
        record(kind, before, after);
    });
    // Another file: a new history.
    token_ = doc_.Subscribe([this](DocumentChange change) {
        if (HasChange(change, DocumentChange::File))
            stack_.clear();
    });
}

EditHistory::~EditHistory() {
    doc_.SetEditRecorder({});
    doc_.Unsubscribe(token_);
}

void EditHistory::beginGesture() {
    gesture_ = ++lastGesture_;
}

void EditHistory::endGesture() {
    gesture_ = 0;
}

void EditHistory::record(EditKind kind, const PartTable& before, const PartTable& after) {
    stack_.push(new PartTableCommand(*this, doc_, kind, gesture_, before, after));
}

namespace {

void PartTableCommand::restore(const PartTable& table) {
    doc_.RestoreParts(table);
    emit history_.partsRestored();
}

} // namespace

} // namespace tessivo
