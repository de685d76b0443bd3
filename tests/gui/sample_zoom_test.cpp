// The waveform's zoom levels below one frame per column: the decoded samples
// it draws there, cut lines dragged or double-clicked to the sample under the
// pointer (gapless parts, or Ctrl held) or to the frame grid (plain parts),
// and a typed cut time that keeps its sample.
#include "core/analysis/time_base.h"
#include "core/parts/part_access.h"
#include "core/parts/part_times.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "tests/gui/window_parts.h"
#include "ui/parts/part_list_view.h"
#include "ui/window/main_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::FindPart;
using tessivo::testing::Fixture;

// What the mpg123 program decodes, nothing trimmed and the Info frame
// decoded as audio: the untrimmed decoder output the time base counts from.
std::vector<int16_t> Mpg123Samples(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("mpg123"),
            {QStringLiteral("-q"), QStringLiteral("--no-gapless"), QStringLiteral("--no-infoframe"),
             QStringLiteral("-e"), QStringLiteral("s16"), QStringLiteral("-s"), path});
    p.waitForFinished(60000);
    const QByteArray out = p.readAllStandardOutput();
    std::vector<int16_t> pcm(static_cast<size_t>(out.size()) / 2);
    std::memcpy(pcm.data(), out.constData(), pcm.size() * 2);
    return pcm;
}

class SampleZoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        win = tessivo::testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_TRUE(win);
        Open("vbr_stereo.mp3"); // 3 s, 44.1 kHz: 1152 samples a frame
    }
    void Open(const char* name) {
        dialogs.openFileAnswer = Fixture(name);
        win->onOpenTriggered();
        win->waitForOpen();
        ASSERT_TRUE(st.FileLoaded);
        tb = TimeBaseOf(st);
        ASSERT_GT(tb.samples, 0);
    }
    void TearDown() override { tessivo::testing::CloseTestWindow(win, dialogs); }

    const ViewGeometry& G() const { return win->viewGeometry(); }
    FrameMapping M() const { return FrameMapping(G(), st); }
    // All the way in, the view at `frame`.
    void ZoomInFully(int32_t frame) {
        for (int i = 0; i < 30; ++i)
            win->onZoomInClicked();
        st.ViewFirstFrame = frame;
        win->drawWaveView();
    }
    // The sample under client x, worked out from the time base.
    int64_t SampleUnder(int x) const {
        const double perColumn = tb.samplesPerFrame * FramesPerColumn(st);
        return FrameStartSample(tb, st.ViewFirstFrame) +
               std::llround(std::nearbyint((x - G().waveLeft) * perColumn));
    }
    int LineX(int k) const { return static_cast<int>(G().waveLeft + CutLineColumn(M(), st, k)); }
    void Drag(int from, int to, Qt::KeyboardModifiers mods = {}) {
        QTest::mousePress(win->waveView(), Qt::LeftButton, mods, QPoint(from, 100));
        // QTest::mouseMove carries no keys: the moves are sent as events.
        for (int x : {(from + to) / 2, to}) {
            QMouseEvent move(QEvent::MouseMove, QPointF(x, 100),
                             win->waveView()->mapToGlobal(QPointF(x, 100)), Qt::NoButton,
                             Qt::LeftButton, mods);
            QApplication::sendEvent(win->waveView(), &move);
        }
        QTest::mouseRelease(win->waveView(), Qt::LeftButton, mods, QPoint(to, 100));
        SettleClicks(win);
        win->stopPlayback();
    }

    QTemporaryDir dir;
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
    TimeBase tb;
};

TEST_F(SampleZoomTest, TheDeepestZoomShowsAFewSamplesPerColumnAsDecoded) {
    EXPECT_TRUE(win->waveView()->toolTip().isEmpty()); // frames shown
    ZoomInFully(40);
    EXPECT_EQ(st.ZoomLevel, kFinestZoomLevel);
    EXPECT_EQ(st.ViewFirstFrame, 40);
    const FrameMapping m = M();
    ASSERT_TRUE(m.showsSamples());
    EXPECT_DOUBLE_EQ(m.samplesPerColumn(), 4.5);
    EXPECT_EQ(m.columnToSample(2) - m.columnToSample(0), 9);

    // Each column spans the extremes of its own samples, as mpg123 decodes them.
    const std::vector<int16_t> pcm = Mpg123Samples(Fixture("vbr_stereo.mp3"));
    const QImage& pic = win->waveView()->waveBitmap;
    const int ch = st.ChannelCount;
    int checked = 0, spanning = 0;
    for (int i = 200; i < 260; ++i) {
        int16_t lo = INT16_MAX, hi = INT16_MIN;
        for (int64_t s = m.columnToSample(i); s < m.columnToSample(i + 1); ++s) {
            const auto at = static_cast<size_t>((s + tb.zeroSample) * ch);
            ASSERT_LT(at, pcm.size());
            lo = std::min(lo, pcm[at]);
            hi = std::max(hi, pcm[at]);
        }
        const int zero = ch > 1 ? G().waveQuarter : G().waveHalf;
        const int64_t top = zero - std::llround(hi * G().waveScale);
        const int64_t bottom = zero - std::llround(lo * G().waveScale);
        int first = -1, last = -1;
        for (int y = 1; y < (ch > 1 ? G().waveHalf : G().waveBottom); ++y) {
            const QColor c = pic.pixelColor(i, y);
            if (c == QColor(50, 50, 80) || c == QColor(30, 30, 130)) {
                first = first < 0 ? y : first;
                last = y;
            }
        }
        ASSERT_GE(first, 0) << "column " << i;
        EXPECT_NEAR(first, top, 1) << "column " << i;
        EXPECT_NEAR(last, bottom, 1) << "column " << i;
        ++checked;
        spanning += bottom - top > 3;
    }
    EXPECT_EQ(checked, 60);
    EXPECT_GT(spanning, 10); // the stretch is not silence
}

