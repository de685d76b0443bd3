#include "core/document/document.h"

#include "core/analysis/open_file.h"
#include "core/cutlist/apply_cut_list.h"
#include "core/cutlist/cut_list_file.h"
#include "core/parts/cut_lines.h"

#include <utility>

namespace tessivo {

int Document::Subscribe(Observer observer) {
    const int token = nextToken_++;
    observers_.emplace(token, std::move(observer));
    return token;
}

void Document::Unsubscribe(int token) {
    observers_.erase(token);
}

void Document::Notify(DocumentChange change) {
    if (HasChange(change, DocumentChange::CutLines))
        noPause_ = std::move(nextNoPause_);
    nextNoPause_.clear();
    // A subscriber may unsubscribe while being told: walk a copy.
    const auto observers = observers_;
    for (const auto& [token, observer] : observers)
        observer(change);
}

void Document::CloseFile(const std::string& nextName) {
    st_.FileLoaded = false;
    st_.CutCount = 0;
    st_.FrameCount = 0;
    st_.SplitFileCount = 0;
    st_.FileName = nextName;
    Notify(DocumentChange::File | DocumentChange::CutLines);
}

void Document::AdoptFile(ProgramState&& analysed) {
    AdoptAnalysedFile(st_, std::move(analysed));
    st_.FileLoaded = true;
    st_.SelectedPart = 0;
    CopySourceTag(st_);
    ResetToOnePart(st_);
    Notify(DocumentChange::File | DocumentChange::CutLines | DocumentChange::Tags |
           DocumentChange::Selection);
}

bool Document::AddCutLine(int32_t frame) {
    if (!st_.FileLoaded || !tessivo::AddCutLine(st_, frame))
        return false;
    Notify(DocumentChange::CutLines);
    return true;
}

int Document::MoveCutLine(int k, int32_t frame) {
    if (!st_.FileLoaded || k < 2 || k > st_.CutCount)
        return k;
    const int32_t before = st_.CutLine[k];
    const int moved = tessivo::MoveCutLine(st_, k, frame);
    if (st_.CutLine[moved] != before || moved != k)
        Notify(DocumentChange::CutLines);
    return moved;
}

bool Document::DeleteCutLine(int k) {
    if (!st_.FileLoaded || !tessivo::DeleteCutLine(st_, k))
        return false;
    Notify(DocumentChange::CutLines | DocumentChange::Selection);
    return true;
}

PrepareOutcome Document::Prepare(PrepareInput& in) {
    PrepareOutcome out;
    if (!st_.FileLoaded)
        return out;
    out = PrepareCutLines(st_, in);
    if (out.acted) {
        nextNoPause_ = out.noPause;
        Notify(DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Selection);
    }
    return out;
}

void Document::ClearCutLines() {
    if (!st_.FileLoaded)
        return;
    ResetToOnePart(st_);
    Notify(DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Selection);
}

CutListImport Document::ImportCutList(const CutList& list) {
    CutListImport result;
    if (!st_.FileLoaded || st_.FrameCount == 0)
        return result;
    result.warnings = ApplyCutList(st_, list).warnings;
    result.acted = true;
    Notify(DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Tags |
           DocumentChange::Selection);
    return result;
}

CutListImport Document::ImportCutListFile(const std::string& path) {
    CutListImport result;
    if (!st_.FileLoaded || st_.FrameCount == 0)
        return result;
    CutListFormat format;
    if (!CutListFormatForPath(path, format)) {
        result.error = "Not a cut list (.cue, .txt or .csv): " + path;
        return result;
    }
    const CutListRead read = ReadCutListFile(format, path);
    if (!read.ok()) {
        result.error = read.error;
        return result;
    }
    return ImportCutList(read.list);
}

bool Document::SetPartUsed(int k, bool used) {
    if (!IsPart(k) || st_.PartUsed[k] == used)
        return false;
    st_.PartUsed[k] = used;
    Notify(DocumentChange::PartMarks);
    return true;
}

bool Document::SetPartTag(int k, const Id3v1Record& tag) {
    if (!IsPart(k) || st_.PartTag[k] == tag)
        return false;
    st_.PartTag[k] = tag;
    Notify(DocumentChange::Tags);
    return true;
}

bool Document::StoreTagFields(int n, const TagFields& fields) {
    if (n < 0 || n >= kPartSlots)
        return false;
    const Id3v1Record before = st_.PartTag[n];
    tessivo::StoreTagFields(st_, n, fields);
    if (st_.PartTag[n] != before)
        Notify(DocumentChange::Tags);
    return true;
}

bool Document::SelectPart(int k) {
    if ((k != 0 && !IsPart(k)) || st_.SelectedPart == k)
        return false;
    st_.SelectedPart = k;
    Notify(DocumentChange::Selection);
    return true;
}

SplitResult Document::Split(PartFileSystem& fs, const SplitProgressFn& progress) {
    SplitResult result = SplitParts(st_, fs, progress);
    Notify(DocumentChange::PartMarks);
    return result;
}

void Document::SetSplitMode(SplitModeKind mode) {
    if (st_.SplitMode == mode)
        return;
    st_.SplitMode = mode;
    Notify(DocumentChange::Settings);
}

void Document::SetSilenceThreshold(int32_t percent) {
    if (st_.SilenceThreshold == percent)
        return;
    st_.SilenceThreshold = percent;
    Notify(DocumentChange::Settings);
}

void Document::SetSilenceRelease(int32_t ms) {
    if (st_.SilenceRelease == ms)
        return;
    st_.SilenceRelease = ms;
    Notify(DocumentChange::Settings);
}

void Document::SetSaveTags(bool on) {
    if (st_.IsSaveTags == on)
        return;
    st_.IsSaveTags = on;
    Notify(DocumentChange::Settings);
}

void Document::SetGapless(bool on) {
    if (st_.IsGapless == on)
        return;
    st_.IsGapless = on;
    Notify(DocumentChange::Settings);
}

void Document::SetOutputFolder(const std::string& folder) {
    if (st_.OutputFolder == folder)
        return;
    st_.OutputFolder = folder;
    Notify(DocumentChange::Settings);
}

} // namespace tessivo
