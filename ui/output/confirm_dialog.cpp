#include "ui/output/confirm_dialog.h"

#include "ui/window/user_dialogs.h"
#include "core/output/split_parts.h"
#include "core/parts/time_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

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

ConfirmDialog::ConfirmDialog(ProgramState& st, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), st_(st), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TFormConfirm"));
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

    MemoParts = new QPlainTextEdit(this);
    MemoParts->setObjectName(QStringLiteral("MemoParts"));
    MemoParts->setGeometry(42, 10, 251, 39);
    MemoParts->setFrameShape(QFrame::NoFrame);
    MemoParts->setReadOnly(true);
    MemoParts->setFocusPolicy(Qt::NoFocus);
    MemoParts->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette mp = MemoParts->palette();
    mp.setColor(QPalette::Base, kBackColor);
    MemoParts->setPalette(mp);

    ImageFolder = new QLabel(this);
    ImageFolder->setGeometry(6, 54, 16, 16);
    ImageFolder->setPixmap(style()->standardIcon(QStyle::SP_DirIcon).pixmap(16, 16));
    LabFolder = new QLabel(QStringLiteral("Output Folder:"), this);
    LabFolder->move(25, 58);
    LabFolder->adjustSize();

    EditFolder = new QLineEdit(this);
    EditFolder->setObjectName(QStringLiteral("EditFolder"));
    EditFolder->setGeometry(4, 70, 283, 21);
    EditFolder->setReadOnly(true);
    QPalette ep = EditFolder->palette();
    ep.setColor(QPalette::Base, QColor(255, 255, 225));
    EditFolder->setPalette(ep);

    BtnFolder = new QPushButton(QStringLiteral("..."), this);
    BtnFolder->setObjectName(QStringLiteral("BtnFolder"));
    BtnFolder->setGeometry(290, 69, 31, 24);
    BtnFolder->setToolTip(QStringLiteral("Select the output folder"));
    QFont bf = BtnFolder->font();
    bf.setBold(true);
    bf.setPixelSize(16);
    BtnFolder->setFont(bf);

    ChBoxSaveTags = new QCheckBox(QStringLiteral("Save ID3 Tags"), this);
    ChBoxSaveTags->setObjectName(QStringLiteral("ChBoxSaveTags"));
    ChBoxSaveTags->setGeometry(120, 108, 105, 23);
    ChBoxSaveTags->setToolTip(QStringLiteral("Write each part's ID3v1 tag at the end of its file"));
    ChBoxGapless = new QCheckBox(QStringLiteral("Gapless parts"), this);
    ChBoxGapless->setObjectName(QStringLiteral("ChBoxGapless"));
    ChBoxGapless->setGeometry(120, 126, 105, 18);
    ChBoxGapless->setToolTip(
        QStringLiteral("Write the parts so that players join them without a gap"));

    BtnSplit = new QPushButton(QStringLiteral("Split"), this);
    BtnSplit->setObjectName(QStringLiteral("BtnSplit"));
    BtnSplit->setGeometry(76, 144, 60, 25);
    BtnSplit->setToolTip(QStringLiteral("Write the ticked parts"));
    BtnSplit->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(192, 146, 60, 25);
    BtnCancel->setToolTip(QStringLiteral("Close without writing anything"));

    // The choices take effect at once, even when the dialog is then cancelled.
    connect(ChBoxSaveTags, &QCheckBox::clicked, this, [this](bool on) { st_.IsSaveTags = on; });
    connect(ChBoxGapless, &QCheckBox::clicked, this, [this](bool on) { st_.IsGapless = on; });
    connect(BtnFolder, &QPushButton::clicked, this, [this] { BtnFolderClick(); });
    connect(BtnSplit, &QPushButton::clicked, this, [this] { BtnSplitClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { reject(); });
}

void ConfirmDialog::OpenIfPartsPrepared() {
    if (st_.CutCount <= 1) {
        dialogs_.ShowMessage(parentWidget(), QStringLiteral("No parts prepared to split."));
        return;
    }
    exec();
}

void ConfirmDialog::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void ConfirmDialog::FormShow() {
    setWindowTitle(FileNamePart(st_.FileName) + QStringLiteral("  ") +
                   QString::fromStdString(FormatTimeText(false, st_.Duration)));
    int used = 0;
    for (int i = 1; i <= st_.CutCount; ++i)
        used += st_.PartUsed[i] ? 1 : 0;
    MemoParts->setPlainText(
        QStringLiteral("%1 of %2 parts are prepared for splitting.").arg(used).arg(st_.CutCount));
    EditFolder->setText(QString::fromStdString(st_.OutputFolder));
    ChBoxSaveTags->setChecked(st_.IsSaveTags);
    ChBoxGapless->setChecked(st_.IsGapless);
}

void ConfirmDialog::BtnFolderClick() {
    const QString chosen = dialogs_.ChooseFolder(this, QStringLiteral(" Please select a folder"),
                                                 QString::fromStdString(st_.OutputFolder));
    if (!chosen.isEmpty())
        st_.OutputFolder = chosen.toStdString();
    EditFolder->setText(QString::fromStdString(st_.OutputFolder));
}

void ConfirmDialog::BtnSplitClick() {
    if (st_.OutputFolder.empty()) {
        dialogs_.ShowMessage(this, QStringLiteral("Please select a folder"));
        return;
    }
    accept();
    emit statusText(QStringLiteral("Splitting"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SplitResult result = SplitParts(st_);
    QApplication::restoreOverrideCursor();
    emit statusText(QStringLiteral("Ready"));
    // Files written before a failure stay and show "Saved".
    emit partsWritten();
    if (!result.ok)
        dialogs_.ShowError(parentWidget(), QString::fromStdString(result.error));
}

} // namespace tessivo
