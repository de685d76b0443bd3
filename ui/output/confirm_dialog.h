// The split confirmation dialog (ConfirmDialog): how many parts will be written,
// the output folder, the tag, gapless, ReplayGain and gain choices, and the
// ticked parts as one file instead; Split runs the split.
#pragma once

#include "core/document/document.h"
#include "core/output/one_file.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QGridLayout;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tessivo {

class UserDialogs;

class SplitRunner;

class ConfirmDialog : public QDialog {
    Q_OBJECT
public:
    ConfirmDialog(Document& doc, UserDialogs& dialogs, QWidget* parent = nullptr);
    // The folder field loses the focus as it is destroyed: the dialog no
    // longer hears it then.
    ~ConfirmDialog() override;

    // "Split..." of the File menu and the Split button: the dialog opens
    // modally only when parts are prepared, else "No parts prepared to split.".
    void openIfPartsPrepared();
    // The same with "Write the ticked parts as one file" chosen.
    void openForOneFile();

    // Refills every control from the program state (each time it opens).
    void prepareToShow();
    void onFolderClicked();
    // A folder typed into the field and left (or Enter) becomes the output folder.
    void onFolderTyped();
    void onSplitClicked();
    // "..." of the one file: a save chooser starting at the name shown.
    void onOneFileClicked();
    // The file the ticked parts are written to as one file: the name field,
    // a name without a folder taken in the output folder; empty when there
    // is none.
    QString oneFilePath() const;
    // The file system the split writes to (the real one unless a test sets
    // its own; it must outlive the dialog).
    void setFileSystem(PartFileSystem& fs) { fs_ = &fs; }
    // Writes the parts off the window's thread; its signals tell the window
    // when a split runs and how far it is.
    SplitRunner* splitRunner() const { return runner_; }

    QPlainTextEdit* partsText;
    QLabel* folderIcon;
    QLabel* folderLabel;
    QLineEdit* folderEdit;
    QPushButton* folderButton;
    QCheckBox* saveTagsCheck;
    // The line under the summary that says whether the parts' own titles
    // are written; empty when no ticked part has one.
    static QString TitlesNote(const ProgramState& st);
    void showSummary();
    QCheckBox* gaplessCheck;
    QCheckBox* numberTracksCheck;
    QComboBox* tagFormatBox;     // the tags written with "Save ID3 Tags"
    QCheckBox* replayGainCheck;  // ReplayGain frames in the ID3v2 tags
    QLabel* gainLabel;           // "Gain"
    QDoubleSpinBox* gainBox;     // lossless gain in dB, 1.5 dB steps
    QCheckBox* gainAutoCheck;    // the gain nearest -18 LUFS instead of gainBox's
    QLabel* fadeLabel;           // "Fade in/out (ms)"
    QSpinBox* fadeBox;           // every part faded in and out, kept in the settings
    QCheckBox* trimSilenceCheck; // "Trim silence at the edges", kept in the settings
    QLabel* shortenLabel;        // "Shorten pauses to (s)"
    QDoubleSpinBox* shortenBox;  // one file: the longest pause kept (0: off)
    QCheckBox* oneFileCheck;     // "Write the ticked parts as one file"
    QLineEdit* oneFileEdit;      // its name
    QPushButton* oneFileButton;  // "..."
    QPushButton* splitButton;
    QPushButton* cancelButton;

signals:
    void statusText(const QString& text); // "Splitting", then "Ready"
    void partsWritten();                  // refresh the part list: written parts show "Saved"
    // How many files a split wrote into which folder (none: not emitted).
    void filesWritten(int count, const QString& folder);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createPartsAndFolder();
    void createChoicesAndButtons();
    void layOutControls();
    QGridLayout* layOutChoices();
    // "Save ID3 Tags" says which tags it writes: the chosen format.
    void showTagsToolTip();
    void createLoudnessChoices();
    void createOneFileChoice();
    // "Trim silence at the edges" and the one file's shortened pauses.
    void createPauseChoices();
    // The tag format counts for tags and for the one file's ID3v2 version.
    void enableChoices();
    // The name field follows the file and the output folder until the user
    // gives a name of their own: the source's name + " (parts).mp3".
    void refreshOneFileName();
    void writeOneFile();
    // The steps of lossless gain the choices give (auto: by the ticked
    // parts' loudness as written, gapless or not).
    int chosenGainSteps(bool gapless) const;
    void onOneFileFinished(const OneFileResult& result, const QString& path);
    // False when target files exist and the user keeps them.
    bool mayReplaceExisting(bool& overwrite);
    void onSplitFinished(const SplitResult& result);
    void reportSplit(const SplitResult& result);
    Document& doc_;
    const ProgramState& st_;
    UserDialogs& dialogs_;
    PartFileSystem* fs_;
    SplitRunner* runner_;
    QString oneFileDefault_;    // the default name the field was last given
    std::string oneFileSource_; // the file that name was made for
};

} // namespace tessivo
