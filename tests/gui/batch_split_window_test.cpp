// File > Batch split...: the dialog's list and states, Cancel, several MP3s
// dropped on the window, and the window's document left alone by a batch.
#include "core/cutting/cutting_mode.h"
#include "core/parts/part_access.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/gui/window_parts.h"
#include "ui/output/batch_split_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QTreeWidget>
#include <QUrl>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::Fixture;

// A folder of MP3 files copied from the fixtures (and a WAV named .mp3).
QStringList CopyFiles(const QTemporaryDir& dir, const QStringList& fixtures) {
    QStringList paths;
    for (int i = 0; i < fixtures.size(); ++i) {
        const QString path = dir.filePath(QStringLiteral("in/f%1.mp3").arg(i));
        QDir().mkpath(dir.filePath(QStringLiteral("in")));
        EXPECT_TRUE(QFile::copy(Fixture(fixtures[i].toLatin1().constData()), path));
        paths << path;
    }
    return paths;
}

void WaitForBatch(BatchSplitDialog& dialog) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isRunning(); }, 20000));
}

TEST(BatchSplitDialog, OffersEveryModeRegisteredForABatchWithAUsableFirstValue) {
    QTemporaryDir dir;
    FakeUserDialogs dialogs;
    BatchSplitDialog dialog(dialogs, dir.filePath(QStringLiteral("out")));
    dialog.addPaths(CopyFiles(dir, {"speech_pauses.mp3"}));
    const std::vector<const CuttingMode*> modes = CuttingModesOffered(kInBatch);
    ASSERT_EQ(dialog.modeBox()->count(), static_cast<int>(modes.size()));
    for (size_t i = 0; i < modes.size(); ++i) {
        EXPECT_EQ(dialog.modeBox()->itemData(int(i)).toString().toStdString(), modes[i]->key);
        ASSERT_TRUE(dialog.selectMode(modes[i]->key));
        EXPECT_EQ(dialog.modeKey(), modes[i]->key);
        BatchSplitJob job;
        QString message;
        EXPECT_TRUE(dialog.makeJob(job, message)) << message.toStdString();
        EXPECT_EQ(job.rule.mode, modes[i]);
    }
    EXPECT_FALSE(dialog.selectMode(kVisualKey)); // no batch places cut lines by hand
}

TEST(BatchSplitDialog, ListsFilesAndShowsEachOnesState) {
    QTemporaryDir dir;
    FakeUserDialogs dialogs;
    const QStringList files =
        CopyFiles(dir, {"speech_pauses.mp3", "vbr_stereo.mp3", "not_mp3.wav"});
    BatchSplitDialog dialog(dialogs, dir.filePath(QStringLiteral("out")));
    dialog.addPaths(files);
    dialog.addPaths({dir.filePath(QStringLiteral("in"))}); // the same files again: no new rows
    ASSERT_EQ(dialog.fileList()->topLevelItemCount(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(dialog.stateText(row), QStringLiteral("waiting"));
    ASSERT_TRUE(dialog.selectMode("parts"));
    dialog.valueEdit()->setText(QStringLiteral("2"));
    ASSERT_TRUE(dialog.start());
    WaitForBatch(dialog);
    EXPECT_EQ(dialog.stateText(0), QStringLiteral("2 parts"));
    EXPECT_EQ(dialog.stateText(1), QStringLiteral("2 parts"));
    EXPECT_EQ(dialog.stateText(2), QStringLiteral("failed: It is not a MP3 file!"));
    EXPECT_EQ(dialog.progressBar()->value(), 3);
    EXPECT_EQ(dialog.progressBar()->maximum(), 3);
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("out/f0"))).entryList(QDir::Files),
              (QStringList{QStringLiteral("f0-01.mp3"), QStringLiteral("f0-02.mp3")}));
    EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("out/f2"))).exists());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST(BatchSplitDialog, RefusesValuesTheModeCannotTake) {
    QTemporaryDir dir;
    FakeUserDialogs dialogs;
    BatchSplitDialog dialog(dialogs, dir.filePath(QStringLiteral("out")));
    EXPECT_FALSE(dialog.start());
    EXPECT_EQ(dialogs.messages.value(0), QStringLiteral("Add the files to split first."));
    dialog.addPaths(CopyFiles(dir, {"vbr_stereo.mp3"}));
    ASSERT_TRUE(dialog.selectMode("time"));
    dialog.valueEdit()->setText(QStringLiteral("ten"));
    EXPECT_FALSE(dialog.start());
    EXPECT_EQ(dialogs.messages.size(), 2);
    EXPECT_FALSE(dialog.isRunning());
    EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("out"))).exists());
}

