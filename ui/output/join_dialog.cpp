#include "ui/output/join_dialog.h"

#include "core/output/join_files.h"
#include "ui/common/user_dialogs.h"
#include "ui/document/core_text.h"
#include "ui/output/tag_format_names.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <new>

namespace tessivo {

namespace {

// Built when asked, so that it comes in the language loaded by then.
QString Mp3Filter() {
    return JoinDialog::tr("MP3 files (*.mp3 *.MP3)");
}
// The bar's share of opening the files; writing takes the rest.
constexpr double kOpenShare = 80.0;

QString NameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

// The local files (not folders) among dropped URLs.
QStringList DroppedFiles(const QMimeData* mime) {
    QStringList files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            files << url.toLocalFile();
    return files;
}

} // namespace

JoinDialog::JoinDialog(UserDialogs& dialogs, const QString& startFolder, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), startFolder_(startFolder), fs_(&DefaultPartFileSystem()),
      job_(new BackgroundJob(this)) {
    setWindowTitle(tr("Join files"));
    setObjectName(QStringLiteral("joinDialog"));
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createFilesBox(), 1);
    layout->addWidget(createOutputBox());
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("joinProgress"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    statusLine = new QLabel(this);
    statusLine->setObjectName(QStringLiteral("joinStatus"));
    statusLine->setWordWrap(true);
    layout->addWidget(progressBar);
    layout->addWidget(statusLine);
    createButtons();
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(joinButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancelButton, QDialogButtonBox::RejectRole);
    buttons->addButton(closeButton, QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(job_, &BackgroundJob::progress, progressBar,
            [this](double percent) { progressBar->setValue(static_cast<int>(percent)); });
    connect(job_, &BackgroundJob::finished, this, &JoinDialog::onJoinDone);
    setEditable(true);
    resize(560, 440);
}

// The work writes into this dialog's members: it ends before they go.
JoinDialog::~JoinDialog() {
    job_->cancel();
}

QWidget* JoinDialog::createFilesBox() {
    auto* box = new QGroupBox(tr("Files, in the order joined"), this);
    auto* grid = new QGridLayout(box);
    fileList = new QListWidget(box);
    fileList->setObjectName(QStringLiteral("joinFileList"));
    fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    addButton = new QPushButton(tr("Add..."), box);
    removeButton = new QPushButton(tr("Remove"), box);
    upButton = new QPushButton(tr("Move up"), box);
    downButton = new QPushButton(tr("Move down"), box);
    connect(addButton, &QPushButton::clicked, this, &JoinDialog::onAddClicked);
    connect(removeButton, &QPushButton::clicked, this, &JoinDialog::onRemoveClicked);
    connect(upButton, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(downButton, &QPushButton::clicked, this, [this] { moveSelected(1); });
    grid->addWidget(fileList, 0, 0, 5, 1);
    grid->addWidget(addButton, 0, 1);
    grid->addWidget(removeButton, 1, 1);
    grid->addWidget(upButton, 2, 1);
    grid->addWidget(downButton, 3, 1);
    grid->setRowStretch(4, 1);
    return box;
}

QWidget* JoinDialog::createOutputBox() {
    auto* box = new QGroupBox(tr("Output"), this);
    auto* grid = new QGridLayout(box);
    outEdit = new QLineEdit(box);
    outEdit->setObjectName(QStringLiteral("joinOutEdit"));
    outEdit->setToolTip(tr("The file to write (a name alone: beside the first file)"));
    outButton = new QPushButton(QStringLiteral("..."), box);
    outButton->setToolTip(tr("Choose the file to write"));
    connect(outButton, &QPushButton::clicked, this, &JoinDialog::onOutClicked);
    id3Box = new QComboBox(box);
    id3Box->setObjectName(QStringLiteral("joinId3Box"));
    AddOneFileTagFormatNames(id3Box);
    ShowTagFormat(id3Box, TagFormat::V23);
    id3Box->setToolTip(tr("The tag written: the first file's, with the chapters"));
    chaptersCheck = new QCheckBox(tr("Chapters"), box);
    chaptersCheck->setObjectName(QStringLiteral("joinChaptersCheck"));
    chaptersCheck->setToolTip(tr("A chapter per file, titled by the file's title, else its name"));
    chaptersCheck->setChecked(true);
    grid->addWidget(new QLabel(tr("File:"), box), 0, 0);
    grid->addWidget(outEdit, 0, 1, 1, 2);
    grid->addWidget(outButton, 0, 3);
    grid->addWidget(new QLabel(tr("Tag:"), box), 1, 0);
    grid->addWidget(id3Box, 1, 1);
    grid->addWidget(chaptersCheck, 1, 2);
    grid->setColumnStretch(2, 1);
    return box;
}

void JoinDialog::createButtons() {
    joinButton = new QPushButton(tr("Join"), this);
    joinButton->setObjectName(QStringLiteral("joinButton"));
    joinButton->setDefault(true);
    cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("joinCancelButton"));
    cancelButton->setToolTip(tr("Stop the join; nothing is written"));
    closeButton = new QPushButton(tr("Close"), this);
    closeButton->setObjectName(QStringLiteral("joinCloseButton"));
    connect(joinButton, &QPushButton::clicked, this, [this] { start(); });
    connect(cancelButton, &QPushButton::clicked, this, &JoinDialog::cancel);
    connect(closeButton, &QPushButton::clicked, this, &JoinDialog::reject);
}

void JoinDialog::addFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        if (files().contains(path))
            continue;
        auto* item = new QListWidgetItem(NameOf(path), fileList);
        item->setData(Qt::UserRole, path);
        item->setToolTip(QDir::toNativeSeparators(path));
    }
    // The first file names the output until a name is given.
    if (outEdit->text().trimmed().isEmpty() && fileList->count() > 0) {
        const QFileInfo first(files().front());
        outEdit->setText(
            first.dir().filePath(first.completeBaseName() + QStringLiteral(" (joined).mp3")));
    }
}

