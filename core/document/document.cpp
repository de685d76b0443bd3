#include "core/document/document.h"

#include "core/analysis/open_file.h"
#include "core/cutlist/apply_cut_list.h"
#include "core/cutlist/cut_list_file.h"
#include "core/cutting/cutting_mode.h"
#include "core/document/window_part_tags.h"
#include "core/output/part_tag.h"
#include "core/parts/cut_lines.h"
#include "core/parts/part_access.h"

#include <algorithm>
#include <cmath>

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
    st_.Parts.clear();
    st_.FrameCount = 0;
    st_.SplitFileCount = 0;
    st_.FileName = nextName;
    unsplitEdits_ = false;
    pendingPrepare_.reset();
    Notify(DocumentChange::File | DocumentChange::CutLines);
}

void Document::AdoptFile(AnalysedFile&& analysed, bool exactPeaks) {
    AdoptAnalysedFile(st_, std::move(analysed));
    peaksExact_ = exactPeaks;
    pendingPrepare_.reset();
    st_.FileLoaded = true;
    st_.SelectedPart = 0;
    st_.SplitFileCount = 0; // parts of the new file are numbered from 1

    source_ = ReadSourceTag(st_);
    source_.inherited.clear();
    SetFileTag(st_, st_, source_);
    ResetToOnePart(st_, st_);
    st_.Muted.clear();
    st_.ReviewedCuts.clear();
    tagDamageTold_ = false;
    unsplitEdits_ = false;
    Notify(DocumentChange::File | DocumentChange::CutLines | DocumentChange::Tags |
           DocumentChange::Selection);
}

bool Document::AddCutLine(int32_t frame) {
    if (!st_.FileLoaded)
        return false;
    const auto before = Before();
    if (!tessivo::AddCutLine(st_, st_, frame))
        return false;
    Edited(EditKind::AddCutLine, before, DocumentChange::CutLines | DocumentChange::PartMarks);
    return true;
}

bool Document::CutOut(int32_t first, int32_t end) {
    if (!st_.FileLoaded || first < 0 || end <= first)
        return false;
    const auto before = Before();
    // An edge on a line there is already, or too near one, keeps that line.
    if (first > 0)
        tessivo::AddCutLine(st_, st_, first);
    if (int64_t{end} < int64_t{st_.FrameCount})
        tessivo::AddCutLine(st_, st_, end);
    int k = PartCount(st_);
    while (k > 1 && PartFirstFrame(st_, k) > first)
        --k;
    st_.Parts[static_cast<size_t>(k - 1)].ticked = false;
    st_.SelectedPart = k;
    Edited(EditKind::CutOut, before,
           DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Selection);
    return true;
}

bool Document::Mute(int32_t first, int32_t end) {
    end = std::min<int32_t>(end, static_cast<int32_t>(st_.FrameCount));
    if (!st_.FileLoaded || first < 0 || end <= first)
        return false;
    std::vector<MutedStretch> joined;
    MutedStretch added{first, end};
    for (const MutedStretch& m : st_.Muted) {
        if (m.end < added.first || m.first > added.end) {
            joined.push_back(m);
            continue;
        }
        if (m.first <= first && m.end >= end)
            return false; // inside a muted stretch already
        added = {std::min(added.first, m.first), std::max(added.end, m.end)};
    }
    joined.push_back(added);
    std::sort(joined.begin(), joined.end(),
              [](const MutedStretch& a, const MutedStretch& b) { return a.first < b.first; });
    const auto before = Before();
    st_.Muted = std::move(joined);
    Edited(EditKind::Mute, before, DocumentChange::PartMarks);
    return true;
}

bool Document::MarkCutReviewed(int k) {
    if (!st_.FileLoaded || k < 2 || k > PartCount(st_))
        return false;
    const int32_t frame = PartFirstFrame(st_, k);
    auto& cuts = st_.ReviewedCuts;
    const auto at = std::lower_bound(cuts.begin(), cuts.end(), frame);
    if (at != cuts.end() && *at == frame)
        return false;
    cuts.insert(at, frame);
    Notify(DocumentChange::PartMarks);
    return true;
}

int Document::MoveCutLine(int k, int32_t frame) {
    if (!st_.FileLoaded || k < 2 || k > PartCount(st_))
        return k;
    const PartRecord from = PartAt(st_, k);
    const auto before = Before();
    const int moved = tessivo::MoveCutLine(st_, st_, k, frame);
    // A line put back on the grid of its own frame moved as well.
    if (PartAt(st_, moved) != from || moved != k)
        Edited(EditKind::MoveCutLine, before, DocumentChange::CutLines | DocumentChange::PartMarks);
    return moved;
}

