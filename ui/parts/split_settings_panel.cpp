#include "ui/parts/split_settings_panel.h"

#include "core/cutting/cutting_mode.h"
#include "core/parts/near_pauses.h"
#include "core/parts/prepare.h"
#include "ui/common/tab_order.h"
#include "ui/common/user_dialogs.h"
#include "ui/document/core_text.h"
#include "ui/parts/number_key_filter.h"

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
    // The disabled look stays the style's own, so a greyed-out window shows
    // the button as unavailable.
    QPalette p = b->palette();
    p.setColor(QPalette::Active, QPalette::ButtonText, c);
    p.setColor(QPalette::Inactive, QPalette::ButtonText, c);
    b->setPalette(p);
}

// A spin box whose number is typed or stepped.
QSpinBox* MakeSpin(QWidget* parent, int lo, int hi, int step) {
    auto* s = new QSpinBox(parent);
    s->setRange(lo, hi);
    s->setSingleStep(step);
    return s;
}

} // namespace

SplitSettingsPanel::SplitSettingsPanel(Document& doc, UserDialogs& dialogs, QWidget* parent)
    : QGroupBox(tr("Split Settings"), parent), doc_(doc), st_(doc.State()), dialogs_(dialogs) {
    setObjectName(QStringLiteral("splitSettings"));
    createModeButtons();
    createInputs();
    layOutControls();
    showSilenceSettings();
    connectControls();
    updateSplitControls();
}

SplitSettingsPanel::~SplitSettingsPanel() {
    for (QLineEdit* e : {hoursEdit, minutesEdit, secondsEdit})
        e->disconnect(this);
}

namespace {

// What the panel shows for each way of cutting core offers it: the button's
// name, text and tooltip, and the member that holds it.
struct PanelModeText {
    std::string_view key;
    const char* objectName;
    const char* text;
    const char* tip;
    QRadioButton* SplitSettingsPanel::*radio;
};
const PanelModeText kModeTexts[] = {
    {kVisualKey, "visualRadio",
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel", "Visual Splitting"),
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel", "Place cut lines by hand on the waveform"),
     &SplitSettingsPanel::visualRadio},
    {"parts", "byPartsRadio",
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel", "Split into equal parts"),
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel", "Cut the file into a number of equal parts"),
     &SplitSettingsPanel::byPartsRadio},
    {"time", "byTimeRadio",
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel", "Split into equal time"),
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel",
                       "Cut the file into parts of the given length"),
     &SplitSettingsPanel::byTimeRadio},
    {kSilenceKey, "bySilenceRadio",
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel", "Split by silence"),
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel", "Cut the file at pauses"),
     &SplitSettingsPanel::bySilenceRadio},
    {"near-pauses", "nearPausesRadio",
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel", "Split at pauses near"),
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel",
                       "Cut parts of about the given length, each at a pause (using the "
                       "threshold and pause of split by silence)"),
     &SplitSettingsPanel::nearPausesRadio},
    {kChaptersKey, "chaptersRadio",
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel", "Split at chapters"),
     QT_TRANSLATE_NOOP("tessivo::SplitSettingsPanel",
                       "Cut at the file's chapters, each part titled after its chapter"),
     &SplitSettingsPanel::chaptersRadio},
};

const PanelModeText* ModeText(std::string_view key) {
    for (const PanelModeText& t : kModeTexts)
        if (t.key == key)
            return &t;
    return nullptr;
}

} // namespace

// One button for each way of cutting core offers the panel, in the registry's
// order.
void SplitSettingsPanel::createModeButtons() {
    for (const CuttingMode* mode : CuttingModesOffered(kInSplitPanel)) {
        const PanelModeText* text = ModeText(mode->key);
        if (!text)
            continue;
        auto* radio = new QRadioButton(tr(text->text), this);
        radio->setObjectName(QString::fromLatin1(text->objectName));
        radio->setToolTip(tr(text->tip));
        if (text->radio)
            this->*(text->radio) = radio;
        modeRadios_.push_back({mode, radio});
    }
    visualRadio->setChecked(true);
}

