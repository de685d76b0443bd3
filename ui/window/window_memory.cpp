#include "ui/window/window_memory.h"

#include "core/settings/ini_file.h"

namespace tessivo {

namespace {

const char* const kSection = "Window";

QString RecentKey(int i) {
    return QStringLiteral("Recent File %1").arg(i + 1);
}

QString Value(const IniFile& ini, const QString& key) {
    const std::optional<std::string> v = ini.Get(kSection, key.toStdString());
    return v ? QString::fromStdString(*v) : QString();
}

QRect ParseRect(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return {};
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return {};
    }
    if (v[2] <= 0 || v[3] <= 0)
        return {};
    return QRect(v[0], v[1], v[2], v[3]);
}

// "a,b,c": sizes of `count` splitter panes, each above 0; else empty.
QList<int> ParseSizes(const QString& text, int count) {
    const QStringList items = text.split(QLatin1Char(','));
    QList<int> sizes;
    for (const QString& item : items) {
        bool ok = false;
        const int v = item.trimmed().toInt(&ok);
        if (!ok || v <= 0)
            return {};
        sizes << v;
    }
    return sizes.size() == count ? sizes : QList<int>{};
}

std::string SizesText(const QList<int>& sizes) {
    QStringList items;
    for (int v : sizes)
        items << QString::number(v);
    return items.join(QLatin1Char(',')).toStdString();
}

} // namespace

WindowMemory LoadWindowMemory(const QString& iniPath) {
    IniFile ini;
    WindowMemory m;
    if (!ini.Load(iniPath.toStdString()))
        return m;
    m.geometry = ParseRect(Value(ini, QStringLiteral("Geometry")));
    m.maximized = Value(ini, QStringLiteral("Maximized")) == QStringLiteral("1");
    m.openFolder = Value(ini, QStringLiteral("Open Folder"));
    m.waveSplit = ParseSizes(Value(ini, QStringLiteral("Splitter")), 2);
    m.panelSplit = ParseSizes(Value(ini, QStringLiteral("Panel Splitter")), 3);
    for (int i = 0; i < kRecentFileCount; ++i) {
        const QString path = Value(ini, RecentKey(i));
        if (!path.isEmpty())
            m.recentFiles << path;
    }
    return m;
}

bool SaveWindowMemory(const QString& iniPath, const WindowMemory& m) {
    IniFile ini;
    ini.Load(iniPath.toStdString());
    if (!m.geometry.isNull())
        ini.Set(kSection, "Geometry",
                QStringLiteral("%1,%2,%3,%4")
                    .arg(m.geometry.x())
                    .arg(m.geometry.y())
                    .arg(m.geometry.width())
                    .arg(m.geometry.height())
                    .toStdString());
    ini.Set(kSection, "Maximized", m.maximized ? "1" : "0");
    ini.Set(kSection, "Open Folder", m.openFolder.toStdString());
    if (!m.waveSplit.isEmpty())
        ini.Set(kSection, "Splitter", SizesText(m.waveSplit));
    if (!m.panelSplit.isEmpty())
        ini.Set(kSection, "Panel Splitter", SizesText(m.panelSplit));
    for (int i = 0; i < kRecentFileCount; ++i)
        ini.Set(kSection, RecentKey(i).toStdString(),
                i < m.recentFiles.size() ? m.recentFiles[i].toStdString() : std::string());
    return ini.Save(iniPath.toStdString());
}

QStringList WithRecentFile(QStringList recent, const QString& path) {
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > kRecentFileCount)
        recent.removeLast();
    return recent;
}

} // namespace tessivo
