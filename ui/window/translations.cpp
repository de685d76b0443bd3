#include "ui/window/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tessivo {

namespace {

// Installs the first of `name`'s files in `folder` that matches one of the
// locale's languages (tessivo_de_AT.qm, tessivo_de.qm, ...).
bool Install(QCoreApplication& app, const QLocale& locale, const QString& name,
             const QString& folder) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(locale, name, QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace

bool InstallTranslations(QCoreApplication& app, const QLocale& locale) {
    // The window's own translations are built into the program.
    const bool own = Install(app, locale, QStringLiteral("tessivo"), QStringLiteral(":/i18n"));
    Install(app, locale, QStringLiteral("qtbase"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return own;
}

} // namespace tessivo
