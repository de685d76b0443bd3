#include "ui/window/cut_list_commands.h"

#include "core/cutlist/apply_cut_list.h"
#include "core/cutlist/cut_list_file.h"
#include "ui/common/user_dialogs.h"
#include "ui/document/core_text.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QWidget>

namespace tessivo {

namespace {

// Built when asked, so that they come in the language loaded by then.
QString CutListFilter() {
    return CutListCommands::tr(
        "Cut lists (*.cue *.txt *.csv);;Cue sheets (*.cue);;Audacity labels (*.txt);;CSV (*.csv)");
}
QString ExportFilter() {
    return CutListCommands::tr("Audacity labels (*.txt);;Cue sheets (*.cue);;CSV (*.csv)");
}

bool WriteTextFile(const QString& path, const std::string& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.data(), static_cast<qint64>(text.size()));
    return file.commit();
}

} // namespace

CutListCommands::CutListCommands(Document& doc, UserDialogs& dialogs, QWidget* parent)
    : QObject(parent), doc_(doc), dialogs_(dialogs), parent_(parent) {}

bool CutListCommands::isCutListPath(const QString& path) {
    CutListFormat format;
    return CutListFormatForPath(path.toStdString(), format);
}

bool CutListCommands::fileReady() const {
    const ProgramState& st = doc_.State();
    return st.FileLoaded && st.FrameCount > 0;
}

QString CutListCommands::startFolder() const {
    return QFileInfo(QString::fromStdString(doc_.State().FileName)).absolutePath();
}

void CutListCommands::importCutList() {
    if (!fileReady())
        return;
    const QString path = dialogs_.chooseOpenFile(parent_, startFolder(), CutListFilter());
    if (!path.isEmpty())
        applyCutListFile(path);
}

void CutListCommands::applyCutListFile(const QString& path) {
    if (!fileReady())
        return;
    const CutListImport result = doc_.ImportCutListFile(path.toStdString());
    if (!result.error.empty()) {
        dialogs_.showMessage(parent_, CoreText(result.error));
        return;
    }
    if (!result.acted)
        return;
    emit cutListApplied();
    QStringList warnings;
    for (const std::string& w : result.warnings)
        warnings << CoreText(w);
    if (!warnings.isEmpty())
        dialogs_.showMessage(parent_, warnings.join(QLatin1Char('\n')));
}

void CutListCommands::exportCutList() {
    if (!fileReady())
        return;
    const ProgramState& st = doc_.State();
    const QFileInfo source(QString::fromStdString(st.FileName));
    const QString suggested = source.absolutePath() + QLatin1Char('/') + source.completeBaseName() +
                              QStringLiteral(".txt");
    QString path = dialogs_.chooseSaveFile(parent_, suggested, ExportFilter());
    if (path.isEmpty())
        return;
    CutListFormat format;
    if (!CutListFormatForPath(path.toStdString(), format)) {
        // No known extension: Audacity labels, as the command line's default.
        format = CutListFormat::Labels;
        path += QString::fromStdString(CutListExtension(format));
    }
    const CutListText text = WriteCutList(format, CutListOfTable(st), TimeBaseOf(st), st.FrameCount,
                                          CutListSourceOf(st, st));
    if (!text.ok()) {
        dialogs_.showMessage(parent_, CoreText(text.error));
        return;
    }
    if (!WriteTextFile(path, text.text))
        dialogs_.showMessage(parent_, tr("Cannot write ") + path);
}

} // namespace tessivo
