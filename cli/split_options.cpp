// The declaration of tessivo-cli split: its options, their help and the
// checks of their values.
#include "cli/cli_messages.h"
#include "cli/commands.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace tessivo::cli {

namespace {

const char* kSplitFooter =
    "Split writes nothing unless its arguments are valid, and prints one line per file\n"
    "written (none with --quiet). It exits with 2 for bad arguments or a malformed cut\n"
    "list (the message names the line) or a file without chapters for --chapters, and 1\n"
    "when the file cannot be split or a part file exists (see --overwrite). Warnings (cut\n"
    "list times past the end, cuts that found no pause, a source tag read only in part)\n"
    "go to stderr. With several files, each file that fails is named with its reason\n"
    "and the others go on; a summary line ends the run, and the exit status is 1 when\n"
    "any file failed.";

// --tags, --id3 and --title.
void DeclareTagOptions(CLI::App* split, SplitOptions& o) {
    split
        ->add_flag("--tags", o.tags,
                   "tag each part (format: --id3): the source's tag less the frames\n"
                   "about the whole file (length, chapters); the title of its chapter,\n"
                   "else the source's title, else \"NAME - part NN\"; the source's\n"
                   "track, else NN; titles, performers and album of a cut list\n"
                   "replace those fields")
        ->disable_flag_override();
    AddValueOption(*split, "--id3", "v1|v2.3|v2.4|v1+v2.3|v1+v2.4",
                   "the tags --tags writes: ID3v1 at the end, ID3v2.3 or ID3v2.4 in\n"
                   "front, or both (default: v1+v2.3)",
                   [&o](const std::string& v) {
                       tessivo::TagFormat format{};
                       if (!ParseTagFormat(v, format))
                           throw UsageError("--id3 takes v1, v2.3, v2.4, v1+v2.3 or v1+v2.4, "
                                            "not \"" +
                                            v + "\".");
                       o.id3 = format;
                   });
    AddValueOption(*split, "--title", "TEMPLATE",
                   "with --tags, each part's title: {title} the source's title, {name}\n"
                   "the file name without extension, {n} the part's number (two\n"
                   "digits), {N} the number of parts written",
                   [&o](const std::string& v) {
                       if (v.empty())
                           throw UsageError("--title needs a template.");
                       o.titleTemplate = v;
                   });
    split
        ->add_flag("--track-numbers", o.trackNumbers,
                   "with --tags, each part's track n/N: its number among the parts\n"
                   "written, of how many (without it, the source's track); --one-file\n"
                   "ignores it")
        ->disable_flag_override();
}

// --gapless, --replaygain and --gain.
void DeclareSoundOptions(CLI::App* split, SplitOptions& o) {
    split
        ->add_flag("--gapless", o.gapless,
                   "add an Info frame and warm-up frames so parts play gaplessly;\n"
                   "with --one-file, each part's own encoder delay and padding\n"
                   "cannot be expressed inside one file, so the file is written as\n"
                   "without --gapless")
        ->disable_flag_override();
    split
        ->add_flag("--replaygain", o.replayGain,
                   "with --tags, each part's ReplayGain 2.0 frames (TXXX, reference\n"
                   "-18 LUFS): its own gain and peak, and the album's over all parts\n"
                   "written (with --one-file, the file's own gain and peak); ID3v1\n"
                   "alone has no room for them")
        ->disable_flag_override();
    AddValueOption(*split, "--gain", "DB|auto",
                   "change every written frame's gain losslessly by round(DB / 1.5)\n"
                   "steps of 1.5 dB; auto: the step that brings the parts written\n"
                   "nearest -18 LUFS, lowered until their peak does not clip",
                   [&o](const std::string& v) {
                       if (v == "auto") {
                           o.gainAuto = true;
                           return;
                       }
                       size_t used = 0;
                       double db = 0.0;
                       try {
                           db = std::stod(v, &used);
                       } catch (const std::exception&) {
                           used = 0;
                       }
                       if (used == 0 || used != v.size() || !(std::abs(db) <= 384.0))
                           throw UsageError("--gain takes dB (-384 to 384) or auto, not \"" + v +
                                            "\".");
                       o.gainDb = db;
                   });
}

// Where and how the files go: --out, --overwrite, --flat, --one-file, --no-chapters.
void DeclareOutputOptions(CLI::App* split, SplitOptions& o) {
    AddValueOption(*split, "-o,--out", "DIR",
                   "output folder, made when missing (default: current folder)",
                   [&o](const std::string& v) {
                       if (v.empty())
                           throw UsageError("--out needs a folder.");
                       o.out = v;
                   });
    split
        ->add_flag("--overwrite", o.overwrite,
                   "replace part files that exist; without it a split whose file\n"
                   "names exist writes nothing")
        ->disable_flag_override();
    split
        ->add_flag("--flat", o.flat,
                   "several files: all parts in the output folder itself (their\n"
                   "names carry the source's name)")
        ->disable_flag_override();
    AddValueOption(*split, "--one-file", "OUT.mp3",
                   "write the ticked parts one after another as this one file (one\n"
                   "Info frame, the bit reservoir re-laid at every join, the source's\n"
                   "tag with a chapter per part); with no part left out, the whole\n"
                   "file with chapters",
                   [&o](const std::string& v) {
                       if (v.empty())
                           throw UsageError("--one-file needs a file name.");
                       o.oneFile = v;
                   });
    split
        ->add_flag("--no-chapters", o.noChapters,
                   "with --one-file, write no chapter frames (CHAP, CTOC)")
        ->disable_flag_override();
    DeclareFadeOptions(*split, o.fade,
                       "fade every part written (with --one-file, every part in the file)\n"
                       "in over its first MS and out over its last MS, losslessly: the\n"
                       "global gain of each granule (1.5 dB steps) follows a linear ramp\n"
                       "from silence at the edge, rounded to whole granules",
                       "with --one-file, write the joins without the short fades that\n"
                       "keep them from jumping: the parts' frames as they are");
    AddValueOption(*split, "--mute", "RANGES",
                   "silence these stretches of the source losslessly (1:00-1:05,\n"
                   "12:00.5-12:03; times as --at takes them, of the source also when\n"
                   "parts are skipped): gain 0 in the granules inside, a short ramp\n"
                   "just inside each edge, silent from 50 ms after the start to 50 ms\n"
                   "before the end; not with --gapless",
                   [&o](const std::string& v) {
                       const std::vector<tessivo::MuteRange> r = ParseRanges(v, "--mute");
                       o.mutes.insert(o.mutes.end(), r.begin(), r.end());
                   });
}

} // namespace

CLI::App* DeclareSplit(CLI::App& program, SplitOptions& o) {
    CLI::App* split = program.add_subcommand("split", "cut FILE into parts and write them");
    DeclareInputs(*split, o.input,
                  "the MP3 files to cut; a folder means its MP3 files. With\n"
                  "several, each file's parts go to OUT/NAME/ (see --flat)");
    DeclareQuiet(*split, o.quiet, "print nothing but errors (no file lines, no warnings)");
    DeclareModeOptions(*split, o.mode, "No parts prepared to split.");
    DeclareTagOptions(split, o);
    DeclareSoundOptions(split, o);
    DeclareOutputOptions(split, o);
    DeclarePauseOptions(split, o);
    split->footer(kSplitFooter);
    return split;
}

} // namespace tessivo::cli
