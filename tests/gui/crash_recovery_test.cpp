// Crash recovery in the window: a window edits a file, its edit is written
// within the autosave wait, and the process is killed. A new window brings the
// edit back (cut frames and samples, ticks, tags) as one undoable step when the
// file is opened or at a start without a file; a changed file is not offered;
// Discard and a clean close remove the record; the settings and recent files
// written before the kill are there.
#include "core/document/recovery_store.h"
#include "core/output/id3v1_tag.h"
#include "core/parts/part_access.h"
#include "core/settings/ini_file.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "tests/gui/window_parts.h"
#include "ui/document/edit_history.h"
#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/window/autosave_controller.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;

// One part as the killed window printed it.
struct PrintedPart {
    int32_t start = 0;
    int64_t cutSample = -1;
    bool ticked = true;
    unsigned ownFields = 0;
    std::string title, artist;
};

std::vector<PrintedPart> ParsePrinted(const QByteArray& out) {
    std::vector<PrintedPart> parts;
    for (const QByteArray& line : out.split('\n')) {
        const QList<QByteArray> f = line.split('\t');
        if (f.size() != 6)
            continue;
        parts.push_back({f[0].toInt(), f[1].toLongLong(), f[2] == "1", f[3].toUInt(),
                         f[4].toStdString(), f[5].toStdString()});
    }
    return parts;
}

void ExpectSameParts(const ProgramState& st, const std::vector<PrintedPart>& want) {
    ASSERT_EQ(st.Parts.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const PartRecord& p = st.Parts[i];
        EXPECT_EQ(p.start, want[i].start) << "part " << i + 1;
        EXPECT_EQ(p.cutSample, want[i].cutSample) << "part " << i + 1;
        EXPECT_EQ(p.ticked, want[i].ticked) << "part " << i + 1;
        EXPECT_EQ(p.ownFields, want[i].ownFields) << "part " << i + 1;
        EXPECT_EQ(p.own.title, want[i].title) << "part " << i + 1;
        EXPECT_EQ(p.own.artist, want[i].artist) << "part " << i + 1;
    }
}

// One window edits long65.mp3 and is killed, once for every test; each test
// starts from a copy of the records it left.
class CrashRecoveryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        crashed_ = new QTemporaryDir;
        const QString source = crashed_->filePath("talk.mp3");
        QFile::copy(tessivo::testing::Fixture("long65.mp3"), source);
        QProcess child;
        child.start(QStringLiteral(TESSIVO_EDIT_THEN_CRASH),
                    {source, crashed_->filePath("tessivo.ini"), crashed_->filePath("recovery")});
        child.waitForFinished(60000);
        exitStatus_ = child.exitStatus();
        exitCode_ = child.exitCode();
        printed_ = new QByteArray(child.readAllStandardOutput());
        for (const QByteArray& line : printed_->split('\n'))
            if (line.startsWith("album\t"))
                album_ = line.mid(6).toStdString();
    }
    static void TearDownTestSuite() {
        delete crashed_;
        delete printed_;
    }

    void SetUp() override {
        ASSERT_EQ(exitStatus_, QProcess::CrashExit) << "exit code " << exitCode_;
        parts_ = ParsePrinted(*printed_);
        ASSERT_EQ(parts_.size(), 4u) << printed_->toStdString();
        ASSERT_TRUE(dir.isValid());
        // The file keeps its path (and so its identity); the records are copied.
        QDir().mkpath(dir.filePath("recovery"));
        for (const QString& name : QDir(crashed_->filePath("recovery")).entryList(QDir::Files))
            QFile::copy(crashed_->filePath("recovery/") + name, dir.filePath("recovery/") + name);
        source_ = crashed_->filePath("talk.mp3");
        struct stat sb {};
        ASSERT_EQ(::stat(source_.toLocal8Bit().constData(), &sb), 0);
        sourceTimes_[0] = sb.st_atim;
        sourceTimes_[1] = sb.st_mtim;
    }
    void TearDown() override {
        tessivo::testing::CloseTestWindow(win, dialogs);
        // A test that touched the file gives it its time back for the next.
        ::utimensat(AT_FDCWD, source_.toLocal8Bit().constData(), sourceTimes_, 0);
    }

    void StartWindow() {
        win = tessivo::testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_TRUE(win);
    }
    void Open() {
        win->openFilePath(source_);
        win->waitForOpen();
        ASSERT_TRUE(st.FileLoaded);
    }
    QStringList RecordFiles() const {
        return QDir(dir.filePath("recovery")).entryList({QStringLiteral("*.edit")}, QDir::Files);
    }
    // The question the record of the killed window is asked with.
    QString ExpectedQuestion() const {
        const QStringList files = RecordFiles();
        const QDateTime written =
            QFileInfo(crashed_->filePath("recovery/") + files.value(0)).lastModified();
        return QStringLiteral("Restore the unsaved edit of talk.mp3 from %1?")
            .arg(written.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    }

    static QTemporaryDir* crashed_;
    static QByteArray* printed_;
    static QProcess::ExitStatus exitStatus_;
    static int exitCode_;
    static std::string album_;

    QTemporaryDir dir;
    QString source_;
    struct timespec sourceTimes_[2]{};
    std::vector<PrintedPart> parts_;
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
};

