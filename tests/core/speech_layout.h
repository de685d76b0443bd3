// What speech_32min.mp3 holds where, as make_fixtures.sh wrote it into
// speech_32min.txt: its pauses, its dips (quieter speech that is no pause)
// and its stretch of noise, in seconds of the source timeline.
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace speech_layout {

struct Stretch {
    double start = 0, end = 0;
};

struct Layout {
    std::vector<Stretch> pauses, dips;
    Stretch noise;
};

inline Layout Read() {
    Layout layout;
    std::ifstream in(std::string(TESSIVO_FIXTURES) + "/speech_32min.txt");
    std::string kind;
    double a = 0, b = 0;
    while (in >> kind >> a >> b) {
        const Stretch s{a / 1000.0, b / 1000.0};
        if (kind == "pause")
            layout.pauses.push_back(s);
        else if (kind == "dip")
            layout.dips.push_back(s);
        else if (kind == "noise")
            layout.noise = s;
    }
    return layout;
}

} // namespace speech_layout
