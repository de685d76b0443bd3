#include "core/document/document.h"

#include "core/analysis/open_file.h"
#include "core/cutlist/apply_cut_list.h"
#include "core/cutlist/cut_list_file.h"
#include "core/document/window_part_tags.h"
#include "core/output/part_tag.h"
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
    // Once the parts, their ticks or the file change, the failed split's file
    // name no longer is the one the part will get.
    if (HasChange(change, DocumentChange::File) || HasChange(change, DocumentChange::CutLines) ||
        (HasChange(change, DocumentChange::PartMarks) && !splitting_)) {
        failedPart_ = 0;
        failedPath_.clear();
    }
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
    written_.Clear();
    Notify(DocumentChange::File | DocumentChange::CutLines);
}

void Document::AdoptFile(ProgramState&& analysed) {
    AdoptAnalysedFile(st_, std::move(analysed));
    st_.FileLoaded = true;
    st_.SelectedPart = 0;
    CopySourceTag(st_);
    ResetToOnePart(st_);
    written_.Clear();
    tagDamageTold_ = false;
    Notify(DocumentChange::File | DocumentChange::CutLines | DocumentChange::Tags |
           DocumentChange::Selection);
}

std::map<int32_t, std::string> Document::WrittenByStart() const {
    std::map<int32_t, std::string> byStart;
    for (size_t k = 1; k < written_.path.size() && static_cast<int>(k) <= st_.CutCount; ++k)
        if (!written_.path[k].empty())
            byStart[st_.CutLine[k]] = written_.path[k];
    return byStart;
}

void Document::RestoreWritten(const std::map<int32_t, std::string>& byStart) {
    written_.Clear();
    for (int k = 1; k <= st_.CutCount; ++k) {
        const auto it = byStart.find(st_.CutLine[k]);
        if (it == byStart.end())
            continue;
        written_.path.resize(static_cast<size_t>(k) + 1);
        written_.path[static_cast<size_t>(k)] = it->second;
    }
}

bool Document::AddCutLine(int32_t frame) {
    const auto written = WrittenByStart();
    if (!st_.FileLoaded || !tessivo::AddCutLine(st_, frame))
        return false;
    RestoreWritten(written);
    Notify(DocumentChange::CutLines);
    return true;
}

int Document::MoveCutLine(int k, int32_t frame) {
    if (!st_.FileLoaded || k < 2 || k > st_.CutCount)
        return k;
    const int32_t before = st_.CutLine[k];
    auto written = WrittenByStart();
    const int moved = tessivo::MoveCutLine(st_, k, frame);
    // The moved line's part keeps its file under its new start.
    if (const auto it = written.find(before); it != written.end()) {
        std::string path = std::move(it->second);
        written.erase(it);
        written[st_.CutLine[moved]] = std::move(path);
    }
    RestoreWritten(written);
    if (st_.CutLine[moved] != before || moved != k)
        Notify(DocumentChange::CutLines);
    return moved;
}

bool Document::DeleteCutLine(int k) {
    const auto written = WrittenByStart();
    if (!st_.FileLoaded || !tessivo::DeleteCutLine(st_, k))
        return false;
    RestoreWritten(written);
    Notify(DocumentChange::CutLines | DocumentChange::Selection);
    return true;
}

PrepareOutcome Document::Prepare(PrepareInput& in) {
    PrepareOutcome out;
    if (!st_.FileLoaded)
        return out;
    out = PrepareCutLines(st_, in);
    if (!out.acted)
        return out;
    written_.Clear();
    nextNoPause_ = out.noPause;
    Notify(DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Selection);
    return out;
}

void Document::ClearCutLines() {
    if (!st_.FileLoaded)
        return;
    ResetToOnePart(st_);
    written_.Clear();
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

SplitResult Document::Split(PartFileSystem& fs, const SplitOptions& options,
                            const SplitProgressFn& progress) {
    SplitOptions opts = options;
    PartTags tags;
    if (!opts.tags && st_.IsSaveTags && Id3v2Version(opts.format) != 0) {
        tags = WindowPartTags(st_, ReadSourceTag(st_));
        opts.tags = &tags;
    }
    SplitResult result = SplitParts(st_, opts, fs, progress);
    written_.Record(result);
    failedPart_ = result.ok ? 0 : result.failedPart;
    failedPath_ = result.ok ? std::string() : result.failedPath;
    splitting_ = true;
    Notify(DocumentChange::PartMarks);
    splitting_ = false;
    return result;
}

std::vector<std::string> Document::PartFileNames() const {
    std::vector<std::string> names = PartListFileNames(st_, written_);
    const auto failed = static_cast<size_t>(failedPart_);
    if (failed > 0 && failed < names.size() && !failedPath_.empty() && !st_.PartSaved[failed])
        names[failed] = failedPath_;
    return names;
}

bool Document::FirstTagDamage(const SplitResult& result) {
    if (!result.tagDamaged || tagDamageTold_)
        return false;
    tagDamageTold_ = true;
    return true;
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

void Document::SetPartTagFormat(TagFormat format) {
    if (st_.PartTagFormat == format)
        return;
    st_.PartTagFormat = format;
    Notify(DocumentChange::Settings);
}

void Document::SetOutputFolder(const std::string& folder) {
    if (st_.OutputFolder == folder)
        return;
    st_.OutputFolder = folder;
    Notify(DocumentChange::Settings);
}

} // namespace tessivo
