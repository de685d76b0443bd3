// Writing pieces of one or several analysed files as one file: their frames
// joined with the bit reservoir re-laid at every join, one Info frame of the
// file's own, and one ID3v2 tag with a chapter per piece (a piece may go on
// with the chapter of the one before).
#pragma once

#include "core/output/edge_fades.h"
#include "core/output/part_tag.h"
#include "core/output/split_parts.h"
#include "core/state/program_state.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tessivo {

// Frames first..last (inclusive) of an analysed file; a source's own
// Xing/Info/VBRI frame is never taken.
struct FilePiece {
    const AnalysedFile* file = nullptr;
    int32_t firstFrame = 0;
    int32_t lastFrame = -1;
    std::string title;        // the chapter's title
    std::string name;         // the file's name for messages
    bool sameChapter = false; // goes on with the chapter of the piece before
};

// The audio of the file: the Info frame and the joined frames, and where each
// piece lies in them (bytes from the Info frame's start).
struct OneFileAudio {
    std::vector<uint8_t> bytes;
    std::vector<ChapterMark> chapters;
    std::vector<std::string> warnings;
    int enlargedFrames = 0;
};
OneFileAudio BuildOneFileAudio(std::span<const FilePiece> pieces);

struct OneFileOptions {
    // The tag the file starts from (the source's, for a join the first
    // file's); null: no tag unless there are chapters.
    const SourceTag* tag = nullptr;
    bool chapters = true;
    int id3Version = 3; // 3 or 4
    bool overwrite = false;
    int gainSteps = 0; // lossless gain of every frame (mp3/frame_gain.h)
    // TXXX frames set in the tag (the file's ReplayGain); none leaves the
    // tag's own as they are.
    UserTexts userTexts;
    // An ID3v1 record of the tag's fields (core/output/id3v1_tag.h) after
    // the audio.
    bool id3v1 = false;
    // Fades of the pieces' edges and seams (core/output/edge_fades.h); none
    // writes the joined frames as they are.
    FadeChoice fades;
    // Set from another thread: the writing stops and nothing is left behind.
    const std::atomic<bool>* cancel = nullptr;
};

struct OneFileResult {
    bool ok = true;
    bool refused = false;   // the file exists: nothing was written
    bool cancelled = false; // stopped through options.cancel: nothing was written
    std::string error;
    std::vector<std::string> warnings;
};

// Writes the pieces as the file `path` (through a temporary file, flushed
// before the rename; an existing file is replaced only with `overwrite`,
// one of the pieces' files never). The pieces are joined twice, once to
// measure and once to write, a few frames at a time: beyond the sources only
// little memory is needed. A cancelled write removes its temporary file.
OneFileResult WriteOneFile(std::span<const FilePiece> pieces, const std::string& path,
                           const OneFileOptions& options,
                           PartFileSystem& fs = DefaultPartFileSystem(),
                           const SplitProgressFn& progress = {});

// Makes piece k's file hold its bytes (until the next call) and returns the
// piece; null with `error` when it cannot.
using PieceOpener = std::function<const FilePiece*(size_t k, std::string& error)>;

// WriteOneFile for pieces whose files hold their bytes only once `open`
// has been called for them (a join reads one file at a time).
OneFileResult WriteJoinedPieces(std::span<const FilePiece> pieces, const PieceOpener& open,
                                const std::string& path, const OneFileOptions& options,
                                PartFileSystem& fs = DefaultPartFileSystem(),
                                const SplitProgressFn& progress = {});

// The ticked parts of `st` as pieces, titled as the parts' tags title them.
std::vector<FilePiece> TickedPieces(const AnalysedFile& file, const PartTable& parts,
                                    const PartTags& tags);

// Why `other` (named `name`) cannot follow `first` in one file: its sample
// rate, MPEG version or channel count differs. Empty when it can.
std::string JoinRefusal(const StreamFacts& first, const StreamFacts& other,
                        const std::string& name);

} // namespace tessivo
