// The tag panel (PanelTags): shows and edits the ID3v1 tag of one part and
// stores it into the part's tag slot with the Set button.
#pragma once

#include "core/state/program_state.h"

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
    explicit TagPanel(ProgramState& st, QWidget* parent = nullptr);

    // Fills the panel from slot n ("Original File" while the file is one part).
    void ShowPartTags(int n);
    // Empties every box; no pending edits.
    void ClearTagPanel();
    // Stores the panel into slot n when it holds unstored edits.
    void StorePartTags(int n);
    void BtnTagsSetClick();

    bool TagsEdited() const { return tagsEdited_; }
    QColor SetCaptionColour() const;

    QLabel* LabPartName;
    QLineEdit* EditTitle;
    QLineEdit* EditArtist;
    QLineEdit* EditAlbum;
    QComboBox* CmbBoxGenre;
    QLineEdit* EditYear;
    QLineEdit* EditTrack;
    QLineEdit* EditComment;
    QPushButton* BtnTagsSet;

signals:
    // A slot was stored: the part list shows its title, artist and album.
    void tagsStored(int n);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillGenreBox();
    void EditTitleChange();
    void NumberEditChange(QLineEdit* edit, long bound);
    void SetCaption(const QColor& c);
    void ShowFields(int n);

    ProgramState& st_;
    bool tagsEdited_ = false;
    QString lastYear_;
    QString lastTrack_;
};

} // namespace tessivo
