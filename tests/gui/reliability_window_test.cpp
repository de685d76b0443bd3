// The window under failures around it: a settings file that cannot be read,
// holds garbage or cannot be written, and files that cannot be opened. The
// window starts with the defaults, reports what failed, still closes, and
// stays usable after a refused open.
#include "core/analysis/mp3_load.h"

#include "core/parts/part_access.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/window_parts.h"
#include "ui/window/main_window.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

using namespace tessivo;
using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::FindPart;

namespace {

class ReliabilityWindow : public ::testing::Test {
protected:
    void Start(const QString& settingsPath) {
        ASSERT_TRUE(dir_.isValid());
        WindowEnvironment env;
        env.clickWaitMs = 0; // clicks are waited for, not timed
        env.settingsPath = settingsPath;
        env.musicFolder = dir_.path();
        env.diagnosticFolder = dir_.path();
        win_ = std::make_unique<MainWindow>(*stp_, eng_, dialogs_, env);
        win_->resize(900, 650);
        win_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win_.get()));
    }
    void ExpectDefaults() {
        EXPECT_EQ(St().Volume, 50);
        EXPECT_EQ(FindPart<QSlider>(win_, "volumeSlider")->value(), 50);
        EXPECT_EQ(St().SilenceThreshold, 10);
        EXPECT_EQ(St().SilenceRelease, 1000);
        EXPECT_TRUE(St().IsSaveTags); // fresh settings write the parts' tags
        EXPECT_EQ(QString::fromStdString(St().OutputFolder), dir_.path()) << "the music folder";
    }
    QTemporaryDir dir_;
    std::unique_ptr<ProgramState> stp_ = std::make_unique<ProgramState>();
    ProgramState& St() { return *stp_; }
    FakeAudioEngine eng_;
    FakeUserDialogs dialogs_;
    std::unique_ptr<MainWindow> win_;
};

} // namespace

// A folder where the settings file should be: nothing can be read (defaults)
// and nothing written; closing reports "Unable to write to" and still closes.
TEST_F(ReliabilityWindow, SettingsUnreadableAndUnwritable) {
    const QString path = dir_.filePath(QStringLiteral("tessivo.ini"));
    ASSERT_TRUE(QDir().mkpath(path));
    Start(path);
    ExpectDefaults();
    EXPECT_TRUE(dialogs_.errors.isEmpty()) << "reading reports nothing";
    EXPECT_TRUE(win_->close());
    EXPECT_FALSE(win_->isVisible());
    ASSERT_EQ(dialogs_.errors.size(), 1);
    EXPECT_EQ(dialogs_.errors[0], QStringLiteral("Unable to write to ") + path);
}

// The settings file's folder is missing: the same.
TEST_F(ReliabilityWindow, SettingsFolderMissing) {
    const QString path = dir_.filePath(QStringLiteral("gone/tessivo.ini"));
    Start(path);
    ExpectDefaults();
    EXPECT_TRUE(win_->close());
    ASSERT_EQ(dialogs_.errors.size(), 1);
    EXPECT_EQ(dialogs_.errors[0], QStringLiteral("Unable to write to ") + path);
    EXPECT_FALSE(QFile::exists(path));
}

// Garbage in the file (binary bytes, broken lines, huge numbers): defaults,
// and the next close writes a file the next start reads back.
TEST_F(ReliabilityWindow, SettingsGarbage) {
    const QString path = dir_.filePath(QStringLiteral("tessivo.ini"));
    QByteArray junk;
    for (int i = 0; i < 5000; ++i)
        junk.append(static_cast<char>((i * 7919 + 13) % 256));
    junk.append("\n[Settings]\nVolume=99999999999999999999\nThreshold==\nRelease=1e3\n"
                "IsSaveTags=\xff\nOutput Folder\n");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(junk);
    f.close();
    Start(path);
    ExpectDefaults();
    St().Volume = 30;
    EXPECT_TRUE(win_->close());
    EXPECT_TRUE(dialogs_.errors.isEmpty()) << dialogs_.errors.join(";").toStdString();
    win_.reset();
    stp_ = std::make_unique<ProgramState>();
    Start(path);
    EXPECT_EQ(St().Volume, 30);
    EXPECT_TRUE(win_->close());
}

// Refused opens (not an MP3, a sparse 2 GiB file, a file that vanished)
// leave a window that opens the next good file.
TEST_F(ReliabilityWindow, RefusedOpensLeaveTheWindowUsable) {
    Start(dir_.filePath(QStringLiteral("tessivo.ini")));
    const QString fixtures = QString::fromUtf8(TESSIVO_FIXTURES);
    win_->openFilePath(fixtures + "/random.mp3");
    win_->waitForOpen();
    EXPECT_FALSE(St().FileLoaded);
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages[0], QString::fromUtf8(kNotMp3Message));

    const QString huge = dir_.filePath(QStringLiteral("huge.mp3"));
    {
        QFile h(huge);
        ASSERT_TRUE(h.open(QIODevice::WriteOnly));
        ASSERT_TRUE(h.resize((qint64{70} << 30) + (qint64{1} << 28)));
    }
    win_->openFilePath(huge);
    win_->waitForOpen();
    EXPECT_FALSE(St().FileLoaded);
    const QStringList shown = dialogs_.messages + dialogs_.errors;
    EXPECT_TRUE(
        shown.contains(huge + QStringLiteral(": 70.3 GiB is larger than the 64 GiB Tessivo opens")))
        << shown.join(";").toStdString();

    win_->openFilePath(dir_.filePath(QStringLiteral("never-there.mp3")));
    win_->waitForOpen();
    EXPECT_FALSE(St().FileLoaded);
    EXPECT_EQ(FindPart<QLabel>(win_, "statusLabel")->text(), QStringLiteral("Open a file"));

    win_->openFilePath(fixtures + "/cbr128_stereo.mp3");
    win_->waitForOpen();
    EXPECT_TRUE(St().FileLoaded);
    EXPECT_GT(St().FrameCount, 0u);
    EXPECT_EQ(PartCount(St()), 1);
    EXPECT_TRUE(win_->close());
}
