// The split confirmation dialog: what it shows, the folder and tag choices,
// and the files its Split button writes.
#include "ui/output/confirm_dialog.h"

#include "core/analysis/peaks.h"
#include "core/parts/part_access.h"
#include "mp3/frame_gain.h"
#include "mp3/frame_header.h"
#include "mp3/side_info.h"
#include "ui/output/split_runner.h"

#include "core/analysis/open_file.h"
#include "core/output/id3v1_tag.h"
#include "core/output/part_tag.h"
#include "core/parts/cut_lines.h"
#include "core/settings/settings_file.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "tests/gui/tab_chain.h"
#include "ui/document/document_signals.h"
#include "ui/parts/part_list_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

namespace tessivo {
namespace {

// The real file system, except that creating the `failAt`-th file fails.
class FailingFileSystem : public PartFileSystem {
public:
    int failAt = 0;
    int creates = 0;
    std::unique_ptr<PartFileWriter> CreateTemp(const std::string& finalPath, std::string& tempPath,
                                               std::string& reason) override {
        if (++creates == failAt) {
            reason = "No space left on device";
            return nullptr;
        }
        return DefaultPartFileSystem().CreateTemp(finalPath, tempPath, reason);
    }
    bool Rename(const std::string& from, const std::string& to, std::string& reason) override {
        return DefaultPartFileSystem().Rename(from, to, reason);
    }
    void Remove(const std::string& path) override { DefaultPartFileSystem().Remove(path); }
};

class ConfirmDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(out.isValid());
        const OpenResult r =
            AnalyseFile(st, st, std::string(TESSIVO_FIXTURES) + "/long65.mp3", false);
        ASSERT_TRUE(r.ok) << r.message;
        st.FileName = std::string(TESSIVO_FIXTURES) + "/long65.mp3";
        st.FileLoaded = true;
        ResetToOnePart(st, st);
        CopySourceTag(st, st);
        st.OutputFolder = out.path().toStdString();
        dlg = std::make_unique<ConfirmDialog>(doc, dialogs);
    }
    // Clicks Split and waits until the parts are written (the split runs
    // on a worker thread).
    void ClickSplit() {
        QTest::mouseClick(dlg->splitButton, Qt::LeftButton);
        dlg->splitRunner()->wait();
    }
    // Cut lines at every `seconds`.
    void Parts(int count) {
        for (int k = 1; k < count; ++k)
            ASSERT_TRUE(AddCutLine(st, st, static_cast<int32_t>(k * st.FrameCount / count)));
        ASSERT_EQ(PartCount(st), count);
    }
    void WriteFile(const QString& name, const QByteArray& bytes) {
        QFile f(out.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // The list's file-name cells of the ticked parts, and whether each names
    // a file on disk.
    QStringList ListedFiles(const PartListView& list) {
        QStringList names;
        for (int r = 0; r < PartRows(list); ++r)
            if (RowOf(list, r)->checkState(0) == Qt::Checked)
                names << QFileInfo(RowOf(list, r)->text(5)).fileName();
        return names;
    }
    QByteArray ReadFile(const QString& name) {
        QFile f(out.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }
    // The source's bytes of part k, from its first frame to the next part's.
    QByteArray SourcePart(int k) {
        const int32_t a = st.FramePos[PartFirstFrame(st, k)];
        const int32_t b = k < PartCount(st) ? st.FramePos[PartFirstFrame(st, k + 1)]
                                            : st.FramePos[st.FrameCount - 1] + st.FrameLength;
        return QByteArray(reinterpret_cast<const char*>(st.FileBuffer.data() + a), b - a);
    }

    QTemporaryDir out;
    ProgramState st;
    Document doc{st};
    testing::FakeUserDialogs dialogs;
    std::unique_ptr<ConfirmDialog> dlg;
};

TEST_F(ConfirmDialogTest, ShowsTheFileItsLengthAndTheCountOfTickedParts) {
    Parts(5);
    st.Parts[1].ticked = false;
    st.Parts[3].ticked = false;
    dlg->show();
    EXPECT_EQ(dlg->windowTitle(), "long65.mp3  01:05");
    EXPECT_EQ(dlg->partsText->toPlainText(), "3 of 5 parts are prepared for splitting.");
    EXPECT_EQ(dlg->folderEdit->text(), out.path());
    EXPECT_FALSE(dlg->folderEdit->isReadOnly());
    EXPECT_GE(dlg->width(), 327);
    EXPECT_GE(dlg->height(), 213);
    // Split and Cancel side by side in one row.
    EXPECT_EQ(dlg->splitButton->y(), dlg->cancelButton->y());
    EXPECT_LT(dlg->splitButton->x(), dlg->cancelButton->x());
    EXPECT_EQ(dlg->saveTagsCheck->toolTip(),
              "Write each part's tags as " + dlg->tagFormatBox->currentText());
    EXPECT_EQ(dlg->saveTagsCheck->text(), "Save ID3 Tags");
    EXPECT_FALSE(dlg->saveTagsCheck->isChecked());
    EXPECT_EQ(dlg->splitButton->text(), "Split");
    EXPECT_EQ(dlg->cancelButton->text(), "Cancel");
    EXPECT_EQ(dlg->folderButton->text(), "Browse...");
    dlg->reject();

    st.IsSaveTags = true;
    for (int k = 1; k <= 5; ++k)
        st.Parts[k - 1].ticked = false;
    dlg->show();
    EXPECT_TRUE(dlg->saveTagsCheck->isChecked());
    EXPECT_EQ(dlg->partsText->toPlainText(), "0 of 5 parts are prepared for splitting.");
    dlg->reject();
}

TEST_F(ConfirmDialogTest, TheChoicesTakeEffectAtOnceEvenWhenCancelled) {
    Parts(2);
    dlg->show();
    QTest::mouseClick(dlg->saveTagsCheck, Qt::LeftButton);
    EXPECT_TRUE(st.IsSaveTags);
    QTest::mouseClick(dlg->gaplessCheck, Qt::LeftButton);
    EXPECT_TRUE(st.IsGapless);
    QTest::mouseClick(dlg->cancelButton, Qt::LeftButton);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(st.IsSaveTags);
    EXPECT_TRUE(st.IsGapless);
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(ConfirmDialogTest, GainAndReplayGainReachTheFiles) {
    Parts(2);
    st.Parts[1].ticked = false;
    ASSERT_TRUE(CalculatePeaks(st, st)); // the loudness ReplayGain writes
    dlg->show();
    EXPECT_EQ(dlg->replayGainCheck->text(), "ReplayGain");
    EXPECT_EQ(dlg->gainLabel->text(), "Gain");
    EXPECT_FALSE(dlg->replayGainCheck->isEnabled()); // only with "Save ID3 Tags"
    QTest::mouseClick(dlg->saveTagsCheck, Qt::LeftButton);
    ASSERT_TRUE(dlg->replayGainCheck->isEnabled());
    QTest::mouseClick(dlg->replayGainCheck, Qt::LeftButton);
    EXPECT_TRUE(doc.SplitLoudnessChoice().replayGain);
    dlg->gainBox->setFocus();
    QTest::keyClick(dlg->gainBox, Qt::Key_Down);
    QTest::keyClick(dlg->gainBox, Qt::Key_Down);
    EXPECT_EQ(doc.SplitLoudnessChoice().gainDb, -3.0);
    ClickSplit();
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
    const QByteArray file = ReadFile(QStringLiteral("long65-01.mp3"));
    EXPECT_TRUE(file.contains("REPLAYGAIN_TRACK_GAIN"));
    EXPECT_TRUE(file.contains("REPLAYGAIN_ALBUM_PEAK"));
    // The frames are the source's with two steps less gain.
    QByteArray want = SourcePart(1);
    mp3::ChangeStreamGain(reinterpret_cast<uint8_t*>(want.data()), want.size(), -2);
    EXPECT_FALSE(file.contains(SourcePart(1)));
    EXPECT_TRUE(file.contains(want));
    // Shown again, the dialog keeps the choices.
    dlg->show();
    EXPECT_TRUE(dlg->replayGainCheck->isChecked());
    EXPECT_EQ(dlg->gainBox->value(), -3.0);
    dlg->reject();
}

// Tab from the folder field reaches every control once, left to right and
// top to bottom, with the split as with the one file; Shift+Tab goes back.
TEST_F(ConfirmDialogTest, TabGoesThroughEveryControlInReadingOrder) {
    Parts(2);
    dlg->show();
    QApplication::setActiveWindow(dlg.get());
    for (bool oneFile : {false, true}) {
        SCOPED_TRACE(oneFile ? "one file" : "parts");
        dlg->oneFileCheck->setChecked(oneFile);
        const QList<QWidget*> chain = testing::TabChain(dlg.get(), dlg->folderEdit);
        const QList<QWidget*> controls = testing::TabControls(dlg.get());
        EXPECT_EQ(QSet<QWidget*>(chain.begin(), chain.end()),
                  QSet<QWidget*>(controls.begin(), controls.end()))
            << "reached: " << testing::NamesOf(chain) << "\nall: " << testing::NamesOf(controls);
        EXPECT_EQ(chain.contains(dlg->oneFileEdit), oneFile);
        for (int i = 1; i < chain.size(); ++i) {
            EXPECT_TRUE(testing::ReadsAfter(dlg.get(), chain[i - 1], chain[i]))
                << testing::NamesOf({chain[i - 1], chain[i]});
        }
        QList<QWidget*> back = testing::TabChain(dlg.get(), dlg->folderEdit, Qt::Key_Backtab);
        ASSERT_FALSE(back.isEmpty());
        std::reverse(back.begin() + 1, back.end());
        EXPECT_EQ(back, chain);
    }
    dlg->reject();
}

TEST_F(ConfirmDialogTest, FolderButtonAsksFromTheCurrentFolderAndKeepsItOnCancel) {
    Parts(2);
    dlg->show();
    QTest::mouseClick(dlg->folderButton, Qt::LeftButton);
    EXPECT_EQ(dialogs.folderCalls, 1);
    EXPECT_EQ(dialogs.lastFolderTitle, " Please select a folder");
    EXPECT_EQ(dialogs.lastFolderStart, out.path());
    EXPECT_EQ(st.OutputFolder, out.path().toStdString());
    EXPECT_EQ(dlg->folderEdit->text(), out.path());

    dialogs.folderAnswer = "/somewhere/else";
    QTest::mouseClick(dlg->folderButton, Qt::LeftButton);
    EXPECT_EQ(st.OutputFolder, "/somewhere/else");
    EXPECT_EQ(dlg->folderEdit->text(), "/somewhere/else");
    dlg->reject();
}

// The folder can be typed: leaving the field makes it the output folder (a
// relative one taken from the working folder); an emptied field keeps the
// folder there was.
TEST_F(ConfirmDialogTest, TypedFolderBecomesTheOutputFolder) {
    Parts(2);
    dlg->show();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    const QString typed = out.path() + QStringLiteral("/typed/../parts");
    dlg->folderEdit->setFocus();
    dlg->folderEdit->selectAll();
    QTest::keyClicks(dlg->folderEdit, typed);
    QTest::keyClick(dlg->folderEdit, Qt::Key_Tab);
    EXPECT_EQ(st.OutputFolder, (out.path() + QStringLiteral("/parts")).toStdString());
    EXPECT_EQ(dlg->folderEdit->text(), out.path() + QStringLiteral("/parts"));
    EXPECT_EQ(dialogs.folderCalls, 0);

    dlg->folderEdit->setFocus();
    dlg->folderEdit->selectAll();
    QTest::keyClick(dlg->folderEdit, Qt::Key_Backspace);
    QTest::keyClick(dlg->folderEdit, Qt::Key_Tab);
    EXPECT_EQ(dlg->folderEdit->text(), out.path() + QStringLiteral("/parts"));
    dlg->reject();
}

TEST_F(ConfirmDialogTest, AnEmptyFolderAsksForOneAndWritesNothing) {
    Parts(2);
    st.OutputFolder.clear();
    dlg->show();
    ClickSplit();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.first(), "Please select a folder");
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(st.SplitFileCount, 0);
    dlg->reject();
}

TEST_F(ConfirmDialogTest, SplitWritesTickedPartsNumberedOnAndTheListShowsSaved) {
    Parts(3);
    st.Parts[1].ticked = false;
    DocumentSignals listSignals{doc};
    PartListView list(doc, listSignals);
    QSignalSpy status(dlg.get(), &ConfirmDialog::statusText);

    dlg->show();
    ClickSplit();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files),
              QStringList({"long65-01.mp3", "long65-02.mp3"}));
    EXPECT_EQ(ReadFile("long65-01.mp3"), SourcePart(1));
    EXPECT_EQ(ReadFile("long65-02.mp3"), SourcePart(3));
    EXPECT_EQ(RowOf(list, 0)->text(1), "Saved");
    EXPECT_EQ(RowOf(list, 1)->text(1), "Not Used");
    EXPECT_EQ(RowOf(list, 2)->text(1), "Saved");
    ASSERT_EQ(status.count(), 2);
    EXPECT_EQ(status.at(0).first().toString(), "Splitting");
    EXPECT_EQ(status.at(1).first().toString(), "Ready");

    // A second split of the same open file goes on with 03 and 04.
    dlg->show();
    ClickSplit();
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files),
              QStringList({"long65-01.mp3", "long65-02.mp3", "long65-03.mp3", "long65-04.mp3"}));
    EXPECT_EQ(ReadFile("long65-03.mp3"), SourcePart(1));
    EXPECT_EQ(ReadFile("long65-04.mp3"), SourcePart(3));
}

