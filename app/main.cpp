// tessivo [FILE]: the main window, opening FILE when one is given.
#include "audio/sdl_audio_engine.h"
#include "core/output/temp_files.h"
#include "ui/common/user_dialogs.h"
#include "ui/window/about_window.h"
#include "ui/window/main_window.h"
#include "ui/window/translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>

#include <exception>
#include <memory>

namespace {

// Errors that reach the event loop end up in one message box, as the file
// layer's errors should, instead of ending the program.
class TessivoApplication : public QApplication {
public:
    using QApplication::QApplication;
    tessivo::UserDialogs* dialogs = nullptr;

    bool notify(QObject* receiver, QEvent* e) override {
        try {
            return QApplication::notify(receiver, e);
        } catch (const std::exception& ex) {
            if (dialogs)
                dialogs->showError(activeWindow(), QString::fromLocal8Bit(ex.what()));
        } catch (...) {
            if (dialogs)
                dialogs->showError(activeWindow(),
                                   QCoreApplication::translate("tessivo::main", "Unknown error"));
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    // The sound library would otherwise take over SIGINT and SIGTERM and the
    // program could no longer be stopped from a terminal.
    if (qEnvironmentVariableIsEmpty("SDL_NO_SIGNAL_HANDLERS"))
        qputenv("SDL_NO_SIGNAL_HANDLERS", "1");
    TessivoApplication app(argc, argv);
    tessivo::PrepareSignalsForWriting();
    QApplication::setApplicationName(QStringLiteral("tessivo"));
    QApplication::setApplicationVersion(tessivo::ProgramVersion());
    // The language of LANGUAGE, LC_ALL, LC_MESSAGES or LANG, even where no
    // such system locale is generated.
    tessivo::InstallTranslations(app, QLocale::system());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("tessivo::main", "Cuts one MP3 file into several MP3 files."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QCoreApplication::translate("tessivo::main", "MP3 file to open"),
                                 QStringLiteral("[FILE]"));
    parser.process(app);

    tessivo::QtUserDialogs dialogs;
    app.dialogs = &dialogs;
    auto state = std::make_unique<tessivo::ProgramState>();
    // Sound through SDL (PulseAudio, PipeWire or ALSA); SDL_AUDIODRIVER picks another.
    auto engine = std::make_unique<tessivo::SdlAudioEngine>();

    tessivo::WindowEnvironment env;
    env.settingsPath = tessivo::DefaultSettingsPath();
    tessivo::MainWindow window(*state, *engine, dialogs, env);
    window.setAudioLibraries(QString::fromStdString(tessivo::AudioLibraryVersions()));
    window.showMaximized();

    const QStringList args = parser.positionalArguments();
    if (!args.isEmpty()) {
        const QString file = QFileInfo(args.first()).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, file] { window.openFilePath(file); });
    } else {
        // An edit a crash left behind is offered once the window shows.
        QTimer::singleShot(0, &window, [&window] { window.restoreAfterCrash(); });
    }
    return app.exec();
}
