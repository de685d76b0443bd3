// File > Join files...: the order the list sets, the file written (its
// frames and chapters read back), the refusal of a file of another sample
// rate, an existing file kept unless replaced, and Cancel leaving nothing.
#include "core/analysis/open_file.h"
#include "core/output/part_tag.h"
#include "mp3/info_frame.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/gui/window_parts.h"
#include "ui/output/join_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::Fixture;

// The real file system, except that writing waits until the test releases
// it (so a Cancel lands while the file is written).
class GatedFileSystem : public PartFileSystem {
public:
    std::atomic<bool> writing{false};

    // Lets the writes go on.
    void Release() {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        releasedChanged_.notify_all();
    }

    class Writer : public PartFileWriter {
    public:
        Writer(std::unique_ptr<PartFileWriter> real, GatedFileSystem& fs)
            : real_(std::move(real)), fs_(fs) {}
        bool Write(const uint8_t* data, size_t size) override {
            fs_.writing = true;
            fs_.WaitForRelease();
            return real_->Write(data, size);
        }
        bool Close() override { return real_->Close(); }

    private:
        std::unique_ptr<PartFileWriter> real_;
        GatedFileSystem& fs_;
    };

    std::unique_ptr<PartFileWriter> CreateTemp(const std::string& finalPath, std::string& tempPath,
                                               std::string& reason) override {
        auto real = DefaultPartFileSystem().CreateTemp(finalPath, tempPath, reason);
        return real ? std::make_unique<Writer>(std::move(real), *this) : nullptr;
    }
    bool Rename(const std::string& from, const std::string& to, std::string& reason) override {
        return DefaultPartFileSystem().Rename(from, to, reason);
    }
    void Remove(const std::string& path) override { DefaultPartFileSystem().Remove(path); }

private:
    // Blocks the writing thread until Release, or 10 s so a failed test ends.
    void WaitForRelease() {
        std::unique_lock<std::mutex> lock(mutex_);
        releasedChanged_.wait_for(lock, std::chrono::seconds(10), [this] { return released_; });
    }
    std::mutex mutex_;
    std::condition_variable releasedChanged_;
    bool released_ = false;
};

// The audio frames of a file: its frames less a Xing/Info frame of its own.
int32_t AudioFrames(const QString& path) {
    ProgramState st;
    EXPECT_TRUE(AnalyseFile(st, st, path.toStdString(), false).ok) << path.toStdString();
    const size_t first = static_cast<size_t>(st.FramePos[0]);
    const bool info =
        mp3::ReadInfoTag(st.FileBuffer.data() + first, st.FileBuffer.size() - first).kind !=
        mp3::SourceInfoTag::Kind::None;
    return st.IndexedFrames - (info ? 1 : 0);
}

class JoinFilesWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        win = testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_TRUE(win);
        testing::FindPart<QAction>(win, "joinFilesAction")->trigger();
        join = win->joinDialog();
        ASSERT_TRUE(join);
        EXPECT_TRUE(join->isVisible());
    }
    void TearDown() override { testing::CloseTestWindow(win, dialogs); }
    void Add(const QStringList& fixtures) {
        dialogs.openFilesAnswer.clear();
        for (const QString& name : fixtures)
            dialogs.openFilesAnswer << Fixture(name.toLatin1().constData());
        QTest::mouseClick(join->addButton, Qt::LeftButton);
    }
    QStringList Listed() const {
        QStringList names;
        for (int row = 0; row < join->fileList->count(); ++row)
            names << join->fileList->item(row)->text();
        return names;
    }
    QString Out(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QStringList OutFiles() const {
        return QDir(dir.path()).entryList({QStringLiteral("*.mp3*")}, QDir::Files);
    }

    QTemporaryDir dir;
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
    JoinDialog* join = nullptr;
};

