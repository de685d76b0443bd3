#include "ui/window/settings_autosave.h"

namespace tessivo {

SettingsAutosave::SettingsAutosave(UserDialogs& dialogs, QWidget* window,
                                   std::function<QString()> write, int waitMs)
    : dialogs_(dialogs), window_(window), write_(std::move(write)) {
    timer_.setSingleShot(true);
    timer_.setInterval(waitMs);
    connect(&timer_, &QTimer::timeout, this, &SettingsAutosave::write);
}

void SettingsAutosave::changed() {
    if (!timer_.isActive())
        timer_.start();
}

void SettingsAutosave::write() {
    const QString error = write_();
    if (error.isEmpty()) {
        errorShown_ = false;
        return;
    }
    if (!errorShown_)
        dialogs_.showError(window_, error);
    errorShown_ = true;
}

} // namespace tessivo
