// The waveform picture and the level meter, read back pixel by pixel.
#include "ui/view/wave_renderer.h"

#include "core/analysis/time_base.h"

#include "core/analysis/open_file.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_access.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace tessivo {
namespace {

const QColor kBeyondAudio(185, 178, 165);
const QColor kAudio(215, 208, 195);
const QColor kColumn(50, 50, 80);
const QColor kColumnSelected(30, 30, 130);
const QColor kZeroLine(130, 130, 130);
const QColor kMiddleLine(100, 100, 100);

QColor At(const QImage& img, int x, int y) {
    return QColor(img.pixel(x, y));
}

QImage Render(const ProgramState& st, const ViewGeometry& g,
              const ColourScheme& cs = ColourScheme()) {
    QImage img = MakeWaveBitmap(g);
    QPainter p(&img);
    RenderStyle style;
    style.images = &MarkImagesFor(cs);
    style.colours = cs;
    RenderWaveView(p, st, g, style);
    return img;
}

QImage RenderMeter(const ProgramState& st, const ViewGeometry& g, int outerHeight) {
    QImage img = MakeMeterBitmap(g);
    QPainter p(&img);
    RenderLevelMeter(p, st, g, outerHeight);
    return img;
}

// Bounding box of the pixels of one exact colour.
QRect BoxOf(const QImage& img, const QColor& c) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (QColor(img.pixel(x, y)) == c)
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

std::unique_ptr<ProgramState> EmptyState() {
    auto st = std::make_unique<ProgramState>();
    st->ZoomLevel = 1;
    st->FrameDuration = 0.02612;
    return st;
}

// A fixture analysed and opened as one part.
std::unique_ptr<ProgramState> Opened(const char* name) {
    auto st = std::make_unique<ProgramState>();
    const OpenResult r = AnalyseFile(*st, *st, std::string(TESSIVO_FIXTURES) + "/" + name, true);
    EXPECT_TRUE(r.ok) << r.message;
    st->FileLoaded = true;
    st->ZoomLevel = 1;
    ResetToOnePart(*st, *st);
    return st;
}

TEST(WaveRenderer, EmptyViewFrameGuideLinesHintsAndStrip) {
    auto st = EmptyState();
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, 0, 0);
    const QImage img = Render(*st, g);
    const int w = g.waveBitmapWidth();
    const int wb = g.waveBottom;
    ASSERT_EQ(img.size(), QSize(940, 377));

    // One-pixel black frame around the darker area.
    EXPECT_EQ(At(img, 0, 40), QColor(Qt::black));
    EXPECT_EQ(At(img, w - 1, 40), QColor(Qt::black));
    EXPECT_EQ(At(img, 400, 0), QColor(Qt::black));
    EXPECT_EQ(At(img, 400, wb), QColor(Qt::black));
    EXPECT_EQ(At(img, 5, 40), kBeyondAudio);
    EXPECT_EQ(At(img, w - 2, wb - 1), kBeyondAudio);

    // Guide lines at a quarter, half and three quarters (away from the hints).
    for (int x : {1, 5, w - 5}) {
        EXPECT_EQ(At(img, x, g.waveQuarter), kZeroLine) << x;
        EXPECT_EQ(At(img, x, g.waveThreeQuarter), kZeroLine) << x;
        EXPECT_EQ(At(img, x, g.waveHalf), kMiddleLine) << x;
        EXPECT_EQ(At(img, x, g.waveHalf + 1), kBeyondAudio) << x;
    }

    // The first hint is centred in the width and sits above the middle.
    const QRect hint = BoxOf(img, QColor(128, 128, 128));
    ASSERT_FALSE(hint.isEmpty());
    EXPECT_LE(std::abs((hint.left() + hint.right()) / 2 - w / 2), 3);
    EXPECT_GT(hint.width(), 100);
    EXPECT_GT(hint.top(), 100);
    EXPECT_LT(hint.bottom(), g.waveHalf + 5);
    // The second starts 20 pixels further left, 40 pixels lower.
    const QRect usage = BoxOf(img, QColor(90, 90, 90));
    ASSERT_FALSE(usage.isEmpty());
    EXPECT_NEAR(usage.left(), hint.left() - 20, 3);
    EXPECT_NEAR(usage.top(), hint.top() + 40, 4);
    EXPECT_LT(usage.bottom(), wb);

