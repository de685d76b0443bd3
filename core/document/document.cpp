#include "core/document/document.h"

#include "core/analysis/open_file.h"
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
    // A subscriber may unsubscribe while being told: walk a copy.
    const auto observers = observers_;
    for (const auto& [token, observer] : observers)
        observer(change);
}

std::unique_ptr<PartTable> Document::Before() const {
    if (!recorder_)
        return nullptr;
    return std::make_unique<PartTable>(st_);
}

void Document::Edited(EditKind kind, const std::unique_ptr<PartTable>& before,
                      DocumentChange change) {
    unsplitEdits_ = true;
    if (before && recorder_)
        recorder_(kind, *before, st_);
    Notify(change);
}

void Document::CloseFile(const std::string& nextName) {
    st_.FileLoaded = false;
    st_.CutCount = 0;
    st_.FrameCount = 0;
    st_.SplitFileCount = 0;
    st_.FileName = nextName;
    unsplitEdits_ = false;
    Notify(DocumentChange::File | DocumentChange::CutLines);
}

void Document::AdoptFile(ProgramState&& analysed) {
    AdoptAnalysedFile(st_, std::move(analysed));
    st_.FileLoaded = true;
    st_.SelectedPart = 0;
    st_.SplitFileCount = 0; // parts of the new file are numbered from 1

    CopySourceTag(st_);
    ResetToOnePart(st_);
    unsplitEdits_ = false;
    Notify(DocumentChange::File | DocumentChange::CutLines | DocumentChange::Tags |
           DocumentChange::Selection);
}

bool Document::AddCutLine(int32_t frame) {
    if (!st_.FileLoaded)
        return false;
    const auto before = Before();
    if (!tessivo::AddCutLine(st_, frame))
        return false;
    Edited(EditKind::AddCutLine, before, DocumentChange::CutLines);
    return true;
}

int Document::MoveCutLine(int k, int32_t frame) {
    if (!st_.FileLoaded || k < 2 || k > st_.CutCount)
        return k;
    const int32_t from = st_.CutLine[k];
    const auto before = Before();
    const int moved = tessivo::MoveCutLine(st_, k, frame);
    if (st_.CutLine[moved] != from || moved != k)
        Edited(EditKind::MoveCutLine, before, DocumentChange::CutLines);
    return moved;
}

bool Document::DeleteCutLine(int k) {
    if (!st_.FileLoaded)
        return false;
    const auto before = Before();
    if (!tessivo::DeleteCutLine(st_, k))
        return false;
    Edited(EditKind::DeleteCutLine, before, DocumentChange::CutLines | DocumentChange::Selection);
    return true;
}

PrepareOutcome Document::Prepare(PrepareInput& in) {
    PrepareOutcome out;
    if (!st_.FileLoaded)
        return out;
    const auto before = Before();
    out = PrepareCutLines(st_, in);
    if (out.acted)
        Edited(EditKind::Prepare, before,
               DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Selection);
    return out;
}

void Document::ClearCutLines() {
    if (!st_.FileLoaded)
        return;
    const auto before = Before();
    ResetToOnePart(st_);
    Edited(EditKind::ClearCutLines, before,
           DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Selection);
}

bool Document::SetPartUsed(int k, bool used) {
    if (!IsPart(k) || st_.PartUsed[k] == used)
        return false;
    const auto before = Before();
    st_.PartUsed[k] = used;
    Edited(EditKind::TickPart, before, DocumentChange::PartMarks);
    return true;
}

bool Document::SetPartTag(int k, const Id3v1Record& tag) {
    if (!IsPart(k) || st_.PartTag[k] == tag)
        return false;
    const auto before = Before();
    st_.PartTag[k] = tag;
    Edited(EditKind::SetTag, before, DocumentChange::Tags);
    return true;
}

bool Document::StoreTagFields(int n, const TagFields& fields) {
    if (n < 0 || n >= kPartSlots)
        return false;
    const Id3v1Record old = st_.PartTag[n];
    const auto before = Before();
    tessivo::StoreTagFields(st_, n, fields);
    if (st_.PartTag[n] != old)
        Edited(EditKind::SetTag, before, DocumentChange::Tags);
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
    if (result.ok && !result.refused)
        unsplitEdits_ = false;
    Notify(DocumentChange::PartMarks);
    return result;
}

void Document::RestoreParts(const PartTable& table) {
    const SplitModeKind mode = st_.SplitMode;
    const int32_t fileCount = st_.SplitFileCount;
    static_cast<PartTable&>(st_) = table;
    st_.SplitMode = mode;
    st_.SplitFileCount = fileCount;
    unsplitEdits_ = true;
    Notify(DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Tags |
           DocumentChange::Selection);
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