TEST_F(SampleZoomTest, GaplessDragPlacesTheCutAtTheSampleUnderThePointer) {
    win->document().SetGapless(true);
    ZoomInFully(40);
    EXPECT_TRUE(win->waveView()->toolTip().contains(QStringLiteral("Gapless parts")));
    ASSERT_TRUE(win->document().AddCutLine(42));
    win->drawWaveView();
    const int from = LineX(2);
    ASSERT_EQ(from, G().waveLeft + 2 * 256);
    const int to = from + 123;
    Drag(from, to);
    EXPECT_EQ(PartCutSample(st, 2), SampleUnder(to));
    EXPECT_EQ(PartFirstFrame(st, 2), NearestFrameToSample(tb, SampleUnder(to)));
    // Drawn where it lies: at its sample, not at its frame's start.
    EXPECT_EQ(LineX(2), to);
    EXPECT_EQ(win->waveView()->waveBitmap.pixelColor(to - G().waveLeft, 60), QColor(100, 100, 255));
    // The selected part's band starts there too.
    win->document().SelectPart(2);
    win->drawWaveView();
    EXPECT_EQ(win->waveView()->waveBitmap.pixelColor(to - G().waveLeft + 20, 2), QColor(Qt::white));
    EXPECT_NE(win->waveView()->waveBitmap.pixelColor(to - G().waveLeft - 20, 2), QColor(Qt::white));

    // A double click adds a line at the sample as well.
    const int add = G().waveLeft + 3 * 256 + 77;
    const QPoint p(add, 100);
    QTest::mousePress(win->waveView(), Qt::LeftButton, {}, p);
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(win->waveView(), Qt::LeftButton, {}, p);
    QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
    SettleClicks(win);
    win->stopPlayback();
    ASSERT_EQ(PartCount(st), 3);
    EXPECT_EQ(PartCutSample(st, 3), SampleUnder(add));
}

TEST_F(SampleZoomTest, PlainDragSnapsToTheFrameGridUnlessCtrlIsHeld) {
    ASSERT_FALSE(st.IsGapless);
    ZoomInFully(40);
    EXPECT_TRUE(win->waveView()->toolTip().contains(QStringLiteral("Ctrl+drag")));
    ASSERT_TRUE(win->document().AddCutLine(42));
    win->drawWaveView();
    const int to = LineX(2) + 300; // 1.17 frames on
    Drag(LineX(2), to);
    EXPECT_EQ(PartCutSample(st, 2), -1);
    EXPECT_EQ(PartFirstFrame(st, 2), 43);
    EXPECT_EQ(LineX(2), G().waveLeft + 3 * 256);

    const int exact = LineX(2) + 41;
    Drag(LineX(2), exact, Qt::ControlModifier);
    EXPECT_EQ(PartCutSample(st, 2), SampleUnder(exact));
    EXPECT_EQ(LineX(2), exact);
}

TEST_F(SampleZoomTest, ATypedCutTimeKeepsItsSampleAndTheListShowsMilliseconds) {
    Open("long65.mp3"); // 16 kHz
    win->document().SetGapless(true);
    ASSERT_TRUE(win->document().AddCutLine(200));
    win->document().SelectPart(2);
    auto* edit = FindPart<QLineEdit>(win, "partStartEdit");
    edit->setText(QStringLiteral("12.3456"));
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_EQ(PartCutSample(st, 2), std::llround(12.3456 * tb.rate));
    EXPECT_EQ(PartFirstFrame(st, 2), NearestFrameToSample(tb, PartCutSample(st, 2)));
    EXPECT_EQ(RowOf(win->partList(), 1)->text(2), QStringLiteral("00:12:346"));
    EXPECT_EQ(edit->text(), QStringLiteral("0:00:12.346"));
    // Its line sits at that sample once the view shows samples there.
    ZoomInFully(PartFirstFrame(st, 2) - 1);
    EXPECT_EQ(CutLineColumn(M(), st, 2), M().sampleToColumn(PartCutSample(st, 2)));
    EXPECT_NE(CutLineColumn(M(), st, 2), M().frameToColumn(PartFirstFrame(st, 2)));
}

} // namespace
} // namespace tessivo