    // The empty strip: BackColor inside a black outline.
    const int vb = g.viewBottom;
    EXPECT_EQ(At(img, 300, vb - 14), QColor(Qt::black));
    EXPECT_EQ(At(img, 300, vb - 3), QColor(Qt::black));
    EXPECT_EQ(At(img, 300, vb - 8), BackColor);
    EXPECT_EQ(At(img, 300, vb - 1), BackColor);
    EXPECT_EQ(At(img, 300, wb + 20), BackColor);

    // Ruler at level 1: a tick every second, a label every fifth.
    const auto col = [&](int s) { return int(std::llrint(s / st->FrameDuration)); };
    EXPECT_EQ(At(img, col(1), wb + 3), QColor(Qt::black));
    EXPECT_NE(At(img, col(1), wb + 4), QColor(Qt::black));
    EXPECT_EQ(At(img, col(5), wb + 9), QColor(Qt::black));
    EXPECT_NE(At(img, col(5), wb + 10), QColor(Qt::black));
    EXPECT_NE(At(img, col(5) + 3, wb + 1), QColor(Qt::black)); // between seconds
}

TEST(WaveRenderer, OpenedStereoFileExtentColumnsAndStrip) {
    auto st = Opened("cbr128_stereo.mp3");
    ASSERT_GT(st->FrameCount, 40u);
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, st->ChannelCount, st->FrameCount);
    const QImage img = Render(*st, g);
    const int n = int(st->FrameCount);

    // The lighter area covers columns 0 .. FrameCount - 1 at level 1, the
    // last of them its black outline.
    EXPECT_EQ(At(img, n - 2, 3), kAudio);
    EXPECT_EQ(At(img, n - 1, 3), QColor(Qt::black));
    EXPECT_EQ(At(img, n, 3), kBeyondAudio);
    // No column beyond the audio; no guide lines with a file open.
    EXPECT_EQ(At(img, n + 5, g.waveQuarter), kBeyondAudio);
    EXPECT_EQ(At(img, n + 5, g.waveHalf), kBeyondAudio);
    // No hints once a file is open.
    EXPECT_TRUE(BoxOf(img, QColor(128, 128, 128)).isEmpty());

    // Each column spans its frame's peaks around the channel's zero line.
    int checked = 0;
    for (int i = 1; i < n - 1; ++i) {
        const int top = g.waveQuarter - int(std::llrint(st->PeakMaxL[i] * g.waveScale));
        const int bottom = g.waveQuarter - int(std::llrint(st->PeakMinL[i] * g.waveScale));
        if (bottom - top < 4)
            continue;
        ++checked;
        EXPECT_EQ(At(img, i, top), kColumn) << i;
        EXPECT_EQ(At(img, i, top - 1), kAudio) << i;
        EXPECT_EQ(At(img, i, bottom - 1), kColumn) << i;
        EXPECT_EQ(At(img, i, g.waveQuarter), kZeroLine) << i;
        EXPECT_EQ(At(img, i, g.waveThreeQuarter), kZeroLine) << i;
        EXPECT_EQ(At(img, i, g.waveHalf), kMiddleLine) << i;
        const int topR = g.waveThreeQuarter - int(std::llrint(st->PeakMaxR[i] * g.waveScale));
        EXPECT_EQ(At(img, i, topR), kColumn) << i;
        EXPECT_EQ(At(img, i, topR - 1), kAudio) << i;
    }
    EXPECT_GT(checked, n / 2); // the tone is loud enough to show
    // Column 0 is never drawn: the frame stays.
    EXPECT_EQ(At(img, 0, g.waveQuarter), QColor(Qt::black));

    // Overview strip: 13 lines from dark to light.
    const int vb = g.viewBottom;
    EXPECT_EQ(At(img, 400, vb - 14), QColor(65, 58, 45));
    EXPECT_EQ(At(img, 400, vb - 8), QColor(125, 118, 105));
    EXPECT_EQ(At(img, 400, vb - 2), QColor(185, 178, 165));
    EXPECT_EQ(At(img, 400, vb - 1), BackColor);
    // One part: no cut marks, no strip numbers, no band.
    EXPECT_TRUE(BoxOf(img, QColor(100, 100, 255)).isEmpty());
    EXPECT_TRUE(BoxOf(img, QColor(Qt::white)).isEmpty());
}