void SplitSettingsPanel::createInputs() {
    partsSpin = MakeSpin(this, 2, 200, 1);
    partsSpin->setObjectName(QStringLiteral("partsSpin"));
    partsSpin->setValue(2);

    hoursEdit = new QLineEdit(QStringLiteral("0"), this);
    minutesEdit = new QLineEdit(QStringLiteral("00"), this);
    secondsEdit = new QLineEdit(QStringLiteral("01"), this);
    hoursEdit->setObjectName(QStringLiteral("hoursEdit"));
    minutesEdit->setObjectName(QStringLiteral("minutesEdit"));
    secondsEdit->setObjectName(QStringLiteral("secondsEdit"));
    lastHours_ = hoursEdit->text();
    lastMinutes_ = minutesEdit->text();
    lastSeconds_ = secondsEdit->text();
    for (QLineEdit* e : {hoursEdit, minutesEdit, secondsEdit}) {
        // Wide enough for five digits at any font; 90 minutes carry over to
        // 1 h 30 min when the box is left.
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 10);
        e->installEventFilter(this);
        connect(e, &QLineEdit::textChanged, this, [this, e] { onTimeEdited(e); });
        connect(e, &QLineEdit::editingFinished, this, [this] { normaliseEqualTime(); });
    }

    thresholdSpin = MakeSpin(this, 1, 100, 1);
    pauseSpin = MakeSpin(this, 200, 5000, 200);
    thresholdSpin->setObjectName(QStringLiteral("thresholdSpin"));
    pauseSpin->setObjectName(QStringLiteral("pauseSpin"));

    nearLengthEdit = new QLineEdit(QStringLiteral("0:10:00"), this);
    nearLengthEdit->setObjectName(QStringLiteral("nearLengthEdit"));
    nearLengthEdit->setToolTip(tr("Part length, H:MM:SS"));
    toleranceSpin = new QSpinBox(this);
    toleranceSpin->setRange(0, kMaxPauseTolerance);
    toleranceSpin->setValue(kDefaultPauseTolerance);
    toleranceSpin->setSuffix(QStringLiteral(" %"));
    toleranceSpin->setObjectName(QStringLiteral("toleranceSpin"));
    toleranceSpin->setToolTip(tr("Tolerance, percent of the length"));

    prepareButton = new QToolButton(this);
    prepareButton->setText(tr("Prepare"));
    prepareButton->setToolTip(tr("Prepare Cut Lines"));
    prepareButton->setObjectName(QStringLiteral("prepareButton"));
    clearButton = new QToolButton(this);
    clearButton->setText(tr("Clear"));
    clearButton->setToolTip(tr("Clear Cut Lines"));
    clearButton->setObjectName(QStringLiteral("clearButton"));
}

void SplitSettingsPanel::layOutControls() {
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    grid->addWidget(visualRadio, 0, 0, 1, 4);
    grid->addWidget(byPartsRadio, 1, 0, 1, 3);
    grid->addWidget(partsSpin, 1, 3);
    grid->addWidget(byTimeRadio, 2, 0, 1, 4);
    // Equal time: hours, minutes, seconds.
    auto* time = new QHBoxLayout;
    time->setSpacing(3);
    time->addWidget(hoursEdit);
    time->addWidget(new QLabel(tr("h"), this));
    time->addWidget(minutesEdit);
    time->addWidget(new QLabel(tr("min"), this));
    time->addWidget(secondsEdit);
    time->addWidget(new QLabel(tr("sec"), this));
    time->addStretch(1);
    grid->addLayout(time, 3, 0, 1, 4);
    grid->addWidget(bySilenceRadio, 4, 0, 1, 4);
    grid->addWidget(new QLabel(tr("Threshold,%"), this), 5, 0, 1, 2);
    grid->addWidget(thresholdSpin, 5, 2, 1, 2);
    grid->addWidget(new QLabel(tr("Pause,ms"), this), 6, 0, 1, 2);
    grid->addWidget(pauseSpin, 6, 2, 1, 2);
    grid->addWidget(nearPausesRadio, 7, 0, 1, 4);
    grid->addWidget(nearLengthEdit, 8, 0, 1, 2);
    grid->addWidget(toleranceSpin, 8, 2, 1, 2);
    grid->addWidget(chaptersRadio, 9, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(prepareButton);
    buttons->addWidget(clearButton);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 4, 6, 4);
    outer->setSpacing(4);
    outer->addLayout(grid);
    outer->addStretch(1);
    outer->addLayout(buttons);
    // Tab follows the rows: each mode's fields after its button. Of the mode
    // buttons Tab stops at the checked one only.
    ChainTabOrder({visualRadio, byPartsRadio, partsSpin, byTimeRadio, hoursEdit, minutesEdit,
                   secondsEdit, bySilenceRadio, thresholdSpin, pauseSpin, nearPausesRadio,
                   nearLengthEdit, toleranceSpin, chaptersRadio, prepareButton, clearButton});
    layOutOtherModes(grid, 10);
}

