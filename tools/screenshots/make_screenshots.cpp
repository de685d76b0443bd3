// Makes the pictures the AppStream file lists (run by scripts/make-screenshots.sh):
//   QT_QPA_PLATFORM=offscreen tessivo-screenshots FILE.mp3 OUTDIR
// A window with fake sound and dialogs opens FILE, gets four titled parts
// (one of them unticked) and is drawn into OUTDIR as main-window.png, then
// its split dialog as split-dialog.png, then the window in the dark scheme as
// dark.png. Nothing is written anywhere else.
#include "core/parts/part_access.h"
#include "tests/fakes/fake_audio_engine.h"
#include "tests/fakes/fake_user_dialogs.h"
#include "tests/fakes/temp_window_environment.h"
#include "ui/output/confirm_dialog.h"
#include "ui/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPalette>
#include <QPixmap>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdio>

using namespace tessivo;

namespace {

bool Save(QWidget* w, const QString& path) {
    QCoreApplication::processEvents();
    const bool ok = w->grab().save(path, "PNG");
    if (!ok)
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
    return ok;
}

// Four parts at fifths of the file with titles, the third unticked, the
// second selected.
void PrepareParts(Document& doc) {
    const ProgramState& st = doc.State();
    for (int k = 1; k <= 3; ++k)
        doc.AddCutLine(static_cast<int32_t>(st.FrameCount * k / 4));
    const char* titles[] = {"Opening", "Interview", "Advert", "Questions"};
    for (int k = 1; k <= PartCount(st) && k <= 4; ++k) {
        PartTagV2 t;
        t.title = titles[k - 1];
        doc.SetPartTag(k, t, kTagTitle);
    }
    doc.SetPartUsed(3, false);
    doc.SelectPart(2);
}

// A dark desktop palette, as dark themes set it.
QPalette DarkDesktop() {
    QPalette p(QColor(53, 53, 56), QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(36, 36, 38));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tessivo-screenshots FILE.mp3 OUTDIR\n");
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QString file = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QDir out(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir dir;
    ProgramState st;
    testing::FakeAudioEngine engine;
    testing::FakeUserDialogs dialogs;
    MainWindow win(st, engine, dialogs, testing::TempWindowEnvironment(dir));
    win.resize(1200, 760);
    win.show();
    win.openFilePath(file);
    win.waitForOpen();
    if (!st.FileLoaded) {
        std::fprintf(stderr, "Cannot open %s\n", qPrintable(file));
        return 1;
    }
    PrepareParts(win.document());
    win.onZoomToFitTriggered();
    win.drawWaveView();
    bool ok = Save(&win, out.filePath(QStringLiteral("main-window.png")));

    ConfirmDialog* split = win.confirmDialog();
    split->show();
    ok = Save(split, out.filePath(QStringLiteral("split-dialog.png"))) && ok;
    split->hide();

    // A dark desktop: the window follows its palette.
    QApplication::setPalette(DarkDesktop());
    ok = Save(&win, out.filePath(QStringLiteral("dark.png"))) && ok;
    dialogs.discardAnswer = true;
    win.close();
    return ok ? 0 : 1;
}