// The delete and play pictures are drawn where the mouse code tests its
// clicks: every red pixel of the delete cross and every green pixel of the play
// triangle lies in the mark's hit area, and pixels beside the marks are not in it.
TEST(WaveRenderer, MarkPicturesLieInsideTheirHitAreas) {
    auto st = Opened("cbr128_stereo.mp3");
    ASSERT_TRUE(AddCutLine(*st, *st, 60));
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, st->ChannelCount, st->FrameCount);
    const QImage img = Render(*st, g);
    const int64_t column = FrameMapping(g, *st).frameToColumn(60);
    // Client x of a bitmap column; the picture's rows are the client's rows.
    const CutLineMarks marks = CutLineMarksAt(g, column + g.waveLeft);

    const QRect cross = BoxOf(img, QColor(200, 0, 0));
    ASSERT_FALSE(cross.isEmpty());
    for (const QPoint corner : {cross.topLeft(), cross.bottomRight()})
        EXPECT_TRUE(marks.deleteMark.hit(corner.x() + g.waveLeft, corner.y()));
    EXPECT_FALSE(marks.deleteMark.hit(cross.left() + g.waveLeft, cross.bottom() + 20));

    // The play triangle of line 2 (line 1's sits at column 0).
    QRect triangle;
    for (int y = 0; y < img.height(); ++y)
        for (int x = int(column); x < int(column) + 12; ++x)
            if (QColor(img.pixel(x, y)) == QColor(0, 128, 0))
                triangle = triangle.united(QRect(x, y, 1, 1));
    ASSERT_FALSE(triangle.isEmpty());
    for (const QPoint corner : {triangle.topLeft(), triangle.bottomRight()})
        EXPECT_TRUE(marks.play.hit(corner.x() + g.waveLeft, corner.y()));
    EXPECT_FALSE(marks.play.hit(triangle.left() + g.waveLeft, triangle.top() - 20));
}

TEST(WaveRenderer, SelectedPartBandColumnsAndStrip) {
    auto st = Opened("cbr128_stereo.mp3");
    ASSERT_TRUE(AddCutLine(*st, *st, 30));
    st->SelectedPart = 2;
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, st->ChannelCount, st->FrameCount);
    const QImage img = Render(*st, g);
    const int n = int(st->FrameCount);

    // The band: outline and cut line in RGB(100, 100, 255), white inside.
    EXPECT_EQ(At(img, 30, 40), QColor(100, 100, 255));
    EXPECT_EQ(At(img, 33, 20), QColor(Qt::white));
    // Columns inside part 2 are dark blue, those of part 1 stay grey-blue.
    auto columnColour = [&](int i) {
        const int top = g.waveQuarter - int(std::llrint(st->PeakMaxL[i] * g.waveScale));
        return At(img, i, top);
    };
    EXPECT_EQ(columnColour(35), kColumnSelected);
    EXPECT_EQ(columnColour(n - 3), kColumnSelected);
    EXPECT_EQ(columnColour(20), kColumn);

    // The selected part on the strip: white with a black outline.
    const int vb = g.viewBottom;
    const int sa = int(std::llrint(30 * g.pixelsPerFrame));
    const int sb = int(std::llrint((n - 1) * g.pixelsPerFrame));
    EXPECT_EQ(At(img, sb - 3, vb - 8), QColor(Qt::white));
    EXPECT_EQ(At(img, sb, vb - 8), QColor(Qt::black));
    EXPECT_EQ(At(img, (sa / 2), vb - 8), QColor(125, 118, 105)); // part 1: gradient
}

