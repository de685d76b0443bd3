#include "core/settings/ini_file.h"

#include "core/util/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace tessivo {

namespace {

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r";
    const size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos)
        return "";
    const size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

} // namespace

void IniFile::Parse(const std::string& textIn) {
    lines_.clear();
    bom_.clear();
    eol_ = "\n";
    std::string text = textIn;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        bom_ = text.substr(0, 3);
        text.erase(0, 3);
    }
    if (text.find("\r\n") != std::string::npos)
        eol_ = "\r\n";
    endsWithEol_ = text.empty() || text.back() == '\n';
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos)
            nl = text.size();
        Line line;
        line.raw = text.substr(pos, nl - pos);
        if (!line.raw.empty() && line.raw.back() == '\r')
            line.raw.pop_back();
        pos = nl + 1;
        const std::string t = Trim(line.raw);
        if (!t.empty() && t.front() == '[') {
            const size_t close = t.find(']');
            if (close != std::string::npos) {
                section = Trim(t.substr(1, close - 1));
                line.isHeader = true;
            }
        } else if (!t.empty() && t.front() != ';' && t.front() != '#') {
            const size_t eq = t.find('=');
            if (eq != std::string::npos && eq > 0)
                line.key = Trim(t.substr(0, eq));
        }
        line.section = section;
        lines_.push_back(std::move(line));
    }
}

bool IniFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Parse("");
        return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) {
        Parse("");
        return false;
    }
    Parse(ss.str());
    return true;
}

std::optional<std::string> IniFile::Get(const std::string& section, const std::string& key) const {
    for (const Line& l : lines_) {
        if (!l.key.empty() && SameName(l.section, section) && SameName(l.key, key)) {
            const std::string t = Trim(l.raw);
            return Trim(t.substr(t.find('=') + 1));
        }
    }
    return std::nullopt;
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
    const std::string raw = key + "=" + value;
    int lastInSection = -1;
    for (size_t i = 0; i < lines_.size(); ++i) {
        Line& l = lines_[i];
        if (!SameName(l.section, section))
            continue;
        if (!l.key.empty() && SameName(l.key, key)) {
            l.raw = raw;
            return;
        }
        // New keys go after the section's last key or header, before any
        // blank lines that separate it from the next section.
        if (l.isHeader || !l.key.empty())
            lastInSection = static_cast<int>(i);
    }
    Line line;
    line.raw = raw;
    line.section = section;
    line.key = key;
    if (lastInSection < 0) {
        if (!lines_.empty() && !Trim(lines_.back().raw).empty()) {
            Line blank;
            blank.section = lines_.back().section;
            lines_.push_back(blank);
        }
        Line header;
        header.raw = "[" + section + "]";
        header.section = section;
        header.isHeader = true;
        lines_.push_back(header);
        lines_.push_back(line);
        return;
    }
    lines_.insert(lines_.begin() + lastInSection + 1, line);
}

std::string IniFile::Text() const {
    std::string out = bom_;
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i].raw;
        if (i + 1 < lines_.size() || endsWithEol_)
            out += eol_;
    }
    return out;
}

bool IniFile::Save(const std::string& path) const {
    const std::string text = Text();
    bool noTempFile = false;
    if (WriteFileAtomically(path, text, &noTempFile).empty())
        return true;
    // A failed write (a full disk) has cost nothing: the old file is there.
    if (!noTempFile)
        return false;
    // The folder may allow no new file while the file itself is writable.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool ok = WriteAllBytes(fd, text) && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

} // namespace tessivo
