// A small INI text reader and writer. Lines it does not change (comments,
// other sections and keys, blank lines, lines it cannot parse) are written back
// exactly as they were read. Section and key names match without regard to
// letter case; values are raw text (spaces inside, backslashes kept) with
// surrounding blanks removed.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessivo {

class IniFile {
public:
    // Parses `text` (any bytes; a leading UTF-8 byte-order mark is kept).
    void Parse(const std::string& text);
    // Reads the file. A missing or unreadable file gives an empty document and false.
    bool Load(const std::string& path);

    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    // Replaces the value of the first matching key, or adds the key at the end
    // of the section (the section is added at the end of the text when missing).
    void Set(const std::string& section, const std::string& key, const std::string& value);

    std::string Text() const;
    // Writes the text through a temporary file flushed and renamed over `path`
    // (WriteFileAtomically; when the folder allows no new file, in place).
    // False when it cannot be written.
    bool Save(const std::string& path) const;

private:
    struct Line {
        std::string raw;     // the line as read, without its line end
        std::string section; // section it belongs to ("" before the first header)
        std::string key;     // key name when it is a key line, else empty
        bool isHeader = false;
    };
    std::vector<Line> lines_;
    std::string bom_;
    std::string eol_ = "\n";
    bool endsWithEol_ = true;
};

} // namespace tessivo
