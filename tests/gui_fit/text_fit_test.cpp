// Every label, button and combo box of the window, its panels and dialogs
// shows its whole text. Run once per scale factor (QT_SCALE_FACTOR 1 and 2,
// set by the test registration), offscreen, in a 1024 x 700 window, and in
// each translation's language (TESSIVO_TEST_LANGUAGE, e.g. "de").
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/gui/window_parts.h"
#include "ui/output/confirm_dialog.h"
#include "ui/output/join_dialog.h"
#include "ui/window/about_window.h"
#include "ui/window/frame_viewer.h"
#include "ui/window/help_window.h"
#include "ui/window/main_window.h"
#include "ui/window/status_texts.h"
#include "ui/window/translations.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tessivo {
namespace {

using testing::FakeAudioEngine;
using testing::FakeUserDialogs;

// Room a label's text needs beside its frame, margin and indent.
int LabelRoom(const QLabel* l) {
    return l->contentsRect().width() - 2 * l->margin() - std::max(l->indent(), 0);
}

void ExpectLabelFits(const QLabel* l, const QString& where) {
    if (l->text().isEmpty() || !l->pixmap().isNull())
        return;
    if (l->wordWrap()) {
        EXPECT_LE(l->heightForWidth(l->width()), l->height())
            << where.toStdString() << ": " << l->text().toStdString();
        return;
    }
    int need = 0;
    if (Qt::mightBeRichText(l->text()) && l->textFormat() != Qt::PlainText) {
        QTextDocument doc;
        doc.setDefaultFont(l->font());
        doc.setHtml(l->text());
        doc.setDocumentMargin(0);
        need = static_cast<int>(std::ceil(doc.idealWidth()));
    } else {
        for (const QString& line : l->text().split(QLatin1Char('\n')))
            need = std::max(need, l->fontMetrics().horizontalAdvance(line));
    }
    EXPECT_LE(need, LabelRoom(l)) << where.toStdString() << ": " << l->text().toStdString();
    EXPECT_LE(l->fontMetrics().height(), l->contentsRect().height())
        << where.toStdString() << ": " << l->text().toStdString();
}

void ExpectComboFits(const QComboBox* c, const QString& where) {
    // The widest entry against the box's text field.
    int widest = 0;
    for (int i = 0; i < c->count(); ++i)
        widest = std::max(widest, c->fontMetrics().horizontalAdvance(c->itemText(i)));
    QStyleOptionComboBox opt;
    opt.initFrom(c);
    opt.editable = c->isEditable();
    const QRect field =
        c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
    EXPECT_LE(widest, field.width())
        << where.toStdString() << ": " << c->objectName().toStdString();
}

// Every visible label, button and combo box of `root`.
void ExpectTextFits(QWidget* root) {
    const QString where = root->objectName().isEmpty()
                              ? QString::fromLatin1(root->metaObject()->className())
                              : root->objectName();
    int checked = 0;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || w->window() != root->window())
            continue;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            ExpectLabelFits(l, where);
            ++checked;
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (!b->text().isEmpty()) {
                EXPECT_LE(b->sizeHint().width(), b->width())
                    << where.toStdString() << ": " << b->text().toStdString();
            }
            ++checked;
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            ExpectComboFits(c, where);
            ++checked;
        }
    }
    EXPECT_GT(checked, 0) << where.toStdString();
}

class TextFitTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        win = testing::ShowTestWindow(st, engine, dialogs, dir);
        ASSERT_NE(win, nullptr);
        win->resize(1024, 700);
        Settle();
    }
    void TearDown() override { testing::CloseTestWindow(win, dialogs); }
    // Runs the layout requests and resizes the last change posted.
    static void Settle() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    void Open(const char* name) {
        dialogs.openFileAnswer = testing::Fixture(name);
        win->onOpenTriggered();
        win->waitForOpen();
        ASSERT_TRUE(st.FileLoaded);
        Settle();
    }
    // Shows `dialog` without a nested event loop, checks it and hides it.
    void CheckDialog(QDialog* dialog) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        Settle();
        ExpectTextFits(dialog);
        dialog->hide();
    }

    ProgramState st;
    FakeAudioEngine engine;
    FakeUserDialogs dialogs;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> win;
};

TEST_F(TextFitTest, MainWindowAndItsPanels) {
    ExpectTextFits(win.get());
    Open("vbr_stereo.mp3");
    ExpectTextFits(win.get());
    // The longest status words.
    for (const QString& word : {PeaksStatusText(100.0), PeaksWaitingText(100.0)}) {
        auto* status = testing::FindPart<QLabel>(win, "statusLabel");
        status->setText(word);
        ExpectLabelFits(status, QStringLiteral("status word"));
    }
}

TEST_F(TextFitTest, SplitDialog) {
    Open("long65.mp3");
    ConfirmDialog* dlg = win->confirmDialog();
    // Its widest choice shown.
    dlg->tagFormatBox->setCurrentIndex(dlg->tagFormatBox->count() - 1);
    CheckDialog(dlg);
    EXPECT_EQ(dlg->splitButton->y(), dlg->cancelButton->y());
    // With the ticked parts as one file.
    dlg->oneFileCheck->setChecked(true);
    CheckDialog(dlg);
    EXPECT_GE(dlg->oneFileEdit->width(), dlg->folderEdit->width() - dlg->oneFileButton->width());
}

TEST_F(TextFitTest, JoinDialog) {
    QAction* action = win->findChild<QAction*>(QStringLiteral("joinFilesAction"));
    ASSERT_NE(action, nullptr);
    action->trigger();
    JoinDialog* join = win->joinDialog();
    ASSERT_NE(join, nullptr);
    join->addFiles({testing::Fixture("cbr128_stereo.mp3"), testing::Fixture("vbr_stereo.mp3")});
    join->id3Box->setCurrentIndex(1);
    join->statusLine->setText(JoinDialog::tr("Cancelled; nothing was written."));
    CheckDialog(join);
}

TEST_F(TextFitTest, AboutFrameViewerShortcutsAndHelp) {
    CheckDialog(testing::FindPart<AboutWindow>(win, "aboutWindow"));
    CheckDialog(testing::FindPart<FrameViewerWindow>(win, "frameViewer"));
    win->onKeyboardShortcutsTriggered();
    CheckDialog(testing::FindPart<QDialog>(win, "shortcutsWindow"));
    dialogs.openSucceeds = false; // the help page shown in its own window
    ShowHelpPage(win.get(), dialogs, testing::Fixture("no_such_page.html"));
    auto* help = win->findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    CheckDialog(help);
}

} // namespace
} // namespace tessivo

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    QApplication app(argc, argv);
    const QString language = qEnvironmentVariable("TESSIVO_TEST_LANGUAGE");
    if (!language.isEmpty() && !tessivo::InstallTranslations(app, QLocale(language))) {
        fprintf(stderr, "no translation for %s\n", qPrintable(language));
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
