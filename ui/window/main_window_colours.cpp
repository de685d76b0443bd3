// View > Colours: the window follows the desktop's palette, or keeps the light
// or the dark scheme, and repaints whenever the choice or the palette changes.
#include "ui/window/main_window.h"

#include "ui/view/colour_scheme.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace tessivo {

void MainWindow::addColourActions(QMenu* viewMenu) {
    QMenu* colours = viewMenu->addMenu(tr("Colours"));
    auto* group = new QActionGroup(colours);
    group->setObjectName(QStringLiteral("coloursGroup"));
    const struct {
        ColourChoice choice;
        const char* text;
        const char* name;
    } entries[] = {{ColourChoice::FollowDesktop,
                    QT_TRANSLATE_NOOP("tessivo::MainWindow", "Follow the desktop"),
                    "coloursDesktopAction"},
                   {ColourChoice::Light, QT_TRANSLATE_NOOP("tessivo::MainWindow", "Light"),
                    "coloursLightAction"},
                   {ColourChoice::Dark, QT_TRANSLATE_NOOP("tessivo::MainWindow", "Dark"),
                    "coloursDarkAction"}};
    for (const auto& e : entries) {
        QAction* a = colours->addAction(tr(e.text));
        a->setObjectName(QString::fromLatin1(e.name));
        a->setCheckable(true);
        a->setData(static_cast<int>(e.choice));
        group->addAction(a);
        const ColourChoice choice = e.choice;
        connect(a, &QAction::triggered, this, [this, choice] { chooseColours(choice); });
    }
}

void MainWindow::chooseColours(ColourChoice choice) {
    if (st_.Colours == choice)
        return;
    doc_.SetColours(choice); // the settings are written as they change
    applyColourScheme();
}

void MainWindow::applyColourScheme() {
    SetColourChoice(st_.Colours);
    if (auto* group = findChild<QActionGroup*>(QStringLiteral("coloursGroup")))
        for (QAction* a : group->actions())
            a->setChecked(a->data().toInt() == static_cast<int>(st_.Colours));
    const ColourScheme cs = ActiveScheme();
    view_->style().colours = cs;
    view_->style().images = &MarkImagesFor(cs);
    ApplySchemeToChildren(this);
    if (overlays_)
        overlays_->setScheme(cs);
    drawWaveView();
    view_->drawMeter();
    waveView_->update();
}

} // namespace tessivo
