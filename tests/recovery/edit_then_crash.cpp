// A window that edits a file and then dies as a crash would: used by the
// window tests to check that the edit survives the kill.
//
//   tessivo_edit_then_crash FILE SETTINGS RECOVERY
//
// Opens FILE in a main window (settings file SETTINGS, records in RECOVERY),
// edits through the window's own commands (two typed cuts, one at an exact
// sample, one by a double click on the waveform, the file tag's album, a part
// unticked in the list, a title and an artist set in the tag panel, the
// volume moved), waits until the edit and the settings are written, prints
// the file tag's album and the part table (one line a part: start, cut
// sample, tick, own fields, title, artist) and kills itself with SIGKILL.
#include "core/parts/part_access.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/window/autosave_controller.h"
#include "ui/window/main_window.h"
#include "ui/window/settings_autosave.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <csignal>
#include <cstdio>

namespace {

using namespace tessivo;

// Runs the event loop until `done` holds; false after 20 s.
template <class Done> bool RunUntil(Done done) {
    return QTest::qWaitFor(done, 20000);
}

void AddCutAt(MainWindow& win, testing::FakeUserDialogs& dialogs, const QString& text) {
    dialogs.timeAnswer = text;
    win.findChild<QAction*>(QStringLiteral("addCutAtAction"))->trigger();
}

void DoubleClickWave(MainWindow& win, int x) {
    const QPoint p(x, 100);
    QTest::mousePress(win.waveView(), Qt::LeftButton, {}, p);
    QTest::mouseRelease(win.waveView(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(win.waveView(), Qt::LeftButton, {}, p);
    QTest::mouseRelease(win.waveView(), Qt::LeftButton, {}, p);
}

void SetTitleAndArtist(MainWindow& win, int row) {
    SelectRow(win.partList(), RowOf(win.partList(), row));
    TagPanel* tags = win.tagPanel();
    tags->titleEdit->setFocus();
    tags->titleEdit->selectAll();
    QTest::keyClicks(tags->titleEdit, QStringLiteral("Second half"));
    tags->artistEdit->setFocus();
    tags->artistEdit->selectAll();
    QTest::keyClicks(tags->artistEdit, QStringLiteral("The Speaker"));
    QTest::mouseClick(tags->setButton, Qt::LeftButton);
}

// While the file is one part the panel shows "Original File": the file tag.
void SetFileAlbum(MainWindow& win) {
    SelectRow(win.partList(), RowOf(win.partList(), 0));
    TagPanel* tags = win.tagPanel();
    tags->albumEdit->setFocus();
    tags->albumEdit->selectAll();
    QTest::keyClicks(tags->albumEdit, QStringLiteral("Talks"));
    QTest::mouseClick(tags->setButton, Qt::LeftButton);
}

bool Edit(MainWindow& win, testing::FakeUserDialogs& dialogs) {
    const ProgramState& st = win.state();
    SetFileAlbum(win);
    AddCutAt(win, dialogs, QStringLiteral("0:00:20.013"));
    AddCutAt(win, dialogs, QStringLiteral("0:00:45.500"));
    DoubleClickWave(win, 300);
    if (!RunUntil([&] { return PartCount(st) == 4; }))
        return false;
    win.stopPlayback();
    PartRow row = RowOf(win.partList(), 1);
    SelectRow(win.partList(), row);
    row->setCheckState(0, Qt::Unchecked);
    SetTitleAndArtist(win, 2);
    win.findChild<QSlider*>(QStringLiteral("volumeSlider"))->setValue(77);
    return PartCount(st) == 4 && !PartTicked(st, 2) && PartAt(st, 3).ownFields != 0 &&
           st.FileTag.fields.album == "Talks";
}

void PrintParts(const ProgramState& st) {
    std::printf("album\t%s\n", st.FileTag.fields.album.c_str());
    for (const PartRecord& p : st.Parts)
        std::printf("%d\t%lld\t%d\t%u\t%s\t%s\n", p.start, static_cast<long long>(p.cutSample),
                    p.ticked ? 1 : 0, p.ownFields, p.own.title.c_str(), p.own.artist.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE SETTINGS RECOVERY\n", argv[0]);
        return 2;
    }
    ProgramState st;
    testing::FakeAudioEngine engine;
    testing::FakeUserDialogs dialogs;
    WindowEnvironment env;
    env.settingsPath = QString::fromLocal8Bit(argv[2]);
    env.musicFolder = QFileInfo(env.settingsPath).absolutePath();
    env.diagnosticFolder = env.musicFolder;
    env.recoveryFolder = QString::fromLocal8Bit(argv[3]);
    // The edit and the settings are waited for below, not timed.
    env.autosaveWaitMs = 10;
    env.settingsWaitMs = 10;
    MainWindow win(st, engine, dialogs, env);
    win.show();
    win.resize(1000, 700);
    if (!QTest::qWaitForWindowExposed(&win))
        return 3;
    win.openFilePath(QString::fromLocal8Bit(argv[1]));
    win.waitForOpen();
    if (!st.FileLoaded || !Edit(win, dialogs))
        return 4;
    const bool written = RunUntil([&] {
        return !win.autosave()->pending() && !win.settingsAutosave()->pending() &&
               QFile::exists(win.autosave()->recordPath());
    });
    if (!written || !dialogs.errors.isEmpty())
        return 5;
    PrintParts(st);
    std::raise(SIGKILL);
    return 6;
}