QTemporaryDir* CrashRecoveryTest::crashed_ = nullptr;
QByteArray* CrashRecoveryTest::printed_ = nullptr;
QProcess::ExitStatus CrashRecoveryTest::exitStatus_ = QProcess::NormalExit;
int CrashRecoveryTest::exitCode_ = 0;
std::string CrashRecoveryTest::album_;

TEST_F(CrashRecoveryTest, TheKilledWindowLeftItsEditAndSettings) {
    // Cuts at typed times keep their samples; the double click's is on the grid.
    EXPECT_GE(parts_[1].cutSample, 0);
    EXPECT_GE(parts_[3].cutSample, 0);
    EXPECT_FALSE(parts_[1].ticked);
    EXPECT_EQ(parts_[2].title, "Second half");
    EXPECT_EQ(album_, "Talks");
    EXPECT_EQ(RecordFiles().size(), 1);
    IniFile ini;
    ASSERT_TRUE(ini.Load(crashed_->filePath("tessivo.ini").toStdString()));
    EXPECT_EQ(ini.Get("Settings", "Volume"), "77");
    EXPECT_EQ(ini.Get("Window", "Recent File 1"), source_.toStdString());
    EXPECT_EQ(ini.Get("Window", "Open Folder"), crashed_->path().toStdString());
}

TEST_F(CrashRecoveryTest, OpeningTheFileAgainRestoresTheEditAsOneUndoableStep) {
    StartWindow();
    const QString question = ExpectedQuestion();
    dialogs.restoreAnswer = RestoreChoice::Restore;
    Open();
    ASSERT_EQ(dialogs.restoreQuestions, QStringList{question});
    ExpectSameParts(st, parts_);
    EXPECT_EQ(st.FileTag.fields.album, album_);
    // The window shows it: four rows, the unticked one, the title.
    EXPECT_EQ(PartRows(win->partList()), 4);
    EXPECT_EQ(RowOf(win->partList(), 1)->text(1), "Not Used");
    EXPECT_EQ(RowOf(win->partList(), 2)->text(6), "Second half");
    QUndoStack* stack = win->editHistory()->stack();
    ASSERT_EQ(stack->count(), 1);
    EXPECT_EQ(stack->undoText(), "Restore Edit");
    stack->undo();
    EXPECT_EQ(PartCount(st), 1);
    stack->redo();
    ExpectSameParts(st, parts_);
}

TEST_F(CrashRecoveryTest, AStartWithoutAFileOffersTheNewestRecordAndOpensItsFile) {
    StartWindow();
    const QString question = ExpectedQuestion();
    dialogs.restoreAnswer = RestoreChoice::Restore;
    win->restoreAfterCrash();
    win->waitForOpen();
    ASSERT_TRUE(st.FileLoaded);
    EXPECT_EQ(QString::fromStdString(st.FileName), source_);
    // Asked once, at the start; the file's showing does not ask again.
    EXPECT_EQ(dialogs.restoreQuestions, QStringList{question});
    ExpectSameParts(st, parts_);
    EXPECT_EQ(st.FileTag.fields.album, album_);
}

TEST_F(CrashRecoveryTest, AChangedFileIsNotOffered) {
    const struct timespec later[2] = {sourceTimes_[0], {sourceTimes_[1].tv_sec + 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, source_.toLocal8Bit().constData(), later, 0), 0);
    StartWindow();
    dialogs.restoreAnswer = RestoreChoice::Restore;
    win->restoreAfterCrash();
    EXPECT_FALSE(st.FileLoaded);
    Open();
    EXPECT_TRUE(dialogs.restoreQuestions.isEmpty());
    EXPECT_EQ(PartCount(st), 1);
}

