#include "cli/batch_run.h"

#include "cli/cli_messages.h"
#include "cli/time_values.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace tessivo::cli {

namespace {

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

// One terminal line of a core message.
std::string OneLine(const std::string& text) {
    std::string line = ForTerminal(text);
    std::replace(line.begin(), line.end(), '\n', ' ');
    return line;
}

// The folder of `file` relative to `root` it was found in; empty for root itself.
std::string FolderWithin(const std::string& file, const std::string& root) {
    const std::filesystem::path rel =
        std::filesystem::path(file).parent_path().lexically_relative(root);
    return rel.empty() || rel == "." ? std::string() : rel.string();
}

unsigned JobsValue(const std::string& v) {
    if (!IsDigits(v) || std::atoi(v.c_str()) < 1 || std::atoi(v.c_str()) > 256)
        throw UsageError("-j takes a number of workers from 1 to 256, not \"" + v + "\".");
    return static_cast<unsigned>(std::atoi(v.c_str()));
}

} // namespace

void DeclareInputs(CLI::App& command, InputOptions& o, const std::string& fileHelp) {
    command.add_option("FILE", o.files, fileHelp)->required()->type_name("");
    command.add_flag("-r,--recursive", o.recursive, "folders with their subfolders")
        ->disable_flag_override();
    AddValueOption(command, "-j,--jobs", "N",
                   "files processed at once (default: one per core); each holds\n"
                   "one file in memory",
                   [&o](const std::string& v) { o.jobs = JobsValue(v); });
    command
        .add_flag("--progress", o.progress,
                  "several files: a bar of the files done (on a terminal only)")
        ->disable_flag_override();
}

int ExpandInputs(const InputOptions& o, const std::string& command, std::vector<std::string>& files,
                 std::vector<std::string>* relFolders) {
    for (const std::string& input : o.files) {
        if (!IsFolder(input)) {
            files.push_back(input);
            if (relFolders)
                relFolders->emplace_back();
            continue;
        }
        const std::vector<std::string> found = Mp3FilesIn(input, o.recursive);
        if (found.empty()) {
            std::fprintf(stderr, "tessivo-cli %s: %s: no MP3 file in this folder\n",
                         command.c_str(), input.c_str());
            return kExitFailed;
        }
        files.insert(files.end(), found.begin(), found.end());
        if (relFolders)
            for (const std::string& f : found)
                relFolders->push_back(FolderWithin(f, input));
    }
    return kExitOk;
}

bool IsBatch(const InputOptions& o) {
    return o.files.size() > 1 || std::any_of(o.files.begin(), o.files.end(), IsFolder);
}

BatchPrinter::BatchPrinter(std::string command, std::vector<std::string> files, bool quiet,
                           bool bar)
    : command_(std::move(command)), files_(std::move(files)), quiet_(quiet),
      bar_(bar && !quiet && ::isatty(STDERR_FILENO)), waiting_(files_.size()) {
    DrawBar();
}

void BatchPrinter::Finished(size_t index, const BatchFileResult& result) {
    waiting_[index] = result;
    ++done_;
    ClearBar();
    for (; printed_ < waiting_.size() && waiting_[printed_]; ++printed_) {
        Print(printed_, *waiting_[printed_]);
        waiting_[printed_].reset();
    }
    DrawBar();
}

void BatchPrinter::End() {
    ClearBar();
}

void BatchPrinter::Print(size_t index, const BatchFileResult& result) const {
    const std::string prefix = "tessivo-cli " + command_ + ": " + files_[index] + ": ";
    if (!quiet_)
        for (const std::string& note : result.notes)
            std::fprintf(stderr, "%s%s\n", prefix.c_str(), note.c_str());
    // A file's own result is what the command was asked for: quiet keeps it.
    if (!result.text.empty())
        std::printf("==> %s <==\n%s", files_[index].c_str(), result.text.c_str());
    if (!quiet_)
        for (const std::string& path : result.written)
            std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    if (!result.ok)
        std::fprintf(stderr, "%s%s\n", prefix.c_str(), OneLine(result.reason).c_str());
}

void BatchPrinter::DrawBar() const {
    if (!bar_)
        return;
    constexpr size_t kWidth = 30;
    const size_t total = std::max<size_t>(files_.size(), 1);
    const size_t filled = kWidth * done_ / total;
    std::fprintf(stderr, "\r[%s%s] %zu/%zu files", std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, ' ').c_str(), done_, files_.size());
    std::fflush(stderr);
}

void BatchPrinter::ClearBar() const {
    if (bar_)
        std::fputs("\r\033[K", stderr);
}

} // namespace tessivo::cli
