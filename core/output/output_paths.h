// Checks on the files a command is about to write: none may be one of its
// inputs, and what an earlier split of the same source left in the folder.
#pragma once

#include <set>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace tessivo {

// The files a command reads, by device and inode, so a path that names one
// of them through a symlink or a hard link is found too.
class InputFiles {
public:
    InputFiles() = default;
    explicit InputFiles(const std::vector<std::string>& paths);
    // A path that cannot be examined adds nothing.
    void Add(const std::string& path);
    // Whether `path` (its target, when a symlink) is one of the inputs.
    bool Holds(const std::string& path) const;

private:
    std::set<std::pair<dev_t, ino_t>> ids_;
};

// "Refusing to write PATH: it is an input of this command"
std::string InputRefusalMessage(const std::string& path);

// The first of `outputs` that is one of `inputs`, as InputRefusalMessage;
// empty when none is.
std::string RefuseInputs(const std::vector<std::string>& outputs, const InputFiles& inputs);

// The names of the files in `folder` that a split of a source named `stem`
// (PartFileStem) gives its parts numbered above `last`, by number.
std::vector<std::string> LaterPartFiles(const std::string& folder, const std::string& stem,
                                        int last);

// "Note: 3 files of an earlier split remain: x-05.mp3, x-06.mp3, x-07.mp3";
// empty when `names` is.
std::string LeftoverNote(const std::vector<std::string>& names);

} // namespace tessivo