TEST_F(CrashRecoveryTest, DiscardRemovesTheRecord) {
    StartWindow();
    dialogs.restoreAnswer = RestoreChoice::Discard;
    Open();
    EXPECT_EQ(dialogs.restoreQuestions.size(), 1);
    EXPECT_EQ(PartCount(st), 1);
    EXPECT_TRUE(RecordFiles().isEmpty());
}

TEST_F(CrashRecoveryTest, ClosingWithoutChoosingKeepsTheRecordForNextTime) {
    StartWindow();
    dialogs.restoreAnswer = RestoreChoice::Later;
    Open();
    EXPECT_EQ(PartCount(st), 1);
    EXPECT_EQ(RecordFiles().size(), 1);
}

// Without a killed window: edits are written within the wait, going back to
// the opened table removes the record, and a clean close removes it.
class AutosaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        source_ = dir.filePath("talk.mp3");
        ASSERT_TRUE(QFile::copy(tessivo::testing::Fixture("long65.mp3"), source_));
        win = tessivo::testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_TRUE(win);
        win->openFilePath(source_);
        win->waitForOpen();
        ASSERT_TRUE(st.FileLoaded);
    }
    void TearDown() override { tessivo::testing::CloseTestWindow(win, dialogs); }

    bool RecordWritten() {
        return QTest::qWaitFor(
            [&] { return !win->autosave()->pending() && QFile::exists(recordPath()); },
            AutosaveController::kDelayMs * 2);
    }
    QString recordPath() const { return win->autosave()->recordPath(); }
    // A cut line through Edit > Add cut at...
    void AddCut() {
        dialogs.timeAnswer = QStringLiteral("0:00:20.000");
        tessivo::testing::FindPart<QAction>(win, "addCutAtAction")->trigger();
        ASSERT_EQ(PartCount(st), 2);
    }

    QTemporaryDir dir;
    QString source_;
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
};

TEST_F(AutosaveTest, EachKindOfEditIsWrittenWithinTheWait) {
    EXPECT_FALSE(QFile::exists(recordPath()));
    AddCut();
    ASSERT_TRUE(RecordWritten());
    std::optional<StoredEdit> kept = FindEditRecord(win->autosave()->folder(), IdentityOf(st));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->record.parts, st.Parts);

    // A tick, then the file tag ("Original File").
    RowOf(win->partList(), 1)->setCheckState(0, Qt::Unchecked);
    ASSERT_TRUE(win->autosave()->pending());
    ASSERT_TRUE(RecordWritten());
    TagFields file = ReadTagFields(st, st, 0);
    file.album = "Talks";
    ASSERT_TRUE(win->document().StoreTagFields(0, file));
    ASSERT_TRUE(RecordWritten());
    kept = FindEditRecord(win->autosave()->folder(), IdentityOf(st));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->record.parts, st.Parts);
    EXPECT_FALSE(kept->record.parts[1].ticked);
    EXPECT_EQ(kept->record.fileTag, st.FileTag);
}

TEST_F(AutosaveTest, UndoingEveryEditRemovesTheRecord) {
    AddCut();
    ASSERT_TRUE(RecordWritten());
    win->editHistory()->stack()->undo();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QFile::exists(recordPath()); },
                                AutosaveController::kDelayMs * 2));
}

TEST_F(AutosaveTest, ACleanCloseRemovesTheRecord) {
    AddCut();
    ASSERT_TRUE(RecordWritten());
    const QString path = recordPath();
    dialogs.discardAnswer = false; // Cancel: the window stays, so does the record
    EXPECT_FALSE(win->close());
    EXPECT_TRUE(QFile::exists(path));
    dialogs.discardAnswer = true;
    EXPECT_TRUE(win->close());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(AutosaveTest, SettingsAreWrittenWhenTheyChange) {
    const QString ini = dir.filePath("tessivo.ini");
    // The open file went into the recent files at once.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            IniFile now;
            return now.Load(ini.toStdString()) &&
                   now.Get("Window", "Recent File 1") == source_.toStdString();
        },
        2000));
    win->document().SetSilenceThreshold(23);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            IniFile now;
            return now.Load(ini.toStdString()) && now.Get("Settings", "Threshold") == "23";
        },
        2000));
    // The keys keep the order the settings file gives them.
    QFile text(ini);
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = text.readAll().split('\n');
    QStringList keys;
    for (const QByteArray& l : lines)
        if (l.contains('='))
            keys << QString::fromUtf8(l.left(l.indexOf('=')));
    EXPECT_EQ(keys.mid(0, 6), QStringList({"Volume", "Threshold", "Release", "IsSaveTags",
                                           "Output Folder", "Gapless"}));
}

} // namespace
} // namespace tessivo