TEST_F(JoinFilesWindowTest, JoinsThreeFilesInTheOrderOfTheList) {
    Add({"cbr128_stereo.mp3", "vbr_stereo.mp3", "silent.mp3"});
    join->fileList->setCurrentRow(2);
    QTest::mouseClick(join->upButton, Qt::LeftButton);
    ASSERT_EQ(Listed(), (QStringList{"cbr128_stereo.mp3", "silent.mp3", "vbr_stereo.mp3"}));
    // The first file names the output until another name is given.
    EXPECT_EQ(join->outEdit->text(),
              QDir(QStringLiteral(TESSIVO_FIXTURES)).filePath("cbr128_stereo (joined).mp3"));
    join->outEdit->setText(Out("book.mp3"));
    QSignalSpy finished(join, &JoinDialog::joinFinished);
    QTest::mouseClick(join->joinButton, Qt::LeftButton);
    EXPECT_TRUE(join->isRunning());
    EXPECT_FALSE(join->joinButton->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !join->isRunning(); }, 20000));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toString(), Out("book.mp3"));
    EXPECT_EQ(join->progressBar->value(), 100);
    EXPECT_TRUE(join->joinButton->isEnabled());

    ProgramState one;
    ASSERT_TRUE(AnalyseFile(one, one, Out("book.mp3").toStdString(), false).ok);
    const int32_t a = AudioFrames(Fixture("cbr128_stereo.mp3"));
    const int32_t b = AudioFrames(Fixture("silent.mp3"));
    const int32_t c = AudioFrames(Fixture("vbr_stereo.mp3"));
    EXPECT_EQ(one.IndexedFrames, 1 + a + b + c);
    const SourceTag tag = ReadSourceTag(one);
    ASSERT_EQ(tag.chapters.size(), 3u);
    EXPECT_EQ(tag.chapters[0].title, "cbr128_stereo");
    EXPECT_EQ(tag.chapters[1].title, "silent");
    EXPECT_EQ(tag.chapters[2].title, "vbr_stereo");
    const double frameMs = 1152 * 1000.0 / 44100;
    EXPECT_NEAR(tag.chapters[1].startMs, a * frameMs, frameMs);
    EXPECT_NEAR(tag.chapters[2].startMs, (a + b) * frameMs, frameMs);
    EXPECT_NEAR(tag.chapters[2].endMs, (a + b + c) * frameMs, frameMs);
    EXPECT_TRUE(st.FileName.empty()); // the window's document took no part
}

// A missing output folder is made with its parents; one that cannot be made
// (a file stands in its way) is refused with the reason and nothing is
// written.
TEST_F(JoinFilesWindowTest, MakesAMissingOutputFolder) {
    Add({"cbr128_stereo.mp3", "silent.mp3"});
    const QString nested = dir.filePath(QStringLiteral("new/deeper/book.mp3"));
    join->outEdit->setText(nested);
    QTest::mouseClick(join->joinButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !join->isRunning(); }, 20000));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(' ').toStdString();
    ProgramState one;
    EXPECT_TRUE(AnalyseFile(one, one, nested.toStdString(), false).ok);

    QFile blocker(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    join->outEdit->setText(dir.filePath(QStringLiteral("plain/book.mp3")));
    QTest::mouseClick(join->joinButton, Qt::LeftButton);
    EXPECT_FALSE(join->isRunning());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Cannot make the folder of ") +
                                               dir.filePath(QStringLiteral("plain/book.mp3"))))
        << dialogs.messages[0].toStdString();
}

// The tag box names the formats as the split dialog does; one with ID3v1
// ends the file with the first file's fields.
TEST_F(JoinFilesWindowTest, TheTagBoxNamesTheSplitDialogsFormatsAndWritesTheId3v1Chosen) {
    auto* box = testing::FindPart<QComboBox>(join, "joinId3Box");
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    EXPECT_EQ(names, (QStringList{"ID3v2.3", "ID3v2.4", "ID3v2.3 + ID3v1", "ID3v2.4 + ID3v1"}));
    EXPECT_EQ(box->currentText(), QStringLiteral("ID3v2.3"));
    Add({"cbr128_stereo.mp3", "silent.mp3"});
    box->setCurrentIndex(box->findText(QStringLiteral("ID3v2.4 + ID3v1")));
    join->outEdit->setText(Out("tagged.mp3"));
    QTest::mouseClick(join->joinButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !join->isRunning(); }, 20000));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    QFile f(Out("tagged.mp3"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith(QByteArray("ID3\x04", 4)));
    EXPECT_EQ(bytes.right(128).left(3), QByteArray("TAG"));
    ProgramState one;
    ASSERT_TRUE(AnalyseFile(one, one, Out("tagged.mp3").toStdString(), false).ok);
    EXPECT_TRUE(one.HasId3v1);
    EXPECT_EQ(one.IndexedFrames,
              1 + AudioFrames(Fixture("cbr128_stereo.mp3")) + AudioFrames(Fixture("silent.mp3")));
}

