#include "ui/output/confirm_dialog.h"

#include "core/batch/part_writing.h"
#include "core/output/edge_fades.h"
#include "core/output/loudness_gain.h"
#include "core/output/part_tag.h"
#include "core/output/split_parts.h"
#include "core/parts/part_access.h"
#include "core/util/time_text.h"
#include "ui/common/dialog_placement.h"
#include "ui/common/tab_order.h"
#include "ui/common/user_dialogs.h"
#include "ui/document/core_text.h"
#include "ui/output/split_runner.h"
#include "ui/output/tag_format_names.h"
#include "ui/view/colour_scheme.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>
#include <utility>

namespace tessivo {

namespace {

const QColor kBackColor(235, 228, 215);

// The file-name part of a path (either separator).
QString FileNamePart(const std::string& path) {
    const QString p = QString::fromStdString(path);
    const qsizetype cut =
        std::max(p.lastIndexOf(QLatin1Char('/')), p.lastIndexOf(QLatin1Char('\\')));
    return p.mid(cut + 1);
}

} // namespace

ConfirmDialog::ConfirmDialog(Document& doc, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), doc_(doc), st_(doc.State()), dialogs_(dialogs),
      fs_(&DefaultPartFileSystem()), runner_(new SplitRunner(doc, this)) {
    setObjectName(QStringLiteral("confirmDialog"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
    setModal(true);
    SetSchemeBackground(this, kBackColor, BackgroundRoles::Window);
    createPartsAndFolder();
    createChoicesAndButtons();
    createLoudnessChoices();
    createOneFileChoice();
    createPauseChoices();
    layOutControls();

    // The choices take effect at once, even when the dialog is then cancelled.
    connect(saveTagsCheck, &QCheckBox::clicked, this, [this](bool on) { doc_.SetSaveTags(on); });
    connect(gaplessCheck, &QCheckBox::clicked, this, [this](bool on) { doc_.SetGapless(on); });
    connect(numberTracksCheck, &QCheckBox::clicked, this,
            [this](bool on) { doc_.SetNumberTracks(on); });
    connect(saveTagsCheck, &QCheckBox::toggled, this, &ConfirmDialog::enableChoices);
    connect(saveTagsCheck, &QCheckBox::clicked, this, &ConfirmDialog::showSummary);
    connect(oneFileCheck, &QCheckBox::toggled, this, &ConfirmDialog::enableChoices);
    connect(oneFileButton, &QPushButton::clicked, this, &ConfirmDialog::onOneFileClicked);
    connect(replayGainCheck, &QCheckBox::clicked, this,
            [this](bool on) { doc_.SetReplayGain(on); });
    connect(fadeBox, &QSpinBox::valueChanged, this, [this](int ms) { doc_.SetFadeMs(ms); });
    connect(gainBox, &QDoubleSpinBox::valueChanged, this,
            [this](double db) { doc_.SetSplitGain(db); });
    connect(tagFormatBox, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            doc_.SetPartTagFormat(ShownTagFormat(tagFormatBox));
        showTagsToolTip();
    });
    connect(folderButton, &QPushButton::clicked, this, [this] { onFolderClicked(); });
    connect(folderEdit, &QLineEdit::editingFinished, this, &ConfirmDialog::onFolderTyped);
    connect(splitButton, &QPushButton::clicked, this, [this] { onSplitClicked(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { reject(); });
    connect(runner_, &SplitRunner::finished, this, &ConfirmDialog::onSplitFinished);
    connect(runner_, &SplitRunner::oneFileFinished, this, &ConfirmDialog::onOneFileFinished);
}

ConfirmDialog::~ConfirmDialog() {
    disconnect(folderEdit, nullptr, this, nullptr);
}

void ConfirmDialog::createPartsAndFolder() {
    partsText = new QPlainTextEdit(this);
    partsText->setObjectName(QStringLiteral("partsText"));
    partsText->setFrameShape(QFrame::NoFrame);
    partsText->setReadOnly(true);
    partsText->setFocusPolicy(Qt::NoFocus);
    partsText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetSchemeBackground(partsText, kBackColor, BackgroundRoles::Base);

    folderIcon = new QLabel(this);
    folderIcon->setPixmap(style()->standardIcon(QStyle::SP_DirIcon).pixmap(16, 16));
    folderLabel = new QLabel(tr("Output Folder:"), this);

    folderEdit = new QLineEdit(this);
    folderEdit->setObjectName(QStringLiteral("folderEdit"));
    SetSchemeBackground(folderEdit, QColor(255, 255, 225), BackgroundRoles::Base);

    folderButton = new QPushButton(tr("Browse..."), this);
    folderButton->setObjectName(QStringLiteral("folderButton"));
    folderButton->setToolTip(tr("Select the output folder"));
}

void ConfirmDialog::createChoicesAndButtons() {
    saveTagsCheck = new QCheckBox(tr("Save ID3 Tags"), this);
    saveTagsCheck->setObjectName(QStringLiteral("saveTagsCheck"));
    gaplessCheck = new QCheckBox(tr("Gapless parts"), this);
    gaplessCheck->setObjectName(QStringLiteral("gaplessCheck"));
    gaplessCheck->setToolTip(tr("Write the parts so that players join them without a gap"));
    numberTracksCheck = new QCheckBox(tr("Number the parts n/N"), this);
    numberTracksCheck->setObjectName(QStringLiteral("numberTracksCheck"));
    numberTracksCheck->setToolTip(tr("Give the parts written the track numbers 1/N to N/N"));
    tagFormatBox = new QComboBox(this);
    tagFormatBox->setObjectName(QStringLiteral("tagFormatBox"));
    tagFormatBox->setToolTip(tr("The tags each part gets"));
    AddTagFormatNames(tagFormatBox);
    tagFormatBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    splitButton = new QPushButton(tr("Split"), this);
    splitButton->setObjectName(QStringLiteral("splitButton"));
    splitButton->setToolTip(tr("Write the ticked parts"));
    splitButton->setDefault(true);
    cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setToolTip(tr("Close without writing anything"));
}

// The tag format beside the two tag choices, the gain (with auto) beside
// ReplayGain, the fade beside the edge trim.
QGridLayout* ConfirmDialog::layOutChoices() {
    auto* choices = new QGridLayout;
    choices->addWidget(tagFormatBox, 0, 0);
    choices->addWidget(saveTagsCheck, 0, 1);
    choices->addWidget(gaplessCheck, 1, 1);
    choices->addWidget(numberTracksCheck, 1, 0);
    auto* gainRow = new QHBoxLayout;
    gainRow->addWidget(gainLabel);
    gainRow->addWidget(gainBox, 1);
    gainRow->addWidget(gainAutoCheck);
    choices->addLayout(gainRow, 2, 0);
    choices->addWidget(replayGainCheck, 2, 1);
    auto* fadeRow = new QHBoxLayout;
    fadeRow->addWidget(fadeLabel);
    fadeRow->addWidget(fadeBox, 1);
    choices->addLayout(fadeRow, 3, 0);
    choices->addWidget(trimSilenceCheck, 3, 1);
    choices->setColumnStretch(2, 1);
    return choices;
}

void ConfirmDialog::layOutControls() {
    // Two lines of the summary, the folder with its button, the tag format
    // beside the two choices, the gain beside ReplayGain, the one file with
    // its name and button, and Split and Cancel in one row.
    partsText->setFixedHeight(2 * partsText->fontMetrics().lineSpacing() + 8);
    folderEdit->setMinimumWidth(283);
    auto* folderCaption = new QHBoxLayout;
    folderCaption->addWidget(folderIcon);
    folderCaption->addWidget(folderLabel, 1);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folderEdit, 1);
    folderRow->addWidget(folderButton);
    QGridLayout* choices = layOutChoices();
    auto* oneFileRow = new QHBoxLayout;
    oneFileRow->addWidget(oneFileEdit, 1);
    oneFileRow->addWidget(oneFileButton);
    auto* shortenRow = new QHBoxLayout;
    shortenRow->addWidget(shortenLabel);
    shortenRow->addWidget(shortenBox);
    shortenRow->addStretch(1);
    auto* buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    buttons->addButton(splitButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancelButton, QDialogButtonBox::RejectRole);
    buttons->setCenterButtons(true);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 8, 6, 8);
    outer->addWidget(partsText);
    outer->addLayout(folderCaption);
    outer->addLayout(folderRow);
    outer->addSpacing(8);
    outer->addLayout(choices);
    outer->addSpacing(4);
    outer->addWidget(oneFileCheck);
    outer->addLayout(oneFileRow);
    outer->addLayout(shortenRow);
    outer->addStretch(1);
    outer->addWidget(buttons);
    // Tab goes through the controls as they are read.
    ChainTabOrder({folderEdit, folderButton, tagFormatBox, saveTagsCheck, numberTracksCheck,
                   gaplessCheck, gainBox, gainAutoCheck, replayGainCheck, fadeBox, trimSilenceCheck,
                   oneFileCheck, oneFileEdit, oneFileButton, shortenBox, splitButton,
                   cancelButton});
    // At least the designed 327 x 213, larger where the font needs it.
    setMinimumSize(327, 213);
    resize(sizeHint().expandedTo(QSize(327, 213)));
}

void ConfirmDialog::showSummary() {
    int used = 0;
    for (int i = 1; i <= PartCount(st_); ++i)
        used += PartTicked(st_, i) ? 1 : 0;
    partsText->setPlainText(
        tr("%1 of %2 parts are prepared for splitting.").arg(used).arg(PartCount(st_)) +
        TitlesNote(st_));
}

QString ConfirmDialog::TitlesNote(const ProgramState& st) {
    const bool titled = std::any_of(st.Parts.begin(), st.Parts.end(), [](const PartRecord& p) {
        return p.ticked && (p.ownFields & kTagTitle);
    });
    if (!titled)
        return {};
    return st.IsSaveTags ? tr("\nThe parts' titles are written with their tags.")
                         : tr("\nTick Save ID3 Tags to write the parts' titles.");
}

void ConfirmDialog::showTagsToolTip() {
    saveTagsCheck->setToolTip(tr("Write each part's tags as %1").arg(tagFormatBox->currentText()));
}

void ConfirmDialog::createLoudnessChoices() {
    gainLabel = new QLabel(tr("Gain"), this);
    gainBox = new QDoubleSpinBox(this);
    gainBox->setObjectName(QStringLiteral("gainBox"));
    gainBox->setRange(-30.0, 30.0);
    gainBox->setSingleStep(1.5);
    gainBox->setDecimals(1);
    gainBox->setSuffix(QStringLiteral(" dB"));
    gainBox->setToolTip(
        tr("Change the volume of the parts without re-encoding, in steps of 1.5 dB"));
    gainLabel->setBuddy(gainBox);
    gainAutoCheck = new QCheckBox(tr("auto"), this);
    gainAutoCheck->setObjectName(QStringLiteral("gainAutoCheck"));
    gainAutoCheck->setToolTip(tr("The gain that brings the parts written nearest -18 LUFS, "
                                 "lowered until their peak does not clip"));
    connect(gainAutoCheck, &QCheckBox::clicked, this, [this](bool on) {
        doc_.SetSplitGainAuto(on);
        enableChoices();
    });
    fadeLabel = new QLabel(tr("Fade in/out (ms)"), this);
    fadeBox = new QSpinBox(this);
    fadeBox->setObjectName(QStringLiteral("fadeBox"));
    fadeBox->setRange(0, kMaxFadeMs);
    fadeBox->setSingleStep(50);
    fadeBox->setToolTip(tr("Fade every part in and out without re-encoding (0: no fade)"));
    fadeLabel->setBuddy(fadeBox);
    replayGainCheck = new QCheckBox(QStringLiteral("ReplayGain"), this);
    replayGainCheck->setObjectName(QStringLiteral("replayGainCheck"));
    replayGainCheck->setToolTip(
        tr("Write each part's loudness as ReplayGain into its ID3v2 tag (not into ID3v1 alone)"));
}

void ConfirmDialog::createOneFileChoice() {
    oneFileCheck = new QCheckBox(tr("Write the ticked parts as one file"), this);
    oneFileCheck->setObjectName(QStringLiteral("oneFileCheck"));
    oneFileCheck->setToolTip(tr(
        "One file with a chapter per part, the source's tag and the tag format's ID3v2 version"));
    oneFileEdit = new QLineEdit(this);
    oneFileEdit->setObjectName(QStringLiteral("oneFileEdit"));
    oneFileEdit->setToolTip(tr("The file to write (a name alone: in the output folder)"));
    oneFileButton = new QPushButton(QStringLiteral("..."), this);
    oneFileButton->setObjectName(QStringLiteral("oneFileButton"));
    oneFileButton->setToolTip(tr("Choose the file to write"));
    oneFileEdit->setEnabled(false);
    oneFileButton->setEnabled(false);
}

void ConfirmDialog::createPauseChoices() {
    trimSilenceCheck = new QCheckBox(tr("Trim silence at the edges"), this);
    trimSilenceCheck->setObjectName(QStringLiteral("trimSilenceCheck"));
    trimSilenceCheck->setToolTip(
        tr("Drop the silence at the start and end of every part but for 0.3 s (the pause "
           "settings say what is silence)"));
    connect(trimSilenceCheck, &QCheckBox::clicked, this,
            [this](bool on) { doc_.SetTrimSilence(on); });
    shortenLabel = new QLabel(tr("Shorten pauses to (s)"), this);
    shortenBox = new QDoubleSpinBox(this);
    shortenBox->setObjectName(QStringLiteral("shortenPausesBox"));
    shortenBox->setRange(0.0, kMaxShortenPausesMs / 1000.0);
    shortenBox->setDecimals(1);
    shortenBox->setSingleStep(0.5);
    shortenBox->setSpecialValueText(tr("Off"));
    shortenBox->setToolTip(tr("In the one file, every longer pause is shortened to this many "
                              "seconds, without re-encoding (Off: none)"));
    shortenLabel->setBuddy(shortenBox);
    connect(shortenBox, &QDoubleSpinBox::valueChanged, this, [this](double s) {
        doc_.SetShortenPausesMs(static_cast<int32_t>(std::lround(s * 1000.0)));
    });
}

void ConfirmDialog::enableChoices() {
    const bool tags = saveTagsCheck->isChecked();
    const bool oneFile = oneFileCheck->isChecked();
    tagFormatBox->setEnabled(tags || oneFile);
    // The one file always carries an ID3v2 tag, so it has room for ReplayGain.
    replayGainCheck->setEnabled(tags || oneFile);
    gainBox->setEnabled(!gainAutoCheck->isChecked());
    numberTracksCheck->setEnabled(tags && !oneFile);
    gaplessCheck->setEnabled(!oneFile);
    oneFileEdit->setEnabled(oneFile);
    oneFileButton->setEnabled(oneFile);
    trimSilenceCheck->setEnabled(!oneFile);
    shortenLabel->setEnabled(oneFile);
    shortenBox->setEnabled(oneFile);
}

void ConfirmDialog::refreshOneFileName() {
    const QString made = st_.OutputFolder.empty()
                             ? QString()
                             : QDir(QString::fromStdString(st_.OutputFolder))
                                   .filePath(QString::fromStdString(SourceStem(st_.FileName)) +
                                             QStringLiteral(" (parts).mp3"));
    const QString shown = oneFileEdit->text();
    if (st_.FileName != oneFileSource_ || shown.isEmpty() || shown == oneFileDefault_)
        oneFileEdit->setText(made);
    oneFileDefault_ = made;
    oneFileSource_ = st_.FileName;
}

QString ConfirmDialog::oneFilePath() const {
    const QString name = oneFileEdit->text().trimmed();
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return name;
    if (st_.OutputFolder.empty())
        return {};
    return QDir(QString::fromStdString(st_.OutputFolder)).filePath(name);
}

void ConfirmDialog::onOneFileClicked() {
    const QString start = oneFilePath().isEmpty() ? oneFileDefault_ : oneFilePath();
    const QString chosen = dialogs_.chooseTargetFile(this, start, tr("MP3 files (*.mp3 *.MP3)"));
    if (!chosen.isEmpty())
        oneFileEdit->setText(chosen);
}

void ConfirmDialog::openIfPartsPrepared() {
    if (PartCount(st_) <= 1) {
        dialogs_.showMessage(parentWidget(), tr("No parts prepared to split."));
        return;
    }
    CentreOnParent(this);
    exec();
}

void ConfirmDialog::openForOneFile() {
    oneFileCheck->setChecked(true);
    openIfPartsPrepared();
}

void ConfirmDialog::showEvent(QShowEvent* event) {
    prepareToShow();
    QDialog::showEvent(event);
}

void ConfirmDialog::prepareToShow() {
    setWindowTitle(FileNamePart(st_.FileName) + QStringLiteral("  ") +
                   QString::fromStdString(FormatTimeText(false, st_.Duration)));
    showSummary();
    folderEdit->setText(QString::fromStdString(st_.OutputFolder));
    saveTagsCheck->setChecked(st_.IsSaveTags);
    gaplessCheck->setChecked(st_.IsGapless);
    numberTracksCheck->setChecked(st_.NumberTracks);
    ShowTagFormat(tagFormatBox, st_.PartTagFormat);
    showTagsToolTip();
    replayGainCheck->setChecked(doc_.SplitLoudnessChoice().replayGain);
    gainBox->setValue(doc_.SplitLoudnessChoice().gainDb);
    gainAutoCheck->setChecked(doc_.SplitLoudnessChoice().gainAuto);
    fadeBox->setValue(st_.FadeMs);
    trimSilenceCheck->setChecked(st_.TrimSilence);
    shortenBox->setValue(st_.ShortenPausesMs / 1000.0);
    refreshOneFileName();
    enableChoices();
}

void ConfirmDialog::onFolderClicked() {
    const QString chosen = dialogs_.chooseFolder(this, tr(" Please select a folder"),
                                                 QString::fromStdString(st_.OutputFolder));
    if (!chosen.isEmpty())
        doc_.SetOutputFolder(chosen.toStdString());
    folderEdit->setText(QString::fromStdString(st_.OutputFolder));
    refreshOneFileName();
}

void ConfirmDialog::onFolderTyped() {
    const QString typed = folderEdit->text().trimmed();
    if (!typed.isEmpty())
        doc_.SetOutputFolder(QFileInfo(typed).absoluteFilePath().toStdString());
    folderEdit->setText(QString::fromStdString(st_.OutputFolder));
    refreshOneFileName();
}

void ConfirmDialog::onSplitClicked() {
    if (oneFileCheck->isChecked()) {
        writeOneFile();
        return;
    }
    if (st_.OutputFolder.empty()) {
        dialogs_.showMessage(this, tr("Please select a folder"));
        return;
    }
    if (st_.IsGapless && !st_.Muted.empty()) {
        dialogs_.showMessage(this, tr("Gapless parts cannot carry muted stretches: untick "
                                      "Gapless to split with them."));
        return;
    }
    bool overwrite = false;
    if (!mayReplaceExisting(overwrite))
        return;
    accept();
    emit statusText(tr("Splitting"));
    SplitOptions options{st_.PartTagFormat, nullptr, overwrite};
    options.muted = MutedGranules(st_, st_);
    const SplitLoudness& loudness = doc_.SplitLoudnessChoice();
    options.gainSteps = chosenGainSteps(st_.IsGapless);
    options.replayGain = loudness.replayGain && Id3v2Version(st_.PartTagFormat) != 0;
    options.fadeMs = st_.FadeMs;
    runner_->start(*fs_, options);
}

void ConfirmDialog::writeOneFile() {
    const QString path = oneFilePath();
    if (path.isEmpty()) {
        dialogs_.showMessage(this, tr("Please choose the file to write"));
        return;
    }
    if (TickedPartCount(st_) == 0) {
        dialogs_.showMessage(this, tr("No parts prepared to split. No part is ticked."));
        return;
    }
    std::string reason;
    if (!fs_->MakeFolderFor(path.toStdString(), reason)) {
        dialogs_.showMessage(
            this, tr("Cannot make the folder of %1: %2").arg(path, QString::fromStdString(reason)));
        return;
    }
    OneFileOptions options;
    if (fs_->Exists(path.toStdString())) {
        options.overwrite =
            dialogs_.askReplace(this, FileNamePart(path.toStdString()) + tr(" exists. Replace?"));
        if (!options.overwrite)
            return;
    }
    accept();
    emit statusText(tr("Splitting"));
    options.chapters = true;
    options.id3Version = Id3v2Version(st_.PartTagFormat) == 4 ? 4 : 3;
    options.id3v1 = WritesId3v1(st_.PartTagFormat);
    options.gainSteps = chosenGainSteps(false);
    if (doc_.SplitLoudnessChoice().replayGain)
        options.userTexts = OneFileReplayGain(st_, st_, options.gainSteps);
    // The joins fade across their seams so that they do not click.
    options.fades.seams = true;
    options.fades.fadeMs = st_.FadeMs;
    options.fades.muted = MutedGranules(st_, st_);
    runner_->startOneFile(*fs_, path.toStdString(), options, st_.ShortenPausesMs / 1000.0);
}

int ConfirmDialog::chosenGainSteps(bool gapless) const {
    const SplitLoudness& loudness = doc_.SplitLoudnessChoice();
    PartWriting w;
    w.gainAuto = loudness.gainAuto;
    w.gainDb = loudness.gainDb;
    w.gapless = gapless;
    return ChooseGain(st_, st_, w).steps;
}

void ConfirmDialog::onOneFileFinished(const OneFileResult& result, const QString& path) {
    emit statusText(tr("Ready"));
    if (result.ok)
        emit filesWritten(1, QFileInfo(path).absolutePath());
    else
        dialogs_.showError(parentWidget(), CoreText(result.error));
    QStringList warnings;
    for (const std::string& w : result.warnings)
        warnings << CoreText(w);
    if (result.ok && !warnings.isEmpty())
        dialogs_.showMessage(parentWidget(), warnings.join(QLatin1Char('\n')));
}

void ConfirmDialog::onSplitFinished(const SplitResult& result) {
    emit statusText(tr("Ready"));
    reportSplit(result);
}

bool ConfirmDialog::mayReplaceExisting(bool& overwrite) {
    const ExistingTargets existing = ExistingPartFiles(st_, st_, st_, *fs_);
    if (existing.count == 0)
        return true;
    QString text = FileNamePart(existing.first) + tr(" exists");
    if (existing.count > 1)
        text += tr(" (and %1 more)").arg(existing.count - 1);
    overwrite = dialogs_.askReplace(this, text + tr(". Replace?"));
    return overwrite;
}

void ConfirmDialog::reportSplit(const SplitResult& result) {
    // Files written before a failure stay and show "Saved".
    emit partsWritten();
    if (!result.written.empty())
        emit filesWritten(static_cast<int>(result.written.size()),
                          QString::fromStdString(st_.OutputFolder));
    if (!result.ok)
        dialogs_.showError(parentWidget(), CoreText(result.error));
    if (!result.leftovers.empty())
        dialogs_.showMessage(parentWidget(), CoreText(LeftoverNote(result.leftovers)));
    if (!doc_.SilentPartsSkipped().empty()) {
        PlacedNotes notes;
        notes.silentParts = doc_.SilentPartsSkipped();
        QStringList lines;
        for (const std::string& line : SilentPartLines(notes))
            lines << CoreText(line);
        dialogs_.showMessage(parentWidget(), lines.join(QLatin1Char('\n')));
    }
    if (doc_.FirstTagDamage(result))
        dialogs_.showMessage(parentWidget(), tr("The tag of %1 could be read only in part; the "
                                                "parts carry what could be read.")
                                                 .arg(FileNamePart(st_.FileName)));
}

} // namespace tessivo
