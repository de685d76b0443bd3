#include "ui/output/batch_split_dialog.h"

#include "core/cutting/cutting_mode.h"
#include "core/util/time_text.h"
#include "ui/common/user_dialogs.h"
#include "ui/document/core_text.h"
#include "ui/output/tag_format_names.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tessivo {

namespace {

constexpr int kPathRole = Qt::UserRole;

QString PartsText(size_t n) {
    return n == 1 ? BatchSplitDialog::tr("1 part") : BatchSplitDialog::tr("%1 parts").arg(n);
}

bool ReadParts(const QString& text, CuttingRule& rule) {
    bool ok = false;
    const int parts = text.trimmed().toInt(&ok);
    if (ok && parts >= 2 && parts <= 200)
        rule.parts = parts;
    return rule.parts.has_value();
}

bool ReadLength(const QString& text, CuttingRule& rule) {
    int seconds = 0;
    if (ParseLengthText(text.trimmed().toStdString(), seconds) && seconds > 0)
        rule.timeSeconds = seconds;
    return rule.timeSeconds.has_value();
}

bool ReadSilence(const QString& text, CuttingRule& rule) {
    const QStringList pm = text.split(QLatin1Char(','));
    bool okPercent = false, okMs = false;
    const int percent = pm.value(0).trimmed().toInt(&okPercent);
    const int ms = pm.value(1).trimmed().toInt(&okMs);
    if (pm.size() != 2 || !okPercent || !okMs || percent < 1 || percent > 100 || ms < 200 ||
        ms > 5000)
        return false;
    rule.silencePercent = percent;
    rule.silenceMs = ms;
    return true;
}

bool ReadNearLength(const QString& text, CuttingRule& rule) {
    NearPausesLength length;
    if (ParseNearPausesText(text.trimmed().toStdString(), length).empty())
        rule.nearPauses = length;
    return rule.nearPauses.has_value();
}

// What the dialog shows and reads for each way of cutting core offers to a
// batch: its name in the mode box, what the value field takes, its first
// value, and how the value is read (null: the cut list beside each file).
struct BatchModeText {
    std::string_view key;
    const char* name;
    const char* label;
    const char* initial;
    bool (*read)(const QString& text, CuttingRule& rule);
};
const BatchModeText kModeTexts[] = {
    {"parts", QT_TRANSLATE_NOOP("tessivo::BatchSplitDialog", "Equal parts"),
     QT_TRANSLATE_NOOP("tessivo::BatchSplitDialog", "Parts (2 to 200):"), "3", ReadParts},
    {"time", QT_TRANSLATE_NOOP("tessivo::BatchSplitDialog", "Equal time"),
     QT_TRANSLATE_NOOP("tessivo::BatchSplitDialog", "Length [H:]MM:SS:"), "10:00", ReadLength},
    {kSilenceKey, QT_TRANSLATE_NOOP("tessivo::BatchSplitDialog", "At pauses"),
     QT_TRANSLATE_NOOP("tessivo::BatchSplitDialog", "Threshold %, pause ms:"), "10,1000",
     ReadSilence},
    {"near-pauses", QT_TRANSLATE_NOOP("tessivo::BatchSplitDialog", "At pauses near a length"),
     QT_TRANSLATE_NOOP("tessivo::BatchSplitDialog", "Length [H:]MM:SS[,tolerance %]:"), "10:00",
     ReadNearLength},
    {kCutListKey, QT_TRANSLATE_NOOP("tessivo::BatchSplitDialog", "Cut list beside each file"),
     QT_TRANSLATE_NOOP("tessivo::BatchSplitDialog", "Cut list beside each file:"), "", nullptr},
};

const BatchModeText* ModeText(std::string_view key) {
    for (const BatchModeText& t : kModeTexts)
        if (t.key == key)
            return &t;
    return nullptr;
}

} // namespace