bool Document::AddCutLineAtSample(int64_t sample) {
    if (!st_.FileLoaded)
        return false;
    const auto before = Before();
    if (!tessivo::AddCutLineAtSample(st_, st_, sample))
        return false;
    Edited(EditKind::AddCutLine, before, DocumentChange::CutLines | DocumentChange::PartMarks);
    return true;
}

int Document::MoveCutLineToSample(int k, int64_t sample) {
    if (!st_.FileLoaded || k < 2 || k > PartCount(st_))
        return k;
    const PartRecord from = PartAt(st_, k);
    const auto before = Before();
    const int moved = tessivo::MoveCutLineToSample(st_, st_, k, sample);
    if (PartAt(st_, moved) != from || moved != k)
        Edited(EditKind::MoveCutLine, before, DocumentChange::CutLines | DocumentChange::PartMarks);
    return moved;
}

bool Document::DeleteCutLine(int k) {
    if (!st_.FileLoaded)
        return false;
    const auto before = Before();
    if (!tessivo::DeleteCutLine(st_, k))
        return false;
    Edited(EditKind::DeleteCutLine, before,
           DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Selection);
    return true;
}

bool Document::CopyFinishedPeaks(BackgroundPeaks& peaks) {
    const AnalysedFile& file = st_;
    if (peaksExact_ || !st_.FileLoaded || &peaks.File() != &file)
        return false;
    for (const auto* v : {&st_.PeakMaxL, &st_.PeakMinL, &st_.PeakMaxR, &st_.PeakMinR})
        if (v->size() != st_.FrameCount)
            return false;
    if (peaks.CopyFinished(st_).empty())
        return false;
    Notify(DocumentChange::Peaks);
    return true;
}

std::optional<PrepareOutcome> Document::FinishPeaks() {
    peaksExact_ = true;
    if (!pendingPrepare_)
        return std::nullopt;
    PrepareInput in = *pendingPrepare_;
    pendingPrepare_.reset();
    return Prepare(in);
}

PrepareOutcome Document::Prepare(PrepareInput& in) {
    PrepareOutcome out;
    if (!st_.FileLoaded)
        return out;
    const CuttingMode* mode = CuttingModeByKey(in.mode);
    if (!peaksExact_ && mode && mode->needsPeaks) {
        if (mode->checkBeforePeaks)
            out.message = mode->checkBeforePeaks(st_, in);
        if (!out.message.empty())
            return out;
        pendingPrepare_ = in;
        out.waiting = true;
        return out;
    }
    const auto before = Before();
    // The document holds the chapters it read: it places them itself.
    const bool chapters = in.mode == kChaptersKey;
    if (chapters)
        out.acted = PrepareAtChapters();
    else
        out = PrepareCutLines(st_, st_, st_, in);
    if (!out.acted)
        return out;
    nextNoPause_ = out.noPause;
    const bool tagsOn = chapters && TagsOnForTitles();
    Edited(EditKind::Prepare, before,
           DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Selection |
               (tagsOn ? DocumentChange::Settings : DocumentChange{}));
    return out;
}

bool Document::PrepareAtChapters() {
    const std::vector<ChapterCut> cuts = ChapterCuts(st_, source_.chapters);
    if (cuts.empty())
        return false;
    // The first chapter may start after the first frame: the audio before it
    // is a part of its own, titled as the source.
    std::vector<int32_t> starts;
    std::vector<std::string> titles(1);
    for (const ChapterCut& cut : cuts) {
        if (cut.frame > 0) {
            if (starts.size() + 1 >= static_cast<size_t>(kMaxParts))
                break;
            starts.push_back(cut.frame);
            titles.emplace_back();
        }
        if (!cut.title.empty())
            titles.back() = cut.title;
    }
    ReplaceParts(st_, st_, starts);
    for (int k = 1; k <= PartCount(st_) && k <= static_cast<int>(titles.size()); ++k) {
        if (titles[static_cast<size_t>(k - 1)].empty())
            continue;
        PartRecord& part = st_.Parts[static_cast<size_t>(k - 1)];
        part.own.title = titles[static_cast<size_t>(k - 1)];
        part.ownFields |= kTagTitle;
    }
    return true;
}

bool Document::TagsOnForTitles() {
    // Titles placed with the cuts are written only with tags: the next split
    // writes them.
    if (st_.IsSaveTags)
        return false;
    for (const PartRecord& part : st_.Parts)
        if (part.ownFields & kTagTitle) {
            st_.IsSaveTags = true;
            return true;
        }
    return false;
}

