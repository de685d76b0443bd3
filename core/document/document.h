// The open document: the analysed file and its part table, changed only
// through the methods below. Each method checks its arguments, changes the
// model and then tells every subscriber once what kind of thing changed.
// Widgets read the state through State() and edit through these methods; the
// window's Qt adapter turns the notifications into signals.
#pragma once

#include "core/analysis/background_peaks.h"
#include "core/cutlist/cut_list.h"
#include "core/document/edit_record.h"
#include "core/output/id3v1_tag.h"
#include "core/output/part_tag.h"
#include "core/output/split_parts.h"
#include "core/parts/part_access.h"
#include "core/parts/prepare.h"
#include "core/state/program_state.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessivo {

// What an edit changed; several may be combined in one notification.
enum class DocumentChange : unsigned {
    File = 1u << 0,      // another file was adopted (everything else follows)
    CutLines = 1u << 1,  // cut lines, and so the parts, moved, came or went
    PartMarks = 1u << 2, // a part was ticked or unticked, or marked saved
    Tags = 1u << 3,      // a part's tag
    Selection = 1u << 4, // the selected part
    Settings = 1u << 5,  // split mode, silence values, output choices
    Peaks = 1u << 6,     // frames of the peak table were replaced by exact ones
};

constexpr DocumentChange operator|(DocumentChange a, DocumentChange b) {
    return static_cast<DocumentChange>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool HasChange(DocumentChange set, DocumentChange one) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(one)) != 0;
}

// What an import of a cut list did: an error (the line it names; nothing
// changed) or the warnings of what was left out or merged.
struct CutListImport {
    bool acted = false;
    std::string error;
    std::vector<std::string> warnings;
};

// The edits of the part table that can be undone.
enum class EditKind {
    AddCutLine,
    MoveCutLine,
    DeleteCutLine,
    Prepare,
    ClearCutLines,
    TickPart,
    SetTag,
    ImportCutList,
    RestoreEdit,
    CutOut,
    Mute
};

class Document {
public:
    using Observer = std::function<void(DocumentChange)>;
    // Told of every edit of the part table, with the table before and after
    // it, just before the subscribers are notified.
    using EditRecorder =
        std::function<void(EditKind kind, const PartTable& before, const PartTable& after)>;

    explicit Document(ProgramState& st) : st_(st) {}
    // Leaves no subscriber behind: an edit that reaches a document being torn
    // down (a widget deleted after it) tells nobody.
    ~Document() { observers_.clear(); }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const ProgramState& State() const { return st_; }

    // Subscribers are told in the order they subscribed. Returns a token for
    // Unsubscribe.
    int Subscribe(Observer observer);
    void Unsubscribe(int token);
    // One recorder at most (the window's undo history); empty to stop. The
    // table is copied before an edit only while a recorder is set.
    void SetEditRecorder(EditRecorder recorder) { recorder_ = std::move(recorder); }

    // True after an edit of the part table that no successful split and no
    // newly adopted file has followed.
    bool HasUnsplitEdits() const { return unsplitEdits_; }

    // --- The file ---
    // The open file goes away while another one is read; `nextName` is the
    // file being opened.
    void CloseFile(const std::string& nextName);
    // Takes over the file a finished open analysed, with one part spanning
    // it and nothing selected. `exactPeaks` false: its peak table is a
    // preview that CopyFinishedPeaks and FinishPeaks make exact later.
    void AdoptFile(AnalysedFile&& analysed, bool exactPeaks = true);

    // --- Peaks ---
    // Copies the ranges `peaks` finished since the last call into the peak
    // table and notifies Peaks once. Refused (false, nothing changes) when the
    // table is exact already or `peaks` belong to another file's frames.
    bool CopyFinishedPeaks(BackgroundPeaks& peaks);
    // Every frame of the peak table is exact now. Runs the Prepare that waited
    // for this, if any, and returns its outcome.
    std::optional<PrepareOutcome> FinishPeaks();
    // False while the peak table still holds preview values.
    bool PeaksExact() const { return peaksExact_; }
    // A Prepare at pauses waits for the exact peaks.
    bool PreparePending() const { return pendingPrepare_.has_value(); }

