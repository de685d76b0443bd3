#include "ui/window/user_dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace tessivo {

void QtUserDialogs::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Tessivo"), text);
}

void QtUserDialogs::ShowError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Tessivo"), text);
}

QString QtUserDialogs::ChooseOpenFile(QWidget* parent, const QString& startFolder,
                                      const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), startFolder, filter);
}

QString QtUserDialogs::ChooseFolder(QWidget* parent, const QString& title,
                                    const QString& startFolder) {
    return QFileDialog::getExistingDirectory(parent, title, startFolder);
}

bool QtUserDialogs::OpenLocalPath(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace tessivo