TEST_F(JoinFilesWindowTest, RefusesAFileOfAnotherSampleRateAndWritesNothing) {
    // A file dropped on the dialog joins the list; a folder does not.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Fixture("cbr128_stereo.mp3")),
                  QUrl::fromLocalFile(QStringLiteral(TESSIVO_FIXTURES))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(join, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(join, &drop);
    ASSERT_EQ(Listed(), QStringList{"cbr128_stereo.mp3"});
    join->outEdit->setText(Out("joined.mp3"));
    QTest::mouseClick(join->joinButton, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages, QStringList{"Join needs two files or more."});
    EXPECT_FALSE(join->isRunning());

    Add({"mpeg2_22k.mp3", "silent.mp3"});
    QTest::mouseClick(join->joinButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !join->isRunning(); }, 20000));
    EXPECT_EQ(dialogs.errors,
              QStringList{"Cannot join mpeg2_22k.mp3: 22050 Hz, the first file has 44100 Hz"});
    EXPECT_EQ(join->statusLine->text(), "Nothing was written.");
    EXPECT_TRUE(OutFiles().isEmpty()) << OutFiles().join(' ').toStdString();

    // Without that file the same list joins.
    join->fileList->setCurrentRow(1);
    QTest::mouseClick(join->removeButton, Qt::LeftButton);
    ASSERT_EQ(Listed(), (QStringList{"cbr128_stereo.mp3", "silent.mp3"}));
    QTest::mouseClick(join->joinButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !join->isRunning(); }, 20000));
    EXPECT_EQ(OutFiles(), QStringList{"joined.mp3"});
}

TEST_F(JoinFilesWindowTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysReplace) {
    Add({"cbr128_stereo.mp3", "silent.mp3"});
    dialogs.saveFileAnswer = Out("old.mp3");
    QTest::mouseClick(join->outButton, Qt::LeftButton);
    EXPECT_EQ(join->outEdit->text(), Out("old.mp3"));
    QFile old(Out("old.mp3"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    dialogs.replaceAnswer = false;
    EXPECT_FALSE(join->start());
    EXPECT_EQ(dialogs.questions, QStringList{"old.mp3 exists. Replace?"});
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));
    old.close();

    dialogs.replaceAnswer = true;
    ASSERT_TRUE(join->start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !join->isRunning(); }, 20000));
    EXPECT_EQ(dialogs.questions.size(), 2);
    EXPECT_GT(QFileInfo(Out("old.mp3")).size(), 10000);
}

// A file cut without its bit reservoir: its first frame's data is not
// there, so that frame is written as silence and the user is told.
TEST_F(JoinFilesWindowTest, AFileCutWithoutItsReservoirIsJoinedWithAWarning) {
    ProgramState vbr;
    ASSERT_TRUE(AnalyseFile(vbr, vbr, Fixture("vbr_stereo.mp3").toStdString(), false).ok);
    const size_t from = static_cast<size_t>(vbr.FramePos[40]);
    QFile cut(Out("cut.mp3"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(reinterpret_cast<const char*>(vbr.FileBuffer.data() + from),
              static_cast<qint64>(vbr.FileBuffer.size() - from));
    cut.close();
    Add({"cbr128_stereo.mp3"});
    join->addFiles({Out("cut.mp3")});
    join->outEdit->setText(Out("joined.mp3"));
    ASSERT_TRUE(join->start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !join->isRunning(); }, 20000));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains("written as silence"))
        << dialogs.messages[0].toStdString();
    EXPECT_TRUE(QFileInfo::exists(Out("joined.mp3")));
}

TEST_F(JoinFilesWindowTest, CancelWhileWritingLeavesNoFile) {
    GatedFileSystem fs;
    join->setFileSystem(fs);
    Add({"cbr128_stereo.mp3", "vbr_stereo.mp3", "silent.mp3"});
    join->outEdit->setText(Out("cancelled.mp3"));
    QTest::mouseClick(join->joinButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs.writing.load(); }, 20000));
    EXPECT_TRUE(join->cancelButton->isEnabled());
    QTest::mouseClick(join->cancelButton, Qt::LeftButton);
    fs.Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !join->isRunning(); }, 20000));
    EXPECT_EQ(join->statusLine->text(), "Cancelled; nothing was written.");
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    EXPECT_TRUE(
        QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("cancelled").isEmpty())
        << QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
}

} // namespace
} // namespace tessivo
