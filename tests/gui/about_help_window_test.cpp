// The About window's version, licence and library lines, and Help > Contents
// on a desktop where no browser opens the page.
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "ui/window/about_window.h"
#include "ui/window/help_window.h"
#include "ui/window/main_window.h"

#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

#include <memory>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;

const QString kHelpPage = QStringLiteral(TESSIVO_SOURCE_DIR "/app/help/tessivo.html");

TEST(AboutWindowTest, ShowsTheBuildsVersionAndTheLicence) {
    AboutWindow about;
    const QString version = QStringLiteral(TESSIVO_PROJECT_VERSION);
    EXPECT_EQ(ProgramVersion(), version);
    EXPECT_EQ(about.titleLabel->text(), QStringLiteral("Tessivo ") + version);
    const QString info = about.infoLabel->text();
    EXPECT_TRUE(info.contains(QStringLiteral("Version ") + version)) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("GPL-3.0-or-later"))) << info.toStdString();
}

TEST(AboutWindowTest, ShowsTheRunTimeLibraryVersions) {
    AboutWindow about;
    EXPECT_TRUE(
        about.infoLabel->text().contains(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())));
    EXPECT_TRUE(about.infoLabel->text().contains(QStringLiteral("libmpg123 1.")));
    EXPECT_TRUE(about.infoLabel->text().contains(QStringLiteral("TagLib 1.")));

    about.setAudioLibraries(QStringLiteral("SDL 2.26.5, speexdsp 1.2.1"));
    const QString info = about.infoLabel->text();
    EXPECT_TRUE(info.contains(QStringLiteral("Qt "))) << info.toStdString();
    EXPECT_TRUE(info.endsWith(QStringLiteral(", SDL 2.26.5, speexdsp 1.2.1")))
        << info.toStdString();
}

// The added lines stay inside the window (376 x 286 or more), between the
// title and the OK button, and the wrapped text fits its label.
TEST(AboutWindowTest, InfoFitsBetweenTitleAndButton) {
    AboutWindow about;
    about.setAudioLibraries(QStringLiteral("SDL 2.26.5, speexdsp 1.2.1"));
    about.prepareToShow();
    about.layout()->activate();
    const QRect info = about.infoLabel->geometry();
    EXPECT_GT(info.top(), about.iconLabel->geometry().bottom());
    EXPECT_LT(info.bottom(), about.okButton->mapTo(&about, QPoint(0, 0)).y());
    EXPECT_LE(info.right(), about.width());
    const QRect needed = QFontMetrics(about.infoLabel->font())
                             .boundingRect(QRect(0, 0, info.width(), 10000), Qt::TextWordWrap,
                                           about.infoLabel->text());
    EXPECT_LE(needed.height(), info.height()) << about.infoLabel->text().toStdString();
}

TEST(HelpWindowTest, BrowserOpensThePageAndNoWindowShows) {
    QWidget parent;
    FakeUserDialogs dialogs;
    ShowHelpPage(&parent, dialogs, kHelpPage);
    ASSERT_EQ(dialogs.opened.size(), 1);
    EXPECT_EQ(dialogs.opened[0], kHelpPage);
    EXPECT_EQ(parent.findChild<HelpWindow*>(), nullptr);
}

TEST(HelpWindowTest, MissingPageIsSaidInTheWindow) {
    QWidget parent;
    FakeUserDialogs dialogs;
    ShowHelpPage(&parent, dialogs, QString());
    EXPECT_TRUE(dialogs.opened.isEmpty());
    auto* help = parent.findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->browser->toPlainText(),
              QStringLiteral("The help page tessivo.html was not found."));
}

// Help > Contents in the main window: the browser fails, so the page shows in
// the program's own window; a second time reuses that window.
TEST(HelpWindowTest, ContentsWithoutBrowserShowsThePageInTheProgram) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    dialogs.openSucceeds = false;
    WindowEnvironment env;
    env.clickWaitMs = 0; // clicks are waited for, not timed
    env.settingsPath = dir.filePath(QStringLiteral("tessivo.ini"));
    env.musicFolder = dir.filePath(QStringLiteral("Music"));
    env.diagnosticFolder = dir.path();
    env.helpPage = kHelpPage;
    MainWindow win(st, engine, dialogs, env);
    win.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));

    win.onHelpContentsTriggered();
    ASSERT_EQ(dialogs.opened.size(), 1);
    auto* help = win.findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_FALSE(help->isModal());
    EXPECT_EQ(help->browser->source(), QUrl::fromLocalFile(kHelpPage));
    EXPECT_TRUE(help->browser->toPlainText().contains(QStringLiteral("Open a file")));

    help->close();
    win.onHelpContentsTriggered();
    EXPECT_EQ(win.findChildren<HelpWindow*>().size(), 1);
    EXPECT_TRUE(help->isVisible());
    win.close();
}

} // namespace
} // namespace tessivo
