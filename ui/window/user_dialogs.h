// Everything the window asks of the user or of the desktop goes through this
// interface: messages, file and folder choosers, opening a folder or a page in
// the desktop's own programs. The program uses QtUserDialogs; tests use a fake
// that answers at once, so no modal dialog ever blocks them.
#pragma once

#include <QString>

class QWidget;

namespace tessivo {

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // A modal message with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // The error box of the application's general error handler.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // File-open chooser; empty when cancelled.
    virtual QString ChooseOpenFile(QWidget* parent, const QString& startFolder,
                                   const QString& filter) = 0;
    // Folder chooser starting at `startFolder`; empty when cancelled.
    virtual QString ChooseFolder(QWidget* parent, const QString& title,
                                 const QString& startFolder) = 0;
    // Opens a local folder or file with the desktop's own program; false when
    // no program could be started for it.
    virtual bool OpenLocalPath(const QString& path) = 0;
};

class QtUserDialogs : public UserDialogs {
public:
    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    QString ChooseOpenFile(QWidget* parent, const QString& startFolder,
                           const QString& filter) override;
    QString ChooseFolder(QWidget* parent, const QString& title,
                         const QString& startFolder) override;
    bool OpenLocalPath(const QString& path) override;
};

} // namespace tessivo