BatchSplitDialog::BatchSplitDialog(UserDialogs& dialogs, const QString& outFolder, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), job_(new BackgroundJob(this)) {
    connect(job_, &BackgroundJob::finished, this, &BatchSplitDialog::onWorkerDone);
    setWindowTitle(tr("Batch split"));
    setObjectName(QStringLiteral("batchSplitDialog"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createFilesBox(), 1);
    layout->addWidget(createModeBox());
    layout->addWidget(createChoicesBox());
    folderEdit_->setText(outFolder);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("batchProgress"));
    progress_->setRange(0, 1);
    progress_->setValue(0);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("batchSummary"));
    summary_->setWordWrap(true);
    layout->addWidget(progress_);
    layout->addWidget(summary_);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Close, this);
    startButton_ = buttons_->addButton(tr("Split"), QDialogButtonBox::AcceptRole);
    cancelButton_ = buttons_->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancelButton_->setEnabled(false);
    connect(startButton_, &QPushButton::clicked, this, [this] { start(); });
    connect(cancelButton_, &QPushButton::clicked, this, &BatchSplitDialog::cancel);
    connect(buttons_->button(QDialogButtonBox::Close), &QPushButton::clicked, this,
            &BatchSplitDialog::close);
    layout->addWidget(buttons_);
    onModeChanged();
    resize(640, 560);
}

// The work writes into this dialog's members: it ends before they go.
BatchSplitDialog::~BatchSplitDialog() {
    job_->cancel();
}

QWidget* BatchSplitDialog::createFilesBox() {
    auto* box = new QGroupBox(tr("Files"), this);
    auto* grid = new QGridLayout(box);
    fileList_ = new QTreeWidget(box);
    fileList_->setObjectName(QStringLiteral("batchFileList"));
    fileList_->setHeaderLabels({tr("File"), tr("State")});
    fileList_->setRootIsDecorated(false);
    fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileList_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    fileList_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    auto* addFiles = new QPushButton(tr("Add files..."), box);
    auto* addFolder = new QPushButton(tr("Add folder..."), box);
    auto* remove = new QPushButton(tr("Remove"), box);
    connect(addFiles, &QPushButton::clicked, this, &BatchSplitDialog::onAddFilesClicked);
    connect(addFolder, &QPushButton::clicked, this, &BatchSplitDialog::onAddFolderClicked);
    connect(remove, &QPushButton::clicked, this, &BatchSplitDialog::onRemoveClicked);
    grid->addWidget(fileList_, 0, 0, 4, 1);
    grid->addWidget(addFiles, 0, 1);
    grid->addWidget(addFolder, 1, 1);
    grid->addWidget(remove, 2, 1);
    grid->setRowStretch(3, 1);
    return box;
}

QWidget* BatchSplitDialog::createModeBox() {
    auto* box = new QGroupBox(tr("Way of cutting"), this);
    auto* form = new QFormLayout(box);
    modeBox_ = new QComboBox(box);
    modeBox_->setObjectName(QStringLiteral("batchMode"));
    // The ways of cutting core offers to a batch, in the registry's order.
    for (const CuttingMode* mode : CuttingModesOffered(kInBatch))
        if (const BatchModeText* text = ModeText(mode->key))
            modeBox_->addItem(tr(text->name), QString::fromLatin1(mode->key));
    valueLabel_ = new QLabel(box);
    valueEdit_ = new QLineEdit(box);
    valueEdit_->setObjectName(QStringLiteral("batchValue"));
    listFormatBox_ = new QComboBox(box);
    listFormatBox_->setObjectName(QStringLiteral("batchListFormat"));
    listFormatBox_->addItems(
        {tr("Cue sheet (NAME.cue)"), tr("Audacity labels (NAME.txt)"), tr("CSV (NAME.csv)")});
    form->addRow(tr("Mode:"), modeBox_);
    form->addRow(valueLabel_, valueEdit_);
    form->addRow(tr("Cut list:"), listFormatBox_);
    connect(modeBox_, &QComboBox::currentIndexChanged, this, &BatchSplitDialog::onModeChanged);
    return box;
}

