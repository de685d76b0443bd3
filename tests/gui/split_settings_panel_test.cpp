// The "Split Settings" panel driven by real key presses and clicks.
#include "ui/parts/split_settings_panel.h"

#include "core/cutting/cutting_mode.h"
#include "core/parts/part_access.h"

#include "core/parts/cut_lines.h"
#include "tests/fakes/fake_user_dialogs.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace tessivo {
namespace {

// A file of `seconds` of 1152-sample frames at 44100 Hz, opened as one part.
void LoadFile(ProgramState& st, double seconds) {
    st.FrameDuration = 1152.0 / 44100.0;
    st.SamplesPerFrame = 1152;
    st.HeaderSampleRate = 44100;
    st.FrameCount = static_cast<uint32_t>(seconds / st.FrameDuration);
    st.Duration = seconds;
    st.FileLoaded = true;
    st.PeakMaxL.assign(st.FrameCount, 0);
    st.PeakMaxR.assign(st.FrameCount, 0);
    ResetToOnePart(st, st);
}

class SplitSettingsPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        panel = std::make_unique<SplitSettingsPanel>(doc, dialogs);
        panel->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    }
    void ClickRadio(QRadioButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5)); }
    void Retype(QLineEdit* e, const char* keys) {
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, keys);
    }
    QColor PrepareCaption() const {
        return panel->prepareButton->palette().color(QPalette::ButtonText);
    }

    ProgramState st;
    Document doc{st};
    testing::FakeUserDialogs dialogs;
    std::unique_ptr<SplitSettingsPanel> panel;
};

