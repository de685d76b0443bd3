#include "ui/common/user_dialogs.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace tessivo {

void QtUserDialogs::showMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Tessivo"), text);
}

void QtUserDialogs::showError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Tessivo"), text);
}

bool QtUserDialogs::askReplace(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tessivo"), text, QMessageBox::NoButton,
                    parent);
    QPushButton* replace = box.addButton(
        QCoreApplication::translate("tessivo::UserDialogs", "Replace"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.exec();
    return box.clickedButton() == replace;
}

QString QtUserDialogs::chooseOpenFile(QWidget* parent, const QString& startFolder,
                                      const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), startFolder, filter);
}

QStringList QtUserDialogs::chooseOpenFiles(QWidget* parent, const QString& startFolder,
                                           const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, QString(), startFolder, filter);
}

QString QtUserDialogs::chooseSaveFile(QWidget* parent, const QString& startPath,
                                      const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), startPath, filter);
}

QString QtUserDialogs::chooseTargetFile(QWidget* parent, const QString& startPath,
                                        const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), startPath, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
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

RestoreChoice QtUserDialogs::askRestore(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tessivo"), question,
                    QMessageBox::NoButton, parent);
    QPushButton* restore = box.addButton(
        QCoreApplication::translate("tessivo::UserDialogs", "Restore"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QMessageBox::Discard);
    box.setDefaultButton(restore);
    box.exec();
    if (box.clickedButton() == restore)
        return RestoreChoice::Restore;
    return box.clickedButton() == discard ? RestoreChoice::Discard : RestoreChoice::Later;
}

QString QtUserDialogs::askTime(QWidget* parent, const QString& title, const QString& label,
                               const QString& initial) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
    return ok ? text : QString();
}

} // namespace tessivo
