// Joining whole files: each input opened and checked against the first, then
// every file as one piece of the joined file. The command line's join and
// the window's Join files share it.
#pragma once

#include "core/analysis/open_file.h"
#include "core/output/one_file.h"

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tessivo {

// The inputs of a join, opened in order. A deque never moves its states, so
// the pieces may point into it.
struct JoinInputs {
    std::deque<AnalysedFile> files;
    std::vector<std::string> titles; // each file's chapter title: its title, else its name
    SourceTag firstTag;              // the first file's tag
    std::string error;               // the first file that cannot be read or joined
    bool cancelled = false;          // stopped through the cancel flag
    bool ok() const { return error.empty() && !cancelled; }
};

// How OpenJoinInputs reports and stops: `names` name the files in messages
// (the paths themselves when empty); `progress` is each file's analysis,
// `fileOpened(i)` follows the analysis of file i; `cancel` stops between
// files and within one.
struct JoinOpening {
    std::vector<std::string> names;
    ProgressFn progress;
    std::function<void(size_t index)> fileOpened;
    const std::atomic<bool>* cancel = nullptr;
    // False: each file's bytes are let go once it is checked (the join reads
    // them again when it writes), so one file at a time is in memory.
    bool keepBytes = true;
};

// Opens `paths` one after another and stops at the first file that cannot be
// read, holds no frames, or differs from the first in sample rate, MPEG
// version or channel count (JoinRefusal).
JoinInputs OpenJoinInputs(const std::vector<std::string>& paths, const JoinOpening& how = {});

// Every file whole, titled by its own title, else its name.
std::vector<FilePiece> WholeFilePieces(const std::deque<AnalysedFile>& files);

// Joins `paths` as the file `out`: the inputs opened (OpenJoinInputs), then
// written whole with the first file's tag (options.tag is set here), each
// file read again when its frames are written, so only one is in memory at
// a time. When a file cannot be read or joined, or `out` is one of them,
// the result carries its message and nothing is written; how.cancel also
// stops the writing.
OneFileResult JoinFiles(const std::vector<std::string>& paths, const std::string& out,
                        OneFileOptions options, const JoinOpening& how,
                        PartFileSystem& fs = DefaultPartFileSystem(),
                        const SplitProgressFn& written = {});

} // namespace tessivo
