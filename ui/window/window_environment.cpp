#include "ui/window/window_environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace tessivo {

QString DefaultSettingsPath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(dir);
    return dir + QStringLiteral("/tessivo.ini");
}

QString DefaultMusicFolder() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (dir.isEmpty())
        return {};
    if (!QDir().mkpath(dir))
        return {};
    return dir;
}

QString FindHelpPage() {
    const QString app = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        app + QStringLiteral("/tessivo.html"),
        app + QStringLiteral("/../share/tessivo/tessivo.html"),
#ifdef TESSIVO_SOURCE_DIR
        QStringLiteral(TESSIVO_SOURCE_DIR "/app/help/tessivo.html"),
#endif
    };
    for (const QString& c : candidates)
        if (QFileInfo::exists(c))
            return QFileInfo(c).canonicalFilePath();
    return {};
}

} // namespace tessivo
