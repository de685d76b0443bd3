// Cut lists in the window: import and export through File menu commands (fake
// choosers), dropped cut list files, and split at pauses near in the split
// settings panel with its "No pause" status in the part list.
#include "core/analysis/open_file.h"

#include "core/output/id3v1_tag.h"
#include "core/parts/part_access.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "ui/document/document_signals.h"
#include "ui/parts/part_list_view.h"
#include "ui/parts/split_settings_panel.h"
#include "ui/window/cut_list_commands.h"
#include "ui/window/main_window.h"

#include "tests/core/speech_layout.h"
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <vector>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;

std::string FixturePath(const char* name) {
    return std::string(TESSIVO_FIXTURES "/") + name;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// What a cut list import is judged by: the cut lines, ticks and titles.
struct TableView {
    std::vector<int32_t> cuts;
    std::vector<bool> used;
    std::vector<std::string> titles;
    bool operator==(const TableView&) const = default;
};

TableView ViewOf(const ProgramState& st) {
    TableView v;
    for (int k = 1; k <= PartCount(st); ++k) {
        v.cuts.push_back(PartFirstFrame(st, k));
        v.used.push_back(PartTicked(st, k));
        v.titles.push_back(TagTitle(PartId3v1(st, k)));
    }
    return v;
}

int32_t FrameAt(const ProgramState& st, double seconds) {
    return static_cast<int32_t>(std::lround(seconds / st.FrameDuration));
}

// A document with a fixture adopted, and the commands acting on it.
class CutListCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ProgramState analysed;
        const OpenResult r = AnalyseFile(analysed, analysed, FixturePath("long65.mp3"), true);
        ASSERT_TRUE(r.ok) << r.message;
        doc.AdoptFile(std::move(analysed));
        doc.Subscribe([this](DocumentChange) { ++notifications; });
    }
    QString PathOf(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    // Writes `bytes` to `name` and applies it.
    void Apply(const char* name, const QByteArray& bytes) {
        WriteFile(PathOf(name), bytes);
        notifications = 0;
        commands.applyCutListFile(PathOf(name));
    }

    QTemporaryDir dir;
    ProgramState st;
    Document doc{st};
    FakeUserDialogs dialogs;
    QWidget parent;
    CutListCommands commands{doc, dialogs, &parent};
    int notifications = 0;
};

