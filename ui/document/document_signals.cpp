#include "ui/document/document_signals.h"

namespace tessivo {

DocumentSignals::DocumentSignals(Document& doc, QObject* parent) : QObject(parent), doc_(doc) {
    token_ = doc_.Subscribe([this](DocumentChange change) { relay(change); });
}

DocumentSignals::~DocumentSignals() {
    doc_.Unsubscribe(token_);
}

void DocumentSignals::relay(DocumentChange change) {
    emit changed(change);
    if (HasChange(change, DocumentChange::File))
        emit fileChanged();
    if (HasChange(change, DocumentChange::CutLines))
        emit cutLinesChanged();
    if (HasChange(change, DocumentChange::PartMarks))
        emit partMarksChanged();
    if (HasChange(change, DocumentChange::Tags))
        emit tagsChanged();
    if (HasChange(change, DocumentChange::Selection))
        emit selectionChanged();
    if (HasChange(change, DocumentChange::Settings))
        emit settingsChanged();
    if (HasChange(change, DocumentChange::Peaks))
        emit peaksChanged();
}

} // namespace tessivo
