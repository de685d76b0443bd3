// The tag panel (tagFrame_): shows and edits the tag fields of one part (in
// Unicode, any length) and stores them into the part's tag slot with the Set
// button; a thumbnail shows the picture the parts inherit from the source.
#pragma once

#include "core/document/document.h"

#include <QByteArray>
#include <QGroupBox>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tessivo {

class TagPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit TagPanel(Document& doc, QWidget* parent = nullptr);

    // Fills the panel from slot n ("Original File" while the file is one part).
    void showPartTags(int n);
    // Empties every box; no pending edits.
    void clearTagPanel();
    // Stores the panel into slot n when it holds unstored edits.
    void storePartTags(int n);
    void onSetClicked();

    bool tagsEdited() const { return tagsEdited_; }
    QColor setButtonCaptionColour() const;

    QLabel* partNameLabel;
    QLineEdit* titleEdit;
    QLineEdit* artistEdit;
    QLineEdit* albumEdit;
    QComboBox* genreCombo;
    QLineEdit* yearEdit;
    QLineEdit* trackEdit;
    QLineEdit* commentEdit;
    QPushButton* setButton;
    QLabel* pictureLabel; // a thumbnail of the picture the parts carry

signals:
    // A slot was stored: the part list shows its title, artist and album.
    void tagsStored(int n);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createEdits();
    void layOutEdits();
    void connectEdits();
    void fillGenreBox();
    void onTextEdited();
    void onNumberEdited(QLineEdit* edit, long bound);
    void setCaption(const QColor& c);
    void showFields(int n);
    void showPicture();

    Document& doc_;
    const ProgramState& st_;
    bool tagsEdited_ = false;
    QString lastYear_;
    QString lastTrack_;
    QByteArray pictureData_; // the picture the thumbnail shows
};

} // namespace tessivo
