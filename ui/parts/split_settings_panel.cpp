#include "ui/parts/split_settings_panel.h"

#include "ui/window/user_dialogs.h"
#include "ui/parts/number_key_filter.h"
#include "core/parts/prepare.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace tessivo {

namespace {

const QColor kGreyCaption(100, 100, 100);

void SetCaptionColour(QToolButton* b, const QColor& c) {
    QPalette p = b->palette();
    p.setColor(QPalette::ButtonText, c);
    b->setPalette(p);
}

// A spin box whose number cannot be typed, only stepped.
QSpinBox* MakeSpin(QWidget* parent, int lo, int hi, int step) {
    auto* s = new QSpinBox(parent);
    s->setRange(lo, hi);
    s->setSingleStep(step);
    if (auto* le = s->findChild<QLineEdit*>())
        le->setReadOnly(true);
    return s;
}

} // namespace

SplitSettingsPanel::SplitSettingsPanel(ProgramState& st, UserDialogs& dialogs, QWidget* parent)
    : QGroupBox(QStringLiteral("Split Settings"), parent), st_(st), dialogs_(dialogs) {
    setObjectName(QStringLiteral("PanelLeft"));
    RBtnVisual = new QRadioButton(QStringLiteral("Visual Splitting"), this);
    RBtnByParts = new QRadioButton(QStringLiteral("Split into equal parts"), this);
    RBtnByTime = new QRadioButton(QStringLiteral("Split into equal time"), this);
    RBtnBySilence = new QRadioButton(QStringLiteral("Split by silence"), this);
    RBtnVisual->setObjectName(QStringLiteral("RBtnVisual"));
    RBtnByParts->setObjectName(QStringLiteral("RBtnByParts"));
    RBtnByTime->setObjectName(QStringLiteral("RBtnByTime"));
    RBtnBySilence->setObjectName(QStringLiteral("RBtnBySilence"));
    RBtnVisual->setChecked(true);
    RBtnVisual->setToolTip(QStringLiteral("Place cut lines by hand on the waveform"));
    RBtnByParts->setToolTip(QStringLiteral("Cut the file into a number of equal parts"));
    RBtnByTime->setToolTip(QStringLiteral("Cut the file into parts of the given length"));
    RBtnBySilence->setToolTip(QStringLiteral("Cut the file at pauses"));

    SpinEditParts = MakeSpin(this, 2, 200, 1);
    SpinEditParts->setObjectName(QStringLiteral("SpinEditParts"));
    SpinEditParts->setValue(2);

    EditTimeMM = new QLineEdit(QStringLiteral("00"), this);
    EditTimeSS = new QLineEdit(QStringLiteral("01"), this);
    EditTimeMM->setObjectName(QStringLiteral("EditTimeMM"));
    EditTimeSS->setObjectName(QStringLiteral("EditTimeSS"));
    lastTimeMM_ = EditTimeMM->text();
    lastTimeSS_ = EditTimeSS->text();
    for (QLineEdit* e : {EditTimeMM, EditTimeSS}) {
        e->setMaximumWidth(40);
        e->installEventFilter(this);
        connect(e, &QLineEdit::textChanged, this, [this, e] { TimeEditChange(e); });
    }

    SpinEditThresh = MakeSpin(this, 1, 100, 1);
    SpinEditRelease = MakeSpin(this, 200, 5000, 200);
    SpinEditThresh->setObjectName(QStringLiteral("SpinEditThresh"));
    SpinEditRelease->setObjectName(QStringLiteral("SpinEditRelease"));

    SpdBtnPrepare = new QToolButton(this);
    SpdBtnPrepare->setText(QStringLiteral("Prepare"));
    SpdBtnPrepare->setToolTip(QStringLiteral("Prepare Cut Lines"));
    SpdBtnPrepare->setObjectName(QStringLiteral("SpdBtnPrepare"));
    SpdBtnClear = new QToolButton(this);
    SpdBtnClear->setText(QStringLiteral("Clear"));
    SpdBtnClear->setToolTip(QStringLiteral("Clear Cut Lines"));
    SpdBtnClear->setObjectName(QStringLiteral("SpdBtnClear"));

    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    grid->addWidget(RBtnVisual, 0, 0, 1, 4);
    grid->addWidget(RBtnByParts, 1, 0, 1, 3);
    grid->addWidget(SpinEditParts, 1, 3);
    grid->addWidget(RBtnByTime, 2, 0, 1, 4);
    grid->addWidget(EditTimeMM, 3, 0);
    grid->addWidget(new QLabel(QStringLiteral("min"), this), 3, 1);
    grid->addWidget(EditTimeSS, 3, 2);
    grid->addWidget(new QLabel(QStringLiteral("sec"), this), 3, 3);
    grid->addWidget(RBtnBySilence, 4, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Threshold,%"), this), 5, 0, 1, 2);
    grid->addWidget(SpinEditThresh, 5, 2, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Pause,ms"), this), 6, 0, 1, 2);
    grid->addWidget(SpinEditRelease, 6, 2, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SpdBtnPrepare);
    buttons->addWidget(SpdBtnClear);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 4, 6, 4);
    outer->setSpacing(4);
    outer->addLayout(grid);
    outer->addStretch(1);
    outer->addLayout(buttons);

    ShowSilenceSettings();

    connect(RBtnVisual, &QRadioButton::clicked, this, [this] { SetMode(SplitModeKind::Visual); });
    connect(RBtnByParts, &QRadioButton::clicked, this, [this] {
        SetMode(SplitModeKind::ByParts);
        ShowEqualPartTime(SpinEditParts->value());
    });
    connect(RBtnByTime, &QRadioButton::clicked, this, [this] { SetMode(SplitModeKind::ByTime); });
    connect(RBtnBySilence, &QRadioButton::clicked, this,
            [this] { SetMode(SplitModeKind::BySilence); });
    connect(SpinEditParts, &QSpinBox::valueChanged, this, [this](int n) { ShowEqualPartTime(n); });
    connect(SpinEditThresh, &QSpinBox::valueChanged, this,
            [this](int v) { st_.SilenceThreshold = v; });
    connect(SpinEditRelease, &QSpinBox::valueChanged, this,
            [this](int v) { st_.SilenceRelease = v; });
    connect(SpdBtnPrepare, &QToolButton::clicked, this, [this] { SpdBtnPrepareClick(); });
    connect(SpdBtnClear, &QToolButton::clicked, this, [this] { emit clearRequested(); });

    UpdateSplitControls();
}

void SplitSettingsPanel::SetMode(SplitModeKind mode) {
    st_.SplitMode = mode;
    UpdateSplitControls();
}

void SplitSettingsPanel::UpdateSplitControls() {
    const SplitModeKind m = st_.SplitMode;
    SpinEditParts->setEnabled(m == SplitModeKind::ByParts);
    EditTimeMM->setEnabled(m == SplitModeKind::ByTime);
    EditTimeSS->setEnabled(m == SplitModeKind::ByTime);
    SpinEditThresh->setEnabled(m == SplitModeKind::BySilence);
    SpinEditRelease->setEnabled(m == SplitModeKind::BySilence);
    const bool ready = m != SplitModeKind::Visual && st_.FileLoaded;
    SetCaptionColour(SpdBtnPrepare, ready ? QColor(Qt::black) : kGreyCaption);
}

void SplitSettingsPanel::ShowEqualPartTime(int n) {
    std::string mm;
    std::string ss;
    if (!tessivo::ShowEqualPartTime(st_, n, mm, ss))
        return; // a part of an hour or more: the edits keep their text
    EditTimeMM->setText(QString::fromStdString(mm));
    EditTimeSS->setText(QString::fromStdString(ss));
}

void SplitSettingsPanel::ResetForOpenedFile(int parts) {
    const QSignalBlocker block(SpinEditParts);
    SpinEditParts->setValue(parts);
    ShowEqualPartTime(parts);
}

void SplitSettingsPanel::ShowSilenceSettings() {
    // The settings may hold values outside the boxes' ranges; the boxes show
    // them clamped but the state keeps what was read until the user steps.
    const QSignalBlocker b1(SpinEditThresh);
    const QSignalBlocker b2(SpinEditRelease);
    SpinEditThresh->setValue(st_.SilenceThreshold);
    SpinEditRelease->setValue(st_.SilenceRelease);
}

bool SplitSettingsPanel::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == EditTimeMM || watched == EditTimeSS) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!KeyAllowedInNumberEdit(key))
            return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

