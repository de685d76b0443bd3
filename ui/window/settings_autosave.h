// Writes the settings file soon after each change of a setting, the recent
// files or the open folder, so a crash loses none of them. Changes made
// within a short wait (a volume slider being dragged) go into one write.
#pragma once

#include "ui/common/user_dialogs.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

namespace tessivo {

class SettingsAutosave : public QObject {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 250;
    // `write` writes the whole file and returns "" or the error, which is
    // shown once until a write succeeds again. A change is written `waitMs`
    // after it was made.
    SettingsAutosave(UserDialogs& dialogs, QWidget* window, std::function<QString()> write,
                     int waitMs = kDelayMs);

    // Something kept in the settings file changed.
    void changed();
    bool pending() const { return timer_.isActive(); }

private:
    void write();

    UserDialogs& dialogs_;
    QWidget* window_;
    std::function<QString()> write_;
    QTimer timer_;
    bool errorShown_ = false;
};

} // namespace tessivo