TEST_F(ConfirmDialogTest, SavedTagsEndTheFilesOnlyWhenAsked) {
    Parts(2);
    st.Parts[1].own.title = "Second part";
    st.Parts[1].ownFields = kTagTitle;
    const Id3v1Record tag = PartId3v1(st, 2);
    st.PartTagFormat = TagFormat::V1; // the ID3v1 record alone
    dlg->show();
    QTest::mouseClick(dlg->saveTagsCheck, Qt::LeftButton);
    ClickSplit();
    const QByteArray second = ReadFile("long65-02.mp3");
    ASSERT_EQ(second.size(), SourcePart(2).size() + 128);
    EXPECT_EQ(second.right(128), QByteArray(reinterpret_cast<const char*>(tag.data()), 128));
    // Part 1 carries no tag (the source has none): no tag is added.
    EXPECT_EQ(ReadFile("long65-01.mp3"), SourcePart(1));
}

TEST_F(ConfirmDialogTest, AFolderThatIsGoneShowsTheErrorAndWritesNothing) {
    Parts(2);
    st.OutputFolder = out.filePath("missing").toStdString();
    DocumentSignals listSignals{doc};
    PartListView list(doc, listSignals);
    dlg->show();
    ClickSplit();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors.first().startsWith("Cannot create file \"" +
                                                  out.filePath("missing/long65-01.mp3") + "\". "))
        << dialogs.errors.first().toStdString();
    EXPECT_EQ(st.SplitFileCount, 1);
    EXPECT_FALSE(PartSaved(st, 1));
    EXPECT_EQ(RowOf(list, 0)->text(1), "Prepared");
    EXPECT_FALSE(QDir(out.filePath("missing")).exists());
}