void Document::ClearCutLines() {
    if (!st_.FileLoaded)
        return;
    const auto before = Before();
    ResetToOnePart(st_, st_);
    Edited(EditKind::ClearCutLines, before,
           DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Selection);
}

CutListImport Document::ImportCutList(const CutList& list) {
    CutListImport result;
    if (!st_.FileLoaded || st_.FrameCount == 0)
        return result;
    const auto before = Before();
    result.warnings = ApplyCutList(st_, st_, list).warnings;
    result.acted = true;
    const bool tagsOn = TagsOnForTitles();
    Edited(EditKind::ImportCutList, before,
           DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Tags |
               DocumentChange::Selection | (tagsOn ? DocumentChange::Settings : DocumentChange{}));
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
    if (!IsPart(k) || PartTicked(st_, k) == used)
        return false;
    const auto before = Before();
    st_.Parts[static_cast<size_t>(k - 1)].ticked = used;
    Edited(EditKind::TickPart, before, DocumentChange::PartMarks);
    return true;
}

bool Document::SetPartTag(int k, const PartTagV2& fields, unsigned which) {
    if (!IsPart(k))
        return false;
    PartRecord changed = PartAt(st_, k);
    for (TagField f :
         {kTagTitle, kTagArtist, kTagAlbum, kTagYear, kTagComment, kTagGenre, kTagTrack})
        if (which & f)
            TagFieldText(changed.own, f) = TagFieldText(fields, f);
    changed.ownFields |= which;
    if (changed == PartAt(st_, k))
        return false;
    const auto before = Before();
    st_.Parts[static_cast<size_t>(k - 1)] = std::move(changed);
    Edited(EditKind::SetTag, before, DocumentChange::Tags);
    return true;
}

bool Document::StoreTagFields(int n, const TagFields& fields) {
    if (!ShowsFileTag(st_, n) && !IsPart(n))
        return false;
    const PartTable old = st_;
    const auto before = Before();
    tessivo::StoreTagFields(st_, st_, n, fields);
    if (static_cast<const PartTable&>(st_) != old)
        Edited(EditKind::SetTag, before, DocumentChange::Tags);
    return true;
}

