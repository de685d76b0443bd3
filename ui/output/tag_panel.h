// The tag panel (tagFrame_): shows and edits the tag fields of one part or of
// the file tag ("Original File", which every part inherits), in Unicode of any
// length, and stores them with the Set button; "Apply to all parts" gives every
// part the shown artist, album, year and genre. A thumbnail shows the picture
// the parts inherit from the source.
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
    // The fields lose the focus as they are destroyed: by then nothing of
    // the panel may hear them.
    ~TagPanel() override;

    // Fills the panel from part n's tag, or from the file tag for 0 (and for
    // part 1 while the file is one part). Ignores a number that is no part.
    void showPartTags(int n);
    // After the parts or the selection changed: see followParts.
    void followParts();
    // The part shown, 0 for the file tag.
    int shownPart() const { return shown_; }
    // Empties every box; no pending edits.
    void clearTagPanel();
    // Stores the panel for n (as showPartTags numbers it) when it holds
    // unstored edits.
    void storePartTags(int n);
    void onSetClicked();
    void onApplyAllClicked();
    // Stores the typed fields for the part shown when they were edited and
    // it still shows the same audio (Enter, a field left, another part).
    void applyTypedTags();
    // Shows the stored fields again, forgetting what was typed (Esc).
    void revertTypedTags();

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
    QPushButton* applyAllButton;
    QLabel* pictureLabel; // a thumbnail of the picture the parts carry

signals:
    // A tag was stored: the part list shows its title, artist and album.
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
    TagFields typedFields() const;
    // Whether the shown number still names the audio it named when shown.
    bool showsSameAudio() const;
    void showPicture();

    Document& doc_;
    const ProgramState& st_;
    bool tagsEdited_ = false;
    int shown_ = 0;
    int32_t shownStart_ = -1; // the shown part's first frame
    QString lastYear_;
    QString lastTrack_;
    QByteArray pictureData_; // the picture the thumbnail shows
};

} // namespace tessivo