TEST_F(ConfirmDialogTest, TheTagFormatChoiceReachesTheFilesAndTheSettingsFile) {
    Parts(2);
    st.Parts[1].ticked = false;
    TagFields fields;
    fields.title = "Uno";
    ASSERT_TRUE(doc.StoreTagFields(1, fields));
    dlg->show();
    EXPECT_EQ(dlg->tagFormatBox->currentText(), "ID3v2.3 + ID3v1"); // the default
    EXPECT_FALSE(dlg->tagFormatBox->isEnabled());                   // only with "Save ID3 Tags"
    QTest::mouseClick(dlg->saveTagsCheck, Qt::LeftButton);
    EXPECT_TRUE(dlg->tagFormatBox->isEnabled());
    const QStringList texts = {"ID3v1", "ID3v2.3", "ID3v2.4", "ID3v2.3 + ID3v1", "ID3v2.4 + ID3v1"};
    const int versions[] = {0, 3, 4, 3, 4};
    const bool withV1[] = {true, false, false, true, true};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        dlg->show();
        dlg->tagFormatBox->setFocus();
        QTest::keyClick(dlg->tagFormatBox, Qt::Key_Home);
        for (int d = 0; d < i; ++d)
            QTest::keyClick(dlg->tagFormatBox, Qt::Key_Down);
        EXPECT_EQ(dlg->tagFormatBox->currentText(), texts[i]);
        ClickSplit();
        ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
        const QByteArray file = ReadFile(QStringLiteral("long65-0%1.mp3").arg(i + 1));
        ASSERT_GT(file.size(), 128);
        EXPECT_EQ(file.startsWith("ID3"), versions[i] != 0);
        if (versions[i] != 0) {
            EXPECT_EQ(file[3], versions[i]);
        }
        EXPECT_EQ(file.right(128).startsWith("TAGUno"), withV1[i]);
        // The audio is the source's, whatever the tags around it.
        EXPECT_TRUE(file.contains(SourcePart(1)));
    }

    const QString ini = out.filePath("settings.ini");
    std::string error;
    ASSERT_TRUE(SaveSettings(st, ini.toStdString(), error)) << error;
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("Tag Format=v1+v2.4\n"));
    ProgramState again;
    LoadSettings(again, ini.toStdString());
    EXPECT_EQ(again.PartTagFormat, TagFormat::V1V24);
    dlg->show();
    EXPECT_EQ(dlg->tagFormatBox->currentText(), "ID3v2.4 + ID3v1");
    dlg->reject();
}

