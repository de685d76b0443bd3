#include "core/cutlist/track_list.h"

#include "core/cutlist/cut_list.h"
#include "core/cutlist/cut_list_file.h"
#include "core/cutlist/cut_list_limits.h"
#include "core/util/text_encoding.h"
#include "core/util/time_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace tessivo {

namespace {

const char* const kBlanks = " \t";

std::string Trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(kBlanks);
    if (a == std::string::npos)
        return "";
    return s.substr(a, s.find_last_not_of(kBlanks) - a + 1);
}

bool AllDigits(const std::string& s, size_t lo, size_t hi) {
    if (s.size() < lo || s.size() > hi)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// [h:]mm:ss[.mmm]: one colon (minutes of any count of digits up to 4) or two
// (hours, then minutes of one or two digits below 60); seconds of two digits
// below 60; a fraction of one to three digits.
std::optional<double> TimeOf(const std::string& text) {
    std::string clock = text, fraction;
    if (const size_t dot = text.find('.'); dot != std::string::npos) {
        clock = text.substr(0, dot);
        fraction = text.substr(dot + 1);
        if (!AllDigits(fraction, 1, 3))
            return std::nullopt;
    }
    const size_t c1 = clock.find(':');
    if (c1 == std::string::npos)
        return std::nullopt;
    const size_t c2 = clock.find(':', c1 + 1);
    const std::string ss = clock.substr(c2 == std::string::npos ? c1 + 1 : c2 + 1);
    const std::string mm =
        c2 == std::string::npos ? clock.substr(0, c1) : clock.substr(c1 + 1, c2 - c1 - 1);
    const std::string hh = c2 == std::string::npos ? "0" : clock.substr(0, c1);
    if (!AllDigits(ss, 2, 2) || !AllDigits(hh, 1, 3) ||
        !AllDigits(mm, 1, c2 == std::string::npos ? 4 : 2) || std::stoi(ss) >= 60 ||
        (c2 != std::string::npos && std::stoi(mm) >= 60))
        return std::nullopt;
    double t = std::stoi(hh) * 3600.0 + std::stoi(mm) * 60.0 + std::stoi(ss);
    if (!fraction.empty())
        t += std::stoi(fraction) / std::pow(10.0, double(fraction.size()));
    return t;
}

// A separator between a start time and its title ("0:00 - Intro").
std::string WithoutLeadingDash(std::string s) {
    for (const char* dash : {"-", "\xE2\x80\x93", "\xE2\x80\x94", "|"})
        if (s.rfind(dash, 0) == 0)
            return Trimmed(s.substr(std::string(dash).size()));
    return s;
}

// "1. ", "01 - ", "3) " before an album track's title.
std::string WithoutTrackNumber(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && i < 3 && s[i] >= '0' && s[i] <= '9')
        ++i;
    if (i == 0)
        return s;
    size_t j = s.find_first_not_of(kBlanks, i);
    if (j == std::string::npos || (s[j] != '.' && s[j] != ')' && s[j] != '-'))
        return s;
    if (j + 1 < s.size() && s[j + 1] != ' ' && s[j + 1] != '\t')
        return s;
    return Trimmed(s.substr(j + 1));
}

// The line's time and title in the START form, if it has that form.
bool StartForm(const std::string& text, TrackLine& track) {
    const size_t end = text.find_first_of(kBlanks);
    const std::optional<double> t = TimeOf(text.substr(0, end));
    if (!t)
        return false;
    track.seconds = t;
    track.title = end == std::string::npos ? "" : WithoutLeadingDash(Trimmed(text.substr(end)));
    return true;
}

// The line's title and length in the TITLE LENGTH form, if it has that form.
bool LengthForm(const std::string& text, TrackLine& track) {
    const size_t space = text.find_last_of(kBlanks);
    std::string last = space == std::string::npos ? text : text.substr(space + 1);
    if (last.size() > 2 && ((last.front() == '(' && last.back() == ')') ||
                            (last.front() == '[' && last.back() == ']')))
        last = last.substr(1, last.size() - 2);
    const std::optional<double> t = TimeOf(last);
    if (!t || space == std::string::npos)
        return false;
    track.seconds = t;
    track.title = WithoutTrackNumber(WithoutLeadingDash(Trimmed(text.substr(0, space))));
    if (track.title.size() > 2 && track.title.compare(track.title.size() - 2, 2, " -") == 0)
        track.title = Trimmed(track.title.substr(0, track.title.size() - 2));
    return true;
}