TEST(WaveRenderer, RulerAtLevels1And11) {
    auto st = Opened("long65.mp3");
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, st->ChannelCount, st->FrameCount);
    const int wb = g.waveBottom;
    const auto isBlack = [](const QImage& img, int x, int y) {
        return QColor(img.pixel(x, y)) == QColor(Qt::black);
    };

    st->ZoomLevel = 1;
    QImage img = Render(*st, g);
    auto col1 = [&](int s) { return int(std::llrint(s / st->FrameDuration)); };
    for (int s : {2, 3, 4, 8, 9, 13, 14}) { // short ticks only, away from labels
        EXPECT_TRUE(isBlack(img, col1(s), wb + 3)) << s;
        EXPECT_FALSE(isBlack(img, col1(s), wb + 6)) << s;
    }
    for (int s : {5, 10, 15, 20}) { // labelled: the long mark
        EXPECT_TRUE(isBlack(img, col1(s), wb + 9)) << s;
        EXPECT_FALSE(isBlack(img, col1(s), wb + 10)) << s;
    }

    st->ZoomLevel = 11; // ticks every 240 s, labels every 2400 s
    img = Render(*st, g);
    auto col11 = [&](int s) { return int(std::llrint(s / st->FrameDuration / 1024)); };
    for (int s : {1680, 1920, 2160, 2640, 2880}) {
        EXPECT_TRUE(isBlack(img, col11(s), wb + 3)) << s;
        EXPECT_FALSE(isBlack(img, col11(s), wb + 6)) << s;
    }
    for (int s : {2400, 4800, 7200}) {
        EXPECT_TRUE(isBlack(img, col11(s), wb + 9)) << s;
    }
    // 1800 s is no multiple of 240: no tick.
    EXPECT_FALSE(isBlack(img, col11(1800), wb + 2));
    // The labels are written: "40:00" leaves black pixels right of its mark.
    bool text = false;
    for (int x = col11(2400) + 1; x < col11(2400) + 30; ++x)
        for (int y = wb + 4; y < wb + 18; ++y)
            text = text || isBlack(img, x, y);
    EXPECT_TRUE(text);
}

// Below one frame per column the ruler counts milliseconds: its labelled
// marks lie at the sample of a whole millisecond, far enough apart for their
// texts, with shorter marks between them.
TEST(WaveRenderer, RulerInMillisecondsWhereSamplesAreShown) {
    auto st = Opened("vbr_stereo.mp3");
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, st->ChannelCount, st->FrameCount);
    const int wb = g.waveBottom;
    const auto isBlack = [](const QImage& img, int x, int y) {
        return QColor(img.pixel(x, y)) == QColor(Qt::black);
    };
    const TimeBase tb = TimeBaseOf(*st);
    for (int level : {int{kFinestZoomLevel}, -3, 0}) {
        st->ZoomLevel = static_cast<int16_t>(level);
        st->ViewFirstFrame = 40;
        const QImage img = Render(*st, g);
        const FrameMapping m(g, *st);
        std::vector<int> labelled;
        int shortMarks = 0;
        for (int x = 1; x < g.waveBitmapWidth() - 1; ++x) {
            if (!isBlack(img, x, wb + 2))
                continue;
            if (isBlack(img, x, wb + 9) && isBlack(img, x, wb + 5))
                labelled.push_back(x);
            else
                ++shortMarks;
        }
        ASSERT_GE(labelled.size(), 2u) << level;
        EXPECT_GE(shortMarks, int(labelled.size()) - 1) << level;
        for (size_t i = 0; i < labelled.size(); ++i) {
            // The column's time is within half a column of a whole millisecond.
            const double ms = SampleSeconds(tb, m.columnToSample(labelled[i])) * 1000.0;
            const double perColumnMs = m.samplesPerColumn() / tb.rate * 1000.0;
            EXPECT_LE(std::fabs(ms - std::nearbyint(ms)), perColumnMs / 2 + 1e-9)
                << level << " " << labelled[i];
            if (i > 0) {
                EXPECT_GE(labelled[i] - labelled[i - 1], 45) << level;
            }
        }
    }
}

