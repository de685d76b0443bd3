// Everything the window asks of the user or of the desktop goes through this
// interface: messages, file and folder choosers, opening a folder or a page in
// the desktop's own programs. The program uses QtUserDialogs; tests use a fake
// that answers at once, so no modal dialog ever blocks them.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace tessivo {

// The answers to the question whether to bring back an edit kept after a
// crash; Later when the box was closed without a choice.
enum class RestoreChoice { Restore, Discard, Later };

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // A modal message with an OK button.
    virtual void showMessage(QWidget* parent, const QString& text) = 0;
    // The error box of the application's general error handler.
    virtual void showError(QWidget* parent, const QString& text) = 0;
    // A question with Replace and Cancel buttons; true for Replace.
    virtual bool askReplace(QWidget* parent, const QString& text) = 0;
    // File-open chooser; empty when cancelled.
    virtual QString chooseOpenFile(QWidget* parent, const QString& startFolder,
                                   const QString& filter) = 0;
    // Chooser of several files to open; empty when cancelled.
    virtual QStringList chooseOpenFiles(QWidget* parent, const QString& startFolder,
                                        const QString& filter) = 0;
    // File-save chooser (asks before replacing a file); empty when cancelled.
    virtual QString chooseSaveFile(QWidget* parent, const QString& startPath,
                                   const QString& filter) = 0;
    // File-save chooser for a file written later: it does not ask about an
    // existing file (the writing asks with askReplace); empty when cancelled.
    virtual QString chooseTargetFile(QWidget* parent, const QString& startPath,
                                     const QString& filter) = 0;
    // Folder chooser starting at `startFolder`; empty when cancelled.
    virtual QString chooseFolder(QWidget* parent, const QString& title,
                                 const QString& startFolder) = 0;
    // Opens a local folder or file with the desktop's own program; false when
    // no program could be started for it.
    virtual bool openLocalPath(const QString& path) = 0;
    // Asks `question` with Discard and Cancel; true when Discard was chosen.
    virtual bool confirmDiscard(QWidget* parent, const QString& question) = 0;
    // Asks `question` with Restore and Discard.
    virtual RestoreChoice askRestore(QWidget* parent, const QString& question) = 0;
    // Asks for a time under `title` with `label`, the field holding `initial`;
    // a null string when cancelled.
    virtual QString askTime(QWidget* parent, const QString& title, const QString& label,
                            const QString& initial) = 0;
};

class QtUserDialogs : public UserDialogs {
public:
    void showMessage(QWidget* parent, const QString& text) override;
    void showError(QWidget* parent, const QString& text) override;
    bool askReplace(QWidget* parent, const QString& text) override;
    QString chooseOpenFile(QWidget* parent, const QString& startFolder,
                           const QString& filter) override;
    QStringList chooseOpenFiles(QWidget* parent, const QString& startFolder,
                                const QString& filter) override;
    QString chooseSaveFile(QWidget* parent, const QString& startPath,
                           const QString& filter) override;
    QString chooseTargetFile(QWidget* parent, const QString& startPath,
                             const QString& filter) override;
    QString chooseFolder(QWidget* parent, const QString& title,
                         const QString& startFolder) override;
    bool openLocalPath(const QString& path) override;
    bool confirmDiscard(QWidget* parent, const QString& question) override;
    RestoreChoice askRestore(QWidget* parent, const QString& question) override;
    QString askTime(QWidget* parent, const QString& title, const QString& label,
                    const QString& initial) override;
};

} // namespace tessivo
