#include "core/cutlist/cue_sheet.h"

#include "core/util/text_encoding.h"

#include <libcue.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <sstream>

namespace tessivo {

namespace {

constexpr int kCueFramesPerSecond = 75;
constexpr int kMaxCueTracks = 99;

// A word of a cue line: a run without blanks, or a quoted text.
struct Word {
    size_t pos = 0;
    size_t len = 0;
    bool quoted = false;
};

// Where the quoted text opened at `open` ends: the next double quote not
// escaped by a backslash ("\\" is a backslash, "\"" a quote inside the text).
size_t ClosingQuote(const std::string& line, size_t open) {
    for (size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
            ++i;
        else if (line[i] == '"')
            return i;
    }
    return std::string::npos;
}

// Splits a line into words; false when a quote is not closed.
bool SplitWords(const std::string& line, std::vector<Word>& words) {
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        Word w{i, 0, line[i] == '"'};
        const size_t end = w.quoted ? ClosingQuote(line, i) : line.find_first_of(" \t", i);
        if (w.quoted && end == std::string::npos)
            return false;
        const size_t stop = end == std::string::npos ? line.size() : end + (w.quoted ? 1 : 0);
        w.len = stop - i;
        words.push_back(w);
        i = stop;
    }
    return true;
}

// The text a word stands for: a quoted one without its quotes and escapes
// (another backslash stays as it is), any other as written.
std::string WordText(const std::string& line, const Word& w) {
    if (!w.quoted)
        return line.substr(w.pos, w.len);
    std::string out;
    const size_t end = w.pos + w.len - 1;
    for (size_t i = w.pos + 1; i < end; ++i) {
        if (line[i] == '\\' && i + 1 < end && (line[i + 1] == '"' || line[i + 1] == '\\'))
            ++i;
        out += line[i];
    }
    return out;
}

bool AllDigits(const std::string& s, size_t maxLen) {
    return !s.empty() && s.size() <= maxLen &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// mm:ss:ff with seconds below 60 and frames below 75; total in 1/75 s.
bool ParseCueTime(const std::string& s, long& total) {
    const size_t a = s.find(':');
    const size_t b = a == std::string::npos ? a : s.find(':', a + 1);
    if (b == std::string::npos)
        return false;
    const std::string mm = s.substr(0, a), ss = s.substr(a + 1, b - a - 1), ff = s.substr(b + 1);
    if (!AllDigits(mm, 4) || !AllDigits(ss, 2) || !AllDigits(ff, 2))
        return false;
    const long m = std::stol(mm), sec = std::stol(ss), f = std::stol(ff);
    total = (m * 60 + sec) * kCueFramesPerSecond + f;
    return sec < 60 && f < kCueFramesPerSecond;
}

const std::vector<std::string>& CueCommands() {
    static const std::vector<std::string> v = {
        "CATALOG",   "CDTEXTFILE", "FILE",     "FLAGS",    "INDEX",      "ISRC",
        "PERFORMER", "POSTGAP",    "PREGAP",   "REM",      "SONGWRITER", "TITLE",
        "TRACK",     "ARRANGER",   "COMPOSER", "MESSAGE",  "DISC_ID",    "GENRE",
        "TOC_INFO1", "TOC_INFO2",  "UPC_EAN",  "SIZE_INFO"};
    return v;
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// What the line scan gathers while it checks the sheet: the texts and lines
// of the tracks, and the sheet in the plain form handed to libcue (only its
// FILE, TRACK and INDEX lines, so libcue never meets a text or a word it
// would refuse).
struct CueScan {
    int files = 0;
    int trackLine = 0; // line of the TRACK now open, 0 before the first
    std::string trackNumber;
    bool trackHasStart = false;
    std::vector<CutListEntry> tracks; // texts and lines; the times come from libcue
    std::string album, albumArtist;
    std::string plain;
};

std::string CheckTrack(const std::vector<std::string>& w, const CueScan& s) {
    if (s.files == 0)
        return "TRACK before the FILE line";
    if (w.size() != 3 || !AllDigits(w[1], 2) || std::stoi(w[1]) == 0)
        return "TRACK expects a number and a type, such as TRACK 01 AUDIO";
    if (static_cast<int>(s.tracks.size()) >= kMaxCueTracks)
        return "more than 99 tracks";
    return "";
}

std::string CheckIndex(const std::vector<std::string>& w, CueScan& s) {
    if (s.trackLine == 0)
        return "INDEX before the first TRACK";
    if (w.size() < 2 || !AllDigits(w[1], 2))
        return "INDEX expects a number and mm:ss:ff";
    long total = 0;
    if (w.size() != 3 || !ParseCueTime(w[2], total))
        return "INDEX " + w[1] + " expects mm:ss:ff";
    if (std::stoi(w[1]) == 1)
        s.trackHasStart = true;
    s.plain += "INDEX " + w[1] + " " + w[2] + "\n";
    return "";
}

// A TITLE or PERFORMER: of the sheet before the first TRACK, else of the track.
void KeepText(const std::vector<std::string>& w, CueScan& s) {
    const bool title = w[0] == "TITLE";
    if (s.tracks.empty())
        (title ? s.album : s.albumArtist) = w[1];
    else
        (title ? s.tracks.back().title : s.tracks.back().performer) = w[1];
}

// Checks one line; "" when it is fine. Updates the scan state.
std::string CheckCueLine(const std::vector<std::string>& w, int line, CueScan& s) {
    const std::string& cmd = w[0];
    if (std::find(CueCommands().begin(), CueCommands().end(), cmd) == CueCommands().end())
        return "unknown command " + cmd;
    if (cmd == "FILE") {
        s.plain += "FILE \"source\" MP3\n";
        return ++s.files > 1 ? "a second FILE line; a cue sheet for one file is needed" : "";
    }
    if (cmd == "INDEX")
        return CheckIndex(w, s);
    if ((cmd == "TITLE" || cmd == "PERFORMER" || cmd == "SONGWRITER") && w.size() != 2)
        return cmd + " expects one text in double quotes";
    if (cmd == "TITLE" || cmd == "PERFORMER")
        KeepText(w, s);
    long total = 0;
    if ((cmd == "PREGAP" || cmd == "POSTGAP") && (w.size() != 2 || !ParseCueTime(w[1], total)))
        return cmd + " expects mm:ss:ff";
    if (cmd != "TRACK")
        return "";
    const std::string err = CheckTrack(w, s);
    if (err.empty()) {
        s.trackLine = line;
        s.trackNumber = w[1];
        s.trackHasStart = false;
        s.tracks.emplace_back().line = line;
        s.plain += "TRACK " + w[1] + " AUDIO\n";
    }
    return err;
}

// Checks the sheet line by line, gathering what it says. Returns the error
// ("Line n: ...") or "".
std::string ScanCueSheet(const std::string& text, CueScan& s) {
    std::istringstream in(text);
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        std::vector<Word> words;
        if (line.find('\0') != std::string::npos)
            return LinePrefix(n) + "holds a zero byte; this is not a cue sheet";
        if (!SplitWords(line, words))
            return LinePrefix(n) + "a quote is not closed";
        if (words.empty())
            continue;
        std::vector<std::string> w;
        for (const Word& x : words)
            w.push_back(WordText(line, x));
        w[0] = Upper(w[0]);
        const bool trackWithoutStart = w[0] == "TRACK" && s.trackLine > 0 && !s.trackHasStart;
        if (trackWithoutStart)
            return LinePrefix(s.trackLine) + "TRACK " + s.trackNumber + " has no INDEX 01";
        if (std::string err = CheckCueLine(w, n, s); !err.empty())
            return LinePrefix(n) + err;
    }
    if (s.tracks.empty())
        return "The cue sheet holds no TRACK";
    if (!s.trackHasStart)
        return LinePrefix(s.trackLine) + "TRACK " + s.trackNumber + " has no INDEX 01";
    return "";
}

// libcue keeps global parser state: one sheet at a time.
std::mutex& LibcueMutex() {
    static std::mutex m;
    return m;
}

// The parse itself, of the plain sheet the scan made. libcue gives the
// tracks and their INDEX 01; the texts are the scan's, as libcue keeps the
// escapes and cuts long texts.
bool ParseWithLibcue(const CueScan& scan, CutList& list) {
    std::lock_guard<std::mutex> lock(LibcueMutex());
    std::unique_ptr<Cd, void (*)(Cd*)> cd(cue_parse_string(scan.plain.c_str()), cd_delete);
    if (!cd || cd_get_ntrack(cd.get()) != static_cast<int>(scan.tracks.size()))
        return false;
    list.album = scan.album;
    list.albumArtist = scan.albumArtist;
    list.entries = scan.tracks;
    for (int i = 1; i <= cd_get_ntrack(cd.get()); ++i) {
        Track* t = cd_get_track(cd.get(), i);
        const long start = t ? track_get_index(t, 1) : -1;
        if (start < 0)
            return false;
        list.entries[i - 1].startSeconds = static_cast<double>(start) / kCueFramesPerSecond;
    }
    return true;
}

// A text on a cue line: line breaks and tabs become blanks, double quotes
// single ones (few programs read an escaped quote), a backslash is doubled.
std::string CueText(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += '\'';
        else
            out += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    }
    return out;
}

std::string CueTime(double seconds) {
    const long total = std::lround(std::max(0.0, seconds) * kCueFramesPerSecond);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", total / (60 * kCueFramesPerSecond),
                  total / kCueFramesPerSecond % 60, total % kCueFramesPerSecond);
    return buf;
}

} // namespace

