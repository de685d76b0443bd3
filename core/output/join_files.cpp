#include "core/output/join_files.h"

#include "core/analysis/mp3_load.h"
#include "core/output/part_tag.h"

#include <cstdint>

namespace tessivo {

namespace {

void LetBytesGo(AnalysedFile& st) {
    st.FileBuffer.clear();
    st.FileBuffer.shrink_to_fit();
}

// Opens `path` as the next input; returns why it cannot follow the files
// before it, empty when it can. A message names the file once.
std::string OpenOne(JoinInputs& in, const std::string& path, const std::string& name,
                    const JoinOpening& how) {
    AnalysedFile& st = in.files.emplace_back();
    ProgressValues progress; // the caller follows the read through how.progress
    const OpenResult opened = AnalyseFile(st, progress, path, false, how.progress, how.cancel);
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
    std::string refusal = JoinRefusal(in.files.front(), st, name);
    const SourceTag tag = ReadSourceTag(st);
    in.titles.push_back(tag.fields.title.empty() ? SourceStem(st.FileName) : tag.fields.title);
    if (in.files.size() == 1)
        in.firstTag = tag;
    if (!how.keepBytes)
        LetBytesGo(st);
    return refusal;
}

// Piece k's file read again for the write, the file before it let go; a
// file that changed since it was opened is not joined.
class JoinReader {
public:
    JoinReader(std::deque<AnalysedFile>& files, std::vector<FilePiece> pieces)
        : files_(files), pieces_(std::move(pieces)) {}
    const FilePiece* Open(size_t k, std::string& error) {
        if (loaded_ < files_.size() && loaded_ != k)
            LetBytesGo(files_[loaded_]);
        loaded_ = k;
        AnalysedFile& st = files_[k];
        if (!st.FileBuffer.empty())
            return &pieces_[k];
        const uint64_t size = st.FileSize;
        const int64_t modified = st.FileModifiedNs;
        ProgressValues progress; // a reread shows no progress of its own
        if (!LoadFile(st, progress, error))
            return nullptr;
        if (st.FileSize != size || st.FileModifiedNs != modified) {
            error = ChangedOnDiskMessage(st.FileName);
            return nullptr;
        }
        return &pieces_[k];
    }
    const std::vector<FilePiece>& Pieces() const { return pieces_; }

private:
    std::deque<AnalysedFile>& files_;
    std::vector<FilePiece> pieces_;
    size_t loaded_ = SIZE_MAX;
};

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

std::vector<FilePiece> WholeFilePieces(const std::deque<AnalysedFile>& files) {
    std::vector<FilePiece> pieces;
    for (const AnalysedFile& st : files) {
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
    if (InputFiles(paths).Holds(out)) {
        OneFileResult result;
        result.ok = false;
        result.error = InputRefusalMessage(out);
        return result;
    }
    JoinOpening once = how;
    once.keepBytes = false;
    JoinInputs inputs = OpenJoinInputs(paths, once);
    if (!inputs.ok()) {
        OneFileResult result;
        result.ok = false;
        result.cancelled = inputs.cancelled;
        result.error = inputs.error;
        return result;
    }
    std::vector<FilePiece> pieces;
    for (size_t k = 0; k < inputs.files.size(); ++k) {
        const AnalysedFile& st = inputs.files[k];
        pieces.push_back({&st, 0, st.IndexedFrames - 1, inputs.titles[k], st.FileName});
    }
    JoinReader reader(inputs.files, std::move(pieces));
    options.tag = &inputs.firstTag;
    options.cancel = how.cancel;
    const PieceOpener open = [&reader](size_t k, std::string& error) {
        return reader.Open(k, error);
    };
    return WriteJoinedPieces(reader.Pieces(), open, out, options, fs, written);
}

} // namespace tessivo
