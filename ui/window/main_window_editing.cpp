// The editing side of the main window: the split settings panel, the part
// list with its context menu, the tag panel, the split dialog, the mouse on
// the waveform and the keyboard shortcuts, and how they reach each other.
#include "ui/window/main_window.h"

#include "ui/output/confirm_dialog.h"
#include "ui/output/tag_panel.h"
#include "core/parts/cut_lines.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/view/wave_mouse.h"

#include <QAction>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace tessivo {

namespace {

// Puts `w` into `frame`, filling it.
void Fill(QFrame* frame, QWidget* w) {
    auto* box = new QVBoxLayout(frame);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(w);
}

} // namespace

void TForm1::CreateEditingControls() {
    SplitSettings = new SplitSettingsPanel(st_, dialogs_, PanelLeft);
    Fill(PanelLeft, SplitSettings);
    PartList = new PartListView(st_, PanelList);
    ListView1 = PartList;
    Tags = new TagPanel(st_, PanelTags);
    Fill(PanelTags, Tags);
    PMenu = new PartPopupMenu(st_, *PartList, this);
    FormConfirm = new ConfirmDialog(st_, dialogs_, this);

    connect(SplitSettings, &SplitSettingsPanel::partsPrepared, this, [this] {
        RefreshPartList();
        DrawWaveView();
    });
    connect(SplitSettings, &SplitSettingsPanel::clearRequested, this, &TForm1::ClearCutLines);

    connect(PartList, &PartListView::showPartTags, this, &TForm1::ShowPartTags);
    connect(PartList, &PartListView::viewChanged, this, &TForm1::DrawWaveView);
    connect(PartList, &PartListView::playPartRequested, this,
            [this](int k) { PlayPart(k, PlayStartKind::PartStart); });

    // The list shows the stored title, artist and album at once.
    connect(Tags, &TagPanel::tagsStored, this, [this] { RefreshPartList(); });

    connect(PMenu, &PartPopupMenu::playPartRequested, this,
            [this](int k) { PlayPart(k, PlayStartKind::PartStart); });
    connect(PMenu, &PartPopupMenu::stopRequested, this, &TForm1::SpdBtnStopClick);
    connect(PMenu, &PartPopupMenu::clearRequested, this, &TForm1::ClearCutLines);
    connect(PMenu, &PartPopupMenu::splitRequested, this, [this] {
        if (!busy_)
            FormConfirm->exec();
    });
    connect(PMenu, &PartPopupMenu::explorerRequested, this, &TForm1::menuExplorerClick);
    connect(PMenu, &PartPopupMenu::viewChanged, this, &TForm1::DrawWaveView);
    // A right click anywhere in the window opens it; edit boxes keep their own.
    Client->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Client, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!busy_)
            PMenu->popup(Client->mapToGlobal(pos));
    });

    connect(FormConfirm, &ConfirmDialog::statusText, this,
            [this](const QString& text) { LabStatus->setText(text); });
    connect(FormConfirm, &ConfirmDialog::partsWritten, this, &TForm1::RefreshPartList);

    WaveMouseHooks hooks;
    hooks.DrawWaveView = [this] { DrawWaveView(); };
    hooks.ShowTimeLabels = [this](double s) { ShowTimeLabels(s); };
    hooks.RefreshPartList = [this] { RefreshPartList(); };
    hooks.UpdatePartStatus = [this](int k) { PartList->UpdatePartStatus(k); };
    hooks.SelectListRow = [this](int k) { PartList->SelectPart(k); };
    hooks.PlayFrom = [this](int n, PlayStartKind kind) { PlayPart(n, kind); };
    hooks.StopPlayback = [this] { StopPlayback(); };
    hooks.OpenFile = [this] { menuOpenClick(); };
    hooks.SetCursor = [this](Qt::CursorShape shape) { View->setCursor(shape); };
    Mouse = new WaveMouse(st_, geom_, std::move(hooks), this);

    // Keyboard: Space plays or stops, Ctrl+S splits, + and - zoom. Edit boxes
    // keep the keys they type.
    menuSplit->setShortcut(QKeySequence::Save);
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, this, [this] {
        if (st_.IsPlaying)
            SpdBtnStopClick();
        else
            SpdBtnPlayClick();
    });
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal),
                                    QKeySequence(Qt::KeypadModifier | Qt::Key_Plus)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &TForm1::SpdBtnIncClick);
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Minus), QKeySequence(Qt::KeypadModifier | Qt::Key_Minus)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &TForm1::SpdBtnDecClick);
    SpdBtnPlay->setToolTip(QStringLiteral("Play (Space)"));
    SpdBtnStop->setToolTip(QStringLiteral("Stop (Space)"));
    SpdBtnSplit->setToolTip(QStringLiteral("Split & Save"));
    SpdBtnInc->setToolTip(QStringLiteral("Zoom In Time"));
    SpdBtnDec->setToolTip(QStringLiteral("Zoom Out Time"));
}

void TForm1::ClearCutLines() {
    if (busy_ || st_.Duration == 0)
        return;
    if (st_.IsPlaying)
        StopPlayback();
    ResetToOnePart(st_);
    RefreshPartList();
    DrawWaveView();
    DrawLevelMeter();
    ShowPartTags(1);
}

} // namespace tessivo
