// Drawing of the waveform picture (waveform, ruler, cut-line marks, overview
// strip, hints) and of the level meter. Pure functions of the program state and
// the geometry: they paint into the given painter and keep nothing.
#pragma once

#include "core/analysis/sample_stretch.h"
#include "core/state/program_state.h"
#include "ui/view/colour_scheme.h"
#include "ui/view/view_geometry.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <vector>

class QPainter;

namespace tessivo {

inline const QColor BackColor{235, 228, 215};

// The small pictures drawn next to each cut line.
struct MarkImages {
    QImage checkedBox;   // 13 x 13
    QImage uncheckedBox; // 13 x 13
    QImage playMark;     // 10 x 10, transparent background
    QImage deleteMark;   // 10 x 10
};

// The pictures the program ships (drawn once per scheme); the default ones
// are the light scheme's.
const MarkImages& DefaultMarkImages();
const MarkImages& MarkImagesFor(const ColourScheme& cs);

struct RenderStyle {
    // Empty: the application's UI font.
    QString fontFamily;
    int fontSize = 8; // points
    const MarkImages* images = nullptr;
    // The hint to open a file, shown while none is (false while one opens).
    bool openHint = true;
    // The decoded samples of the frames shown, for the zoom levels below one
    // frame per column; without them those levels show the frames' peaks.
    const SampleStretch* samples = nullptr;
    ColourScheme colours; // light unless set
};

// A text's columns on the waveform, left..right.
struct LabelSpan {
    int64_t left = 0, right = 0;
};

// Which of the labels (left to right) are drawn so that none overlaps
// another, at least `gap` columns apart: from the left, each one that clears
// the last one drawn; label `keep` (the selected cut line's; -1 for none)
// always, its neighbours giving way.
std::vector<bool> ThinnedLabels(const std::vector<LabelSpan>& labels, int keep, int gap);

// Paints the whole waveform picture (waveBitmapWidth x waveBitmapHeight).
void RenderWaveView(QPainter& p, const ProgramState& st, const ViewGeometry& g,
                    const RenderStyle& style);

// Paints the level meter (meterBitmapWidth x meterBitmapHeight). The bars are
// drawn only while playing; windowOuterHeight picks 100 segments (800 px or
// more) or 50.
void RenderLevelMeter(QPainter& p, const ProgramState& st, const ViewGeometry& g,
                      int windowOuterHeight, const ColourScheme& cs = ColourScheme());

// Fresh pictures of the right size and resolution to paint into.
QImage MakeWaveBitmap(const ViewGeometry& g);
QImage MakeMeterBitmap(const ViewGeometry& g);

// The two hint texts shown while no file is open.
inline const char* const kHintOpen =
    QT_TRANSLATE_NOOP("tessivo::WaveRenderer", "Click here to open a file");
inline const char* const kHintUsage =
    QT_TRANSLATE_NOOP("tessivo::WaveRenderer", "Then Left Click - Play;  Double Click - Cut");

} // namespace tessivo