QStringList JoinDialog::files() const {
    QStringList paths;
    for (int row = 0; row < fileList->count(); ++row)
        paths << fileList->item(row)->data(Qt::UserRole).toString();
    return paths;
}

void JoinDialog::onAddClicked() {
    const QStringList chosen = dialogs_.chooseOpenFiles(this, startFolder_, Mp3Filter());
    if (chosen.isEmpty())
        return;
    startFolder_ = QFileInfo(chosen.front()).absolutePath();
    addFiles(chosen);
}

void JoinDialog::onRemoveClicked() {
    qDeleteAll(fileList->selectedItems());
}

void JoinDialog::moveSelected(int step) {
    const int row = fileList->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= fileList->count())
        return;
    QListWidgetItem* item = fileList->takeItem(row);
    fileList->insertItem(to, item);
    fileList->setCurrentRow(to);
}

void JoinDialog::onOutClicked() {
    const QString chosen = dialogs_.chooseTargetFile(this, outPath(), Mp3Filter());
    if (!chosen.isEmpty())
        outEdit->setText(chosen);
}

QString JoinDialog::outPath() const {
    const QString name = outEdit->text().trimmed();
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return name;
    const QString folder =
        fileList->count() > 0 ? QFileInfo(files().front()).absolutePath() : startFolder_;
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}

bool JoinDialog::mayJoin(const QString& out, bool& overwrite) {
    QString message;
    if (fileList->count() < 2)
        message = tr("Join needs two files or more.");
    else if (out.isEmpty())
        message = tr("Please choose the file to write");
    else if (files().contains(QFileInfo(out).absoluteFilePath()))
        message = tr("%1 is one of the files to join; choose another name.").arg(NameOf(out));
    std::string reason;
    if (message.isEmpty() && !fs_->MakeFolderFor(out.toStdString(), reason))
        message = tr("Cannot make the folder of %1: %2").arg(out, QString::fromStdString(reason));
    if (!message.isEmpty()) {
        dialogs_.showMessage(this, message);
        return false;
    }
    overwrite = false;
    if (!fs_->Exists(out.toStdString()))
        return true;
    overwrite = dialogs_.askReplace(this, NameOf(out) + tr(" exists. Replace?"));
    return overwrite;
}