void SplitSettingsPanel::TimeEditChange(QLineEdit* edit) {
    QString& last = edit == EditTimeMM ? lastTimeMM_ : lastTimeSS_;
    // A number of 60 or more loses its last character; pasted text that is
    // not a number is refused and the edit keeps its text.
    const std::string now = edit->text().toStdString();
    const std::string kept = TimeEditText(last.toStdString(), now);
    if (kept != now) {
        const QSignalBlocker block(edit);
        edit->setText(QString::fromStdString(kept));
        edit->setCursorPosition(static_cast<int>(kept.size()));
    }
    last = edit->text();
}

void SplitSettingsPanel::SpdBtnPrepareClick() {
    PrepareInput in;
    in.mode = st_.SplitMode;
    in.parts = SpinEditParts->value();
    in.timeMM = EditTimeMM->text().toStdString();
    in.timeSS = EditTimeSS->text().toStdString();
    const PrepareOutcome out = PrepareCutLines(st_, in);
    // Emptied edits read "00" from now on.
    if (QString::fromStdString(in.timeMM) != EditTimeMM->text())
        EditTimeMM->setText(QString::fromStdString(in.timeMM));
    if (QString::fromStdString(in.timeSS) != EditTimeSS->text())
        EditTimeSS->setText(QString::fromStdString(in.timeSS));
    if (!out.message.empty()) {
        dialogs_.ShowMessage(this, QString::fromStdString(out.message));
        return;
    }
    if (out.acted)
        emit partsPrepared();
}

} // namespace tessivo
