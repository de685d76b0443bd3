#include "ui/window/frame_viewer.h"

#include "core/analysis/frame_viewer_data.h"
#include "ui/view/wave_renderer.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace tessivo {

QStringList ViewerSummary(const ProgramState& st) {
    QStringList lines;
    if (st.HasId3v1)
        lines << FrameViewerWindow::tr("TagV1.");
    if (st.HasId3v2) {
        lines << FrameViewerWindow::tr("TagV2.");
        lines << FrameViewerWindow::tr("TAGV.2 Size - ") + QString::number(st.Id3v2Size);
    }
    lines << FrameViewerWindow::tr("First Frame Pos - ") + QString::number(st.FirstFramePos);
    lines << FrameViewerWindow::tr("Real Frames - ") + QString::number(st.FrameCount);
    lines << FrameViewerWindow::tr("Count Frames-") + QString::number(st.IndexedFrames);
    lines << FrameViewerWindow::tr("FrameTime - ") +
                 QString::number(st.FrameDuration, 'g', QLocale::FloatingPointShortest);
    lines << FrameViewerWindow::tr("FrameLength - ") + QString::number(st.FrameLength);
    return lines;
}

FrameViewerWindow::FrameViewerWindow(const ProgramState& st, QWidget* parent)
    : QDialog(parent), st_(st) {
    setObjectName(QStringLiteral("frameViewer"));
    setWindowTitle(tr("FormViewer"));
    resize(934, 697);
    SetSchemeBackground(this, BackColor, BackgroundRoles::Window);

    frameTable = new QTableWidget(this);
    frameTable->setColumnCount(kViewerColumns);
    frameTable->verticalHeader()->setDefaultSectionSize(16);
    frameTable->verticalHeader()->hide();
    frameTable->horizontalHeader()->hide();
    frameTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SetSchemeBackground(frameTable, QColor(251, 244, 221), BackgroundRoles::Base);

    closeButton = new QPushButton(tr("Close"), this);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);

    summaryText = new QPlainTextEdit(this);
    summaryText->setReadOnly(true);
    summaryText->setMinimumWidth(187);

    // The frame table and the summary side by side, Close below them.
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(closeButton, QDialogButtonBox::RejectRole);
    buttons->setCenterButtons(true);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(22, 30, 22, 20);
    grid->addWidget(frameTable, 0, 0, 2, 1);
    grid->addWidget(summaryText, 0, 1);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);
    grid->addWidget(buttons, 2, 0, 1, 2);
}

void FrameViewerWindow::showEvent(QShowEvent* e) {
    prepareToShow();
    QDialog::showEvent(e);
}

void FrameViewerWindow::prepareToShow() {
    frameTable->clearContents();
    frameTable->setRowCount(1004);
    // The recorded bytes, then each granule's global gain as the side
    // information holds it (channels as "210/208"), where a fade shows.
    const char* headings[kViewerColumns] = {"FrmPos", "FLength", "b1",     "b2",     "b3",  "b4",
                                            "gain11", "gain21",  "gain12", "gain22", "gr1", "gr2"};
    for (int c = 0; c < kViewerColumns; ++c)
        frameTable->setItem(0, c, new QTableWidgetItem(QString::fromLatin1(headings[c])));

    // Only frames the index filled are shown; the rest stay empty.
    const int64_t filled =
        std::min<int64_t>(int64_t{st_.IndexedFrames}, int64_t(st_.FramePos.size()));
    const int64_t rows = std::min<int64_t>(filled, kViewerRows);
    auto cell = [this](int row, int col, int64_t v) {
        frameTable->setItem(row, col, new QTableWidgetItem(QString::number(v)));
    };
    const std::vector<uint8_t>* tables[8] = {
        &st_.ViewerB1,     &st_.ViewerB2,     &st_.ViewerB3,     &st_.ViewerB4,
        &st_.ViewerGain11, &st_.ViewerGain21, &st_.ViewerGain12, &st_.ViewerGain22};
    for (int64_t i = 0; i < rows; ++i) {
        const int row = int(i + 1);
        cell(row, 0, uint32_t(st_.FramePos[size_t(i)]));
        if (i + 1 < filled)
            cell(row, 1, uint32_t(st_.FramePos[size_t(i + 1)] - st_.FramePos[size_t(i)]));
        for (int c = 0; c < 8; ++c)
            if (size_t(i) < tables[c]->size())
                cell(row, 2 + c, (*tables[c])[size_t(i)]);
        const std::vector<std::string> gains = GranuleGainTexts(st_, st_, int32_t(i));
        for (size_t g = 0; g < gains.size(); ++g)
            frameTable->setItem(row, 10 + int(g),
                                new QTableWidgetItem(QString::fromStdString(gains[g])));
    }
    summaryText->setPlainText(ViewerSummary(st_).join(QLatin1Char('\n')));
}

} // namespace tessivo
