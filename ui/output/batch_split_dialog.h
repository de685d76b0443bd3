// File > Batch split...: one way of cutting and one set of split choices for
// many files. The files are split on a worker thread by core's batch runner
// (each file opened on its own, never the window's document); the list shows
// each file's state and the bar the files done. Cancel lets the files in
// progress finish and starts no other; nothing written is removed.
#pragma once

#include "core/batch/batch_split.h"
#include "ui/common/background_job.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>
#include <string_view>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace tessivo {

class UserDialogs;

class BatchSplitDialog : public QDialog {
    Q_OBJECT
public:
    BatchSplitDialog(UserDialogs& dialogs, const QString& outFolder, QWidget* parent = nullptr);
    ~BatchSplitDialog() override; // lets the files in progress finish

    // Adds files (duplicates once); a folder adds its MP3 files.
    void addPaths(const QStringList& paths);
    void onAddFilesClicked();
    void onAddFolderClicked();
    void onRemoveClicked();
    // Starts the batch; false (with a message) when the values do not allow it.
    bool start();
    // Stops after the files in progress.
    void cancel();
    bool isRunning() const { return job_->isRunning(); }
    // Files split at once (0: one per core).
    void setWorkers(unsigned workers) { workers_ = workers; }

    // --- For the window's tests ---
    QTreeWidget* fileList() const { return fileList_; }
    QComboBox* modeBox() const { return modeBox_; }
    // Chooses the way of cutting with this key (core/cutting); false when the
    // box does not offer it.
    bool selectMode(std::string_view key);
    // The key of the way of cutting chosen.
    std::string_view modeKey() const;
    QLineEdit* valueEdit() const { return valueEdit_; }
    QComboBox* listFormatBox() const { return listFormatBox_; }
    QLineEdit* folderEdit() const { return folderEdit_; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* startButton() const { return startButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }
    QString stateText(int row) const;
    // The job the controls describe now (files, rule, choices, folder).
    bool makeJob(BatchSplitJob& job, QString& message) const;

signals:
    void batchFinished(int split, int parts, int failed);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QWidget* createFilesBox();
    QWidget* createModeBox();
    QWidget* createChoicesBox();
    void onModeChanged();
    void enableModeValues(bool on);
    bool makeRule(CuttingRule& rule, std::optional<CutListFormat>& beside, QString& message) const;
    void onFileStarted(int row);
    void onFileFinished(int row, const BatchFileResult& result);
    void onWorkerDone();
    void setEditable(bool on);
    void setState(int row, const QString& text);

    UserDialogs& dialogs_;
    QString lastFolder_;
    QTreeWidget* fileList_ = nullptr;
    QComboBox* modeBox_ = nullptr;
    QLabel* valueLabel_ = nullptr;
    QLineEdit* valueEdit_ = nullptr; // parts, a length, or threshold and pause
    QComboBox* listFormatBox_ = nullptr;
    QCheckBox* tagsBox_ = nullptr;
    QComboBox* id3Box_ = nullptr;
    QCheckBox* gaplessBox_ = nullptr;
    QCheckBox* overwriteBox_ = nullptr;
    QCheckBox* flatBox_ = nullptr;
    QLineEdit* folderEdit_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;

    BackgroundJob* job_ = nullptr;
    BatchTotals totals_;
    int done_ = 0;
    unsigned workers_ = 0;
};

} // namespace tessivo