void SplitSettingsPanel::layOutOtherModes(QGridLayout* grid, int row) {
    // A mode without fields of its own: its button on a row of its own below
    // the others, and next in the Tab order.
    QWidget* before = chaptersRadio;
    for (const auto& [mode, radio] : modeRadios_) {
        if (grid->indexOf(radio) >= 0)
            continue;
        grid->addWidget(radio, row++, 0, 1, 4);
        QWidget::setTabOrder(before, radio);
        before = radio;
    }
    QWidget::setTabOrder(before, prepareButton);
}

void SplitSettingsPanel::connectControls() {
    for (const auto& [mode, radio] : modeRadios_) {
        connect(radio, &QRadioButton::clicked, this, [this, mode = mode] {
            setMode(mode->key);
            // A number of equal parts shows how long each is.
            if (mode->Takes(kTakesPartCount))
                showEqualPartTime(partsSpin->value());
        });
    }
    connect(partsSpin, &QSpinBox::valueChanged, this, [this](int n) { showEqualPartTime(n); });
    connect(thresholdSpin, &QSpinBox::valueChanged, this,
            [this](int v) { doc_.SetSilenceThreshold(v); });
    connect(pauseSpin, &QSpinBox::valueChanged, this, [this](int v) { doc_.SetSilenceRelease(v); });
    connect(prepareButton, &QToolButton::clicked, this, [this] { onPrepareClicked(); });
    connect(clearButton, &QToolButton::clicked, this, [this] { emit clearRequested(); });
}

void SplitSettingsPanel::setMode(std::string_view key) {
    doc_.SetSplitMode(key);
    updateSplitControls();
}

void SplitSettingsPanel::updateSplitControls() {
    const bool chapters = st_.FileLoaded && !doc_.Chapters().empty();
    chaptersRadio->setEnabled(chapters);
    if (!chapters && st_.SplitMode == kChaptersKey) {
        // A file without chapters: back to placing cut lines by hand.
        doc_.SetSplitMode(kVisualKey);
        visualRadio->setChecked(true);
    }
    // Each field is enabled where the chosen mode takes its value.
    const CuttingMode* mode = CuttingModeByKey(st_.SplitMode);
    const auto takes = [mode](ModeValue v) { return mode && mode->Takes(v); };
    partsSpin->setEnabled(takes(kTakesPartCount));
    hoursEdit->setEnabled(takes(kTakesLength));
    minutesEdit->setEnabled(takes(kTakesLength));
    secondsEdit->setEnabled(takes(kTakesLength));
    thresholdSpin->setEnabled(takes(kTakesPause));
    pauseSpin->setEnabled(takes(kTakesPause));
    nearLengthEdit->setEnabled(takes(kTakesNearLength));
    toleranceSpin->setEnabled(takes(kTakesNearLength));
    const bool ready = st_.SplitMode != kVisualKey && st_.FileLoaded;
    SetCaptionColour(prepareButton, ready ? QColor(Qt::black) : kGreyCaption);
}

