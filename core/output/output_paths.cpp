#include "core/output/output_paths.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace tessivo {

namespace {

// The number of a part file name "STEM-0n.mp3" / "STEM-n.mp3" as a split
// names it; 0 for any other name.
int PartNumberOf(const std::string& name, const std::string& stem) {
    const std::string head = stem + "-";
    const std::string tail = ".mp3";
    if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return 0;
    const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
    if (digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int n = std::stoi(digits);
    const std::string canonical = (n < 10 ? "0" : "") + std::to_string(n);
    return digits == canonical ? n : 0;
}

} // namespace

InputFiles::InputFiles(const std::vector<std::string>& paths) {
    for (const std::string& p : paths)
        Add(p);
}

void InputFiles::Add(const std::string& path) {
    struct stat sb;
    if (::stat(path.c_str(), &sb) == 0)
        ids_.insert({sb.st_dev, sb.st_ino});
}

bool InputFiles::Holds(const std::string& path) const {
    struct stat sb;
    return !ids_.empty() && ::stat(path.c_str(), &sb) == 0 &&
           ids_.count({sb.st_dev, sb.st_ino}) > 0;
}

std::string InputRefusalMessage(const std::string& path) {
    return "Refusing to write " + path + ": it is an input of this command";
}

std::string RefuseInputs(const std::vector<std::string>& outputs, const InputFiles& inputs) {
    for (const std::string& path : outputs)
        if (!path.empty() && inputs.Holds(path))
            return InputRefusalMessage(path);
    return {};
}

std::vector<std::string> LaterPartFiles(const std::string& folder, const std::string& stem,
                                        int last) {
    std::vector<std::pair<int, std::string>> found;
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return {};
    while (const dirent* e = ::readdir(d)) {
        const int n = PartNumberOf(e->d_name, stem);
        if (n > last)
            found.emplace_back(n, e->d_name);
    }
    ::closedir(d);
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& f : found)
        names.push_back(std::move(f.second));
    return names;
}

std::string LeftoverNote(const std::vector<std::string>& names) {
    if (names.empty())
        return {};
    std::string list;
    for (const std::string& n : names)
        list += (list.empty() ? "" : ", ") + n;
    const size_t count = names.size();
    return "Note: " + std::to_string(count) +
           (count == 1 ? " file of an earlier split remains: "
                       : " files of an earlier split remain: ") +
           list;
}

} // namespace tessivo
