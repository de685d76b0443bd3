// The window's colours on a light or a dark desktop. The light scheme is the
// program's own set of colours; the dark one keeps each colour's hue and
// saturation and mirrors its lightness, so the waveform, the ruler, the cut
// lines and the part list read the same on a dark palette.
#pragma once

#include "core/state/program_state.h"

#include <QColor>

class QPalette;
class QWidget;

namespace tessivo {

class ColourScheme {
public:
    ColourScheme() = default;
    explicit ColourScheme(bool dark) : dark_(dark) {}

    bool isDark() const { return dark_; }
    // The colour to draw for one of the light scheme's colours.
    QColor operator()(const QColor& light) const;

private:
    bool dark_ = false;
};

// True when the palette's window colour is darker than half lightness.
bool IsDarkPalette(const QPalette& palette);

// The scheme for a choice on the given desktop palette.
ColourScheme SchemeFor(ColourChoice choice, const QPalette& palette);

// The scheme the widgets draw with: the application's choice on its palette.
void SetColourChoice(ColourChoice choice);
ColourChoice CurrentColourChoice();
ColourScheme ActiveScheme();

// Which of a widget's background colours a scheme fills.
enum class BackgroundRoles { WindowAndBase = 0, Window = 1, Base = 2 };

// Fills the widget's background (window and base, or one of them) with the colour given for
// the light scheme, as the active scheme draws it, and remembers that colour
// so ApplySchemeToChildren can repaint it when the scheme changes. A dark
// scheme also lightens the text drawn on it.
void SetSchemeBackground(QWidget* w, const QColor& light,
                         BackgroundRoles roles = BackgroundRoles::WindowAndBase);

// Repaints, by the active scheme, every widget under `top` (and itself) that
// SetSchemeBackground has filled.
void ApplySchemeToChildren(QWidget* top);

} // namespace tessivo
