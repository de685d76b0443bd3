#include "core/document/recovery_store.h"

#include "core/util/atomic_file.h"
#include "core/util/hash64.h"
#include "core/util/user_folders.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tessivo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSuffix = ".edit";
// Far more than 999 parts with long tags take; anything larger is not ours.
constexpr uintmax_t kMaxRecordBytes = 16u << 20;

// The time the file at `path` was last written, 0 when it cannot be read.
int64_t WrittenSeconds(const fs::path& path) {
    struct stat sb {};
    if (::stat(path.c_str(), &sb) != 0)
        return 0;
    return static_cast<int64_t>(sb.st_mtim.tv_sec);
}

std::optional<StoredEdit> ReadStoredEdit(const fs::path& path) {
    std::error_code ec;
    const uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kMaxRecordBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in)
        return std::nullopt;
    StoredEdit stored;
    std::string error;
    if (!ParseEditRecord(text.str(), stored.record, error))
        return std::nullopt;
    stored.savedSeconds = WrittenSeconds(path);
    return stored;
}

} // namespace

std::string DefaultRecoveryFolder() {
    return UserFolder("XDG_DATA_HOME", ".local/share", "recovery");
}

std::string EditRecordPath(const std::string& folder, const FileIdentity& file) {
    uint64_t h = Hash64(file.path.data(), file.path.size());
    h = Hash64(&file.size, sizeof file.size, h);
    h = Hash64(&file.modifiedNs, sizeof file.modifiedNs, h);
    return HashedFilePath(folder, h, kSuffix);
}

std::string StoreEditRecord(const std::string& folder, const EditRecord& record) {
    const std::string path = EditRecordPath(folder, record.file);
    if (folder.empty())
        return "Unable to write to " + path + ": no data folder";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return "Unable to write to " + path + ": " + ec.message();
    const std::string reason = WriteFileAtomically(path, EditRecordText(record));
    if (!reason.empty())
        return "Unable to write to " + path + ": " + reason;
    return {};
}

std::optional<StoredEdit> FindEditRecord(const std::string& folder, const FileIdentity& file) {
    if (folder.empty())
        return std::nullopt;
    std::optional<StoredEdit> stored = ReadStoredEdit(EditRecordPath(folder, file));
    if (!stored || stored->record.file != file)
        return std::nullopt;
    return stored;
}

std::optional<StoredEdit> NewestRestorableEdit(const std::string& folder) {
    std::optional<StoredEdit> newest;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() != kSuffix)
            continue;
        std::optional<StoredEdit> stored = ReadStoredEdit(it->path());
        FileIdentity now;
        if (!stored || !CurrentIdentity(stored->record.file.path, now) ||
            now != stored->record.file)
            continue;
        if (!newest || stored->savedSeconds > newest->savedSeconds)
            newest = std::move(stored);
    }
    return newest;
}

bool RemoveEditRecord(const std::string& folder, const FileIdentity& file) {
    if (folder.empty())
        return false;
    std::error_code ec;
    return fs::remove(EditRecordPath(folder, file), ec);
}

void PruneEditRecords(const std::string& folder, int64_t nowSeconds, int64_t maxAge) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        // Records and the temporary files a crash left while writing one.
        const std::string name = it->path().filename().string();
        if (name.find(kSuffix) == std::string::npos)
            continue;
        const int64_t written = WrittenSeconds(it->path());
        std::error_code rm;
        if (written > 0 && nowSeconds - written > maxAge)
            fs::remove(it->path(), rm);
    }
}

} // namespace tessivo
