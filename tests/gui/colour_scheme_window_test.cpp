// View > Colours in the window: the choice is read from and written to the
// settings, repaints the panels and the waveform, and "Follow the desktop"
// follows a palette that changes while the window is open.
#include "tests/fakes/fake_audio_engine.h"
#include "tests/gui/window_parts.h"
#include "ui/view/wave_renderer.h"
#include "ui/view/wave_view.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPalette>

namespace tessivo {
namespace {

using testing::FakeAudioEngine;
using testing::FakeUserDialogs;
using testing::FindPart;

QString ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

class ColourWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        testing::CloseTestWindow(win, dialogs);
        QApplication::setPalette(saved);
    }
    void Start(const QByteArray& settings) {
        QFile f(dir.filePath(QStringLiteral("tessivo.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(settings);
        f.close();
        win = testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_TRUE(win);
    }
    QColor ClientBackground() const {
        return FindPart<QWidget>(win, "client")->palette().color(QPalette::Window);
    }
    // Inside the waveform's frame, where no audio is (no file is open).
    QColor WaveCorner() const {
        return QColor(FindPart<WaveView>(win, "waveView")->waveBitmap.pixel(2, 2));
    }
    const QColor kEmpty{185, 178, 165};

    const QPalette saved = QApplication::palette();
    QTemporaryDir dir;
    ProgramState st;
    testing::FakeAudioEngine engine;
    testing::FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
};

TEST_F(ColourWindowTest, ChoiceIsKeptAndRepaintsTheWindow) {
    QApplication::setPalette(QPalette(QColor(239, 239, 239)));
    Start("[Settings]\nColours=dark\n");
    const ColourScheme dark(true);
    EXPECT_EQ(st.Colours, ColourChoice::Dark);
    EXPECT_TRUE(FindPart<QAction>(win, "coloursDarkAction")->isChecked());
    EXPECT_EQ(ClientBackground(), dark(BackColor));
    EXPECT_EQ(WaveCorner(), dark(kEmpty));

    FindPart<QAction>(win, "coloursLightAction")->trigger();
    EXPECT_EQ(ClientBackground(), BackColor);
    EXPECT_EQ(WaveCorner(), kEmpty);
    const QString ini = dir.filePath(QStringLiteral("tessivo.ini"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ReadAll(ini).contains(QStringLiteral("Colours=light")); }, 5000));

    FindPart<QAction>(win, "coloursDesktopAction")->trigger();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ReadAll(ini).contains(QStringLiteral("Colours=desktop")); }, 5000));
    EXPECT_EQ(ClientBackground(), BackColor);
    QApplication::setPalette(QPalette(QColor(45, 45, 48)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ClientBackground() == dark(BackColor); }, 5000))
        << ClientBackground().name().toStdString();
    EXPECT_EQ(WaveCorner(), dark(kEmpty));
}

// A settings file that never chose colours gets no key, and one without a
// known value follows the desktop.
TEST_F(ColourWindowTest, UnchosenColoursFollowTheDesktopAndAddNoKey) {
    Start("[Settings]\nColours=purple\nVolume=40\n");
    EXPECT_EQ(st.Colours, ColourChoice::FollowDesktop);
    EXPECT_TRUE(FindPart<QAction>(win, "coloursDesktopAction")->isChecked());
    testing::CloseTestWindow(win, dialogs);
    const QString text = ReadAll(dir.filePath(QStringLiteral("tessivo.ini")));
    EXPECT_TRUE(text.contains(QStringLiteral("Colours=desktop"))) << text.toStdString();

    QFile::remove(dir.filePath(QStringLiteral("tessivo.ini")));
    Start("");
    testing::CloseTestWindow(win, dialogs);
    EXPECT_FALSE(ReadAll(dir.filePath(QStringLiteral("tessivo.ini"))).contains("Colours"));
}

} // namespace
} // namespace tessivo