// One line that is neither blank nor a comment; sets the form with the
// first timed line. Empty, or the error without its line prefix.
std::string ReadLine(const std::string& text, TrackList& list, TrackLine& track) {
    TrackLine asStart = track, asLength = track;
    const bool start = StartForm(text, asStart);
    const bool length = !start && LengthForm(text, asLength);
    if (!start && !length) {
        track.title = WithoutTrackNumber(text);
        return "";
    }
    const TrackListForm form = start ? TrackListForm::Starts : TrackListForm::Lengths;
    if (list.form == TrackListForm::Titles)
        list.form = form;
    if (form != list.form)
        return list.form == TrackListForm::Starts
                   ? "a length last, where the lines before give the start first"
                   : "a start first, where the lines before give the length last";
    track = start ? asStart : asLength;
    return "";
}

// The errors that need every line read: lines without a time in a timed
// list, starts that do not rise.
std::string CheckTimes(const TrackList& list) {
    if (list.tracks.empty())
        return "The track list holds no tracks";
    if (list.form == TrackListForm::Titles)
        return "";
    for (size_t k = 0; k < list.tracks.size(); ++k) {
        const TrackLine& t = list.tracks[k];
        if (!t.seconds)
            return LinePrefix(t.line) + "no time (a start first or a length last)";
        if (list.form == TrackListForm::Starts && k > 0 &&
            *t.seconds <= *list.tracks[k - 1].seconds)
            return LinePrefix(t.line) + "starts at " + FormatNoteTimeText(*t.seconds) +
                   ", not after the track before";
        if (list.form == TrackListForm::Lengths && *t.seconds <= 0.0)
            return LinePrefix(t.line) + "a length of 0";
    }
    return "";
}

} // namespace

TrackListRead ReadTrackList(const std::string& bytes) {
    TrackListRead r;
    size_t pos = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    for (int n = 1; pos < bytes.size(); ++n) {
        const size_t nl = bytes.find('\n', pos);
        std::string raw = bytes.substr(pos, nl == std::string::npos ? nl : nl - pos);
        pos = nl == std::string::npos ? bytes.size() : nl + 1;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        if (!IsValidUtf8(raw) || raw.find('\0') != std::string::npos) {
            r.error = LinePrefix(n) + "not UTF-8";
            break;
        }
        const std::string text = Trimmed(raw);
        if (text.empty() || text[0] == '#')
            continue;
        if (r.list.tracks.size() >= kMaxCutListEntries) {
            r.error = TooManyEntries(LinePrefix(n));
            break;
        }
        TrackLine track;
        track.line = n;
        r.error = ReadLine(text, r.list, track);
        if (!r.ok()) {
            r.error = LinePrefix(n) + r.error;
            break;
        }
        r.list.tracks.push_back(std::move(track));
    }
    if (r.ok())
        r.error = CheckTimes(r.list);
    if (!r.ok())
        r.list = TrackList{};
    return r;
}

TrackListRead ReadTrackListFile(const std::string& path) {
    TrackListRead r;
    std::string bytes;
    if (!ReadListFileBytes(path, bytes, r.error))
        return r;
    return ReadTrackList(bytes);
}

std::string TrackStarts(const TrackList& list, double duration, std::vector<double>& starts) {
    starts.clear();
    double sum = 0.0;
    for (size_t k = 0; k < list.tracks.size(); ++k) {
        const TrackLine& t = list.tracks[k];
        double at = 0.0;
        if (list.form == TrackListForm::Starts)
            at = k == 0 ? 0.0 : t.seconds.value_or(0.0);
        else if (list.form == TrackListForm::Lengths)
            at = sum;
        sum += t.seconds.value_or(0.0);
        const double shown = list.form == TrackListForm::Starts ? t.seconds.value_or(0.0) : at;
        if (at >= duration || shown >= duration) {
            starts.clear();
            return LinePrefix(t.line) + "starts at " + FormatNoteTimeText(shown) +
                   ", past the end of the file (" + FormatNoteTimeText(duration) + ")";
        }
        starts.push_back(at);
    }
    return "";
}

} // namespace tessivo
