// File > Join files...: MP3 files of one stream format written one after
// another as one file, with a chapter per file. The list (added or dropped
// files) sets the order; the join runs on a worker thread (the files are
// opened there, never into the window's document), its progress in the bar
// and the line below it. Cancel stops between and within files and before
// the file is in place: a cancelled join leaves nothing.
#pragma once

#include "core/output/one_file.h"

#include "ui/common/background_job.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <string>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace tessivo {

class UserDialogs;

class JoinDialog : public QDialog {
    Q_OBJECT
public:
    // `startFolder`: where the choosers start and the output file goes.
    JoinDialog(UserDialogs& dialogs, const QString& startFolder, QWidget* parent = nullptr);
    ~JoinDialog() override; // cancels a join and waits for it

    // Adds files at the end of the list (a file already listed once).
    void addFiles(const QStringList& paths);
    QStringList files() const;
    void onAddClicked();
    void onRemoveClicked();
    // Moves the selected file one place up (-1) or down (+1).
    void moveSelected(int step);
    void onOutClicked();
    // Starts the join; false (with a message, or when the user keeps an
    // existing file) when it cannot start.
    bool start();
    void cancel();
    bool isRunning() const { return job_->isRunning(); }
    // The file system the join writes to (the real one unless a test sets
    // its own; it must outlive the dialog).
    void setFileSystem(PartFileSystem& fs) { fs_ = &fs; }

    QListWidget* fileList;
    QPushButton* addButton;
    QPushButton* removeButton;
    QPushButton* upButton;
    QPushButton* downButton;
    QLineEdit* outEdit;
    QPushButton* outButton;
    QComboBox* id3Box; // ID3v2.3 or ID3v2.4
    QCheckBox* chaptersCheck;
    QProgressBar* progressBar;
    QLabel* statusLine;
    QPushButton* joinButton;
    QPushButton* cancelButton;
    QPushButton* closeButton;

signals:
    // A join ended: the file written (empty when none was).
    void joinFinished(const QString& path);

public slots:
    // Close, Escape and the window's close box: a running join is cancelled.
    void reject() override;

protected:
    // Files dropped on the dialog join the list at its end.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    QWidget* createFilesBox();
    QWidget* createOutputBox();
    void createButtons();
    // The output file: the field, a name alone in the start folder.
    QString outPath() const;
    // False (with a message) when the list or the name do not allow a join;
    // asks before an existing file is replaced.
    bool mayJoin(const QString& out, bool& overwrite);
    void run(const std::vector<std::string>& paths, const std::string& out,
             const OneFileOptions& options);
    void onJoinDone();
    void setEditable(bool on);

    UserDialogs& dialogs_;
    QString startFolder_;
    PartFileSystem* fs_;
    BackgroundJob* job_;
    std::string out_;
    OneFileResult result_;
};

} // namespace tessivo