TEST_F(SplitSettingsPanelTest, StartsVisualWithEveryInputDisabledAndGreyPrepare) {
    EXPECT_TRUE(panel->visualRadio->isChecked());
    EXPECT_EQ(panel->title(), "Split Settings");
    EXPECT_EQ(panel->partsSpin->value(), 2);
    EXPECT_EQ(panel->minutesEdit->text(), "00");
    EXPECT_EQ(panel->secondsEdit->text(), "01");
    for (QWidget* w :
         {static_cast<QWidget*>(panel->partsSpin), static_cast<QWidget*>(panel->minutesEdit),
          static_cast<QWidget*>(panel->secondsEdit), static_cast<QWidget*>(panel->thresholdSpin),
          static_cast<QWidget*>(panel->pauseSpin)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(panel->prepareButton->isEnabled());
    EXPECT_EQ(PrepareCaption(), QColor(100, 100, 100));
    EXPECT_EQ(panel->prepareButton->toolTip(), "Prepare Cut Lines");
    EXPECT_EQ(panel->clearButton->toolTip(), "Clear Cut Lines");
}

TEST_F(SplitSettingsPanelTest, HasOneButtonForEachModeRegisteredForThePanel) {
    LoadFile(st, 150.0);
    panel->updateSplitControls();
    const QList<QRadioButton*> radios = panel->findChildren<QRadioButton*>();
    const std::vector<const CuttingMode*> modes = CuttingModesOffered(kInSplitPanel);
    ASSERT_EQ(radios.size(), static_cast<qsizetype>(modes.size()));
    std::vector<std::string> chosen;
    for (QRadioButton* radio : radios) {
        if (!radio->isEnabled())
            continue; // chapters: the file has none
        ClickRadio(radio);
        ASSERT_NE(CuttingModeByKey(st.SplitMode), nullptr);
        EXPECT_TRUE(CuttingModeByKey(st.SplitMode)->Offered(kInSplitPanel));
        chosen.push_back(st.SplitMode);
    }
    std::vector<std::string> offered;
    for (const CuttingMode* mode : modes)
        if (mode->key != kChaptersKey)
            offered.emplace_back(mode->key);
    std::sort(chosen.begin(), chosen.end());
    std::sort(offered.begin(), offered.end());
    EXPECT_EQ(chosen, offered);
}

TEST_F(SplitSettingsPanelTest, RadioButtonsEnableTheirInputsAndBlackenPrepareOnlyWithAFile) {
    ClickRadio(panel->byTimeRadio);
    EXPECT_EQ(st.SplitMode, "time");
    EXPECT_TRUE(panel->minutesEdit->isEnabled());
    EXPECT_TRUE(panel->secondsEdit->isEnabled());
    EXPECT_FALSE(panel->partsSpin->isEnabled());
    EXPECT_EQ(PrepareCaption(), QColor(100, 100, 100)); // no file yet

    LoadFile(st, 150.0);
    ClickRadio(panel->bySilenceRadio);
    EXPECT_EQ(st.SplitMode, "silence");
    EXPECT_TRUE(panel->thresholdSpin->isEnabled());
    EXPECT_TRUE(panel->pauseSpin->isEnabled());
    EXPECT_FALSE(panel->minutesEdit->isEnabled());
    EXPECT_EQ(PrepareCaption(), QColor(Qt::black));

    ClickRadio(panel->visualRadio);
    EXPECT_EQ(PrepareCaption(), QColor(100, 100, 100));
}

TEST_F(SplitSettingsPanelTest, EqualPartsShowTheirPartTimeAndTheSpinBoxTakesTypedNumbers) {
    LoadFile(st, 150.0);
    ClickRadio(panel->byPartsRadio);
    // 150 s in two parts: 75 s each.
    EXPECT_EQ(panel->minutesEdit->text(), "01");
    EXPECT_EQ(panel->secondsEdit->text(), "15");
    panel->partsSpin->setFocus();
    QTest::keyClick(panel->partsSpin, Qt::Key_Up);
    EXPECT_EQ(panel->partsSpin->value(), 3);
    EXPECT_EQ(panel->minutesEdit->text(), "00");
    EXPECT_EQ(panel->secondsEdit->text(), "50");
    panel->partsSpin->selectAll();
    QTest::keyClicks(panel->partsSpin, "9");
    EXPECT_EQ(panel->partsSpin->value(), 9);
}

TEST_F(SplitSettingsPanelTest, TimeEditsTakeDigitsOnlyAndKeepEveryDigit) {
    ClickRadio(panel->byTimeRadio);
    QLineEdit* ss = panel->secondsEdit;
    Retype(ss, "7a5");
    EXPECT_EQ(ss->text(), "75");
    Retype(ss, "0x7");
    EXPECT_EQ(ss->text(), "07");
    // No length limit: a 7 typed after "01" gives "017", read as 17.
    ss->setText("01");
    ss->setFocus();
    ss->end(false);
    QTest::keyClick(ss, Qt::Key_7);
    EXPECT_EQ(ss->text(), "017");
    EXPECT_EQ(ss->cursorPosition(), 3);
}

// 90 minutes and 75 seconds carry over when the box is left; a time of
// 1000 hours is refused with a word, the digits kept.
TEST_F(SplitSettingsPanelTest, EqualTimeBoxesCarryOverOrSayWhy) {
    ClickRadio(panel->byTimeRadio);
    panel->hoursEdit->setText("0");
    panel->minutesEdit->setText("90");
    panel->secondsEdit->setText("75");
    emit panel->secondsEdit->editingFinished();
    EXPECT_EQ(panel->hoursEdit->text(), "1");
    EXPECT_EQ(panel->minutesEdit->text(), "31");
    EXPECT_EQ(panel->secondsEdit->text(), "15");
    EXPECT_TRUE(dialogs.messages.isEmpty());
    panel->hoursEdit->setText("999");
    panel->minutesEdit->setText("60");
    emit panel->minutesEdit->editingFinished();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "Incorrect time value!");
    EXPECT_EQ(panel->minutesEdit->text(), "60");
}

TEST_F(SplitSettingsPanelTest, PastedTextThatIsNotANumberIsRefused) {
    ClickRadio(panel->byTimeRadio);
    QLineEdit* mm = panel->minutesEdit;
    mm->setText("12");
    mm->setFocus();
    mm->selectAll();
    QApplication::clipboard()->setText("ab1");
    QTest::keyClick(mm, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(mm->text(), "12");
    // A paste the clipboard may not carry offscreen: insert the text directly.
    mm->selectAll();
    mm->insert("-4");
    EXPECT_EQ(mm->text(), "12");
    mm->selectAll();
    mm->insert("99999999999999999999999");
    EXPECT_EQ(mm->text(), "12");
    mm->selectAll();
    mm->insert("45");
    EXPECT_EQ(mm->text(), "45");
}

TEST_F(SplitSettingsPanelTest, PrepareByTimeShowsEachMessageAndLeavesTheTableAlone) {
    LoadFile(st, 600.0);
    ClickRadio(panel->byTimeRadio);
    QSignalSpy prepared(panel.get(), &SplitSettingsPanel::partsPrepared);

    panel->minutesEdit->clear();
    panel->secondsEdit->clear();
    QTest::mouseClick(panel->prepareButton, Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.last(), "Input time value!");
    EXPECT_EQ(panel->minutesEdit->text(), "00");
    EXPECT_EQ(panel->secondsEdit->text(), "00");

    panel->minutesEdit->setText("10");
    QTest::mouseClick(panel->prepareButton, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages.last(), "Incorrect time value!");

    panel->minutesEdit->setText("00");
    panel->secondsEdit->setText("01");
    QTest::mouseClick(panel->prepareButton, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages.last(), "Too much parts (600) !\nPlease, increase the time value!");
    EXPECT_EQ(dialogs.messages.size(), 3);
    EXPECT_EQ(prepared.count(), 0);
    EXPECT_EQ(PartCount(st), 1);

    panel->minutesEdit->setText("01");
    panel->secondsEdit->setText("00");
    st.SelectedPart = 1;
    QTest::mouseClick(panel->prepareButton, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages.size(), 3);
    EXPECT_EQ(prepared.count(), 1);
    EXPECT_EQ(PartCount(st), 10);
    EXPECT_EQ(st.SelectedPart, 0);
    const int32_t step = PartFirstFrame(st, 2);
    EXPECT_NEAR(step * st.FrameDuration, 60.0, st.FrameDuration);
}

TEST_F(SplitSettingsPanelTest, PrepareWithoutAFileOrUnderTwoSecondsDoesNothing) {
    QSignalSpy prepared(panel.get(), &SplitSettingsPanel::partsPrepared);
    ClickRadio(panel->byPartsRadio);
    QTest::mouseClick(panel->prepareButton, Qt::LeftButton);
    LoadFile(st, 1.9);
    QTest::mouseClick(panel->prepareButton, Qt::LeftButton);
    EXPECT_EQ(prepared.count(), 0);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(PartCount(st), 1);
}

TEST_F(SplitSettingsPanelTest, PrepareInEqualPartsAndVisualModes) {
    LoadFile(st, 150.0);
    QSignalSpy prepared(panel.get(), &SplitSettingsPanel::partsPrepared);
    ClickRadio(panel->byPartsRadio);
    panel->partsSpin->setValue(4);
    QTest::mouseClick(panel->prepareButton, Qt::LeftButton);
    EXPECT_EQ(prepared.count(), 1);
    EXPECT_EQ(PartCount(st), 4);
    for (int k = 1; k <= 4; ++k)
        EXPECT_TRUE(PartTicked(st, k));

    // Visual: no cut line changes, but the selection is cleared and the list
    // is rebuilt.
    ClickRadio(panel->visualRadio);
    st.SelectedPart = 2;
    QTest::mouseClick(panel->prepareButton, Qt::LeftButton);
    EXPECT_EQ(prepared.count(), 2);
    EXPECT_EQ(PartCount(st), 4);
    EXPECT_EQ(st.SelectedPart, 0);
}

TEST_F(SplitSettingsPanelTest, SilenceSpinBoxesFollowTheSettingsAndWriteThemBack) {
    st.SilenceThreshold = 25;
    st.SilenceRelease = 1400;
    panel->showSilenceSettings();
    EXPECT_EQ(panel->thresholdSpin->value(), 25);
    EXPECT_EQ(panel->pauseSpin->value(), 1400);
    ClickRadio(panel->bySilenceRadio);
    panel->pauseSpin->setFocus();
    QTest::keyClick(panel->pauseSpin, Qt::Key_Up);
    EXPECT_EQ(st.SilenceRelease, 1600);
    panel->thresholdSpin->setFocus();
    QTest::keyClick(panel->thresholdSpin, Qt::Key_Down);
    EXPECT_EQ(st.SilenceThreshold, 24);
}

TEST_F(SplitSettingsPanelTest, ClearAsksTheWindowToClearTheCutLines) {
    QSignalSpy clear(panel.get(), &SplitSettingsPanel::clearRequested);
    QTest::mouseClick(panel->clearButton, Qt::LeftButton);
    EXPECT_EQ(clear.count(), 1);
}

} // namespace
} // namespace tessivo
