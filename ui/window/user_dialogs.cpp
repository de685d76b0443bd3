#include "ui/window/user_dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace tessivo {

void QtUserDialogs::showMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Tessivo"), text);
}

void QtUserDialogs::showError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Tessivo"), text);
}

QString QtUserDialogs::chooseOpenFile(QWidget* parent, const QString& startFolder,
                                      const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), startFolder, filter);
}

QString QtUserDialogs::chooseFolder(QWidget* parent, const QString& title,
                                    const QString& startFolder) {
    return QFileDialog::getExistingDirectory(parent, title, startFolder);
}

bool QtUserDialogs::openLocalPath(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtUserDialogs::confirmDiscard(QWidget* parent, const QString& question) {
    const auto answer =
        QMessageBox::question(parent, QStringLiteral("Tessivo"), question,
                              QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Cancel);
    return answer == QMessageBox::Discard;
}

} // namespace tessivo
