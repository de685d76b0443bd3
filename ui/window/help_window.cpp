#include "ui/window/help_window.h"

#include "ui/common/user_dialogs.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace tessivo {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Tessivo Help"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(720, 600);
    browser = new QTextBrowser(this);
    browser->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser);
    layout->addWidget(buttons);
}

void HelpWindow::ShowPage(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        browser->setPlainText(tr("The help page tessivo.html was not found."));
        return;
    }
    browser->setSource(QUrl::fromLocalFile(path));
}

void ShowHelpPage(QWidget* parent, UserDialogs& dialogs, const QString& page) {
    if (!page.isEmpty() && dialogs.openLocalPath(page))
        return;
    auto* window = parent ? parent->findChild<HelpWindow*>() : nullptr;
    if (!window)
        window = new HelpWindow(parent);
    window->ShowPage(page);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace tessivo
