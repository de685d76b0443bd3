// Parts keep their own audio's title, tick and saved mark through the
// window's edits: chapters, a split and a cut line added after it, a cut line
// deleted beside an unticked part, Prepare after typed titles and after a
// change of "Original File", the tag panel after a delete, and "Apply to all
// parts". The source is tagged and the part files are read back with Debian's
// python3-mutagen.
#include "core/parts/part_access.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "tests/gui/window_parts.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/split_runner.h"
#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/view/view_geometry.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::FindPart;

const QString kPython = QStringLiteral("/usr/bin/python3"); // Debian's, with python3-mutagen
const std::string kSourceTitle = "Quelle — Ω";
const std::string kSourceArtist = "Ørkester Ελληνικά";
const std::string kIntro = "Intro – Morgen";
const std::string kMitte = "Mitte – 中間";
const std::string kSchluss = "Schluss – Fin";

// Tags the file argv[1] (a copy of long65.mp3, 65 s) with ID3v2.4: title,
// artist and album; with argv[2] "chapters" also three chapters at 0, 20 and
// 40 s titled as the tests expect.
const char* kTagScript = R"PY(
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, CHAP, CTOC, CTOCFlags
path, chapters = sys.argv[1], sys.argv[2] == "chapters"
tag = ID3()
tag.add(TIT2(encoding=3, text="Quelle — Ω"))
tag.add(TPE1(encoding=3, text="Ørkester Ελληνικά"))
tag.add(TALB(encoding=3, text="Album ñ"))
if chapters:
    starts = [0, 20000, 40000]
    titles = ["Intro – Morgen", "Mitte – 中間", "Schluss – Fin"]
    for i, s in enumerate(starts):
        tag.add(CHAP(element_id="ch%d" % i, start_time=s,
                     end_time=starts[i + 1] if i + 1 < len(starts) else 65000,
                     sub_frames=[TIT2(encoding=3, text=titles[i])]))
    tag.add(CTOC(element_id="toc", flags=CTOCFlags.TOP_LEVEL | CTOCFlags.ORDERED,
                 child_element_ids=["ch0", "ch1", "ch2"], sub_frames=[]))
tag.save(path, v2_version=4)
)PY";

// Prints title, artist, album, year and genre of each file's ID3v2 tag, one
// file a line, the fields separated by '|' (empty when missing).
const char* kReadScript = R"PY(
import sys
from mutagen.id3 import ID3
for path in sys.argv[1:]:
    t = ID3(path)
    f = lambda k: str(t[k].text[0]) if k in t else ""
    genre = t["TCON"].genres[0] if "TCON" in t else ""
    line = "|".join([f("TIT2"), f("TPE1"), f("TALB"), f("TDRC"), genre]) + "\n"
    sys.stdout.buffer.write(line.encode())
)PY";

// One part file's tag as mutagen reads it.
struct ReadTag {
    std::string title, artist, album, year, genre;
};

