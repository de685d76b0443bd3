// tessivo-cli join: files of one stream format one after another as one
// file, with a chapter per file.
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/commands.h"
#include "cli/one_file_output.h"
#include "core/output/join_files.h"

namespace tessivo::cli {

namespace {

const char* kJoinFooter =
    "Join writes OUT.mp3 from the frames of the files in the order given: one Info frame\n"
    "of its own (frame count, length, seek table, the first file's encoder delay and the\n"
    "last file's padding), the bit reservoir re-laid at every join so each join decodes\n"
    "cleanly, and the first file's tag with a chapter per file (titled by the file's own\n"
    "title, else its name). The files' own tags and Info frames are left out. Every\n"
    "file must have the sample rate, MPEG version and channel count of the first;\n"
    "otherwise nothing is written. Exit status 1 when a file cannot be read or joined\n"
    "or OUT.mp3 exists (see --overwrite), 2 for bad arguments.";

} // namespace

CLI::App* DeclareJoin(CLI::App& program, JoinOptions& o) {
    CLI::App* join =
        program.add_subcommand("join", "write FILE FILE ... one after another as one file");
    join->add_option("FILE", o.files, "the MP3 files to join, in order")
        ->required()
        ->expected(1, -1)
        ->type_name("FILE");
    AddValueOption(*join, "-o,--out", "OUT.mp3", "the file to write (required)",
                   [&o](const std::string& v) {
                       if (v.empty())
                           throw UsageError("--out needs a file name.");
                       o.out = v;
                   });
    AddValueOption(*join, "--id3", "v2.3|v2.4", "the ID3v2 version written (default: v2.3)",
                   [&o](const std::string& v) {
                       tessivo::TagFormat format{};
                       if (!ParseTagFormat(v, format) || Id3v2Version(format) == 0)
                           throw UsageError("--id3 takes v2.3 or v2.4, not \"" + v + "\".");
                       o.id3 = format;
                   });
    join->add_flag("--no-chapters", o.noChapters, "write no chapter frames (CHAP, CTOC)")
        ->disable_flag_override();
    join->add_flag("--overwrite", o.overwrite, "replace OUT.mp3 when it exists")
        ->disable_flag_override();
    DeclareFadeOptions(*join, o.fade,
                       "fade every file in over its first MS and out over its last MS,\n"
                       "losslessly: the global gain of each granule (1.5 dB steps)\n"
                       "follows a linear ramp from silence at the edge, rounded to whole\n"
                       "granules",
                       "write the joins without the short fades that keep them from\n"
                       "jumping: the files' frames as they are");
    join->add_flag("-q,--quiet", o.quiet, "print nothing but errors")->disable_flag_override();
    join->final_callback([&o] {
        if (o.files.size() < 2)
            throw UsageError("Join needs two files or more.");
        if (o.out.empty())
            throw UsageError("which file to write? Give -o OUT.mp3.");
        if (const std::string refusal = FadeOptionsRefusal(o.fade); !refusal.empty())
            throw UsageError(refusal);
    });
    join->footer(kJoinFooter);
    return join;
}

int RunJoin(const JoinOptions& o) {
    const ProgressFn progress = TerminalProgress(o.quiet);
    JoinOpening how;
    how.progress = progress;
    how.fileOpened = [](size_t) { EndTerminalProgress(); };
    OneFileOptions options;
    options.chapters = !o.noChapters;
    options.id3Version = o.id3 && Id3v2Version(*o.id3) == 4 ? 4 : 3;
    options.overwrite = o.overwrite;
    options.fades = JoinedFades(o.fade);
    const OneFileResult result =
        JoinFiles(o.files, o.out, options, how, DefaultPartFileSystem(), WritingProgress(progress));
    return ReportJoinedFile(result, o.out, o.quiet, "join");
}

} // namespace tessivo::cli
