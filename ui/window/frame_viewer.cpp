#include "ui/window/frame_viewer.h"

#include "ui/view/wave_renderer.h"

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
        lines << QStringLiteral("TagV1.");
    if (st.HasId3v2) {
        lines << QStringLiteral("TagV2.");
        lines << QStringLiteral("TAGV.2 Size - ") + QString::number(st.Id3v2Size);
    }
    lines << QStringLiteral("First Frame Pos - ") + QString::number(st.FirstFramePos);
    lines << QStringLiteral("Real Frames - ") + QString::number(st.FrameCount);
    lines << QStringLiteral("Count Frames-") + QString::number(st.IndexedFrames);
    lines << QStringLiteral("FrameTime - ") +
                 QString::number(st.FrameDuration, 'g', QLocale::FloatingPointShortest);
    lines << QStringLiteral("FrameLength - ") + QString::number(st.FrameLength);
    return lines;
}

TFormViewer::TFormViewer(const ProgramState& st, QWidget* parent) : QDialog(parent), st_(st) {
    setObjectName(QStringLiteral("FormViewer"));
    setWindowTitle(QStringLiteral("FormViewer"));
    resize(934, 697);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, BackColor);
    setPalette(pal);
    setAutoFillBackground(true);

    SGrid1 = new QTableWidget(this);
    SGrid1->setGeometry(22, 30, 681, 555);
    SGrid1->setColumnCount(10);
    SGrid1->verticalHeader()->setDefaultSectionSize(16);
    SGrid1->verticalHeader()->hide();
    SGrid1->horizontalHeader()->hide();
    SGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette gridPal = SGrid1->palette();
    gridPal.setColor(QPalette::Base, QColor(251, 244, 221));
    SGrid1->setPalette(gridPal);

    BtnClose = new QPushButton(QStringLiteral("Close"), this);
    BtnClose->setGeometry(332, 612, 73, 23);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::close);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(712, 30, 187, 295);
    Memo1->setReadOnly(true);
}

void TFormViewer::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TFormViewer::FormShow() {
    SGrid1->clearContents();
    SGrid1->setRowCount(1004);
    const char* headings[10] = {"FrmPos", "FLength", "b1",     "b2",     "b3",
                                "b4",     "gain11",  "gain21", "gain12", "gain22"};
    for (int c = 0; c < 10; ++c)
        SGrid1->setItem(0, c, new QTableWidgetItem(QString::fromLatin1(headings[c])));

    // Only frames the index filled are shown; the rest stay empty.
    const int64_t filled =
        std::min<int64_t>(int64_t{st_.IndexedFrames}, int64_t(st_.FramePos.size()));
    const int64_t rows = std::min<int64_t>(filled, kViewerRows);
    auto cell = [this](int row, int col, int64_t v) {
        SGrid1->setItem(row, col, new QTableWidgetItem(QString::number(v)));
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
    }
    Memo1->setPlainText(ViewerSummary(st_).join(QLatin1Char('\n')));
}

} // namespace tessivo
