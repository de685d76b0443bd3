// The "Split Settings" panel (splitFrame_): how cut lines are placed, by hand or
// automatically, with Prepare and Clear.
#pragma once

#include "core/document/document.h"

#include <QGroupBox>
#include <QString>

#include <string_view>
#include <utility>
#include <vector>

class QGridLayout;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;

namespace tessivo {

struct CuttingMode;
class UserDialogs;

class SplitSettingsPanel : public QGroupBox {
    Q_OBJECT
public:
    SplitSettingsPanel(Document& doc, UserDialogs& dialogs, QWidget* parent = nullptr);
    // The time edits lose the focus while they are deleted: they no longer
    // reach the panel then.
    ~SplitSettingsPanel() override;

    // Enables the inputs of the chosen mode; Prepare's caption is black only
    // when a mode other than Visual is chosen and a file is loaded.
    void updateSplitControls();
    // Shows in the time edits how long each of n equal parts is.
    void showEqualPartTime(int n);
    // After an open: the parts box back to `parts` (2) and its part time shown.
    void resetForOpenedFile(int parts = 2);
    // Puts SilenceThreshold and SilenceRelease into their spin boxes.
    void showSilenceSettings();

    void onPrepareClicked();

    // The mode buttons with fields of their own (the others are only in
    // modeRadios_).
    QRadioButton* visualRadio = nullptr;
    QRadioButton* byPartsRadio = nullptr;
    QRadioButton* byTimeRadio = nullptr;
    QRadioButton* bySilenceRadio = nullptr;
    QRadioButton* nearPausesRadio = nullptr;
    QRadioButton* chaptersRadio = nullptr; // enabled only when the open file has chapters
    QSpinBox* partsSpin;
    QLineEdit* hoursEdit;
    QLineEdit* minutesEdit;
    QLineEdit* secondsEdit;
    QSpinBox* thresholdSpin;
    QSpinBox* pauseSpin;
    QLineEdit* nearLengthEdit; // H:MM:SS
    QSpinBox* toleranceSpin;   // percent of the length
    QToolButton* prepareButton;
    QToolButton* clearButton;

signals:
    // The cut-line table was replaced: refresh the part list and redraw.
    void partsPrepared();
    // clearCutLines asked for (the window owns it: it also stops playback).
    void clearRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createModeButtons();
    void createInputs();
    void layOutControls();
    void layOutOtherModes(QGridLayout* grid, int row);
    void connectControls();
    void setMode(std::string_view key);
    void onTimeEdited(QLineEdit* edit);
    // The equal-time boxes carried over (90 min: 1 h 30 min), or a message
    // when they hold 1000 hours or more.
    void normaliseEqualTime();

    Document& doc_;
    const ProgramState& st_;
    UserDialogs& dialogs_;
    QString lastHours_;
    QString lastMinutes_;
    QString lastSeconds_;
    bool timeRefusalShown_ = false;
    // The mode buttons, in the registry's order.
    std::vector<std::pair<const CuttingMode*, QRadioButton*>> modeRadios_;
};

} // namespace tessivo
