#include "ui/output/confirm_dialog.h"

#include "core/parts/part_access.h"

#include "core/output/part_tag.h"
#include "core/output/split_parts.h"
#include "core/parts/time_text.h"
#include "ui/output/split_runner.h"
#include "ui/window/user_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

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

// The tag format box's entries, in its order.
const std::pair<TagFormat, const char*> kTagFormats[] = {
    {TagFormat::V1, "ID3v1"},
    {TagFormat::V23, "ID3v2.3"},
    {TagFormat::V24, "ID3v2.4"},
    {TagFormat::V1V23, "ID3v2.3 + ID3v1"},
    {TagFormat::V1V24, "ID3v2.4 + ID3v1"},
};

} // namespace

ConfirmDialog::ConfirmDialog(Document& doc, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), doc_(doc), st_(doc.State()), dialogs_(dialogs),
      fs_(&DefaultPartFileSystem()), runner_(new SplitRunner(doc, this)) {
    setObjectName(QStringLiteral("confirmDialog"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
    setModal(true);
    setFixedSize(327, 187);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackColor);
    setPalette(pal);
    setAutoFillBackground(true);
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    createPartsAndFolder();
    createChoicesAndButtons();

    // The choices take effect at once, even when the dialog is then cancelled.
    connect(saveTagsCheck, &QCheckBox::clicked, this, [this](bool on) { doc_.SetSaveTags(on); });
    connect(gaplessCheck, &QCheckBox::clicked, this, [this](bool on) { doc_.SetGapless(on); });
    connect(saveTagsCheck, &QCheckBox::toggled, tagFormatBox, &QWidget::setEnabled);
    connect(tagFormatBox, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(std::size(kTagFormats)))
            doc_.SetPartTagFormat(kTagFormats[index].first);
    });
    connect(folderButton, &QPushButton::clicked, this, [this] { onFolderClicked(); });
    connect(splitButton, &QPushButton::clicked, this, [this] { onSplitClicked(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { reject(); });
    connect(runner_, &SplitRunner::finished, this, &ConfirmDialog::onSplitFinished);
}

void ConfirmDialog::createPartsAndFolder() {
    partsText = new QPlainTextEdit(this);
    partsText->setObjectName(QStringLiteral("partsText"));
    partsText->setGeometry(42, 10, 251, 39);
    partsText->setFrameShape(QFrame::NoFrame);
    partsText->setReadOnly(true);
    partsText->setFocusPolicy(Qt::NoFocus);
    partsText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette mp = partsText->palette();
    mp.setColor(QPalette::Base, kBackColor);
    partsText->setPalette(mp);

    folderIcon = new QLabel(this);
    folderIcon->setGeometry(6, 54, 16, 16);
    folderIcon->setPixmap(style()->standardIcon(QStyle::SP_DirIcon).pixmap(16, 16));
    folderLabel = new QLabel(QStringLiteral("Output Folder:"), this);
    folderLabel->move(25, 58);
    folderLabel->adjustSize();

    folderEdit = new QLineEdit(this);
    folderEdit->setObjectName(QStringLiteral("folderEdit"));
    folderEdit->setGeometry(4, 70, 283, 21);
    folderEdit->setReadOnly(true);
    QPalette ep = folderEdit->palette();
    ep.setColor(QPalette::Base, QColor(255, 255, 225));
    folderEdit->setPalette(ep);

    folderButton = new QPushButton(QStringLiteral("..."), this);
    folderButton->setObjectName(QStringLiteral("folderButton"));
    folderButton->setGeometry(290, 69, 31, 24);
    folderButton->setToolTip(QStringLiteral("Select the output folder"));
    QFont bf = folderButton->font();
    bf.setBold(true);
    bf.setPixelSize(16);
    folderButton->setFont(bf);
}

void ConfirmDialog::createChoicesAndButtons() {
    saveTagsCheck = new QCheckBox(QStringLiteral("Save ID3 Tags"), this);
    saveTagsCheck->setObjectName(QStringLiteral("saveTagsCheck"));
    saveTagsCheck->setGeometry(120, 108, 105, 23);
    saveTagsCheck->setToolTip(QStringLiteral("Write each part's ID3v1 tag at the end of its file"));
    gaplessCheck = new QCheckBox(QStringLiteral("Gapless parts"), this);
    gaplessCheck->setObjectName(QStringLiteral("gaplessCheck"));
    gaplessCheck->setGeometry(120, 126, 105, 18);
    gaplessCheck->setToolTip(
        QStringLiteral("Write the parts so that players join them without a gap"));
    tagFormatBox = new QComboBox(this);
    tagFormatBox->setObjectName(QStringLiteral("tagFormatBox"));
    tagFormatBox->setGeometry(4, 108, 112, 22);
    tagFormatBox->setToolTip(QStringLiteral("The tags each part gets"));
    for (const auto& entry : kTagFormats)
        tagFormatBox->addItem(QString::fromLatin1(entry.second));

    splitButton = new QPushButton(QStringLiteral("Split"), this);
    splitButton->setObjectName(QStringLiteral("splitButton"));
    splitButton->setGeometry(76, 144, 60, 25);
    splitButton->setToolTip(QStringLiteral("Write the ticked parts"));
    splitButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setGeometry(192, 146, 60, 25);
    cancelButton->setToolTip(QStringLiteral("Close without writing anything"));
}

void ConfirmDialog::openIfPartsPrepared() {
    if (PartCount(st_) <= 1) {
        dialogs_.showMessage(parentWidget(), QStringLiteral("No parts prepared to split."));
        return;
    }
    exec();
}

void ConfirmDialog::showEvent(QShowEvent* event) {
    prepareToShow();
    QDialog::showEvent(event);
}

void ConfirmDialog::prepareToShow() {
    setWindowTitle(FileNamePart(st_.FileName) + QStringLiteral("  ") +
                   QString::fromStdString(FormatTimeText(false, st_.Duration)));
    int used = 0;
    for (int i = 1; i <= PartCount(st_); ++i)
        used += PartTicked(st_, i) ? 1 : 0;
    partsText->setPlainText(
        QStringLiteral("%1 of %2 parts are prepared for splitting.").arg(used).arg(PartCount(st_)));
    folderEdit->setText(QString::fromStdString(st_.OutputFolder));
    saveTagsCheck->setChecked(st_.IsSaveTags);
    gaplessCheck->setChecked(st_.IsGapless);
    for (size_t i = 0; i < std::size(kTagFormats); ++i)
        if (kTagFormats[i].first == st_.PartTagFormat)
            tagFormatBox->setCurrentIndex(static_cast<int>(i));
    tagFormatBox->setEnabled(st_.IsSaveTags);
}

void ConfirmDialog::onFolderClicked() {
    const QString chosen = dialogs_.chooseFolder(this, QStringLiteral(" Please select a folder"),
                                                 QString::fromStdString(st_.OutputFolder));
    if (!chosen.isEmpty())
        doc_.SetOutputFolder(chosen.toStdString());
    folderEdit->setText(QString::fromStdString(st_.OutputFolder));
}

void ConfirmDialog::onSplitClicked() {
    if (st_.OutputFolder.empty()) {
        dialogs_.showMessage(this, QStringLiteral("Please select a folder"));
        return;
    }
    bool overwrite = false;
    if (!mayReplaceExisting(overwrite))
        return;
    accept();
    emit statusText(QStringLiteral("Splitting"));
    runner_->start(*fs_, SplitOptions{st_.PartTagFormat, nullptr, overwrite});
}

void ConfirmDialog::onSplitFinished(const SplitResult& result) {
    emit statusText(QStringLiteral("Ready"));
    reportSplit(result);
}

bool ConfirmDialog::mayReplaceExisting(bool& overwrite) {
    const ExistingTargets existing = ExistingPartFiles(st_, *fs_);
    if (existing.count == 0)
        return true;
    QString text = FileNamePart(existing.first) + QStringLiteral(" exists");
    if (existing.count > 1)
        text += QStringLiteral(" (and %1 more)").arg(existing.count - 1);
    overwrite = dialogs_.askReplace(this, text + QStringLiteral(". Replace?"));
    return overwrite;
}

void ConfirmDialog::reportSplit(const SplitResult& result) {
    // Files written before a failure stay and show "Saved".
    emit partsWritten();
    if (!result.ok)
        dialogs_.showError(parentWidget(), QString::fromStdString(result.error));
    if (doc_.FirstTagDamage(result))
        dialogs_.showMessage(parentWidget(),
                             QStringLiteral("The tag of %1 could be read only in part; the "
                                            "parts carry what could be read.")
                                 .arg(FileNamePart(st_.FileName)));
}

} // namespace tessivo