TEST_F(ConfirmDialogTest, ExistingFilesAreReplacedOnlyWhenTheUserSaysReplace) {
    Parts(3);
    WriteFile("long65-02.mp3", "old two");
    WriteFile("long65-03.mp3", "old three");
    DocumentSignals listSignals{doc};
    PartListView list(doc, listSignals);

    dialogs.replaceAnswer = false;
    dlg->show();
    ClickSplit();
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions.first(), "long65-02.mp3 exists (and 1 more). Replace?");
    // Cancel writes nothing and leaves the dialog open for another folder.
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files),
              QStringList({"long65-02.mp3", "long65-03.mp3"}));
    EXPECT_EQ(ReadFile("long65-02.mp3"), "old two");
    EXPECT_EQ(ReadFile("long65-03.mp3"), "old three");
    EXPECT_EQ(st.SplitFileCount, 0);
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(RowOf(list, r)->text(1), "Prepared");

    dialogs.replaceAnswer = true;
    ClickSplit();
    ASSERT_EQ(dialogs.questions.size(), 2);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(ReadFile(QStringLiteral("long65-0%1.mp3").arg(k)), SourcePart(k)) << k;

    // One file in the way: no "more".
    st.SplitFileCount = 0;
    QFile::remove(out.filePath("long65-01.mp3"));
    QFile::remove(out.filePath("long65-02.mp3"));
    dialogs.replaceAnswer = false;
    dlg->show();
    ClickSplit();
    EXPECT_EQ(dialogs.questions.last(), "long65-03.mp3 exists. Replace?");
    EXPECT_FALSE(QFile::exists(out.filePath("long65-01.mp3")));
    dlg->reject();
}

