#include "ui/view/colour_scheme.h"

#include <QApplication>
#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace tessivo {

namespace {

ColourChoice g_choice = ColourChoice::FollowDesktop;

// The dynamic property that holds a widget's light-scheme background.
constexpr const char* kLightBackground = "tessivoLightBackground";
constexpr const char* kBackgroundRoles = "tessivoBackgroundRoles";

void PaintBackground(QWidget* w, const QColor& light, BackgroundRoles roles,
                     const ColourScheme& cs) {
    QPalette pal = w->palette();
    if (roles != BackgroundRoles::Base)
        pal.setColor(QPalette::Window, cs(light));
    if (roles != BackgroundRoles::Window)
        pal.setColor(QPalette::Base, cs(light));
    const QPalette& app = QApplication::palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text}) {
        if (cs.isDark() != IsDarkPalette(app))
            pal.setColor(role, cs(Qt::black));
        else
            pal.setColor(role, app.color(role));
    }
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

} // namespace

QColor ColourScheme::operator()(const QColor& light) const {
    if (!dark_)
        return light;
    const QColor hsl = light.toHsl();
    // Hue is undefined for greys (-1), which fromHslF takes as such.
    const QColor rgb =
        QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), 1.0f - hsl.lightnessF(), hsl.alphaF())
            .toRgb();
    // Whole 8-bit components, as the pictures hold them.
    return QColor(rgb.red(), rgb.green(), rgb.blue(), rgb.alpha());
}

bool IsDarkPalette(const QPalette& palette) {
    return palette.color(QPalette::Window).toHsl().lightnessF() < 0.5f;
}

ColourScheme SchemeFor(ColourChoice choice, const QPalette& palette) {
    switch (choice) {
    case ColourChoice::Light:
        return ColourScheme(false);
    case ColourChoice::Dark:
        return ColourScheme(true);
    case ColourChoice::FollowDesktop:
        break;
    }
    return ColourScheme(IsDarkPalette(palette));
}

void SetColourChoice(ColourChoice choice) {
    g_choice = choice;
}

ColourChoice CurrentColourChoice() {
    return g_choice;
}

ColourScheme ActiveScheme() {
    return SchemeFor(g_choice, QApplication::palette());
}

void SetSchemeBackground(QWidget* w, const QColor& light, BackgroundRoles roles) {
    w->setProperty(kLightBackground, light);
    w->setProperty(kBackgroundRoles, static_cast<int>(roles));
    PaintBackground(w, light, roles, ActiveScheme());
}

void ApplySchemeToChildren(QWidget* top) {
    const ColourScheme cs = ActiveScheme();
    QList<QWidget*> all = top->findChildren<QWidget*>();
    all.prepend(top);
    for (QWidget* w : all) {
        const QVariant light = w->property(kLightBackground);
        if (light.isValid())
            PaintBackground(w, light.value<QColor>(),
                            static_cast<BackgroundRoles>(w->property(kBackgroundRoles).toInt()),
                            cs);
    }
}

} // namespace tessivo
