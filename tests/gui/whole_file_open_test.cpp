// A file longer than the coarsest zoom level shows opens whole: fitted to the
// view's width, from its first frame to its last, as Zoom to fit shows it.
#include "tests/fakes/fake_audio_engine.h"
#include "tests/gui/window_parts.h"
#include "ui/view/view_geometry.h"

#include <QFile>
#include <QProcess>

namespace tessivo {
namespace {

bool Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Ten hours of MPEG-2 audio at 16 kHz and 8 kbps (a million 36 ms frames,
// 36 MB): ten seconds encoded by LAME without its tag, repeated frame for
// frame.
QString MakeTenHourFile(const QTemporaryDir& dir) {
    const QString wav = dir.filePath(QStringLiteral("ten.wav"));
    const QString piece = dir.filePath(QStringLiteral("ten.mp3"));
    if (!Run(QStringLiteral("sox"),
             {"-n", "-r", "16000", "-c", "1", wav, "synth", "10", "sine", "300", "vol", "0.5"}) ||
        !Run(QStringLiteral("lame"), {"--quiet", "-t", "-b", "8", wav, piece}))
        return {};
    QFile in(piece);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QByteArray frames = in.readAll();
    const QString path = dir.filePath(QStringLiteral("ten hours.mp3"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    for (int i = 0; i < 3600; ++i)
        out.write(frames);
    return path;
}

TEST(WholeFileOpen, ATenHourFileOpensFittedFromStartToEnd) {
    QTemporaryDir dir;
    const QString path = MakeTenHourFile(dir);
    ASSERT_FALSE(path.isEmpty());
    ProgramState st;
    testing::FakeAudioEngine engine;
    testing::FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win = testing::ShowTestWindow(st, engine, dialogs, dir);
    ASSERT_TRUE(win);
    win->openFilePath(path);
    win->waitForFileShown();
    ASSERT_TRUE(st.FileLoaded);
    EXPECT_GT(st.Duration, 36000.0);
    const ViewGeometry& g = win->viewGeometry();
    // Past what the coarsest level a file opens at shows across this view.
    ASSERT_GT(int64_t{st.FrameCount}, int64_t{ZoomFactor[10]} * g.cols());

    const FrameMapping m(g, st);
    EXPECT_EQ(m.f0(), 0);
    const int64_t last = m.frameToColumn(int64_t{st.FrameCount} - 1);
    EXPECT_LE(last, g.cols());
    EXPECT_GE(last, g.cols() - 2); // the file fills the view
    const double opened = st.FitFramesPerColumn;
    EXPECT_GT(opened, 0.0);
    win->onZoomToFitTriggered();
    EXPECT_DOUBLE_EQ(st.FitFramesPerColumn, opened);
    EXPECT_EQ(st.ViewFirstFrame, 0);
    testing::CloseTestWindow(win, dialogs);
}

} // namespace
} // namespace tessivo