// Parts of an earlier split with higher numbers, left in the folder, are
// named in the split's result; the files themselves stay.
TEST_F(ConfirmDialogTest, PartsAnEarlierSplitLeftAreNamed) {
    Parts(2);
    for (const char* name : {"long65-03.mp3", "long65-04.mp3", "long65-07.mp3"})
        WriteFile(name, "earlier");
    WriteFile("long65-3.mp3", "not a part name");
    WriteFile("other-05.mp3", "another source's");
    dlg->show();
    ClickSplit();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.first(), "Note: 3 files of an earlier split remain: long65-03.mp3, "
                                        "long65-04.mp3, long65-07.mp3");
    EXPECT_EQ(ReadFile("long65-03.mp3"), "earlier");
    EXPECT_EQ(ReadFile("long65-01.mp3"), SourcePart(1));
}

TEST_F(ConfirmDialogTest, TheListNamesTheFilesOnDiskAfterFailedAndRepeatedSplits) {
    Parts(3);
    st.Parts[1].ticked = false;
    FailingFileSystem fs;
    dlg->setFileSystem(fs);
    DocumentSignals listSignals{doc};
    PartListView list(doc, listSignals);
    EXPECT_EQ(ListedFiles(list), QStringList({"long65-01.mp3", "long65-02.mp3"}));

    // The second file cannot be made: part 1 is saved, part 3 is not, and the
    // list names the file the failure names.
    fs.failAt = 2;
    dlg->show();
    ClickSplit();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors.first().contains(out.filePath("long65-02.mp3")))
        << dialogs.errors.first().toStdString();
    EXPECT_EQ(RowOf(list, 0)->text(1), "Saved");
    EXPECT_EQ(RowOf(list, 2)->text(1), "Prepared");
    EXPECT_EQ(RowOf(list, 2)->text(5), "long65-02.mp3");
    EXPECT_EQ(RowOf(list, 2)->toolTip(5), out.filePath("long65-02.mp3"));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList({"long65-01.mp3"}));
    EXPECT_EQ(ReadFile(QFileInfo(RowOf(list, 0)->text(5)).fileName()), SourcePart(1));

    // A split that works goes on numbering; every ticked row names its file.
    fs.failAt = 0;
    dlg->show();
    ClickSplit();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(ListedFiles(list), QStringList({"long65-03.mp3", "long65-04.mp3"}));
    EXPECT_EQ(ReadFile("long65-03.mp3"), SourcePart(1));
    EXPECT_EQ(ReadFile("long65-04.mp3"), SourcePart(3));
    EXPECT_EQ(RowOf(list, 0)->text(1), "Saved");
    EXPECT_EQ(RowOf(list, 1)->text(1), "Not Used");
    EXPECT_EQ(RowOf(list, 2)->text(1), "Saved");

    // Ticking part 2 again: the saved parts keep naming their files, part 2
    // names the file the next split gives it.
    ASSERT_TRUE(doc.SetPartUsed(2, true));
    EXPECT_EQ(ListedFiles(list), QStringList({"long65-03.mp3", "long65-06.mp3", "long65-04.mp3"}));
    EXPECT_EQ(RowOf(list, 1)->text(1), "Prepared");
}

