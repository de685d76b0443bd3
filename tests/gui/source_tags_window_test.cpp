// The window and the source's ID3v2 tag: "Original File" shows it, a picture
// shows as a thumbnail, titles typed in Unicode reach the part files
// unchanged, and "Split at chapters" cuts at the file's chapters. The files
// are tagged at test time with Debian's python3-mutagen.
#include "core/analysis/open_file.h"

#include "core/parts/part_access.h"
#include "core/parts/prepare.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/part_rows.h"
#include "tests/gui/window_parts.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/split_runner.h"
#include "ui/output/tag_panel.h"
#include "ui/parts/part_list_view.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace tessivo {
namespace {

using tessivo::testing::FakeAudioEngine;
using tessivo::testing::FakeUserDialogs;
using tessivo::testing::FindPart;

const QString kPython = QStringLiteral("/usr/bin/python3"); // Debian's, with python3-mutagen
const QString kTitle = QString::fromUtf8("Ünïcødé — 日本語の歌");
const QString kArtist = QString::fromUtf8("Ørkester Ελληνικά");
const QString kAlbum = QString::fromUtf8("Album ñ");

// Tags a copy of long65.mp3 (65 s, no tag of its own): ID3v2.4 with Unicode
// texts, track 3/12, a picture (the bytes of argv[3], none when "-") and,
// when argv[4] is "chapters", three chapters at 0, 20 and 40 s with a CTOC.
const char* kTagScript = R"PY(
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TRCK, TDRC, TCON, APIC, CHAP, CTOC, CTOCFlags
path, picture, chapters = sys.argv[1], sys.argv[2], sys.argv[3] == "chapters"
tag = ID3()
tag.add(TIT2(encoding=3, text="Ünïcødé — 日本語の歌"))
tag.add(TPE1(encoding=3, text="Ørkester Ελληνικά"))
tag.add(TALB(encoding=3, text="Album ñ"))
tag.add(TRCK(encoding=3, text="3/12"))
tag.add(TDRC(encoding=3, text="2021"))
tag.add(TCON(encoding=3, text="Jazz"))
if picture != "-":
    tag.add(APIC(encoding=3, mime="image/png", type=3, desc="cover",
                 data=open(picture, "rb").read()))
if chapters:
    starts = [0, 20000, 40000]
    for i, s in enumerate(starts):
        tag.add(CHAP(element_id="ch%d" % i, start_time=s,
                     end_time=starts[i + 1] if i + 1 < len(starts) else 65000,
                     sub_frames=[TIT2(encoding=3, text="Kapitel %d — Ω" % (i + 1))]))
    tag.add(CTOC(element_id="toc", flags=CTOCFlags.TOP_LEVEL | CTOCFlags.ORDERED,
                 child_element_ids=["ch0", "ch1", "ch2"], sub_frames=[]))
tag.save(path, v2_version=4)
)PY";

// Prints the ID3v2 version and the title of a file, one a line.
const char* kReadScript = R"PY(
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
sys.stdout.buffer.write(("%d.%d\n%s\n" % (t.version[0], t.version[1], t["TIT2"].text[0])).encode())
)PY";

