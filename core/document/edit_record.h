// An edit of the open file as a small text, so a crash does not lose it: the
// file it belongs to (path, size, modification time), every part record
// (start frame, exact cut sample, tick, written file, own tag fields with
// their values), the file tag, the selection, the muted stretches and the
// cut lines reviewed. Pictures are not part of an
// edit (the window does not change them), so none are kept.
#pragma once

#include "core/state/program_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessivo {

// What tells one state of a file from another: a record made for one state
// is never applied to another.
struct FileIdentity {
    std::string path;
    uint64_t size = 0;
    int64_t modifiedNs = 0; // ns since 1970
    bool operator==(const FileIdentity&) const = default;
};

// The open file's identity as the open read it.
FileIdentity IdentityOf(const LoadedFile& file);
// The file at `path` as it is now; false when it cannot be examined.
bool CurrentIdentity(const std::string& path, FileIdentity& out);

struct EditRecord {
    FileIdentity file;
    uint32_t frameCount = 0;
    std::vector<PartRecord> parts;
    PartTagSlot fileTag;
    int32_t selectedPart = 0;
    std::vector<MutedStretch> muted;
    std::vector<int32_t> reviewedCuts;
    bool operator==(const EditRecord&) const = default;
};

// The edit of the file `st` holds.
EditRecord EditRecordOf(const AnalysedFile& file, const PartTable& parts);

// The record as text (version 1; see edit_record.cpp), and back. Parsing
// refuses (false, `error` says why) text of another version, a truncated
// one and parts that cannot follow each other.
std::string EditRecordText(const EditRecord& record);
bool ParseEditRecord(const std::string& text, EditRecord& out, std::string& error);

// Why `record` cannot be applied to the file `st` holds ("" when it can):
// no file, another file or another state of it, another frame count, or
// parts that do not fit its frames.
std::string EditRecordRefusal(const EditRecord& record, const AnalysedFile& file);

} // namespace tessivo