TEST_F(ConfirmDialogTest, ADamagedSourceTagIsToldOnceAndTheSplitGoesOn) {
    QFile fixture(QStringLiteral(TESSIVO_FIXTURES "/id3v2.mp3"));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    QByteArray bytes = fixture.readAll();
    ASSERT_TRUE(bytes.mid(10, 4) == "TIT2");
    bytes[14] = 0x7F; // the title frame runs far past the tag
    WriteFile("damaged.mp3", bytes);
    ProgramState damaged;
    ASSERT_TRUE(AnalyseFile(damaged, damaged, out.filePath("damaged.mp3").toStdString(), false).ok);
    damaged.FileName = out.filePath("damaged.mp3").toStdString();
    damaged.FileLoaded = true;
    ResetToOnePart(damaged, damaged);
    ASSERT_TRUE(AddCutLine(damaged, damaged, static_cast<int32_t>(damaged.FrameCount / 2)));
    ASSERT_TRUE(QDir(out.path()).mkdir("parts"));
    damaged.OutputFolder = out.filePath("parts").toStdString();
    damaged.IsSaveTags = true;
    Document damagedDoc(damaged);
    ConfirmDialog damagedDlg(damagedDoc, dialogs);
    for (int split = 0; split < 2; ++split) {
        damagedDlg.show();
        QTest::mouseClick(damagedDlg.splitButton, Qt::LeftButton);
        damagedDlg.splitRunner()->wait();
    }
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
    EXPECT_EQ(QDir(out.filePath("parts")).entryList(QDir::Files).size(), 4);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.first(), "The tag of damaged.mp3 could be read only in part; the "
                                        "parts carry what could be read.");
}

TEST_F(ConfirmDialogTest, MenuOpensTheDialogOnlyWithPreparedParts) {
    dlg->openIfPartsPrepared();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.first(), "No parts prepared to split.");
    EXPECT_FALSE(dlg->isVisible());

    Parts(2);
    bool wasShown = false;
    QTimer::singleShot(0, dlg.get(), [&] {
        wasShown = dlg->isVisible();
        QTest::mouseClick(dlg->cancelButton, Qt::LeftButton);
    });
    dlg->openIfPartsPrepared();
    EXPECT_TRUE(wasShown);
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files).isEmpty());
}

// Parts 2 and 4 of four ticked, written as one file: its frames are theirs
// (and an Info frame of its own), a chapter per part starting where the
// part before it ends.
// The global gain of granule 0, channel 0 of audio frame `f` of a file.
int GainOfFrame(const QString& path, size_t f) {
    ProgramState p;
    EXPECT_TRUE(AnalyseFile(p, p, path.toStdString(), false).ok) << path.toStdString();
    if (f >= p.FramePos.size())
        return -1;
    const uint8_t* d = p.FileBuffer.data() + p.FramePos[f];
    mp3::Layer3Header h;
    if (!mp3::ParseLayer3Header(d, p.FileBuffer.size() - size_t(p.FramePos[f]), h))
        return -1;
    return mp3::ReadGranuleGains(d, h).gain[0][0].globalGain;
}

// The fade box is a setting of the document; a split with a fade lowers the
// gains at each part's edges and leaves its middle as the source has it.
TEST_F(ConfirmDialogTest, FadeBoxFadesThePartsEdges) {
    Parts(2);
    dlg->show();
    EXPECT_EQ(dlg->fadeBox->value(), 0);
    ClickSplit();
    const QStringList before = QDir(out.path()).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(before.size(), 2);
    dlg->show();
    dlg->fadeBox->setValue(600);
    EXPECT_EQ(st.FadeMs, 600);
    ClickSplit(); // the next numbers: the same parts again, faded
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    QStringList made = QDir(out.path()).entryList(QDir::Files, QDir::Name);
    for (const QString& name : before)
        made.removeAll(name);
    ASSERT_EQ(made.size(), 2);
    const QString kept = out.filePath(before[0]), faded = out.filePath(made[0]);
    EXPECT_EQ(QFileInfo(faded).size(), QFileInfo(kept).size());
    EXPECT_LT(GainOfFrame(faded, 1), GainOfFrame(kept, 1));
    EXPECT_EQ(GainOfFrame(faded, 100), GainOfFrame(kept, 100));
    dlg->show();
    EXPECT_EQ(dlg->fadeBox->value(), 600);
    dlg->reject();
}