TEST_F(CutListCommandsTest, CueSheetSetsCutLinesTitlesAndAlbumInOneEdit) {
    Apply("mix.cue", "PERFORMER \"The Band\"\nTITLE \"The Album\"\nFILE \"other.mp3\" MP3\n"
                     "  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n"
                     "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    INDEX 00 00:19:00\n"
                     "    INDEX 01 00:20:00\n"
                     "  TRACK 03 AUDIO\n    TITLE \"Three\"\n    PERFORMER \"Guest\"\n"
                     "    INDEX 01 00:45:37\n");
    EXPECT_EQ(notifications, 1);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
    const TableView v = ViewOf(st);
    EXPECT_EQ(v.cuts, (std::vector<int32_t>{0, FrameAt(st, 20.0), FrameAt(st, 45.0 + 37 / 75.0)}));
    EXPECT_EQ(v.used, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(v.titles, (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_EQ(TagArtist(PartId3v1(st, 1)), "The Band");
    EXPECT_EQ(TagArtist(PartId3v1(st, 3)), "Guest");
    EXPECT_EQ(TagAlbum(PartId3v1(st, 2)), "The Album");
}

TEST_F(CutListCommandsTest, LabelRegionsBecomeTitledPartsWithUntickedGaps) {
    Apply("labels.txt", "10.000000\t30.000000\tIntro\n40.5\t50\tMiddle\n");
    EXPECT_EQ(notifications, 1);
    const TableView v = ViewOf(st);
    EXPECT_EQ(v.cuts, (std::vector<int32_t>{0, FrameAt(st, 10), FrameAt(st, 30), FrameAt(st, 40.5),
                                            FrameAt(st, 50)}));
    EXPECT_EQ(v.used, (std::vector<bool>{false, true, false, true, false}));
    EXPECT_EQ(v.titles[1], "Intro");
    EXPECT_EQ(v.titles[3], "Middle");
}

TEST_F(CutListCommandsTest, PointLabelsAreCutLines) {
    Apply("points.txt", "33\t33\tB\n12.5\t12.5\tA\n");
    EXPECT_EQ(notifications, 1);
    const TableView v = ViewOf(st);
    EXPECT_EQ(v.cuts, (std::vector<int32_t>{0, FrameAt(st, 12.5), FrameAt(st, 33)}));
    EXPECT_EQ(v.used, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(v.titles, (std::vector<std::string>{"", "A", "B"}));
}

TEST_F(CutListCommandsTest, CsvWithHeaderAndATimePastTheEndWarnsOnce) {
    Apply("segments.csv", "start,end,label\n5,25,First\n25,60,Second\n70,80,Late\n");
    EXPECT_EQ(notifications, 1);
    const TableView v = ViewOf(st);
    EXPECT_EQ(v.cuts, (std::vector<int32_t>{0, FrameAt(st, 5), FrameAt(st, 25), FrameAt(st, 60)}));
    EXPECT_EQ(v.used, (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(v.titles[1], "First");
    EXPECT_EQ(v.titles[2], "Second");
    // The dropped segment is reported, in one message.
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_FALSE(dialogs.messages[0].isEmpty());
}

TEST_F(CutListCommandsTest, MalformedCueShowsTheLineAndChangesNothing) {
    ASSERT_TRUE(doc.AddCutLine(300));
    const TableView before = ViewOf(st);
    Apply("bad.cue", "TITLE \"Album\"\nFILE \"a.mp3\" MP3\n  TRACK 01 AUDIO\n"
                     "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:1x:00\n");
    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(ViewOf(st), before);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("Line 6: ")))
        << dialogs.messages[0].toStdString();
}

TEST_F(CutListCommandsTest, ExportThenImportGivesTheSameCutLinesTicksAndTitles) {
    ASSERT_TRUE(doc.AddCutLine(FrameAt(st, 12.3)));
    ASSERT_TRUE(doc.AddCutLine(FrameAt(st, 31.0)));
    ASSERT_TRUE(doc.AddCutLine(FrameAt(st, 47.7)));
    const char* titles[] = {"Opening", "Second part", "Third", "Coda"};
    for (int k = 1; k <= 4; ++k) {
        TagFields fields = ReadTagFields(st, st, k);
        fields.title = titles[k - 1];
        ASSERT_TRUE(doc.StoreTagFields(k, fields));
    }
    const TableView made = ViewOf(st);
    for (const char* name : {"out.cue", "out.txt", "out.csv"}) {
        SCOPED_TRACE(name);
        dialogs.saveFileAnswer = PathOf(name);
        commands.exportCutList();
        ASSERT_TRUE(QFile::exists(PathOf(name)));
        doc.ClearCutLines();
        ASSERT_EQ(PartCount(st), 1);
        notifications = 0;
        dialogs.openFileAnswer = PathOf(name);
        commands.importCutList();
        EXPECT_EQ(notifications, 1);
        EXPECT_EQ(ViewOf(st), made);
    }
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
    // The chooser starts beside the MP3, with its name.
    EXPECT_TRUE(dialogs.lastSaveStart.endsWith(QStringLiteral("/long65.txt")));
}

TEST_F(CutListCommandsTest, CommandsDoNothingWithoutAFile) {
    ProgramState empty;
    Document none(empty);
    CutListCommands idle(none, dialogs, &parent);
    WriteFile(PathOf("a.csv"), "1,2,x\n");
    idle.applyCutListFile(PathOf("a.csv"));
    idle.importCutList();
    idle.exportCutList();
    EXPECT_EQ(dialogs.openFileCalls, 0);
    EXPECT_EQ(dialogs.saveFileCalls, 0);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(PartCount(empty), 0);
}

// --- The window: a dropped cut list applies to the open file ---------------

TEST(CutListWindow, DroppedCsvAppliesToTheOpenFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    WindowEnvironment env;
    env.clickWaitMs = 0; // clicks are waited for, not timed
    env.settingsPath = dir.filePath(QStringLiteral("tessivo.ini"));
    env.musicFolder = dir.filePath(QStringLiteral("Music"));
    env.diagnosticFolder = dir.path();
    MainWindow win(st, engine, dialogs, env);
    win.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&win));
    dialogs.openFileAnswer = QString::fromStdString(FixturePath("long65.mp3"));
    win.onOpenTriggered();
    win.waitForOpen();
    ASSERT_TRUE(st.FileLoaded);

    const QString csv = dir.filePath(QStringLiteral("chapters.csv"));
    WriteFile(csv, "0,30,Side A\n30,64,Side B\n");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(csv)});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&win, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&win, &drop);
    EXPECT_TRUE(QTest::qWaitFor([&] { return PartCount(st) == 3; }, 5000));
    ASSERT_EQ(PartCount(st), 3) << dialogs.messages.join('\n').toStdString();
    EXPECT_EQ(PartFirstFrame(st, 2), FrameAt(st, 30));
    EXPECT_EQ(TagTitle(PartId3v1(st, 1)), "Side A");
    EXPECT_EQ(TagTitle(PartId3v1(st, 2)), "Side B");
    EXPECT_FALSE(PartTicked(st, 3));
    // The MP3 stays open and the part list shows the parts.
    EXPECT_EQ(QString::fromStdString(st.FileName), dialogs.openFileAnswer);
    EXPECT_EQ(PartRows(win.partList()), 3);
    EXPECT_EQ(RowOf(win.partList(), 1)->text(6), QStringLiteral("Side B"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    win.close();
}

// --- Split at pauses near ----------------------------------------------------

using speech_layout::Stretch;

// The pauses and the noise stretch (no pause) of speech_32min.mp3.
void ReadSpeechLayout(std::vector<Stretch>& pauses, Stretch& noise) {
    const speech_layout::Layout layout = speech_layout::Read();
    pauses = layout.pauses;
    noise = layout.noise;
}

class NearPausesPanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        analysed_ = new ProgramState;
        const OpenResult r =
            AnalyseFile(*analysed_, *analysed_, FixturePath("speech_32min.mp3"), true);
        ASSERT_TRUE(r.ok) << r.message;
    }
    static void TearDownTestSuite() { delete analysed_; }
    void SetUp() override {
        ProgramState copy;
        static_cast<AnalysedFile&>(copy) = static_cast<const AnalysedFile&>(*analysed_);
        doc.AdoptFile(std::move(copy));
        ReadSpeechLayout(pauses, noise);
        ASSERT_GT(pauses.size(), 50u);
        panel = std::make_unique<SplitSettingsPanel>(doc, dialogs);
        panel->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    }
    void PrepareNear(const char* length, int tolerance) {
        QTest::mouseClick(panel->nearPausesRadio, Qt::LeftButton, {}, QPoint(5, 5));
        panel->nearLengthEdit->setText(QString::fromLatin1(length));
        panel->toleranceSpin->setValue(tolerance);
        QTest::mouseClick(panel->prepareButton, Qt::LeftButton);
    }
    double CutSecondsOf(int k) const { return PartFirstFrame(st, k) * st.FrameDuration; }
    bool InPause(double t) const {
        for (const Stretch& p : pauses)
            if (t > p.start && t < p.end)
                return true;
        return false;
    }

    static ProgramState* analysed_;
    ProgramState st;
    Document doc{st};
    FakeUserDialogs dialogs;
    std::unique_ptr<SplitSettingsPanel> panel;
    std::vector<Stretch> pauses;
    Stretch noise;
};
ProgramState* NearPausesPanelTest::analysed_ = nullptr;