bool JoinDialog::start() {
    const QString out = outPath();
    bool overwrite = false;
    if (isRunning() || !mayJoin(out, overwrite))
        return false;
    std::vector<std::string> paths;
    for (const QString& path : files())
        paths.push_back(path.toStdString());
    OneFileOptions options;
    options.chapters = chaptersCheck->isChecked();
    const TagFormat format = ShownTagFormat(id3Box);
    options.id3Version = Id3v2Version(format) == 4 ? 4 : 3;
    options.id3v1 = WritesId3v1(format);
    options.overwrite = overwrite;
    options.fades.seams = true; // joins that do not click
    run(paths, out.toStdString(), options);
    return true;
}

void JoinDialog::run(const std::vector<std::string>& paths, const std::string& out,
                     const OneFileOptions& options) {
    out_ = out;
    setEditable(false);
    progressBar->setValue(0);
    statusLine->setText(tr("Joining %1 files").arg(paths.size()));
    job_->start([this, paths, out, options] {
        JoinOpening how;
        for (const std::string& path : paths)
            how.names.push_back(NameOf(QString::fromStdString(path)).toStdString());
        std::atomic<size_t> opened{0};
        const double share = kOpenShare / static_cast<double>(paths.size());
        how.progress = [&](const char*, double p) {
            job_->report(share * (static_cast<double>(opened.load()) + p / 100.0));
        };
        how.fileOpened = [&](size_t i) { opened = i + 1; };
        how.cancel = &job_->cancelFlag();
        try {
            result_ =
                JoinFiles(paths, out, options, how, *fs_, [this](uint64_t done, uint64_t total) {
                    if (total > 0)
                        job_->report(kOpenShare +
                                     (100.0 - kOpenShare) * double(done) / double(total));
                });
        } catch (const std::bad_alloc&) {
            result_ = OneFileResult{};
            result_.ok = false;
            result_.error = OutOfMemoryMessage("joining the files");
        }
    });
}

void JoinDialog::onJoinDone() {
    setEditable(true);
    const OneFileResult result = std::move(result_);
    result_ = OneFileResult{};
    const QString out = QString::fromStdString(out_);
    progressBar->setValue(result.ok ? 100 : 0);
    if (result.ok) {
        statusLine->setText(tr("Written: %1").arg(QDir::toNativeSeparators(out)));
        QStringList warnings;
        for (const std::string& w : result.warnings)
            warnings << CoreText(w);
        if (!warnings.isEmpty())
            dialogs_.showMessage(this, warnings.join(QLatin1Char('\n')));
    } else if (result.cancelled) {
        statusLine->setText(tr("Cancelled; nothing was written."));
    } else {
        statusLine->setText(tr("Nothing was written."));
        dialogs_.showError(this, CoreText(result.error));
    }
    emit joinFinished(result.ok ? out : QString());
}

void JoinDialog::cancel() {
    if (isRunning()) {
        job_->requestCancel();
        cancelButton->setEnabled(false);
        statusLine->setText(tr("Cancelling"));
    }
}

void JoinDialog::setEditable(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(fileList), static_cast<QWidget*>(addButton),
                       static_cast<QWidget*>(removeButton), static_cast<QWidget*>(upButton),
                       static_cast<QWidget*>(downButton), static_cast<QWidget*>(outEdit),
                       static_cast<QWidget*>(outButton), static_cast<QWidget*>(id3Box),
                       static_cast<QWidget*>(chaptersCheck), static_cast<QWidget*>(joinButton)})
        w->setEnabled(on);
    cancelButton->setEnabled(!on);
}

void JoinDialog::dragEnterEvent(QDragEnterEvent* e) {
    if (!isRunning() && !DroppedFiles(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void JoinDialog::dropEvent(QDropEvent* e) {
    const QStringList files = DroppedFiles(e->mimeData());
    if (isRunning() || files.isEmpty())
        return;
    addFiles(files);
    e->acceptProposedAction();
}

void JoinDialog::reject() {
    // Closing while files are joined cancels the join: nothing is left.
    cancel();
    QDialog::reject();
}

} // namespace tessivo
