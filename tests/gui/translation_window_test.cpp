// The window in German: its menus, the split dialog, the core's messages as
// the window shows them, and Qt's own texts, with the translations loaded as
// the program loads them at start.
#include "ui/document/core_text.h"
#include "ui/output/confirm_dialog.h"
#include "ui/window/translations.h"

#include "core/analysis/open_file.h"
#include "core/parts/cut_lines.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/gui/window_parts.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::Fixture;

// Removes every translator the test installed, so the other tests of the
// binary see the English texts.
void RemoveTranslators() {
    for (QTranslator* t : qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

QStringList MenuTitles(const QMenuBar* bar) {
    QStringList titles;
    for (const QAction* a : bar->actions())
        titles << a->text();
    return titles;
}

class GermanWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(InstallTranslations(*qApp, QLocale(QLocale::German, QLocale::Germany)));
    }
    void TearDown() override {
        tessivo::testing::CloseTestWindow(win, dialogs);
        RemoveTranslators();
    }
    QTemporaryDir dir;
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
};

TEST_F(GermanWindowTest, MenusAndButtonsAreGerman) {
    win = tessivo::testing::ShowTestWindow(st, engine, dialogs, dir);
    ASSERT_TRUE(win);
    EXPECT_EQ(MenuTitles(win->menuBar()),
              (QStringList{QStringLiteral("Datei"), QStringLiteral("Bearbeiten"),
                           QStringLiteral("Ansicht"), QStringLiteral("Hilfe")}));
    EXPECT_EQ(tessivo::testing::FindPart<QAction>(win, "openAction")->text(),
              QStringLiteral("Öffnen …"));
    EXPECT_EQ(tessivo::testing::FindPart<QAction>(win, "zoomToFitAction")->text(),
              QStringLiteral("Ganz einpassen"));
    EXPECT_EQ(tessivo::testing::FindPart<QAbstractButton>(win, "splitButton")->text(),
              QStringLiteral("Teilen"));
    EXPECT_EQ(tessivo::testing::FindPart<QLabel>(win, "statusLabel")->text(),
              QStringLiteral("Eine Datei öffnen"));
}

TEST_F(GermanWindowTest, SplitDialogIsGerman) {
    const QString path = Fixture("long65.mp3");
    ASSERT_TRUE(AnalyseFile(st, st, path.toStdString(), false).ok);
    st.FileName = path.toStdString();
    st.FileLoaded = true;
    ResetToOnePart(st, st);
    st.OutputFolder = dir.path().toStdString();
    Document doc{st};
    ConfirmDialog dialog(doc, dialogs);
    EXPECT_EQ(dialog.splitButton->text(), QStringLiteral("Teilen"));
    EXPECT_EQ(dialog.cancelButton->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(dialog.saveTagsCheck->text(), QStringLiteral("ID3-Tags speichern"));
    EXPECT_EQ(dialog.folderLabel->text(), QStringLiteral("Ausgabeordner:"));
}

TEST_F(GermanWindowTest, CoreMessagesAreGerman) {
    win = tessivo::testing::ShowTestWindow(st, engine, dialogs, dir);
    ASSERT_TRUE(win);
    dialogs.openFileAnswer = Fixture("not_mp3.wav");
    win->onOpenTriggered();
    win->waitForOpen();
    EXPECT_TRUE(dialogs.messages.contains(QStringLiteral("Das ist keine MP3-Datei!")) ||
                dialogs.errors.contains(QStringLiteral("Das ist keine MP3-Datei!")))
        << dialogs.messages.join(QLatin1Char('|')).toStdString()
        << dialogs.errors.join(QLatin1Char('|')).toStdString();
    // A message with variable parts: the pattern and its fixed part translated.
    EXPECT_EQ(CoreText("Cannot open /music/a.mp3: not a regular file"),
              QStringLiteral("/music/a.mp3 kann nicht geöffnet werden: keine reguläre Datei"));
    EXPECT_EQ(CoreText("2 files split into 7 parts; 1 file failed"),
              QStringLiteral("2 Dateien aufgeteilt in 7 Teile; 1 Datei fehlgeschlagen"));
    // A fixed message as the variable part of a pattern.
    EXPECT_EQ(CoreText("Line 3: The file holds no labels"),
              QStringLiteral("Zeile 3: Die Datei enthält keine Marken"));
    // What the list does not know stays as the core says it.
    EXPECT_EQ(CoreText("Something new: 3"), QStringLiteral("Something new: 3"));
}

TEST_F(GermanWindowTest, QtsOwnTextsAreGerman) {
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
}

// Without the translators the core's messages are shown as the core wrote them.
TEST(EnglishCoreText, MessagesStayAsWritten) {
    for (const char* m : {"It is not a MP3 file!", "Cannot open /a b/c.mp3: not a regular file",
                          "2 files split into 7 parts; 1 file failed", "Part(3)", ""})
        EXPECT_EQ(CoreText(m), QString::fromUtf8(m));
}

} // namespace
} // namespace tessivo
