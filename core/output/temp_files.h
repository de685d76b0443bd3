// Temporary files of a write in progress. A file is written without a name
// of its own (O_TMPFILE) where the file system allows it, so nothing is left
// when the program dies; elsewhere under a hidden name that a signal handler
// removes, and that a later run removes once its process is gone.
#pragma once

#include <string>
#include <sys/types.h>

namespace tessivo {

// Installs the handlers that remove the named temporary files of this
// process on SIGINT, SIGTERM and SIGHUP (a signal the process ignores stays
// ignored), and ignores SIGXFSZ so a file size limit fails the write
// ("File too large") instead of killing the program. Call once at start.
void PrepareSignalsForWriting();

// The hidden temporary name for `finalPath` of process `pid`, number `n`:
// ".NAME.tessivo-tmpPID-N" in the same folder.
std::string TemporaryName(const std::string& finalPath, pid_t pid, unsigned n);

// The process that owns a temporary name of TemporaryName's form; 0 when
// `fileName` (without folder) is not one.
pid_t TemporaryOwner(const std::string& fileName);

// Removes the temporary files in `folder` whose process is gone. Runs once
// per folder and process.
void RemoveStaleTemporaries(const std::string& folder);

// Marks `path` to be removed when a signal ends the process; returns the
// mark for ForgetTemporary (-1 when no room is left).
int RememberTemporary(const std::string& path);
void ForgetTemporary(int mark);

} // namespace tessivo
