#include "core/output/join_files.h"

#include "core/output/part_tag.h"

namespace tessivo {

namespace {

// Opens `path` as the next input; returns why it cannot follow the files
// before it, empty when it can. A message names the file once.
std::string OpenOne(JoinInputs& in, const std::string& path, const std::string& name,
                    const JoinOpening& how) {
    ProgramState& st = in.files.emplace_back();
    const OpenResult opened = AnalyseFile(st, path, false, how.progress, how.cancel);
    if (how.fileOpened)
        how.fileOpened(in.files.size() - 1);
    if (opened.cancelled) {
        in.cancelled = true;
        return {};
    }
    if (!opened.ok)
        return opened.message.find(path) == std::string::npos ? name + ": " + opened.message
                                                              : opened.message;
    st.FileName = path;
    st.FileLoaded = true;
    if (st.IndexedFrames <= 0)
        return name + ": no frames to join.";
    return JoinRefusal(in.files.front(), st, name);
}

} // namespace

JoinInputs OpenJoinInputs(const std::vector<std::string>& paths, const JoinOpening& how) {
    JoinInputs in;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (how.cancel && how.cancel->load()) {
            in.cancelled = true;
            break;
        }
        const std::string& name = i < how.names.size() ? how.names[i] : paths[i];
        in.error = OpenOne(in, paths[i], name, how);
        if (!in.error.empty() || in.cancelled)
            break;
    }
    return in;
}

std::vector<FilePiece> WholeFilePieces(const std::deque<ProgramState>& files) {
    std::vector<FilePiece> pieces;
    for (const ProgramState& st : files) {
        std::string title = ReadSourceTag(st).fields.title;
        if (title.empty())
            title = SourceStem(st.FileName);
        pieces.push_back({&st, 0, st.IndexedFrames - 1, title, st.FileName});
    }
    return pieces;
}

OneFileResult JoinFiles(const std::vector<std::string>& paths, const std::string& out,
                        OneFileOptions options, const JoinOpening& how, PartFileSystem& fs,
                        const SplitProgressFn& written) {
    const JoinInputs inputs = OpenJoinInputs(paths, how);
    if (!inputs.ok()) {
        OneFileResult result;
        result.ok = false;
        result.cancelled = inputs.cancelled;
        result.error = inputs.error;
        return result;
    }
    const std::vector<FilePiece> pieces = WholeFilePieces(inputs.files);
    const SourceTag tag = ReadSourceTag(inputs.files.front());
    options.tag = &tag;
    options.cancel = how.cancel;
    return WriteOneFile(pieces, out, options, fs, written);
}

} // namespace tessivo
