#include "ui/window/track_list_commands.h"

#include "core/batch/track_list_rule.h"
#include "ui/common/user_dialogs.h"
#include "ui/document/core_text.h"

#include <QFileInfo>
#include <QStringList>
#include <QWidget>

namespace tessivo {

TrackListCommands::TrackListCommands(Document& doc, UserDialogs& dialogs, QWidget* parent)
    : QObject(parent), doc_(doc), dialogs_(dialogs), parent_(parent) {
    setObjectName(QStringLiteral("trackListCommands"));
}

void TrackListCommands::importTrackList() {
    const ProgramState& st = doc_.State();
    if (!st.FileLoaded || st.FrameCount == 0)
        return;
    const QString folder = QFileInfo(QString::fromStdString(st.FileName)).absolutePath();
    const QString path =
        dialogs_.chooseOpenFile(parent_, folder, tr("Track lists (*.txt);;All files (*)"));
    if (!path.isEmpty())
        applyTrackListFile(path);
}

void TrackListCommands::applyTrackListFile(const QString& path) {
    const CutListImport result = doc_.ImportTrackListFile(path.toStdString(), kDefaultSnapSeconds);
    if (!result.error.empty()) {
        dialogs_.showMessage(parent_, CoreText(result.error));
        return;
    }
    if (!result.acted)
        return;
    emit trackListApplied();
    QStringList warnings;
    for (const std::string& w : result.warnings)
        warnings << CoreText(w);
    if (!warnings.isEmpty())
        dialogs_.showMessage(parent_, warnings.join(QLatin1Char('\n')));
}

} // namespace tessivo