void SplitSettingsPanel::showEqualPartTime(int n) {
    std::string hh;
    std::string mm;
    std::string ss;
    if (!tessivo::ShowEqualPartTimeHms(st_, n, hh, mm, ss))
        return;
    hoursEdit->setText(QString::fromStdString(hh));
    minutesEdit->setText(QString::fromStdString(mm));
    secondsEdit->setText(QString::fromStdString(ss));
}

void SplitSettingsPanel::resetForOpenedFile(int parts) {
    const QSignalBlocker block(partsSpin);
    partsSpin->setValue(parts);
    showEqualPartTime(parts);
}

void SplitSettingsPanel::showSilenceSettings() {
    // The settings may hold values outside the boxes' ranges; the boxes show
    // them clamped but the state keeps what was read until the user steps.
    const QSignalBlocker b1(thresholdSpin);
    const QSignalBlocker b2(pauseSpin);
    thresholdSpin->setValue(st_.SilenceThreshold);
    pauseSpin->setValue(st_.SilenceRelease);
}

bool SplitSettingsPanel::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == hoursEdit || watched == minutesEdit || watched == secondsEdit) &&
        event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!KeyAllowedInNumberEdit(key))
            return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

void SplitSettingsPanel::onTimeEdited(QLineEdit* edit) {
    QString& last = edit == hoursEdit     ? lastHours_
                    : edit == minutesEdit ? lastMinutes_
                                          : lastSeconds_;
    // Pasted text that is not a number is refused and the edit keeps its
    // text; every digit typed stays.
    const std::string now = edit->text().toStdString();
    const std::string kept = TimeEditText(last.toStdString(), now);
    if (kept != now) {
        const QSignalBlocker block(edit);
        edit->setText(QString::fromStdString(kept));
        edit->setCursorPosition(static_cast<int>(kept.size()));
    }
    last = edit->text();
}

void SplitSettingsPanel::normaliseEqualTime() {
    std::string hh = hoursEdit->text().toStdString();
    std::string mm = minutesEdit->text().toStdString();
    std::string ss = secondsEdit->text().toStdString();
    if (!NormaliseEqualTime(hh, mm, ss)) {
        // Shown once per finished edit; Prepare refuses the same time again.
        if (!timeRefusalShown_)
            dialogs_.showMessage(this, tr("Incorrect time value!"));
        timeRefusalShown_ = true;
        return;
    }
    timeRefusalShown_ = false;
    hoursEdit->setText(QString::fromStdString(hh));
    minutesEdit->setText(QString::fromStdString(mm));
    secondsEdit->setText(QString::fromStdString(ss));
}

void SplitSettingsPanel::onPrepareClicked() {
    PrepareInput in;
    in.mode = st_.SplitMode;
    in.parts = partsSpin->value();
    in.timeHH = hoursEdit->text().toStdString();
    in.timeMM = minutesEdit->text().toStdString();
    in.timeSS = secondsEdit->text().toStdString();
    in.nearLength = nearLengthEdit->text().trimmed().toStdString();
    in.nearTolerance = toleranceSpin->value();
    const PrepareOutcome out = doc_.Prepare(in);
    // Emptied edits read "0" and "00" from now on.
    if (QString::fromStdString(in.timeHH) != hoursEdit->text())
        hoursEdit->setText(QString::fromStdString(in.timeHH));
    if (QString::fromStdString(in.timeMM) != minutesEdit->text())
        minutesEdit->setText(QString::fromStdString(in.timeMM));
    if (QString::fromStdString(in.timeSS) != secondsEdit->text())
        secondsEdit->setText(QString::fromStdString(in.timeSS));
    if (!out.message.empty()) {
        dialogs_.showMessage(this, CoreText(out.message));
        return;
    }
    if (out.acted)
        emit partsPrepared();
}

} // namespace tessivo