CutListRead ReadCueSheet(const std::string& bytes) {
    CutListRead r;
    CueScan scan;
    r.error = ScanCueSheet(DecodeCutListText(bytes), scan);
    if (r.ok() && !ParseWithLibcue(scan, r.list))
        r.error = "The cue sheet could not be read";
    if (!r.ok())
        r.list = CutList{};
    return r;
}

CutListText WriteCueSheet(const FrameCutList& cuts, const TimeBase& tb,
                          const std::string& sourceName, const std::string& album,
                          const std::string& albumArtist) {
    CutListText out;
    if (cuts.cuts.size() > static_cast<size_t>(kMaxCueTracks)) {
        out.error = "A cue sheet holds at most 99 tracks";
        return out;
    }
    std::string& t = out.text;
    if (!albumArtist.empty())
        t += "PERFORMER \"" + CueText(albumArtist) + "\"\n";
    if (!album.empty())
        t += "TITLE \"" + CueText(album) + "\"\n";
    t += "FILE \"" + CueText(sourceName) + "\" MP3\n";
    for (size_t k = 0; k < cuts.cuts.size(); ++k) {
        const std::string number = (k < 9 ? "0" : "") + std::to_string(k + 1);
        t += "  TRACK " + number + " AUDIO\n";
        const CutPart part = k < cuts.parts.size() ? cuts.parts[k] : CutPart{};
        if (!part.title.empty())
            t += "    TITLE \"" + CueText(part.title) + "\"\n";
        if (!part.performer.empty())
            t += "    PERFORMER \"" + CueText(part.performer) + "\"\n";
        t += "    INDEX 01 " + CueTime(CutSeconds(cuts, k, tb)) + "\n";
    }
    return out;
}

} // namespace tessivo
