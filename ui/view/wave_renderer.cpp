#include "ui/view/wave_renderer.h"

#include "core/analysis/time_base.h"

#include "core/parts/part_access.h"
#include "core/util/time_text.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace tessivo {

namespace {

// Pictures are composed at 96 dots per inch so font point sizes come out as on
// the screen.
constexpr int kDotsPerMeter96 = 3780;

QImage MakeBitmap(int w, int h) {
    QImage img(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
    img.setDotsPerMeterX(kDotsPerMeter96);
    img.setDotsPerMeterY(kDotsPerMeter96);
    img.fill(BackColor);
    return img;
}

// A line from (x1, y1) to (x2, y2) without its end point. Only horizontal and
// vertical lines are drawn here.
void LineTo(QPainter& p, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    if (x1 == x2 && y1 == y2)
        return;
    if (x1 == x2)
        p.drawLine(int(x1), int(y1), int(x2), int(y2 > y1 ? y2 - 1 : y2 + 1));
    else if (y1 == y2)
        p.drawLine(int(x1), int(y1), int(x2 > x1 ? x2 - 1 : x2 + 1), int(y2));
}

// A rectangle over columns x1..x2-1 and rows y1..y2-1, filled with `fill`
// (none when invalid) and outlined with `outline`.
void Rect(QPainter& p, int64_t x1, int64_t y1, int64_t x2, int64_t y2, const QColor& outline,
          const QColor& fill) {
    if (x2 <= x1 || y2 <= y1)
        return;
    if (fill.isValid())
        p.fillRect(QRect(int(x1), int(y1), int(x2 - x1), int(y2 - y1)), fill);
    p.setPen(outline);
    p.drawLine(int(x1), int(y1), int(x2 - 1), int(y1));
    p.drawLine(int(x1), int(y2 - 1), int(x2 - 1), int(y2 - 1));
    p.drawLine(int(x1), int(y1), int(x1), int(y2 - 1));
    p.drawLine(int(x2 - 1), int(y1), int(x2 - 1), int(y2 - 1));
}

QFont MakeFont(const QString& family, int pointSize) {
    QFont f = family.isEmpty() ? QGuiApplication::font() : QFont(family);
    f.setPointSize(pointSize);
    // Exact colours: the picture is compared pixel by pixel.
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// Text with its top-left corner at (x, y).
void TextAt(QPainter& p, int64_t x, int64_t y, const QString& text) {
    QFontMetrics fm(p.font(), p.device());
    p.drawText(int(x), int(y) + fm.ascent(), text);
}

// Steps of the millisecond ruler in microseconds: labels 1, 2 or 5 ms
// times a power of ten apart, far enough apart for their texts, with ticks
// between them (a fifth or a quarter of a label step).
struct RulerSteps {
    int64_t label = 1000, tick = 200;
};

RulerSteps SampleRulerSteps(double secondsPerColumn, int labelWidth) {
    RulerSteps r;
    for (int64_t decade = 1000; decade < 1000000000; decade *= 10) {
        for (int64_t lead : {1, 2, 5}) {
            r.label = lead * decade;
            r.tick = r.label / (lead == 2 ? 4 : 5);
            if (r.label * 1e-6 >= (labelWidth + 12) * secondsPerColumn)
                return r;
        }
    }
    return r;
}

// The ruler while the view shows samples: labels "mm:ss:mmm" and ticks at
// whole steps of time, placed at the sample nearest each time.
void DrawSampleRuler(QPainter& p, const TimeBase& tb, const ViewGeometry& g, const FrameMapping& m,
                     const ColourScheme& cs) {
    const int labelWidth = QFontMetrics(p.font(), p.device()).horizontalAdvance("00:00:000");
    const RulerSteps steps = SampleRulerSteps(m.samplesPerColumn() / tb.rate, labelWidth);
    const double from = std::max(SampleSeconds(tb, m.columnToSample(0)), 0.0);
    const double to = SampleSeconds(tb, m.columnToSample(g.waveBitmapWidth()));
    const int64_t wb = g.waveBottom;
    p.setPen(cs(Qt::black));
    for (auto n = static_cast<int64_t>(std::ceil(from * 1e6 / steps.tick));
         static_cast<double>(n * steps.tick) * 1e-6 <= to; ++n) {
        const double t = static_cast<double>(n * steps.tick) * 1e-6;
        const int64_t x = m.sampleToColumn(NearestSampleAt(tb, t));
        if ((n * steps.tick) % steps.label == 0) {
            TextAt(p, x + 1, wb + 4, QString::fromStdString(FormatTimeText(true, t)));
            LineTo(p, x, wb, x, wb + 10);
        } else {
            LineTo(p, x, wb, x, wb + 4);
        }
    }
}

void DrawRuler(QPainter& p, const ProgramState& st, const ViewGeometry& g, const FrameMapping& m,
               const ColourScheme& cs) {
    if (st.FrameDuration <= 0)
        return;
    if (m.showsSamples() && st.SampleRate > 0 && st.SamplesPerFrame > 0)
        return DrawSampleRuler(p, TimeBaseOf(st), g, m, cs);
    const int w = g.waveBitmapWidth();
    const int64_t s0 = RoundEven(m.frameToSeconds(m.f0()));
    // The ruler goes on past the end of the audio when the view does.
    const TimeBase tb = TimeBaseOf(st);
    const int64_t last = m.columnToFrame(w - 1);
    const double end = tb.rate > 0 && tb.samplesPerFrame > 0
                           ? SampleSeconds(tb, FrameStartSample(tb, last))
                           : static_cast<double>(last) * st.FrameDuration;
    const int64_t s1 = RoundEven(end);
    if (s1 < s0)
        return;
    const int level = LevelOfScale(m.z());
    const double labelStep = RulerLabelStep[level];
    const double tickStep = RulerTickStep[level];
    const int64_t wb = g.waveBottom;
    p.setPen(cs(Qt::black));
    for (int64_t s = s0; s <= s1; ++s) {
        const int64_t x = m.secondToColumn(s);
        const double sd = static_cast<double>(s);
        const double ql = sd / labelStep;
        if (ql == std::trunc(ql)) {
            TextAt(p, x + 1, wb + 4, QString::fromStdString(FormatRulerTime(int32_t(s))));
            LineTo(p, x, wb, x, wb + 10);
        }
        const double qt = sd / tickStep;
        if (qt == std::trunc(qt))
            LineTo(p, x, wb, x, wb + 4);
    }
}

// The extremes one column shows, per channel.
struct ColumnPeaks {
    int16_t maxL = 0, minL = 0, maxR = 0, minR = 0;
};

// Column i's extremes: the decoded samples it stands for while the view shows
// samples, else the peak entry of the single frame it shows (not combined
// with the other frames it stands for). False where it shows no audio.
bool PeaksOfColumn(const ProgramState& st, const FrameMapping& m, const SampleStretch* samples,
                   size_t frames, int i, ColumnPeaks& out) {
    if (m.showsSamples() && samples) {
        const int64_t a = m.columnToSample(i);
        const int64_t b = std::max(m.columnToSample(i + 1), a + 1);
        if (!SampleExtremes(*samples, a, b, 0, out.minL, out.maxL))
            return false;
        if (!SampleExtremes(*samples, a, b, 1, out.minR, out.maxR)) {
            out.minR = out.minL;
            out.maxR = out.maxL;
        }
        return true;
    }
    const int64_t f = m.columnToFrame(i);
    if (f < 0 || f >= int64_t(frames))
        return false;
    out = {st.PeakMaxL[f], st.PeakMinL[f], st.PeakMaxR[f], st.PeakMinR[f]};
    return true;
}

void DrawWaveColumns(QPainter& p, const ProgramState& st, const ViewGeometry& g,
                     const FrameMapping& m, const RenderStyle& style, int64_t xa, int64_t xb) {
    const ColourScheme& cs = style.colours;
    const SampleStretch* samples = style.samples;
    const size_t n = std::min<size_t>({st.FrameCount, st.PeakMaxL.size(), st.PeakMinL.size(),
                                       st.PeakMaxR.size(), st.PeakMinR.size()});
    const int w = g.waveBitmapWidth();
    const QColor inPart = cs(QColor(30, 30, 130)), elsewhere = cs(QColor(50, 50, 80));
    const QColor zeroLine = cs(QColor(130, 130, 130)), middleLine = cs(QColor(100, 100, 100));
    const bool stereo = st.ChannelCount > 1;
    auto channel = [&](int i, int zero, int16_t hi, int16_t lo) {
        const int64_t y1 = zero - RoundEven(hi * g.waveScale);
        const int64_t y2 = zero - RoundEven(lo * g.waveScale);
        if (y1 == y2)
            p.drawPoint(i, int(y1));
        else
            LineTo(p, i, y1, i, y2);
    };
    for (int i = 1; i < w; ++i) {
        ColumnPeaks c;
        if (!PeaksOfColumn(st, m, samples, n, i, c))
            continue;
        p.setPen(xa < i && i < xb ? inPart : elsewhere);
        if (stereo) {
            channel(i, g.waveQuarter, c.maxL, c.minL);
            channel(i, g.waveThreeQuarter, c.maxR, c.minR);
            p.setPen(zeroLine);
            p.drawPoint(i, g.waveQuarter);
            p.drawPoint(i, g.waveThreeQuarter);
            p.setPen(middleLine);
            p.drawPoint(i, g.waveHalf);
        } else {
            channel(i, g.waveHalf, c.maxL, c.minL);
            p.setPen(zeroLine);
            p.drawPoint(i, g.waveHalf);
        }
    }
}

// Which cut lines' numbers are drawn (index k - 1) at the painter's font.
std::vector<bool> CutNumbersShown(QPainter& p, const ProgramState& st, const ViewGeometry& g,
                                  const FrameMapping& m) {
    const int count = std::min(PartCount(st), kMaxParts);
    const QFontMetrics fm(p.font(), p.device());
    std::vector<LabelSpan> spans;
    spans.reserve(static_cast<size_t>(count));
    for (int k = 1; k <= count; ++k) {
        const int64_t left = CutLineMarksAt(g, CutLineColumn(m, st, k)).number.left;
        spans.push_back({left, left + fm.horizontalAdvance(QString::number(k))});
    }
    return ThinnedLabels(spans, st.SelectedPart - 1, fm.averageCharWidth());
}

void DrawCutMarks(QPainter& p, const ProgramState& st, const ViewGeometry& g, const FrameMapping& m,
                  const MarkImages& img, const ColourScheme& cs) {
    const int count = std::min(PartCount(st), kMaxParts);
    const std::vector<bool> shown = CutNumbersShown(p, st, g, m);
    for (int k = 1; k <= count; ++k) {
        const int64_t x = CutLineColumn(m, st, k);
        const CutLineMarks marks = CutLineMarksAt(g, x);
        p.setPen(cs(Qt::black));
        if (shown[static_cast<size_t>(k - 1)])
            TextAt(p, marks.number.left, marks.number.top, QString::number(k));
        p.drawImage(int(marks.useBox.left), int(marks.useBox.top),
                    PartTicked(st, k) ? img.checkedBox : img.uncheckedBox);
        p.drawImage(int(marks.play.left), int(marks.play.top), img.playMark);
        if (k > 1) {
            p.setPen(cs(QColor(100, 100, 255)));
            LineTo(p, x, g.waveTop, x, g.waveBottom);
            p.drawImage(int(marks.deleteMark.left), int(marks.deleteMark.top), img.deleteMark);
        }
    }
}

void DrawStripNumbers(QPainter& p, const ProgramState& st, const ViewGeometry& g,
                      const FrameMapping& m, const RenderStyle& style) {
    const ColourScheme& cs = style.colours;
    p.setFont(MakeFont(QString(), 6));
    const int vb = g.viewBottom;
    p.setPen(st.SelectedPart == 1 ? cs(Qt::black) : cs(Qt::white));
    TextAt(p, 2, vb - 13, QStringLiteral("1"));
    const int count = std::min(PartCount(st), kMaxParts);
    for (int k = 2; k <= count; ++k) {
        const int64_t x = m.frameToStripColumn(PartFirstFrame(st, k));
        p.setPen(cs(QColor(200, 200, 255)));
        LineTo(p, x, StripTop(g), x, StripBottom(g));
        p.setPen(k == st.SelectedPart ? cs(Qt::black) : cs(Qt::white));
        TextAt(p, x + 2, vb - 13, QString::number(k));
    }
    p.setFont(MakeFont(style.fontFamily, style.fontSize));
}

// Columns of the selected part's band; `shown` when a part is selected.
struct SelectionBand {
    bool shown = false;
    int64_t xa = 0, xb = 0;
};

// The selected band of part k runs from its line's column to its last
// frame's column, plus 2; where samples are shown, from its cut's sample to
// the next one's.
std::pair<int64_t, int64_t> BandColumns(const ProgramState& st, const FrameMapping& m, int k) {
    if (!m.showsSamples())
        return {m.frameToColumn(PartFirstFrame(st, k)), m.frameToColumn(PartLastFrame(st, st, k))};
    const int64_t end =
        k < PartCount(st) ? CutLineColumn(m, st, k + 1) : m.sampleToColumn(TimeBaseOf(st).samples);
    return {CutLineColumn(m, st, k), end - 2};
}

bool HasSelection(const ProgramState& st) {
    return st.SelectedPart >= 1 && st.SelectedPart <= PartCount(st);
}

// Background, the framed waveform area, the stretch that holds audio and the
// band of the selected part.
SelectionBand DrawBackground(QPainter& p, const ProgramState& st, const ViewGeometry& g,
                             const FrameMapping& m, const ColourScheme& cs) {
    const int64_t w = g.waveBitmapWidth();
    const int64_t wh = g.waveBottom - g.waveTop;
    Rect(p, 0, 0, w, g.waveBitmapHeight(), cs(BackColor), cs(BackColor));
    Rect(p, 0, 0, g.waveRight - g.waveLeft, wh + 1, cs(Qt::black), cs(QColor(185, 178, 165)));

    const int64_t xEnd =
        std::min(RoundEven(static_cast<double>(int64_t{st.FrameCount} - m.f0()) / m.z()), w);
    if (xEnd > 0)
        Rect(p, 0, 0, xEnd, wh + 1, cs(Qt::black), cs(QColor(215, 208, 195)));

    SelectionBand band;
    band.shown = HasSelection(st);
    if (band.shown) {
        const auto [xa, xb] = BandColumns(st, m, st.SelectedPart);
        band.xa = std::clamp<int64_t>(xa, 0, w + 1);
        band.xb = std::clamp<int64_t>(xb, 0, w + 1);
        if (band.xa > 0 || band.xb > 0)
            Rect(p, band.xa, 0, band.xb + 2, wh + 1, cs(QColor(100, 100, 255)), cs(Qt::white));
    }
    return band;
}

// The zero and middle lines drawn while there is (almost) no audio.
void DrawGuideLines(QPainter& p, const ViewGeometry& g, const ColourScheme& cs) {
    const int64_t right = g.waveRight - g.waveLeft;
    p.setPen(cs(QColor(130, 130, 130)));
    LineTo(p, 0, g.waveQuarter, right, g.waveQuarter);
    LineTo(p, 0, g.waveThreeQuarter, right, g.waveThreeQuarter);
    p.setPen(cs(QColor(100, 100, 100)));
    LineTo(p, 0, g.waveHalf, right, g.waveHalf);
}

// The two hint texts while no file is open.
void DrawHints(QPainter& p, const ViewGeometry& g, const RenderStyle& style) {
    const ColourScheme& cs = style.colours;
    const int64_t w = g.waveBitmapWidth();
    const int64_t wh = g.waveBottom - g.waveTop;
    QFont big = MakeFont(style.fontFamily, 14);
    p.setFont(big);
    const QString open = QCoreApplication::translate("tessivo::WaveRenderer", kHintOpen);
    QFontMetrics fm(big, p.device());
    const int tx = int((w - fm.horizontalAdvance(open)) / 2);
    const int ty = int((wh - 20 - fm.height()) / 2);
    p.setPen(cs(QColor(128, 128, 128)));
    TextAt(p, tx, ty, open);
    p.setFont(MakeFont(style.fontFamily, 10));
    p.setPen(cs(QColor(90, 90, 90)));
    TextAt(p, tx - 20, ty + 40, QCoreApplication::translate("tessivo::WaveRenderer", kHintUsage));
    p.setFont(MakeFont(style.fontFamily, style.fontSize));
    p.setPen(cs(Qt::black));
}

// The overview strip: empty frame, shaded bar and the selected part on it.
void DrawStrip(QPainter& p, const ProgramState& st, const ViewGeometry& g, const FrameMapping& m,
               bool hasSelection, const ColourScheme& cs) {
    const int64_t w = g.waveBitmapWidth();
    const int64_t vb = g.viewBottom;
    if (!st.FileLoaded || st.FrameCount == 0)
        Rect(p, 0, StripTop(g), w, StripBottom(g), cs(Qt::black), cs(BackColor));

    if (st.FileLoaded && st.FrameCount > 1) {
        for (int i = -6; i <= 6; ++i) {
            p.setPen(cs(QColor(125 + 10 * i, 118 + 10 * i, 105 + 10 * i)));
            LineTo(p, 0, vb - 8 + i, w, vb - 8 + i);
        }
    }

    if (hasSelection) {
        const int64_t sa = m.frameToStripColumn(PartFirstFrame(st, st.SelectedPart));
        const int64_t sb = m.frameToStripColumn(PartLastFrame(st, st, st.SelectedPart));
        if (sa != sb)
            Rect(p, sa, StripTop(g), sb + 1, StripBottom(g) + 1, cs(Qt::black), cs(Qt::white));
    }
}

} // namespace

std::vector<bool> ThinnedLabels(const std::vector<LabelSpan>& labels, int keep, int gap) {
    std::vector<bool> shown(labels.size(), false);
    const bool hasKeep = keep >= 0 && static_cast<size_t>(keep) < labels.size();
    const auto clears = [gap](const LabelSpan& a, const LabelSpan& b) {
        return a.right + gap <= b.left || b.right + gap <= a.left;
    };
    int64_t lastRight = INT64_MIN / 2;
    for (size_t i = 0; i < labels.size(); ++i) {
        const LabelSpan& l = labels[i];
        const bool isKeep = hasKeep && i == static_cast<size_t>(keep);
        const bool fits =
            l.left >= lastRight + gap && (!hasKeep || clears(l, labels[static_cast<size_t>(keep)]));
        if (isKeep || fits) {
            shown[i] = true;
            lastRight = l.right;
        }
    }
    return shown;
}

QImage MakeWaveBitmap(const ViewGeometry& g) {
    return MakeBitmap(g.waveBitmapWidth(), g.waveBitmapHeight());
}

QImage MakeMeterBitmap(const ViewGeometry& g) {
    return MakeBitmap(g.meterBitmapWidth(), g.meterBitmapHeight());
}

static MarkImages DrawMarkImages(const ColourScheme& cs) {
    MarkImages m;
    auto box = [&cs](bool on) {
        QImage img(13, 13, QImage::Format_ARGB32);
        img.fill(cs(Qt::white));
        QPainter p(&img);
        p.setPen(cs(QColor(60, 60, 60)));
        p.drawRect(0, 0, 12, 12);
        if (on) {
            p.setPen(QPen(cs(QColor(0, 110, 0)), 2));
            p.drawLine(3, 6, 5, 9);
            p.drawLine(5, 9, 9, 3);
        }
        return img;
    };
    m.checkedBox = box(true);
    m.uncheckedBox = box(false);

    m.playMark = QImage(10, 10, QImage::Format_ARGB32);
    m.playMark.fill(Qt::transparent);
    {
        QPainter p(&m.playMark);
        p.setPen(Qt::NoPen);
        p.setBrush(cs(QColor(0, 128, 0)));
        const QPoint tri[3] = {QPoint(1, 0), QPoint(9, 5), QPoint(1, 9)};
        p.drawPolygon(tri, 3);
    }

    m.deleteMark = QImage(10, 10, QImage::Format_ARGB32);
    m.deleteMark.fill(cs(BackColor));
    {
        QPainter p(&m.deleteMark);
        p.setPen(QPen(cs(QColor(200, 0, 0)), 2));
        p.drawLine(2, 2, 7, 7);
        p.drawLine(7, 2, 2, 7);
    }
    return m;
}

const MarkImages& DefaultMarkImages() {
    return MarkImagesFor(ColourScheme(false));
}

const MarkImages& MarkImagesFor(const ColourScheme& cs) {
    static const MarkImages light = DrawMarkImages(ColourScheme(false));
    static const MarkImages dark = DrawMarkImages(ColourScheme(true));
    return cs.isDark() ? dark : light;
}

void RenderWaveView(QPainter& p, const ProgramState& st, const ViewGeometry& g,
                    const RenderStyle& style) {
    const FrameMapping m(g, st);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(MakeFont(style.fontFamily, style.fontSize));

    const ColourScheme& cs = style.colours;
    const SelectionBand band = DrawBackground(p, st, g, m, cs);
    DrawRuler(p, st, g, m, cs);
    if (st.FrameCount < 10)
        DrawGuideLines(p, g, cs);
    if (st.FileLoaded && st.FrameCount > 10)
        DrawWaveColumns(p, st, g, m, style, band.xa, band.xb);
    if (PartCount(st) > 1 && style.images)
        DrawCutMarks(p, st, g, m, *style.images, cs);
    if (!st.FileLoaded && style.openHint)
        DrawHints(p, g, style);
    DrawStrip(p, st, g, m, band.shown, cs);
    if (PartCount(st) > 1)
        DrawStripNumbers(p, st, g, m, style);
}

void RenderLevelMeter(QPainter& p, const ProgramState& st, const ViewGeometry& g,
                      int windowOuterHeight, const ColourScheme& cs) {
    const int mw = g.meterBitmapWidth();
    const int mh = g.meterBitmapHeight();
    const int half = mw / 2;
    p.setRenderHint(QPainter::Antialiasing, false);

    // Two shaded troughs, darkest at their middle.
    for (int j = 1; j <= mw / 4; ++j) {
        p.setPen(cs(QColor(185 - 10 * j, 178 - 10 * j, 165 - 10 * j)));
        for (int x : {j, half - j, half + j, mw - j})
            LineTo(p, x, 0, x, mh);
    }
    // Scale marks.
    const QColor light = cs(QColor(140, 140, 140)), dark = cs(QColor(85, 78, 65));
    for (int i = 0; i <= 10; ++i) {
        const int y = (mh * i) / 10;
        p.setPen(light);
        LineTo(p, 3, y - 1, mw - 3, y - 1);
        LineTo(p, 3, y + 1, mw - 3, y + 1);
        p.setPen(dark);
        LineTo(p, 3, y, mw - 3, y);
    }
    // Divider.
    LineTo(p, half, 2, half, mh - 2);
    p.setPen(light);
    LineTo(p, half + 1, 2, half + 1, mh - 2);
    LineTo(p, half - 1, 2, half - 1, mh - 2);

    // Bars. PlayFrame can reach FrameCount on the last tick of a stream: then
    // the bars show nothing rather than read past the peak table.
    const size_t f = st.PlayFrame;
    if (st.IsPlaying && f < st.FrameCount && f < st.PeakMaxL.size() && f < st.PeakMaxR.size()) {
        const int64_t hl = RoundEven(st.PeakMaxL[f] * g.meterScale);
        const int64_t hr = RoundEven(st.PeakMaxR[f] * g.meterScale);
        for (int j = 1; j <= 6; ++j) {
            p.setPen(cs(QColor(165 + 15 * j, 158 + 15 * j, 145 + 15 * j)));
            LineTo(p, j + 2, mh, j + 2, mh - hl);
            LineTo(p, 15 - j, mh, 15 - j, mh - hl);
            LineTo(p, j + 21, mh, j + 21, mh - hr);
            LineTo(p, 34 - j, mh, 34 - j, mh - hr);
        }
    }

    // Gaps between the segments.
    p.setPen(dark);
    const int n = windowOuterHeight >= 800 ? 99 : 49;
    for (int i = 1; i <= n; ++i) {
        const int y = (mh * i) / (n + 1);
        LineTo(p, 4, y, half - 4, y);
        LineTo(p, half + 4, y, mw - 4, y);
    }
}

} // namespace tessivo
