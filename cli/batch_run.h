// Several files for split and cuts: the inputs as files, the per-file lines
// in the order the files were given, the progress bar.
#pragma once

#include "cli/commands.h"
#include "core/batch/batch_split.h"

#include <optional>
#include <string>
#include <vector>

namespace tessivo::cli {

// The files the inputs name: each folder gives its MP3 files (with -r those
// of its subfolders too), each other argument itself. A folder without any
// is a failure. With `relFolders`, each file's folder relative to the folder
// it was found in (empty for a file given itself). Returns the exit status.
int ExpandInputs(const InputOptions& o, const std::string& command, std::vector<std::string>& files,
                 std::vector<std::string>* relFolders = nullptr);

// Several inputs, or a folder: each file's parts in a folder of its own,
// lines that name the file, a summary.
bool IsBatch(const InputOptions& o);

// Prints each file's result once all earlier files are printed: its notes
// and failure on stderr after "tessivo-cli COMMAND: FILE: ", its written
// files on stdout, its own text under "==> FILE <==" (quiet: only the text
// and the failure). With a bar, redraws
// "[####    ] 3/30 files" on stderr as each file finishes (a terminal only).
// Finished is called one at a time.
class BatchPrinter {
public:
    BatchPrinter(std::string command, std::vector<std::string> files, bool quiet, bool bar);
    void Finished(size_t index, const BatchFileResult& result);
    // Clears the bar.
    void End();

private:
    void Print(size_t index, const BatchFileResult& result) const;
    void DrawBar() const;
    void ClearBar() const;

    std::string command_;
    std::vector<std::string> files_;
    bool quiet_ = false;
    bool bar_ = false;
    std::vector<std::optional<BatchFileResult>> waiting_;
    size_t printed_ = 0;
    size_t done_ = 0;
};

} // namespace tessivo::cli