QWidget* BatchSplitDialog::createChoicesBox() {
    auto* box = new QGroupBox(tr("Split"), this);
    auto* grid = new QGridLayout(box);
    tagsBox_ = new QCheckBox(tr("Save ID3 Tags"), box);
    id3Box_ = new QComboBox(box);
    AddTagFormatNames(id3Box_);
    ShowTagFormat(id3Box_, kDefaultTagFormat);
    gaplessBox_ = new QCheckBox(tr("Gapless parts"), box);
    overwriteBox_ = new QCheckBox(tr("Replace existing part files"), box);
    flatBox_ = new QCheckBox(tr("All parts in the output folder itself"), box);
    flatBox_->setToolTip(tr("Otherwise each file's parts go to a folder named "
                            "after the file"));
    folderEdit_ = new QLineEdit(box);
    folderEdit_->setObjectName(QStringLiteral("batchFolder"));
    auto* browse = new QPushButton(tr("Browse..."), box);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder =
            dialogs_.chooseFolder(this, tr("Output folder"), folderEdit_->text());
        if (!folder.isEmpty())
            folderEdit_->setText(folder);
    });
    grid->addWidget(tagsBox_, 0, 0);
    grid->addWidget(id3Box_, 0, 1);
    grid->addWidget(gaplessBox_, 1, 0);
    grid->addWidget(overwriteBox_, 1, 1);
    // The one-file output joins here as one more check box (PartWriting).
    grid->addWidget(new QLabel(tr("Output folder:"), box), 2, 0);
    grid->addWidget(folderEdit_, 2, 1);
    grid->addWidget(browse, 2, 2);
    grid->addWidget(flatBox_, 3, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    return box;
}

std::string_view BatchSplitDialog::modeKey() const {
    const CuttingMode* mode = CuttingModeByKey(modeBox_->currentData().toString().toStdString());
    return mode ? mode->key : std::string_view();
}

bool BatchSplitDialog::selectMode(std::string_view key) {
    const int index = modeBox_->findData(QString::fromLatin1(key));
    if (index >= 0)
        modeBox_->setCurrentIndex(index);
    return index >= 0;
}

void BatchSplitDialog::onModeChanged() {
    const BatchModeText* text = ModeText(modeKey());
    valueLabel_->setText(text ? tr(text->label) : QString());
    valueEdit_->setText(QString::fromLatin1(text ? text->initial : ""));
    enableModeValues(true);
}

void BatchSplitDialog::enableModeValues(bool on) {
    const bool beside = modeKey() == kCutListKey;
    valueEdit_->setEnabled(on && !beside);
    listFormatBox_->setEnabled(on && beside);
}

void BatchSplitDialog::addPaths(const QStringList& paths) {
    QStringList files;
    for (const QString& path : paths) {
        if (!QFileInfo(path).isDir()) {
            files << path;
            continue;
        }
        for (const std::string& f : Mp3FilesIn(path.toStdString(), false))
            files << QString::fromStdString(f);
    }
    for (const QString& f : files) {
        if (!fileList_->findItems(f, Qt::MatchExactly).isEmpty())
            continue;
        auto* item = new QTreeWidgetItem(fileList_, {f, tr("waiting")});
        item->setData(0, kPathRole, f);
    }
}

void BatchSplitDialog::onAddFilesClicked() {
    const QString file = dialogs_.chooseOpenFile(this, lastFolder_, tr("MP3 files (*.mp3 *.MP3)"));
    if (file.isEmpty())
        return;
    lastFolder_ = QFileInfo(file).absolutePath();
    addPaths({file});
}

void BatchSplitDialog::onAddFolderClicked() {
    const QString folder =
        dialogs_.chooseFolder(this, tr("Add the MP3 files of a folder"), lastFolder_);
    if (folder.isEmpty())
        return;
    lastFolder_ = folder;
    addPaths({folder});
}

void BatchSplitDialog::onRemoveClicked() {
    if (isRunning())
        return;
    qDeleteAll(fileList_->selectedItems());
}

QString BatchSplitDialog::stateText(int row) const {
    const QTreeWidgetItem* item = fileList_->topLevelItem(row);
    return item ? item->text(1) : QString();
}

bool BatchSplitDialog::makeRule(CuttingRule& rule, std::optional<CutListFormat>& beside,
                                QString& message) const {
    const BatchModeText* text = ModeText(modeKey());
    rule.mode = CuttingModeByKey(modeKey());
    if (text && !text->read) {
        beside = static_cast<CutListFormat>(listFormatBox_->currentIndex());
        return true;
    }
    const bool ok = text && text->read(valueEdit_->text(), rule);
    if (!ok)
        message = tr("\"%1\" is not a value for %2: %3")
                      .arg(valueEdit_->text(), modeBox_->currentText(), valueLabel_->text());
    return ok;
}