bool HaveMutagen() {
    QProcess p;
    p.start(kPython, {QStringLiteral("-c"), QStringLiteral("import mutagen")});
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

class PartRecordsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveMutagen())
            GTEST_SKIP() << "python3-mutagen missing";
        ASSERT_TRUE(dir.isValid());
        win = tessivo::testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_TRUE(win);
        win->onPlaybackTick();
    }
    void TearDown() override { tessivo::testing::CloseTestWindow(win, dialogs); }

    // long65.mp3 tagged by kTagScript, opened in the window.
    void OpenTagged(bool chapters) {
        const QString path = dir.filePath(QStringLiteral("song.mp3"));
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(QStringLiteral(TESSIVO_FIXTURES "/long65.mp3"), path));
        QProcess p;
        p.start(kPython, {QStringLiteral("-c"), QString::fromUtf8(kTagScript), path,
                          chapters ? QStringLiteral("chapters") : QStringLiteral("none")});
        ASSERT_TRUE(p.waitForFinished(60000) && p.exitCode() == 0) << "mutagen could not tag";
        dialogs.openFileAnswer = path;
        win->onOpenTriggered();
        win->waitForOpen();
        ASSERT_TRUE(st.FileLoaded);
        ASSERT_EQ(PartCount(st), 1);
    }
    SplitSettingsPanel* Settings() const { return win->findChild<SplitSettingsPanel*>(); }
    void PrepareChapters() {
        ASSERT_TRUE(Settings()->chaptersRadio->isEnabled());
        Settings()->chaptersRadio->click();
        Settings()->onPrepareClicked();
        ASSERT_EQ(PartCount(st), 3);
    }
    void PrepareByParts(int count) {
        Settings()->byPartsRadio->click();
        Settings()->partsSpin->setValue(count);
        Settings()->onPrepareClicked();
        ASSERT_EQ(PartCount(st), count);
    }

    const ViewGeometry& G() const { return win->viewGeometry(); }
    int XOfSecond(double s) const {
        return static_cast<int>(
            FrameMapping(G(), st).frameToX(static_cast<int64_t>(s / st.FrameDuration)));
    }
    int LineX(int k) const {
        return static_cast<int>(FrameMapping(G(), st).frameToX(PartFirstFrame(st, k)));
    }
    // A cut line by double click at `s` seconds; playback stopped again.
    void AddLineAt(double s) {
        const QPoint p(XOfSecond(s), 100);
        ASSERT_LT(p.x(), G().waveRight) << "the whole file is in view";
        QTest::mousePress(win->waveView(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(win->waveView(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(win->waveView(), Qt::LeftButton, {}, p);
        SettleClicks(win);
        win->stopPlayback();
    }
    // Cut line k deleted by a click on its delete mark.
    void DeleteLine(int k) {
        QTest::mouseClick(win->waveView(), Qt::LeftButton, {},
                          QPoint(LineX(k) + 4, G().waveTop + 6));
        SettleClicks(win);
        win->stopPlayback();
    }
    void Untick(int k) {
        PartRow row = RowOf(win->partList(), k - 1);
        ASSERT_TRUE(static_cast<bool>(row));
        SelectRow(win->partList(), row);
        row->setCheckState(0, Qt::Unchecked);
        ASSERT_FALSE(PartTicked(st, k));
    }
    TagPanel* Panel() const { return win->tagPanel(); }
    void Retype(QLineEdit* e, const std::string& text) {
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        e->insert(QString::fromStdString(text)); // as an input method delivers it
    }
    // Part k selected in the list, its title typed and set.
    void SetTitle(int k, const std::string& title) {
        win->partList()->selectPart(k);
        ASSERT_EQ(Panel()->shownPart(), k);
        Retype(Panel()->titleEdit, title);
        QTest::mouseClick(Panel()->setButton, Qt::LeftButton);
    }
    std::string Title(int k) const { return EffectivePartTag(st, k).fields.title; }
    std::string Artist(int k) const { return EffectivePartTag(st, k).fields.artist; }
    QString Row(int k, int column) const { return RowOf(win->partList(), k - 1)->text(column); }

    // Split with ID3v2.4 tags into a fresh folder `name`; the paths written,
    // in part order.
    QStringList Split(const QString& name) {
        const QString out = dir.filePath(name);
        EXPECT_TRUE(QDir().mkpath(out));
        st.OutputFolder = out.toStdString();
        st.IsSaveTags = true;
        st.PartTagFormat = TagFormat::V24;
        QTimer::singleShot(0, win.get(), [this] {
            QTest::mouseClick(win->confirmDialog()->splitButton, Qt::LeftButton);
        });
        win->onSplitTriggered();
        win->confirmDialog()->splitRunner()->wait();
        EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
        QStringList paths;
        for (const QString& f : QDir(out).entryList(QDir::Files, QDir::Name))
            paths << QDir(out).filePath(f);
        return paths;
    }
    std::vector<ReadTag> ReadBack(const QStringList& paths) {
        QProcess p;
        p.start(kPython, QStringList{QStringLiteral("-c"), QString::fromUtf8(kReadScript)} + paths);
        EXPECT_TRUE(p.waitForFinished(60000) && p.exitCode() == 0)
            << p.readAllStandardError().toStdString();
        std::vector<ReadTag> tags;
        for (const QString& line :
             QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
            const QStringList f = line.split('|');
            tags.push_back({f.value(0).toStdString(), f.value(1).toStdString(),
                            f.value(2).toStdString(), f.value(3).toStdString(),
                            f.value(4).toStdString()});
        }
        return tags;
    }
    std::vector<std::string> Titles(const std::vector<ReadTag>& tags) {
        std::vector<std::string> titles;
        for (const ReadTag& t : tags)
            titles.push_back(t.title);
        return titles;
    }

    QTemporaryDir dir;
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
};

TEST_F(PartRecordsWindowTest, ACutAddedAfterASplitAtChaptersKeepsEachPiecesTitleTickAndFile) {
    OpenTagged(true);
    PrepareChapters();
    const QStringList first = Split(QStringLiteral("first"));
    ASSERT_EQ(first.size(), 3);
    EXPECT_EQ(Titles(ReadBack(first)), (std::vector<std::string>{kIntro, kMitte, kSchluss}));
    Untick(3); // Schluss stays written but is not split again

    AddLineAt(30.0); // inside "Mitte"
    ASSERT_EQ(PartCount(st), 4);
    EXPECT_EQ(Title(1), kIntro);
    EXPECT_EQ(Title(2), kMitte);
    EXPECT_EQ(Title(3), kMitte);
    EXPECT_EQ(Title(4), kSchluss);
    EXPECT_EQ(Artist(4), kSourceArtist);
    const bool ticked[] = {true, true, true, false};
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(PartTicked(st, k), ticked[k - 1]) << "part " << k;
    // Intro and Schluss are still exactly their files; both halves of Mitte
    // are new ranges, in no file yet.
    EXPECT_EQ(PartAt(st, 1).writtenFile, first[0].toStdString());
    EXPECT_FALSE(PartSaved(st, 2));
    EXPECT_FALSE(PartSaved(st, 3));
    EXPECT_EQ(PartAt(st, 4).writtenFile, first[2].toStdString());
    EXPECT_EQ(Row(1, 1), "Saved");
    EXPECT_EQ(Row(1, 5), QFileInfo(first[0]).fileName());
    EXPECT_EQ(Row(2, 1), "Prepared");
    EXPECT_EQ(Row(3, 1), "Prepared");
    EXPECT_EQ(Row(4, 1), "Not Used");
    EXPECT_EQ(Row(3, 6), QString::fromStdString(kMitte));
    EXPECT_EQ(Row(4, 6), QString::fromStdString(kSchluss));

    // Undo gives back Mitte whole, with the file that holds exactly it; redo
    // the two halves again.
    FindPart<QAction>(win, "undoAction")->trigger();
    ASSERT_EQ(PartCount(st), 3);
    EXPECT_EQ(PartAt(st, 2).writtenFile, first[1].toStdString());
    EXPECT_EQ(Title(2), kMitte);
    EXPECT_FALSE(PartTicked(st, 3));
    EXPECT_EQ(Row(2, 1), "Saved");
    FindPart<QAction>(win, "redoAction")->trigger();
    ASSERT_EQ(PartCount(st), 4);
    EXPECT_FALSE(PartSaved(st, 2));
    EXPECT_EQ(Title(3), kMitte);
    EXPECT_EQ(PartAt(st, 4).writtenFile, first[2].toStdString());

    const QStringList second = Split(QStringLiteral("second"));
    ASSERT_EQ(second.size(), 3);
    const std::vector<ReadTag> read = ReadBack(second);
    EXPECT_EQ(Titles(read), (std::vector<std::string>{kIntro, kMitte, kMitte}));
    for (const ReadTag& t : read)
        EXPECT_EQ(t.artist, kSourceArtist);
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(PartAt(st, k).writtenFile, second[k - 1].toStdString()) << "part " << k;
    EXPECT_EQ(PartAt(st, 4).writtenFile, first[2].toStdString());
}

TEST_F(PartRecordsWindowTest, DeletingACutLineBesideAnUntickedPartKeepsTitlesAndTicksWithTheAudio) {
    OpenTagged(false);
    PrepareByParts(4);
    const std::vector<int32_t> starts = CutLineFrames(st);
    SetTitle(1, "Intro");
    SetTitle(2, "Verse");
    SetTitle(3, "Chorus");
    SetTitle(4, "Outro");
    Untick(3);

    // The Chorus's own line: its audio joins the Verse, whose record stays.
    DeleteLine(3);
    ASSERT_EQ(PartCount(st), 3);
    EXPECT_EQ(Title(2), "Verse");
    EXPECT_EQ(Title(3), "Outro");
    EXPECT_TRUE(PartTicked(st, 2));
    EXPECT_TRUE(PartTicked(st, 3));
    EXPECT_EQ(PartFirstFrame(st, 3), starts[2]);
    EXPECT_EQ(Row(3, 6), "Outro");

    // Back, then the Verse's line: the unticked Chorus moves up with its title.
    FindPart<QAction>(win, "undoAction")->trigger();
    ASSERT_EQ(PartCount(st), 4);
    DeleteLine(2);
    ASSERT_EQ(PartCount(st), 3);
    EXPECT_EQ(Title(1), "Intro");
    EXPECT_EQ(Title(2), "Chorus");
    EXPECT_EQ(Title(3), "Outro");
    EXPECT_TRUE(PartTicked(st, 1));
    EXPECT_FALSE(PartTicked(st, 2));
    EXPECT_TRUE(PartTicked(st, 3));
    EXPECT_EQ(PartFirstFrame(st, 2), starts[1]);
    EXPECT_EQ(Row(2, 1), "Not Used");
    EXPECT_EQ(Row(3, 6), "Outro");

    const std::vector<ReadTag> read = ReadBack(Split(QStringLiteral("out")));
    EXPECT_EQ(Titles(read), (std::vector<std::string>{"Intro", "Outro"}));
}

TEST_F(PartRecordsWindowTest, PrepareGivesFreshPartsTheFileTagNotTitlesTypedBefore) {
    OpenTagged(false);
    PrepareByParts(3);
    SetTitle(3, "Getippt");
    ASSERT_EQ(Title(3), "Getippt");
    ASSERT_EQ(Row(3, 6), "Getippt");

    PrepareByParts(3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(Title(k), kSourceTitle) << "part " << k;
        EXPECT_EQ(Row(k, 6), QString::fromStdString(kSourceTitle)) << "part " << k;
    }
    PrepareByParts(4); // another count: still nothing typed before
    EXPECT_EQ(Title(3), kSourceTitle);
    const std::vector<ReadTag> read = ReadBack(Split(QStringLiteral("out")));
    ASSERT_EQ(read.size(), 4u);
    for (const ReadTag& t : read)
        EXPECT_EQ(t.title, kSourceTitle);
}

TEST_F(PartRecordsWindowTest, SetOnOriginalFileReachesEveryPartNowAndAfterPrepare) {
    OpenTagged(false);
    ASSERT_EQ(Panel()->partNameLabel->text(), "Original File");
    Retype(Panel()->artistEdit, "Neue Band");
    QTest::mouseClick(Panel()->setButton, Qt::LeftButton);
    EXPECT_EQ(st.FileTag.fields.artist, "Neue Band");

    PrepareByParts(3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(Artist(k), "Neue Band") << "part " << k;
        EXPECT_EQ(Row(k, 7), "Neue Band") << "part " << k;
    }
    // A part's own artist overrides the file tag; a later change of the file
    // tag reaches the others.
    win->partList()->selectPart(2);
    Retype(Panel()->artistEdit, "Gast");
    QTest::mouseClick(Panel()->setButton, Qt::LeftButton);
    DeleteLine(3); // nothing selected: the panel shows "Original File" again
    ASSERT_EQ(PartCount(st), 2);
    ASSERT_EQ(Panel()->partNameLabel->text(), "Original File");
    Retype(Panel()->artistEdit, "Dritte Band");
    QTest::mouseClick(Panel()->setButton, Qt::LeftButton);
    EXPECT_EQ(Artist(1), "Dritte Band");
    EXPECT_EQ(Artist(2), "Gast");

    const std::vector<ReadTag> read = ReadBack(Split(QStringLiteral("out")));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].artist, "Dritte Band");
    EXPECT_EQ(read[1].artist, "Gast");
    EXPECT_EQ(read[0].title, kSourceTitle);
}

TEST_F(PartRecordsWindowTest, TheTagPanelNeverShowsADeletedPart) {
    OpenTagged(false);
    PrepareByParts(3);
    SetTitle(3, "Drei");
    win->partList()->selectPart(3);
    ASSERT_EQ(Panel()->partNameLabel->text(), "Part(3)");
    Retype(Panel()->titleEdit, "never stored");

    DeleteLine(3); // part 3 is gone
    ASSERT_EQ(PartCount(st), 2);
    EXPECT_NE(Panel()->partNameLabel->text(), "Part(3)");
    EXPECT_LE(Panel()->shownPart(), PartCount(st));
    EXPECT_EQ(Panel()->partNameLabel->text(), "Original File");
    EXPECT_EQ(Panel()->titleEdit->text().toStdString(), kSourceTitle);
    // Set now changes the file tag, which no part overrides.
    Retype(Panel()->albumEdit, "Nach dem Löschen");
    QTest::mouseClick(Panel()->setButton, Qt::LeftButton);
    EXPECT_EQ(st.FileTag.fields.album, "Nach dem Löschen");
    EXPECT_EQ(EffectivePartTag(st, 2).fields.album, "Nach dem Löschen");
    for (int k = 1; k <= 2; ++k)
        EXPECT_NE(Title(k), "never stored");
}

// Disabled until the tag panel follows the shown part's audio when a line
// before it goes (TagPanel::followParts keeps the number and its edits).
TEST_F(PartRecordsWindowTest, EditsTypedForAPartNeverReachAnotherPartsAudio) {
    OpenTagged(false);
    PrepareByParts(4);
    for (int k = 1; k <= 4; ++k)
        SetTitle(k, "Teil " + std::to_string(k));
    win->partList()->selectPart(3);
    Retype(Panel()->titleEdit, "Getippt");

    // Deleting the line before it: part 3's audio is part 2 now, and part 3
    // is the fourth part's audio.
    DeleteLine(2);
    ASSERT_EQ(PartCount(st), 3);
    EXPECT_NE(Panel()->partNameLabel->text(), "Part(3)");
    QTest::mouseClick(Panel()->setButton, Qt::LeftButton);
    EXPECT_EQ(Title(3), "Teil 4");
    EXPECT_TRUE(Title(2) == "Teil 3" || Title(2) == "Getippt") << Title(2);
    EXPECT_EQ(Title(1), "Teil 1");
}

TEST_F(PartRecordsWindowTest, ApplyToAllPartsGivesEveryPartTheShownArtistAlbumYearAndGenre) {
    OpenTagged(false);
    PrepareByParts(3);
    SetTitle(1, "Eins");
    SetTitle(3, "Drei");
    win->partList()->selectPart(2);
    Retype(Panel()->artistEdit, "Alle zusammen");
    Retype(Panel()->albumEdit, "Sammlung ü");
    Retype(Panel()->yearEdit, "1999");
    Panel()->genreCombo->setCurrentIndex(Panel()->genreCombo->findText("Jazz"));
    QTest::mouseClick(FindPart<QPushButton>(win, "applyAllButton"), Qt::LeftButton);

    const std::string titles[] = {"Eins", kSourceTitle, "Drei"};
    for (int k = 1; k <= 3; ++k) {
        const PartTagV2 tag = EffectivePartTag(st, k).fields;
        EXPECT_EQ(tag.artist, "Alle zusammen") << "part " << k;
        EXPECT_EQ(tag.album, "Sammlung ü") << "part " << k;
        EXPECT_EQ(tag.year, "1999") << "part " << k;
        EXPECT_EQ(tag.genre, "Jazz") << "part " << k;
        EXPECT_EQ(tag.title, titles[k - 1]) << "part " << k;
        EXPECT_EQ(Row(k, 7), "Alle zusammen") << "part " << k;
    }
    EXPECT_EQ(st.FileTag.fields.artist, kSourceArtist); // the file tag is left as it is

    const std::vector<ReadTag> read = ReadBack(Split(QStringLiteral("out")));
    ASSERT_EQ(read.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(read[k].title, titles[k]);
        EXPECT_EQ(read[k].artist, "Alle zusammen");
        EXPECT_EQ(read[k].album, "Sammlung ü");
        EXPECT_EQ(read[k].year, "1999");
        EXPECT_EQ(read[k].genre, "Jazz");
    }
}

} // namespace
} // namespace tessivo