bool Document::ApplyToAllParts(const TagFields& fields) {
    if (!st_.FileLoaded || PartCount(st_) == 0)
        return false;
    PartTagV2 shown;
    shown.artist = fields.artist;
    shown.album = fields.album;
    shown.year = fields.year;
    shown.genre = GenreByte(fields.genre) != 255 ? fields.genre : std::string();
    const unsigned which = kTagArtist | kTagAlbum | kTagYear | kTagGenre;
    const PartTable old = st_;
    const auto before = Before();
    for (PartRecord& part : st_.Parts) {
        for (TagField f : {kTagArtist, kTagAlbum, kTagYear, kTagGenre})
            TagFieldText(part.own, f) = TagFieldText(shown, f);
        part.ownFields |= which;
    }
    if (static_cast<const PartTable&>(st_) == old)
        return false;
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

SplitResult Document::Split(PartFileSystem& fs, const SplitOptions& options,
                            const SplitProgressFn& progress) {
    const SplitResult result = RunSplit(BeginSplit(options), fs, progress);
    FinishSplit(result);
    return result;
}

Document::PendingSplit Document::BeginSplit(const SplitOptions& options) {
    PendingSplit pending{options, nullptr};
    silentSkipped_.clear();
    if (!options.tags && st_.IsSaveTags && Id3v2Version(options.format) != 0) {
        auto tags = std::make_shared<PartTags>(ResolvedPartTags());
        TrimForWindowSplit(tags.get());
        pending.tags = tags;
        pending.options.tags = pending.tags.get();
    } else {
        TrimForWindowSplit(nullptr);
    }
    return pending;
}

PartTags Document::ResolvedPartTags() const {
    return WindowPartTags(st_, ReadSourceTag(st_));
}

SplitResult Document::RunSplit(const PendingSplit& pending, PartFileSystem& fs,
                               const SplitProgressFn& progress) {
    return SplitParts(st_, st_, st_, pending.options, fs, progress);
}

void Document::FinishSplit(const SplitResult& result) {
    if (untrimmed_) {
        // The files written go back to the parts they came from.
        for (size_t i = 0; i < trimOrigin_.size() && i < st_.Parts.size(); ++i) {
            const int from = trimOrigin_[i];
            if (from > 0 && !st_.Parts[i].writtenFile.empty())
                untrimmed_->Parts[static_cast<size_t>(from - 1)].writtenFile =
                    st_.Parts[i].writtenFile;
        }
        untrimmed_->SplitFileCount = st_.SplitFileCount;
        static_cast<PartTable&>(st_) = std::move(*untrimmed_);
        untrimmed_.reset();
        trimOrigin_.clear();
    }
    failedPart_ = result.ok ? 0 : result.failedPart;
    failedPath_ = result.ok ? std::string() : result.failedPath;
    splitting_ = true;
    if (result.ok && !result.refused)
        unsplitEdits_ = false;
    Notify(DocumentChange::PartMarks);
    splitting_ = false;
}

std::vector<std::string> Document::PartFileNames() const {
    std::vector<std::string> names = PartListFileNames(st_, st_, st_);
    const auto failed = static_cast<size_t>(failedPart_);
    if (failed > 0 && failed < names.size() && !failedPath_.empty() && !PartSaved(st_, failedPart_))
        names[failed] = failedPath_;
    return names;
}

bool Document::FirstTagDamage(const SplitResult& result) {
    if (!result.tagDamaged || tagDamageTold_)
        return false;
    tagDamageTold_ = true;
    return true;
}

void Document::RestoreParts(const PartTable& table) {
    const std::string mode = st_.SplitMode;
    const int32_t fileCount = st_.SplitFileCount;
    // The cuts looked at stay looked at: the review is no edit.
    std::vector<int32_t> reviewed = std::move(st_.ReviewedCuts);
    static_cast<PartTable&>(st_) = table;
    st_.SplitMode = mode;
    st_.SplitFileCount = fileCount;
    st_.ReviewedCuts = std::move(reviewed);
    unsplitEdits_ = true;
    Notify(DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Tags |
           DocumentChange::Selection);
}

std::string Document::RestoreEdit(const EditRecord& record) {
    std::string refusal = EditRecordRefusal(record, st_);
    if (!refusal.empty())
        return refusal;
    const auto before = Before();
    st_.Parts = record.parts;
    st_.FileTag = record.fileTag;
    st_.SelectedPart = record.selectedPart;
    st_.Muted = record.muted;
    st_.ReviewedCuts = record.reviewedCuts;
    Edited(EditKind::RestoreEdit, before,
           DocumentChange::CutLines | DocumentChange::PartMarks | DocumentChange::Tags |
               DocumentChange::Selection);
    return {};
}

void Document::SetSplitMode(std::string_view key) {
    if (st_.SplitMode == key)
        return;
    st_.SplitMode = std::string(key);
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

void Document::SetNumberTracks(bool on) {
    if (st_.NumberTracks == on)
        return;
    st_.NumberTracks = on;
    Notify(DocumentChange::Settings);
}

void Document::SetTrimSilence(bool on) {
    if (st_.TrimSilence == on)
        return;
    st_.TrimSilence = on;
    Notify(DocumentChange::Settings);
}

void Document::SetShortenPausesMs(int32_t ms) {
    ms = std::clamp(ms, 0, kMaxShortenPausesMs);
    if (st_.ShortenPausesMs == ms)
        return;
    st_.ShortenPausesMs = ms;
    Notify(DocumentChange::Settings);
}

void Document::SetFadeMs(int32_t ms) {
    ms = std::clamp(ms, 0, kMaxFadeMs);
    if (st_.FadeMs == ms)
        return;
    st_.FadeMs = ms;
    Notify(DocumentChange::Settings);
}

void Document::SetColours(ColourChoice choice) {
    if (st_.Colours == choice)
        return;
    st_.Colours = choice;
    Notify(DocumentChange::Settings);
}

void Document::SetGapless(bool on) {
    if (st_.IsGapless == on)
        return;
    st_.IsGapless = on;
    Notify(DocumentChange::Settings);
}

void Document::SetReplayGain(bool on) {
    if (splitLoudness_.replayGain == on)
        return;
    splitLoudness_.replayGain = on;
    Notify(DocumentChange::Settings);
}

void Document::SetSplitGainAuto(bool on) {
    if (splitLoudness_.gainAuto == on)
        return;
    splitLoudness_.gainAuto = on;
    Notify(DocumentChange::Settings);
}

void Document::SetSplitGain(double db) {
    if (!(std::abs(db) <= 384.0) || splitLoudness_.gainDb == db)
        return;
    splitLoudness_.gainDb = db;
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