bool BatchSplitDialog::makeJob(BatchSplitJob& job, QString& message) const {
    if (fileList_->topLevelItemCount() == 0) {
        message = tr("Add the files to split first.");
        return false;
    }
    if (folderEdit_->text().trimmed().isEmpty()) {
        message = tr("Choose the output folder.");
        return false;
    }
    if (!makeRule(job.rule, job.beside, message))
        return false;
    for (int row = 0; row < fileList_->topLevelItemCount(); ++row)
        job.files.push_back(
            fileList_->topLevelItem(row)->data(0, kPathRole).toString().toStdString());
    job.writing.tags = tagsBox_->isChecked();
    job.writing.id3 = ShownTagFormat(id3Box_);
    job.writing.gapless = gaplessBox_->isChecked();
    job.writing.overwrite = overwriteBox_->isChecked();
    job.outFolder = folderEdit_->text().trimmed().toStdString();
    job.flat = flatBox_->isChecked();
    job.workers = workers_;
    return true;
}

bool BatchSplitDialog::start() {
    BatchSplitJob job;
    QString message;
    if (isRunning())
        return false;
    if (!makeJob(job, message)) {
        dialogs_.showMessage(this, message);
        return false;
    }
    for (int row = 0; row < fileList_->topLevelItemCount(); ++row)
        setState(row, tr("waiting"));
    done_ = 0;
    progress_->setRange(0, fileList_->topLevelItemCount());
    progress_->setValue(0);
    summary_->clear();
    setEditable(false);
    job_->start([this, job = std::move(job)] {
        totals_ = RunBatchSplit(
            job,
            [this](size_t i) {
                QMetaObject::invokeMethod(
                    this, [this, i] { onFileStarted(int(i)); }, Qt::QueuedConnection);
            },
            [this](size_t i, const BatchFileResult& r) {
                QMetaObject::invokeMethod(
                    this, [this, i, r] { onFileFinished(int(i), r); }, Qt::QueuedConnection);
            },
            &job_->cancelFlag());
    });
    return true;
}

void BatchSplitDialog::cancel() {
    if (isRunning()) {
        job_->requestCancel();
        cancelButton_->setEnabled(false);
    }
}

void BatchSplitDialog::onFileStarted(int row) {
    setState(row, tr("splitting"));
}

void BatchSplitDialog::onFileFinished(int row, const BatchFileResult& result) {
    QString text =
        result.ok ? PartsText(result.written.size()) : tr("failed: ") + CoreText(result.reason);
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    setState(row, text);
    if (QTreeWidgetItem* item = fileList_->topLevelItem(row))
        item->setToolTip(1, text);
    progress_->setValue(++done_);
}

void BatchSplitDialog::onWorkerDone() {
    setEditable(true);
    summary_->setText(CoreText(BatchSummaryText(totals_)));
    emit batchFinished(totals_.split, totals_.parts, totals_.failed);
}

void BatchSplitDialog::setEditable(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(modeBox_), static_cast<QWidget*>(tagsBox_),
                       static_cast<QWidget*>(id3Box_), static_cast<QWidget*>(gaplessBox_),
                       static_cast<QWidget*>(overwriteBox_), static_cast<QWidget*>(flatBox_),
                       static_cast<QWidget*>(folderEdit_), static_cast<QWidget*>(startButton_)})
        w->setEnabled(on);
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->parent() != buttons_)
            b->setEnabled(on);
    enableModeValues(on);
    cancelButton_->setEnabled(!on);
}

void BatchSplitDialog::setState(int row, const QString& text) {
    if (QTreeWidgetItem* item = fileList_->topLevelItem(row))
        item->setText(1, text);
}

void BatchSplitDialog::closeEvent(QCloseEvent* e) {
    // Closing while files are split hides the dialog; they finish meanwhile.
    cancel();
    e->accept();
}

} // namespace tessivo