TEST(BatchSplitDialog, CancelLetsTheFileInProgressFinishAndStartsNoOther) {
    QTemporaryDir dir;
    FakeUserDialogs dialogs;
    BatchSplitDialog dialog(dialogs, dir.filePath(QStringLiteral("out")));
    dialog.setWorkers(1);
    dialog.addPaths(CopyFiles(dir, QStringList(6, QStringLiteral("long65.mp3"))));
    ASSERT_TRUE(dialog.selectMode("near-pauses"));
    dialog.valueEdit()->setText(QStringLiteral("0:10"));
    ASSERT_TRUE(dialog.start());
    dialog.cancel();
    WaitForBatch(dialog);
    int split = 0;
    for (int row = 0; row < 6; ++row) {
        const QString state = dialog.stateText(row);
        const QDir parts(dir.filePath(QStringLiteral("out/f%1").arg(row)));
        if (state == QStringLiteral("waiting")) {
            EXPECT_FALSE(parts.exists()) << row;
            continue;
        }
        ++split;
        EXPECT_TRUE(state.endsWith(QStringLiteral(" parts"))) << state.toStdString();
        // What was written stays.
        EXPECT_EQ(QStringLiteral("%1 parts").arg(parts.entryList(QDir::Files).size()), state);
    }
    EXPECT_LE(split, 1);
    EXPECT_EQ(dialog.progressBar()->value(), split);
}

TEST(BatchSplitWindow, ABatchLeavesTheOpenFileAndItsPartsAlone) {
    QTemporaryDir dir;
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    auto win = testing::ShowTestWindow(st, engine, dialogs, dir);
    ASSERT_TRUE(win);
    dialogs.openFileAnswer = Fixture("long65.mp3");
    win->onOpenTriggered();
    win->waitForOpen();
    ASSERT_TRUE(win->document().AddCutLine(PartFirstFrame(st, 1) + 400));
    const std::string fileName = st.FileName;
    const std::vector<int32_t> firsts = {PartFirstFrame(st, 1), PartFirstFrame(st, 2)};

    // Two MP3 files dropped: the batch dialog offers to split them.
    const QStringList files = CopyFiles(dir, {"speech_pauses.mp3", "vbr_stereo.mp3"});
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(files[0]), QUrl::fromLocalFile(files[1])});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(win.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(win.get(), &drop);
    EXPECT_TRUE(QTest::qWaitFor([&] { return win->batchSplitDialog() != nullptr; }, 2000));
    BatchSplitDialog* dialog = win->batchSplitDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(dialog->fileList()->topLevelItemCount(), 2);
    EXPECT_EQ(st.FileName, fileName); // nothing opened

    dialog->folderEdit()->setText(dir.filePath(QStringLiteral("batch")));
    ASSERT_TRUE(dialog->start());
    WaitForBatch(*dialog);
    EXPECT_EQ(dialog->stateText(0), QStringLiteral("3 parts"));
    EXPECT_EQ(st.FileName, fileName);
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_EQ((std::vector<int32_t>{PartFirstFrame(st, 1), PartFirstFrame(st, 2)}), firsts);
    EXPECT_TRUE(win->document().HasUnsplitEdits());
    // The menu command shows the same dialog.
    testing::FindPart<QAction>(win, "batchSplitAction")->trigger();
    EXPECT_EQ(win->batchSplitDialog(), dialog);
    testing::CloseTestWindow(win, dialogs);
}

} // namespace
} // namespace tessivo
