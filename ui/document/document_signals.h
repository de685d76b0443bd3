// Turns the document's notifications into Qt signals, so widgets connect to
// what they show instead of being refreshed by hand.
#pragma once

#include "core/document/document.h"

#include <QObject>

namespace tessivo {

class DocumentSignals : public QObject {
    Q_OBJECT
public:
    explicit DocumentSignals(Document& doc, QObject* parent = nullptr);
    ~DocumentSignals() override;

    Document& document() const { return doc_; }

signals:
    // Once per edit, with every kind the edit changed.
    void changed(tessivo::DocumentChange change);
    void fileChanged();
    void cutLinesChanged();
    void partMarksChanged();
    void tagsChanged();
    void selectionChanged();
    void settingsChanged();
    void peaksChanged();

private:
    void relay(DocumentChange change);

    Document& doc_;
    int token_ = 0;
};

} // namespace tessivo
