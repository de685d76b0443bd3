// Edit records kept in the user's data folder while an edit is open, so the
// next start can bring back what a crash lost. One file per state of a
// source, named by its identity (path, size, modification time) as the peak
// cache names its files; each is written atomically and removed when the
// edit is closed or discarded, or when it is older than 30 days.
#pragma once

#include "core/document/edit_record.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tessivo {

constexpr int64_t kEditRecordMaxAgeSeconds = int64_t{30} * 24 * 3600;

// $XDG_DATA_HOME/tessivo/recovery, else $HOME/.local/share/tessivo/recovery;
// empty when neither variable is set.
std::string DefaultRecoveryFolder();

// The file that keeps the record of `file` inside `folder`.
std::string EditRecordPath(const std::string& folder, const FileIdentity& file);

// Writes `record` under its file's identity, creating the folder. "" when
// done, else "Unable to write to PATH: reason".
std::string StoreEditRecord(const std::string& folder, const EditRecord& record);

// A record read back, with the time it was written (seconds since 1970).
struct StoredEdit {
    EditRecord record;
    int64_t savedSeconds = 0;
};

// The readable record kept for exactly `file`, if any.
std::optional<StoredEdit> FindEditRecord(const std::string& folder, const FileIdentity& file);
// Of the readable records whose files are still as they were, the one
// written last; none when there is no such record.
std::optional<StoredEdit> NewestRestorableEdit(const std::string& folder);

// Removes the record of `file`; true when there was one.
bool RemoveEditRecord(const std::string& folder, const FileIdentity& file);
// Removes every record (readable or not) last written more than `maxAge`
// seconds before `nowSeconds`.
void PruneEditRecords(const std::string& folder, int64_t nowSeconds,
                      int64_t maxAge = kEditRecordMaxAgeSeconds);

} // namespace tessivo