TEST_F(ConfirmDialogTest, TheTickedPartsWrittenAsOneFileHoldTheirFramesAndAChapterEach) {
    Parts(4);
    st.Parts[0].ticked = false;
    st.Parts[2].ticked = false;
    dlg->show();
    const QString name = out.filePath(QStringLiteral("long65 (parts).mp3"));
    EXPECT_EQ(dlg->oneFileEdit->text(), name);
    EXPECT_FALSE(dlg->oneFileEdit->isEnabled());
    QTest::mouseClick(dlg->oneFileCheck, Qt::LeftButton);
    EXPECT_TRUE(dlg->oneFileEdit->isEnabled());
    EXPECT_TRUE(dlg->tagFormatBox->isEnabled()); // its ID3v2 version counts
    QSignalSpy written(dlg.get(), &ConfirmDialog::filesWritten);
    ClickSplit();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    EXPECT_TRUE(dialogs.questions.isEmpty());
    ASSERT_EQ(written.count(), 1);
    EXPECT_EQ(written.at(0).at(0).toInt(), 1);
    EXPECT_EQ(written.at(0).at(1).toString(), out.path());
    // Only the one file: no part files, no part marked saved.
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{"long65 (parts).mp3"});
    EXPECT_FALSE(PartSaved(st, 2));

    const int32_t second = PartLastFrame(st, st, 2) - PartFirstFrame(st, 2) + 1;
    const int32_t fourth = PartLastFrame(st, st, 4) - PartFirstFrame(st, 4) + 1;
    ProgramState one;
    const OpenResult r = AnalyseFile(one, one, name.toStdString(), false);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(one.IndexedFrames, 1 + second + fourth);
    EXPECT_EQ(one.SampleRate, st.SampleRate);
    const SourceTag tag = ReadSourceTag(one);
    ASSERT_EQ(tag.chapters.size(), 2u);
    const double frameMs = 1000.0 * st.SamplesPerFrame / st.SampleRate;
    EXPECT_NEAR(tag.chapters[1].startMs, second * frameMs, frameMs);
    EXPECT_NEAR(tag.chapters[1].endMs, (second + fourth) * frameMs, frameMs);
}

TEST_F(ConfirmDialogTest, TheOneFileTakesReplayGainAutoGainAndTheId3v1OfItsFormat) {
    Parts(3);
    st.Parts[1].ticked = false;
    ASSERT_TRUE(CalculatePeaks(st, st)); // the loudness auto and ReplayGain use
    doc.SetPartTagFormat(TagFormat::V1V24);
    doc.SetSaveTags(false);
    dlg->show();
    QTest::mouseClick(dlg->oneFileCheck, Qt::LeftButton);
    // The one file always has an ID3v2 tag: ReplayGain is open without tags.
    ASSERT_TRUE(dlg->replayGainCheck->isEnabled());
    QTest::mouseClick(dlg->replayGainCheck, Qt::LeftButton);
    EXPECT_EQ(dlg->gainAutoCheck->text(), QStringLiteral("auto"));
    ASSERT_TRUE(dlg->gainBox->isEnabled());
    QTest::mouseClick(dlg->gainAutoCheck, Qt::LeftButton);
    EXPECT_TRUE(doc.SplitLoudnessChoice().gainAuto);
    EXPECT_FALSE(dlg->gainBox->isEnabled());
    ClickSplit();
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
    const QByteArray file = ReadFile(QStringLiteral("long65 (parts).mp3"));
    ASSERT_GT(file.size(), 128);
    EXPECT_TRUE(file.startsWith(QByteArray("ID3\x04", 4)));
    EXPECT_EQ(file.right(128).left(3), QByteArray("TAG"));
    // The quiet source was brought to the nearest step of -18 LUFS, so what
    // ReplayGain still asks for is under half a step.
    const qsizetype at = file.indexOf("REPLAYGAIN_TRACK_GAIN");
    ASSERT_GE(at, 0);
    const QByteArray gain = file.mid(at + 22, 12);
    bool ok = false;
    const double db = QString::fromLatin1(gain.left(gain.indexOf(" dB"))).toDouble(&ok);
    ASSERT_TRUE(ok) << gain.toStdString();
    EXPECT_LE(std::abs(db), 0.75) << db;
    ProgramState one;
    ASSERT_TRUE(AnalyseFile(one, one,
                            out.filePath(QStringLiteral("long65 (parts).mp3")).toStdString(), false)
                    .ok);
    EXPECT_TRUE(one.HasId3v1);
    dlg->show();
    EXPECT_TRUE(dlg->gainAutoCheck->isChecked());
    dlg->reject();
}