    // --- Cut lines ---
    // Adds a cut line at `frame`: the part it falls in becomes two that both
    // keep its tick and tag fields. False (nothing changes) when the table is
    // full or the frame is not at least 10 frames before the end.
    bool AddCutLine(int32_t frame);
    // Moves cut line k (2..PartCount); both parts keep their records. Returns
    // the moved part's number afterwards.
    int MoveCutLine(int k, int32_t frame);
    // A cut line exactly at `sample` of the time base, on the frame nearest
    // it (gapless parts cut there; plain parts at that frame). False (nothing
    // changes) when CutSampleRefusal (core/parts/cut_lines.h) refuses it or
    // the table is full.
    bool AddCutLineAtSample(int64_t sample);
    // Cuts frames first..end-1 out of what is written: cut lines at both
    // edges (none at the file's start or end) and the part between them
    // unticked and selected, as one edit. False when nothing is loaded or
    // the stretch is empty.
    bool CutOut(int32_t first, int32_t end);
    // Silences frames first..end-1 in every output (joined with the muted
    // stretches it touches), as one edit. False when nothing is loaded, the
    // stretch is empty or already muted.
    bool Mute(int32_t first, int32_t end);
    // Cut line k (2..PartCount) was looked at in the review of the cuts: kept
    // with the edit, not an edit that is undone. False when it was already.
    bool MarkCutReviewed(int k);
    // Moves cut line k (2..PartCount) to exactly `sample`; a refused sample
    // changes nothing. Returns the moved part's number afterwards.
    int MoveCutLineToSample(int k, int64_t sample);
    // Removes cut line k (2..PartCount): part k joins part k - 1, which keeps
    // its record. Clears the selection.
    bool DeleteCutLine(int k);
    // The Prepare button of the split settings. The modes that look for
    // pauses need exact peaks: before FinishPeaks they change nothing and
    // return `waiting`; the last such input runs in FinishPeaks. In the
    // Chapters mode: a cut line on the frame nearest each chapter's start
    // (ChapterCuts), every part ticked and titled after its chapter; nothing
    // when the file has none.
    PrepareOutcome Prepare(PrepareInput& in);
    // The open file's chapters (CHAP frames), read when it was adopted.
    const std::vector<Chapter>& Chapters() const { return source_.chapters; }
    // The picture every part inherits from the source's tag (the front
    // cover, else the first), empty when it has none.
    const std::vector<uint8_t>& SourcePicture() const { return source_.picture; }
    // Back to one part spanning the file.
    void ClearCutLines();
    // Replaces the cut lines, ticks and part titles by a cut list made
    // elsewhere (one edit). Refused while no file is loaded.
    CutListImport ImportCutList(const CutList& list);
    // Reads the cut list file at `path` (its format by its extension) and
    // imports it; a file that cannot be read or parsed changes nothing.
    CutListImport ImportCutListFile(const std::string& path);
    // Reads the track list at `path` (core/cutlist/track_list.h) and imports
    // it as one edit: a timed list cuts at its starts, each snapped into the
    // nearest pause within `snapSeconds` by the silence values (0: as
    // given); a list of titles alone titles the parts there are, which must
    // be more than one. The parts are numbered as tracks and tags turned on.
    // A list that cannot be read or placed changes nothing (the error names
    // its line).
    CutListImport ImportTrackListFile(const std::string& path, double snapSeconds);
    // Per part k (entry 0 unused), whether it starts on a cut that found no
    // pause in the last split at pauses near; empty after any other change
    // of the cut lines.
    const std::vector<bool>& NearPausesFlags() const { return noPause_; }

    // --- Parts ---
    bool SetPartUsed(int k, bool used);
    // Sets the fields `which` (TagField bits) of part k's own tag to those of
    // `fields`; the others stay inherited from the file tag.
    bool SetPartTag(int k, const PartTagV2& fields, unsigned which);
    // The tag panel's fields for n: the file tag ("Original File", see
    // ShowsFileTag), which every part inherits where it sets no field of its
    // own, or part n's own fields.
    bool StoreTagFields(int n, const TagFields& fields);
    // "Apply to all parts": the artist, album, year and genre of `fields`
    // as every part's own.
    bool ApplyToAllParts(const TagFields& fields);
    // 0 clears the selection.
    bool SelectPart(int k);
    // Writes every ticked part (the split writer's rules) with `options`; the
    // parts written are marked saved and their files recorded. With an ID3v2
    // format and no tags given, the parts carry the source's tag with the tag
    // panel's changes (WindowPartTags).
    SplitResult Split(PartFileSystem& fs, const SplitOptions& options,
                      const SplitProgressFn& progress = {});
    // Split in three steps, so the writing can run on another thread:
    // BeginSplit (resolves the tags), RunSplit (writes the files; touches
    // only the saved marks and the file counter, notifies nobody) and
    // FinishSplit (records the result and notifies). Between BeginSplit and
    // FinishSplit the caller makes no other edit.
    struct PendingSplit {
        SplitOptions options;
        std::shared_ptr<const PartTags> tags; // what options.tags points to
    };
    PendingSplit BeginSplit(const SplitOptions& options);
    SplitResult RunSplit(const PendingSplit& pending, PartFileSystem& fs,
                         const SplitProgressFn& progress = {});
    void FinishSplit(const SplitResult& result);
    // The tags the ticked parts are written with in ID3v2 formats and as one
    // file: the source's tag with the tag panel's changes (WindowPartTags).
    PartTags ResolvedPartTags() const;
    // The part list's file names (PartListFileNames), the part a split failed at showing the file
    // its failure names until the parts or their ticks change; index = part
    // number.
    std::vector<std::string> PartFileNames() const;
    // True the first time a split of the open file reports a damaged source
    // tag, so the window says so once per file.
    bool FirstTagDamage(const SplitResult& result);