TEST(WaveRenderer, LevelMeterSegmentsAndBars) {
    auto st = Opened("fullscale.mp3");
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, st->ChannelCount, st->FrameCount);
    const int mh = g.meterBitmapHeight();
    const QColor dark(85, 78, 65), light(140, 140, 140);

    const QImage m50 = RenderMeter(*st, g, 799);
    const QImage m100 = RenderMeter(*st, g, 800);
    ASSERT_EQ(m50.size(), QSize(36, 377));
    auto gapRows = [&](const QImage& img) {
        int rows = 0;
        for (int y = 0; y < mh; ++y)
            rows += QColor(img.pixel(7, y)) == dark;
        return rows;
    };
    // 49 or 99 gaps plus the 11 scale lines (some of which coincide).
    EXPECT_GE(gapRows(m50), 49);
    EXPECT_LT(gapRows(m50), 62);
    EXPECT_GE(gapRows(m100), 99);
    EXPECT_GT(gapRows(m100), gapRows(m50) + 40);

    // Scale marks: dark at y, light one row above and below.
    const int y5 = (mh * 5) / 10;
    EXPECT_EQ(QColor(m50.pixel(10, y5)), dark);
    EXPECT_EQ(QColor(m50.pixel(10, y5 - 1)), light);
    EXPECT_EQ(QColor(m50.pixel(10, y5 + 1)), light);
    // Troughs: lightest at the outer column, darkest next to the middle.
    const int y = (mh * 3) / 10 + 4;
    EXPECT_EQ(QColor(m50.pixel(1, y)), QColor(175, 168, 155));
    EXPECT_EQ(QColor(m50.pixel(35, y)), QColor(175, 168, 155));
    EXPECT_EQ(QColor(m50.pixel(18 - 9, y)), QColor(95, 88, 75));
    // Divider in the middle.
    EXPECT_EQ(QColor(m50.pixel(18, y)), dark);
    EXPECT_EQ(QColor(m50.pixel(17, y)), light);

    // While playing a full-scale frame the bars reach near the top.
    st->IsPlaying = true;
    st->PlayFrame = st->FrameCount / 2;
    ASSERT_GT(st->PeakMaxL[st->PlayFrame], 25000);
    const QImage playing = RenderMeter(*st, g, 800);
    const int barRow = mh / 5 + 2; // inside a segment (gaps lie at multiples of mh/100)
    int row = barRow;
    while (QColor(playing.pixel(8, row)) == dark)
        ++row;
    EXPECT_EQ(QColor(playing.pixel(8, row)), QColor(255, 248, 235));
    if (st->ChannelCount == 2) {
        EXPECT_EQ(QColor(playing.pixel(27, row)), QColor(255, 248, 235));
    }
    EXPECT_EQ(QColor(playing.pixel(3, row)), QColor(180, 173, 160));

    // The last tick of a stream can report FrameCount: no bars, no reading
    // past the table.
    st->PlayFrame = st->FrameCount;
    const QImage end = RenderMeter(*st, g, 800);
    EXPECT_NE(QColor(end.pixel(8, row)), QColor(255, 248, 235));
}

// The application palette picks the scheme: a light desktop draws the
// program's own colours exactly, a dark one the same hues at mirrored
// lightness, with nothing of the light colours left in the waveform.
TEST(WaveRenderer, DesktopPaletteChoosesLightOrDarkColours) {
    const QPalette saved = QApplication::palette();
    auto st = Opened("cbr128_stereo.mp3");
    ResetToOnePart(*st, *st);
    ASSERT_TRUE(AddCutLine(*st, *st, int32_t(st->FrameCount / 2)));
    st->SelectedPart = 2; // the band from the cut line on
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, st->ChannelCount, st->FrameCount);
    const int n = int(st->FrameCount);

    QApplication::setPalette(QPalette(QColor(239, 239, 239)));
    const ColourScheme light = SchemeFor(ColourChoice::FollowDesktop, QApplication::palette());
    EXPECT_FALSE(light.isDark());
    const QImage day = Render(*st, g, light);
    EXPECT_EQ(At(day, n + 5, 3), kBeyondAudio);
    EXPECT_EQ(At(day, 0, g.waveQuarter), QColor(Qt::black));
    EXPECT_FALSE(BoxOf(day, kColumn).isEmpty());
    EXPECT_FALSE(BoxOf(day, QColor(100, 100, 255)).isEmpty()); // the cut line

    QApplication::setPalette(QPalette(QColor(45, 45, 48)));
    const ColourScheme dark = SchemeFor(ColourChoice::FollowDesktop, QApplication::palette());
    QApplication::setPalette(saved);
    ASSERT_TRUE(dark.isDark());
    const QImage night = Render(*st, g, dark);
    for (const QColor& c : {kAudio, kBeyondAudio, kColumn, kColumnSelected, QColor(100, 100, 255),
                            QColor(Qt::black)}) {
        const QColor d = dark(c);
        EXPECT_NEAR(d.toHsl().lightnessF(), 1.0 - c.toHsl().lightnessF(), 0.01)
            << c.name().toStdString();
        if (c.hslHue() >= 0) {
            EXPECT_NEAR(d.hslHue(), c.hslHue(), 1) << c.name().toStdString();
        }
    }
    // The stretch past the audio and the frame are dark, the columns light.
    EXPECT_EQ(At(night, n + 5, 3), dark(kBeyondAudio));
    EXPECT_LT(At(night, n + 5, 3).lightnessF(), 0.5);
    EXPECT_EQ(At(night, 0, g.waveQuarter), QColor(Qt::white));
    EXPECT_FALSE(BoxOf(night, dark(kColumnSelected)).isEmpty());
    EXPECT_GT(dark(kColumnSelected).lightnessF(), 0.5);
    EXPECT_FALSE(BoxOf(night, dark(QColor(100, 100, 255))).isEmpty());
    for (const QColor& c : {kAudio, kBeyondAudio, kColumn, kColumnSelected})
        EXPECT_TRUE(BoxOf(night, c).isEmpty()) << c.name().toStdString();
    // A forced choice holds whatever the desktop's palette.
    EXPECT_TRUE(SchemeFor(ColourChoice::Dark, QPalette(QColor(239, 239, 239))).isDark());
    EXPECT_FALSE(SchemeFor(ColourChoice::Light, QPalette(QColor(45, 45, 48))).isDark());
}

