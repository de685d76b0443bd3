#pragma once

#include <QLocale>

class QCoreApplication;

namespace tessivo {

// Loads the window's translation and Qt's own (its dialogs' buttons, the
// file dialog) for `locale`, owned by `app`. What is missing for a language
// is left out and the texts stay English. Returns whether the window's own
// translation was found.
bool InstallTranslations(QCoreApplication& app, const QLocale& locale);

} // namespace tessivo
