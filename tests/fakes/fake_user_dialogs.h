// User dialogs for tests: nothing modal ever opens. Messages are recorded;
// the choosers answer with what the test put in.
#pragma once

#include "ui/common/user_dialogs.h"

#include <QString>
#include <QStringList>

namespace tessivo::testing {

class FakeUserDialogs : public UserDialogs {
public:
    QStringList messages;       // showMessage texts, in order
    QStringList errors;         // showError texts, in order
    QStringList questions;      // askReplace texts, in order
    bool replaceAnswer = false; // askReplace: true = Replace, false = Cancel
    QStringList opened;         // openLocalPath paths
    bool openSucceeds = true;   // false: as on a desktop without a browser

    // Answers of the choosers (empty = cancelled) and what they were asked.
    QString openFileAnswer;
    QString folderAnswer;
    QString lastFolderTitle;
    QString lastFolderStart;
    int folderCalls = 0;
    int openFileCalls = 0;
    QStringList openFilesAnswer;
    int openFilesCalls = 0;
    QString saveFileAnswer;
    QString lastSaveStart;
    int saveFileCalls = 0;
    // The discard question: what was asked, and the answer (true = Discard).
    QStringList discardQuestions;
    bool discardAnswer = true;
    // The question whether to restore a kept edit: what was asked, and the
    // answer.
    QStringList restoreQuestions;
    RestoreChoice restoreAnswer = RestoreChoice::Discard;
    // The time question: what was asked (title, label, initial text) and the
    // answer (null = cancelled).
    QStringList timeQuestions;
    QString timeAnswer;

    void showMessage(QWidget*, const QString& text) override { messages << text; }
    void showError(QWidget*, const QString& text) override { errors << text; }
    bool askReplace(QWidget*, const QString& text) override {
        questions << text;
        return replaceAnswer;
    }
    QString chooseOpenFile(QWidget*, const QString&, const QString&) override {
        ++openFileCalls;
        return openFileAnswer;
    }
    QStringList chooseOpenFiles(QWidget*, const QString&, const QString&) override {
        ++openFilesCalls;
        return openFilesAnswer;
    }
    QString chooseSaveFile(QWidget*, const QString& startPath, const QString&) override {
        ++saveFileCalls;
        lastSaveStart = startPath;
        return saveFileAnswer;
    }
    // The same answer as the save chooser.
    QString chooseTargetFile(QWidget* parent, const QString& startPath,
                             const QString& filter) override {
        return chooseSaveFile(parent, startPath, filter);
    }
    QString chooseFolder(QWidget*, const QString& title, const QString& startFolder) override {
        ++folderCalls;
        lastFolderTitle = title;
        lastFolderStart = startFolder;
        return folderAnswer;
    }
    bool confirmDiscard(QWidget*, const QString& question) override {
        discardQuestions << question;
        return discardAnswer;
    }
    RestoreChoice askRestore(QWidget*, const QString& question) override {
        restoreQuestions << question;
        return restoreAnswer;
    }
    QString askTime(QWidget*, const QString& title, const QString& label,
                    const QString& initial) override {
        timeQuestions << title << label << initial;
        return timeAnswer;
    }
    bool openLocalPath(const QString& path) override {
        opened << path;
        return openSucceeds;
    }
};

} // namespace tessivo::testing