// Sixty cut lines across a view: the numbers drawn never overlap, the
// selected line's always shows, and thinning keeps an even spread.
TEST(WaveRenderer, CrowdedCutNumbersAreThinnedAndTheSelectedOneShows) {
    auto st = Opened("long65.mp3");
    st->ZoomLevel = 3; // the whole file in about 620 columns
    const ViewGeometry g = ComputeWaveGeometry(1000, 378, st->ChannelCount, st->FrameCount);
    for (int k = 1; k < 60; ++k)
        ASSERT_TRUE(AddCutLine(*st, *st, int32_t(st->FrameCount * k / 60))) << k;
    ASSERT_EQ(PartCount(*st), 60);
    const FrameMapping m(g, *st);
    QImage img = MakeWaveBitmap(g);
    QPainter p(&img);
    p.setFont(QApplication::font());
    const QFontMetrics fm(p.font(), p.device());
    std::vector<LabelSpan> spans;
    for (int k = 1; k <= 60; ++k) {
        const int64_t left = CutLineMarksAt(g, CutLineColumn(m, *st, k)).number.left;
        spans.push_back({left, left + fm.horizontalAdvance(QString::number(k))});
    }
    // Unthinned, neighbours would run into each other.
    int overlapping = 0;
    for (size_t i = 1; i < spans.size(); ++i)
        overlapping += spans[i].left < spans[i - 1].right ? 1 : 0;
    ASSERT_GT(overlapping, 10);

    for (int keep : {-1, 0, 36, 59}) {
        const std::vector<bool> shown = ThinnedLabels(spans, keep, 2);
        ASSERT_EQ(shown.size(), spans.size());
        if (keep >= 0) {
            EXPECT_TRUE(shown[size_t(keep)]) << keep;
        }
        int drawn = 0;
        int64_t lastRight = INT64_MIN;
        size_t gap = 0, widest = 0;
        for (size_t i = 0; i < spans.size(); ++i) {
            ++gap;
            if (!shown[i])
                continue;
            EXPECT_GE(spans[i].left, lastRight + 2) << "label " << i + 1 << ", keep " << keep;
            lastRight = spans[i].right;
            widest = std::max(widest, gap);
            gap = 0;
            ++drawn;
        }
        EXPECT_GE(drawn, 10) << keep;
        // At least every fourth number shows; beside the selected one its
        // neighbours give way.
        EXPECT_LE(widest, keep < 0 ? 4u : 6u) << keep;
    }
    // Few lines far apart: all show.
    EXPECT_EQ(ThinnedLabels({{0, 10}, {40, 50}, {90, 100}}, 1, 2), std::vector<bool>(3, true));
}

} // namespace
} // namespace tessivo