QString RunPython(const char* script, const QStringList& args, bool* ok = nullptr) {
    QProcess p;
    p.start(kPython, QStringList{QStringLiteral("-c"), QString::fromUtf8(script)} + args);
    const bool done =
        p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok)
        *ok = done;
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool HaveMutagen() {
    QProcess p;
    p.start(kPython, {QStringLiteral("-c"), QStringLiteral("import mutagen")});
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

class SourceTagsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveMutagen())
            GTEST_SKIP() << "python3-mutagen missing";
        ASSERT_TRUE(dir.isValid());
        win = tessivo::testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_TRUE(win);
    }
    void TearDown() override { tessivo::testing::CloseTestWindow(win, dialogs); }

    // A 200 x 120 PNG picture, or 400 KB of bytes no decoder takes.
    QString PictureFile(bool broken) {
        QByteArray bytes;
        if (broken) {
            bytes = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(400 * 1024, '\x5a');
        } else {
            QImage image(200, 120, QImage::Format_RGB32);
            image.fill(Qt::red);
            QPainter(&image).fillRect(20, 20, 60, 60, Qt::blue);
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
        }
        const QString path = dir.filePath(broken ? "broken.png" : "good.png");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    // long65.mp3 tagged as kTagScript says, under `name`.
    QString TaggedFile(const char* name, const QString& picture, bool chapters) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(QStringLiteral(TESSIVO_FIXTURES "/long65.mp3"), path));
        bool ok = false;
        RunPython(kTagScript,
                  {path, picture.isEmpty() ? QStringLiteral("-") : picture,
                   chapters ? QStringLiteral("chapters") : QStringLiteral("none")},
                  &ok);
        EXPECT_TRUE(ok) << "mutagen could not tag " << name;
        return path;
    }
    void Open(const QString& path) {
        dialogs.openFileAnswer = path;
        win->onOpenTriggered();
        win->waitForOpen();
        ASSERT_TRUE(st.FileLoaded);
        ASSERT_EQ(st.FileName, path.toStdString());
    }
    TagPanel* Panel() const { return win->tagPanel(); }
    QRadioButton* ChaptersRadio() const { return FindPart<QRadioButton>(win, "chaptersRadio"); }
    void Prepare() {
        QTest::mouseClick(FindPart<QToolButton>(win, "prepareButton"), Qt::LeftButton);
    }
    // Types `text` key by key: one key event per character, as an input
    // method delivers characters that have no key of their own.
    void Retype(QLineEdit* e, const QString& text) {
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        for (const char32_t c : text.toUcs4()) {
            const QString one = QString::fromUcs4(&c, 1);
            QTest::sendKeyEvent(QTest::Press, e, Qt::Key_unknown, one, Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, e, Qt::Key_unknown, one, Qt::NoModifier);
        }
    }
    // The Split button, and Split in its dialog with the choices in `st`;
    // returns when both parts are marked saved (the split may finish after
    // the dialog closed).
    bool Split() {
        st.Parts[0].writtenFile.clear();
        st.Parts[1].writtenFile.clear();
        QTimer::singleShot(0, win.get(), [this] {
            QTest::mouseClick(win->confirmDialog()->splitButton, Qt::LeftButton);
        });
        win->onSplitTriggered();
        win->confirmDialog()->splitRunner()->wait();
        return PartSaved(st, 1) && PartSaved(st, 2);
    }
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (int k = 1; k <= PartCount(st); ++k)
            titles.push_back(EffectivePartTag(st, k).fields.title);
        return titles;
    }

    QTemporaryDir dir;
    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    std::unique_ptr<MainWindow> win;
};

TEST_F(SourceTagsWindowTest, OriginalFileShowsTheId3v2Fields) {
    Open(TaggedFile("tagged.mp3", {}, false));
    ASSERT_FALSE(st.HasId3v1); // nothing to fall back on: the panel shows ID3v2
    TagPanel* panel = Panel();
    EXPECT_EQ(panel->partNameLabel->text(), "Original File");
    EXPECT_EQ(panel->titleEdit->text(), kTitle);
    EXPECT_EQ(panel->artistEdit->text(), kArtist);
    EXPECT_EQ(panel->albumEdit->text(), kAlbum);
    EXPECT_EQ(panel->yearEdit->text(), "2021");
    EXPECT_EQ(panel->trackEdit->text(), "3");
    EXPECT_EQ(panel->genreCombo->currentText(), "Jazz");
    EXPECT_FALSE(panel->tagsEdited());
}

TEST_F(SourceTagsWindowTest, APictureShowsAsAThumbnailAndABrokenOneAsNothing) {
    Open(TaggedFile("picture.mp3", PictureFile(false), false));
    QLabel* thumb = Panel()->pictureLabel;
    ASSERT_TRUE(thumb->isVisible());
    ASSERT_FALSE(thumb->pixmap().isNull());
    EXPECT_LE(thumb->pixmap().width(), 64);
    EXPECT_LE(thumb->pixmap().height(), 64);
    // The thumbnail is the picture: blue square on red.
    const QImage shown = thumb->pixmap().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() - 2, shown.height() - 2), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(shown.width() / 5, shown.height() / 3), QColor(Qt::blue));

    Open(TaggedFile("broken.mp3", PictureFile(true), false));
    EXPECT_FALSE(Panel()->pictureLabel->isVisible());
    EXPECT_EQ(Panel()->titleEdit->text(), kTitle); // the rest of the tag still shows

    Open(QStringLiteral(TESSIVO_FIXTURES "/long65.mp3")); // no tag at all
    Panel()->showPartTags(1);
    EXPECT_FALSE(Panel()->pictureLabel->isVisible());
}