// A source cut without its bit reservoir: the one file's first frame is
// written as silence and the user is told so after the file is written.
TEST_F(ConfirmDialogTest, AOneFileOfASourceCutWithoutItsReservoirWarns) {
    ProgramState vbr;
    ASSERT_TRUE(AnalyseFile(vbr, vbr, std::string(TESSIVO_FIXTURES) + "/vbr_stereo.mp3", false).ok);
    QTemporaryDir src;
    const QString path = src.filePath(QStringLiteral("cut.mp3"));
    QFile cut(path);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    const size_t from = static_cast<size_t>(vbr.FramePos[40]);
    cut.write(reinterpret_cast<const char*>(vbr.FileBuffer.data() + from),
              static_cast<qint64>(vbr.FileBuffer.size() - from));
    cut.close();
    ASSERT_TRUE(AnalyseFile(st, st, path.toStdString(), false).ok);
    st.FileName = path.toStdString();
    ResetToOnePart(st, st);
    CopySourceTag(st, st);
    Parts(2);
    dlg->show();
    EXPECT_EQ(dlg->oneFileEdit->text(), out.filePath(QStringLiteral("cut (parts).mp3")));
    QTest::mouseClick(dlg->oneFileCheck, Qt::LeftButton);
    QSignalSpy written(dlg.get(), &ConfirmDialog::filesWritten);
    ClickSplit();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    EXPECT_EQ(written.count(), 1);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains("written as silence"))
        << dialogs.messages[0].toStdString();
}

TEST_F(ConfirmDialogTest, AnExistingOneFileIsReplacedOnlyWhenTheUserSaysReplace) {
    Parts(3);
    WriteFile("long65 (parts).mp3", "old");
    dlg->show();
    QTest::mouseClick(dlg->oneFileCheck, Qt::LeftButton);
    dialogs.replaceAnswer = false;
    QTest::mouseClick(dlg->splitButton, Qt::LeftButton);
    EXPECT_FALSE(dlg->splitRunner()->isRunning());
    EXPECT_EQ(dialogs.questions, QStringList{"long65 (parts).mp3 exists. Replace?"});
    EXPECT_EQ(ReadFile("long65 (parts).mp3"), QByteArray("old"));
    EXPECT_TRUE(dlg->isVisible()); // the dialog stays for another name

    dialogs.replaceAnswer = true;
    ClickSplit();
    EXPECT_EQ(dialogs.questions.size(), 2);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(' ').toStdString();
    ProgramState one;
    ASSERT_TRUE(AnalyseFile(one, one, out.filePath("long65 (parts).mp3").toStdString(), false).ok);
    EXPECT_EQ(one.IndexedFrames, 1 + st.IndexedFrames);
}

// The name follows the output folder until the user chooses one; a name
// alone is taken in the output folder.
TEST_F(ConfirmDialogTest, TheOneFileNameFollowsTheFolderUntilOneIsChosen) {
    Parts(2);
    dlg->show();
    QTemporaryDir other;
    dialogs.folderAnswer = other.path();
    QTest::mouseClick(dlg->folderButton, Qt::LeftButton);
    EXPECT_EQ(dlg->oneFileEdit->text(), other.filePath(QStringLiteral("long65 (parts).mp3")));
    QTest::mouseClick(dlg->oneFileCheck, Qt::LeftButton);
    dialogs.saveFileAnswer = out.filePath(QStringLiteral("mine.mp3"));
    QTest::mouseClick(dlg->oneFileButton, Qt::LeftButton);
    EXPECT_EQ(dialogs.lastSaveStart, other.filePath(QStringLiteral("long65 (parts).mp3")));
    EXPECT_EQ(dlg->oneFileEdit->text(), out.filePath(QStringLiteral("mine.mp3")));
    dialogs.folderAnswer = out.path();
    QTest::mouseClick(dlg->folderButton, Qt::LeftButton);
    EXPECT_EQ(dlg->oneFileEdit->text(), out.filePath(QStringLiteral("mine.mp3")));
    dlg->oneFileEdit->setText(QStringLiteral("short.mp3"));
    EXPECT_EQ(dlg->oneFilePath(), out.filePath(QStringLiteral("short.mp3")));
    dlg->oneFileEdit->clear();
    QTest::mouseClick(dlg->splitButton, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages, QStringList{"Please choose the file to write"});
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files).isEmpty());
}

} // namespace
} // namespace tessivo