    // Puts back a part table recorded before or after an edit (undo, redo):
    // the part records, the file tag, the selection and the muted
    // stretches. The split mode, the file counter and the cuts reviewed stay.
    // Not itself recorded.
    void RestoreParts(const PartTable& table);

    // Brings back an edit kept for the open file (core/document/edit_record):
    // its part records, file tag and selection, as one edit. Refused (the
    // reason; nothing changes) when EditRecordRefusal refuses the record.
    std::string RestoreEdit(const EditRecord& record);

    // --- Split choices ---
    void SetSplitMode(std::string_view key);
    void SetSilenceThreshold(int32_t percent);
    void SetSilenceRelease(int32_t ms);
    void SetSaveTags(bool on);
    void SetGapless(bool on);
    void SetReplayGain(bool on);
    // The lossless gain of the next split in dB (-384..384; applied in
    // steps of 1.5 dB).
    void SetSplitGain(double db);
    // The next split's gain is the step that brings its parts nearest
    // -18 LUFS (without clipping) instead of the dB set.
    void SetSplitGainAuto(bool on);
    const SplitLoudness& SplitLoudnessChoice() const { return splitLoudness_; }
    void SetOutputFolder(const std::string& folder);
    void SetPartTagFormat(TagFormat format);
    // Parts of the next split numbered n/N of the parts written.
    void SetNumberTracks(bool on);
    // Every part of the next split faded in and out over `ms` (0..10000).
    void SetFadeMs(int32_t ms);
    // The next split drops the quiet at each ticked part's edges but for
    // kDefaultTrimKeepSeconds (core/parts/edge_trim.h); the part table stays.
    void SetTrimSilence(bool on);
    // One-file output shortens every longer pause to `ms` (0: off).
    void SetShortenPausesMs(int32_t ms);
    // The parts the last split with the edge trim skipped as silent, by
    // number.
    const std::vector<int>& SilentPartsSkipped() const { return silentSkipped_; }
    // The window's colours (kept with the settings).
    void SetColours(ColourChoice choice);

private:
    bool IsPart(int k) const { return IsPartNumber(st_, k); }
    // Turns tags on (true) when they are off and a part has a title of its
    // own; the caller's notice says the settings changed.
    bool TagsOnForTitles();
    void Notify(DocumentChange change);
    // Places the cut lines at the chapters and titles the parts.
    bool PrepareAtChapters();
    // The table before an edit, when a recorder wants it.
    std::unique_ptr<PartTable> Before() const;
    // An edit changed the table: records it, then notifies.
    void Edited(EditKind kind, const std::unique_ptr<PartTable>& before, DocumentChange change);

    ProgramState& st_;
    // The open file's tag as read when it was adopted, without the inherited
    // frames (a split reads those again).
    SourceTag source_;
    std::map<int, Observer> observers_;
    std::vector<bool> noPause_;
    // The flags the edit being notified leaves (only a split at pauses near
    // leaves any).
    std::vector<bool> nextNoPause_;
    int nextToken_ = 1;
    SplitLoudness splitLoudness_;
    int failedPart_ = 0; // the part the last split stopped at, and its file
    std::string failedPath_;
    bool splitting_ = false; // a split's own notification keeps its failure
    bool tagDamageTold_ = false;
    EditRecorder recorder_;
    bool unsplitEdits_ = false;
    bool peaksExact_ = true;
    // While a split with the edge trim runs: the table as it was, and for
    // every part of the trimmed one the part it came from (0: a trimmed-off
    // stretch).
    std::unique_ptr<PartTable> untrimmed_;
    std::vector<int> trimOrigin_;
    std::vector<int> silentSkipped_;
    // Trims the table for a split (BeginSplit); `tags` follow it.
    void TrimForWindowSplit(PartTags* tags);
    std::optional<PrepareInput> pendingPrepare_;
};

} // namespace tessivo