TEST_F(SourceTagsWindowTest, AUnicodeTitleTypedInThePanelReachesTheFilesUnchanged) {
    Open(TaggedFile("source.mp3", PictureFile(false), false));
    FindPart<QRadioButton>(win, "byPartsRadio")->click();
    Prepare();
    ASSERT_EQ(PartCount(st), 2);
    win->partList()->selectPart(2);
    Panel()->showPartTags(2);
    const QString typed =
        QString::fromUtf8("Žluťoučký kůň — 日本語 🎵 a title far longer than thirty characters");
    Retype(Panel()->titleEdit, typed);
    QTest::mouseClick(Panel()->setButton, Qt::LeftButton);
    EXPECT_EQ(Panel()->titleEdit->text(), typed);
    EXPECT_EQ(EffectivePartTag(st, 2).fields.title, typed.toStdString());

    int written = 0; // splits number their files on: 01, 02, then 03, 04
    for (TagFormat format : {TagFormat::V1V23, TagFormat::V24}) {
        const QString out = dir.filePath(format == TagFormat::V1V23 ? "v23" : "v24");
        ASSERT_TRUE(QDir().mkpath(out));
        st.OutputFolder = out.toStdString();
        st.IsSaveTags = true;
        st.PartTagFormat = format;
        ASSERT_TRUE(Split());
        const QString part1 =
            out + QStringLiteral("/source-%1.mp3").arg(++written, 2, 10, QChar('0'));
        const QString part2 =
            out + QStringLiteral("/source-%1.mp3").arg(++written, 2, 10, QChar('0'));
        ASSERT_TRUE(QFile::exists(part2)) << part2.toStdString();
        bool ok = false;
        const QStringList read = RunPython(kReadScript, {part2}, &ok).split('\n');
        ASSERT_TRUE(ok);
        ASSERT_GE(read.size(), 2);
        EXPECT_EQ(read[0], format == TagFormat::V1V23 ? "2.3" : "2.4");
        EXPECT_EQ(read[1], typed);
        // Part 1 keeps the source's title.
        EXPECT_EQ(RunPython(kReadScript, {part1}).split('\n').value(1), kTitle);
    }
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
}

TEST_F(SourceTagsWindowTest, SplitAtChaptersIsOfferedOnlyForAFileWithChapters) {
    Open(QStringLiteral(TESSIVO_FIXTURES "/long65.mp3"));
    EXPECT_FALSE(ChaptersRadio()->isEnabled());
    EXPECT_EQ(ChaptersRadio()->text(), "Split at chapters");
    Open(TaggedFile("plain_tag.mp3", {}, false)); // ID3v2, no chapters
    EXPECT_FALSE(ChaptersRadio()->isEnabled());
    Open(TaggedFile("chapters.mp3", {}, true));
    EXPECT_TRUE(ChaptersRadio()->isEnabled());
    ChaptersRadio()->click();
    ASSERT_EQ(st.SplitMode, "chapters");
    // Another file without chapters takes the mode back to placing by hand.
    Open(QStringLiteral(TESSIVO_FIXTURES "/long65.mp3"));
    EXPECT_FALSE(ChaptersRadio()->isEnabled());
    EXPECT_EQ(st.SplitMode, "visual");
    EXPECT_TRUE(FindPart<QRadioButton>(win, "visualRadio")->isChecked());
}

TEST_F(SourceTagsWindowTest, SplitAtChaptersCutsAtTheChaptersTitlesThePartsAndIsUndone) {
    Open(TaggedFile("chapters.mp3", {}, true));
    ChaptersRadio()->click();
    Prepare();
    ASSERT_EQ(PartCount(st), 3);
    // Each cut within a frame and a half of its chapter's start (the frame
    // nearest it, after the file's Info frame when it has one).
    const double starts[] = {0.0, 20.0, 40.0};
    for (int k = 1; k <= 3; ++k) {
        EXPECT_NEAR(PartFirstFrame(st, k) * st.FrameDuration, starts[k - 1], 1.5 * st.FrameDuration)
            << "part " << k;
        EXPECT_TRUE(PartTicked(st, k));
    }
    EXPECT_EQ(Titles(),
              (std::vector<std::string>{"Kapitel 1 — Ω", "Kapitel 2 — Ω", "Kapitel 3 — Ω"}));
    // The other fields stay the source's.
    EXPECT_EQ(EffectivePartTag(st, 2).fields.artist, kArtist.toStdString());
    EXPECT_EQ(RowOf(win->partList(), 1)->text(6), QString::fromUtf8("Kapitel 2 — Ω"));
    QAction* undo = FindPart<QAction>(win, "undoAction");
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Prepare"));

    undo->trigger();
    EXPECT_EQ(PartCount(st), 1);
    EXPECT_EQ(EffectivePartTag(st, 1).fields.title, kTitle.toStdString());
    FindPart<QAction>(win, "redoAction")->trigger();
    EXPECT_EQ(PartCount(st), 3);
    EXPECT_EQ(Titles()[2], "Kapitel 3 — Ω");
}

} // namespace
} // namespace tessivo
