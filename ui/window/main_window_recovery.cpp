// What survives a crash: the edit's record written soon after each edit, the
// question whether to bring it back, and the settings file written whenever
// a setting, the recent files or the open folder change.
#include "ui/window/main_window.h"

#include "ui/document/core_text.h"

#include "ui/window/control_panel.h"

#include "core/settings/settings_file.h"
#include "ui/window/autosave_controller.h"
#include "ui/window/settings_autosave.h"

#include <QSlider>

namespace tessivo {

void MainWindow::createAutosave() {
    autosave_ = std::make_unique<AutosaveController>(doc_, dialogs_, this, env_.recoveryFolder);
    connect(autosave_.get(), &AutosaveController::restored, this, &MainWindow::showRestoredParts);
    // Made after the settings were read and the defaults filled, so a start
    // writes nothing.
    settingsAutosave_ =
        std::make_unique<SettingsAutosave>(dialogs_, this, [this] { return writeSettingsFile(); });
    SettingsAutosave* saver = settingsAutosave_.get();
    connect(docSignals_.get(), &DocumentSignals::settingsChanged, saver,
            &SettingsAutosave::changed);
    connect(controls_->volumeSlider, &QSlider::valueChanged, saver, &SettingsAutosave::changed);
}

void MainWindow::restoreAfterCrash() {
    if (isBusy() || st_.FileLoaded)
        return;
    const QString path = autosave_->offerNewestRecord();
    if (!path.isEmpty())
        openFilePath(path);
}

QString MainWindow::writeSettingsFile() {
    std::string error;
    if (!SaveSettings(st_, env_.settingsPath.toStdString(), error, &doc_.SplitLoudnessChoice()))
        return CoreText(error);
    if (!keepWindowMemory())
        return tr("Unable to write to %1").arg(env_.settingsPath);
    return {};
}

} // namespace tessivo
