// The help page inside the program, for desktops where no browser opens it.
#pragma once

#include <QDialog>

class QTextBrowser;

namespace tessivo {

class UserDialogs;

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the page at `path`, or says that there is none when it is empty
    // or missing.
    void ShowPage(const QString& path);

    QTextBrowser* browser;
};

// Opens the help page in the desktop's browser; when that fails, shows it in
// the program's help window (one per parent, reused; not modal).
void ShowHelpPage(QWidget* parent, UserDialogs& dialogs, const QString& page);

} // namespace tessivo