TEST_F(NearPausesPanelTest, EveryCutLiesInAPauseAndEveryPartInTheWindow) {
    EXPECT_EQ(panel->nearPausesRadio->text(), QStringLiteral("Split at pauses near"));
    EXPECT_EQ(panel->toleranceSpin->value(), 20);
    PrepareNear("0:05:00", 20);
    EXPECT_EQ(st.SplitMode, "near-pauses");
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
    ASSERT_GE(PartCount(st), 5);
    for (int k = 2; k <= PartCount(st); ++k)
        EXPECT_TRUE(InPause(CutSecondsOf(k))) << "cut " << k << " at " << CutSecondsOf(k);
    for (int k = 1; k <= PartCount(st); ++k) {
        const double length =
            (PartLastFrame(st, st, k) - PartFirstFrame(st, k) + 1) * st.FrameDuration;
        EXPECT_GE(length, 240.0 - st.FrameDuration) << "part " << k;
        if (k < PartCount(st)) {
            EXPECT_LE(length, 360.0 + st.FrameDuration) << "part " << k;
        }
    }
    DocumentSignals listSignals{doc};
    PartListView list(doc, listSignals);
    for (int k = 1; k <= PartCount(st); ++k)
        EXPECT_EQ(RowOf(list, k - 1)->text(1), QStringLiteral("Prepared"));
}

TEST_F(NearPausesPanelTest, ACutWithoutAPauseShowsNoPauseUntilTheCutsChange) {
    PrepareNear("0:02:00", 20);
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
    DocumentSignals listSignals{doc};
    PartListView list(doc, listSignals);
    int flagged = 0;
    for (int k = 1; k <= PartCount(st); ++k) {
        if (RowOf(list, k - 1)->text(1) != QStringLiteral("No pause"))
            continue;
        ++flagged;
        EXPECT_GT(CutSecondsOf(k), noise.start);
        EXPECT_LT(CutSecondsOf(k), noise.end);
    }
    EXPECT_EQ(flagged, 1);
    // An unticked flagged part says "Not Used"; any other cut edit clears the flags.
    ASSERT_TRUE(doc.AddCutLine(st.FrameCount / 3 + 1));
    for (int k = 1; k <= PartCount(st); ++k)
        EXPECT_EQ(RowOf(list, k - 1)->text(1), QStringLiteral("Prepared"));
    EXPECT_TRUE(doc.NearPausesFlags().empty());
}

TEST_F(NearPausesPanelTest, BadLengthShowsTheTimeMessageAndChangesNothing) {
    PrepareNear("5:7", 20);
    EXPECT_EQ(PartCount(st), 1);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], QStringLiteral("Incorrect time value!"));
    PrepareNear("1:00:00", 20); // longer than the file
    EXPECT_EQ(PartCount(st), 1);
    EXPECT_EQ(dialogs.messages.size(), 2);
}

} // namespace
} // namespace tessivo
