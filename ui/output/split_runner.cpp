#include "ui/output/split_runner.h"

#include "core/batch/pause_shortening.h"
#include "core/parts/pause_snap.h"

#include <new>

namespace tessivo {

SplitRunner::SplitRunner(Document& doc, QObject* parent)
    : QObject(parent), doc_(doc), job_(new BackgroundJob(this)) {
    connect(job_, &BackgroundJob::progress, this, &SplitRunner::progress);
    connect(job_, &BackgroundJob::finished, this, &SplitRunner::finish);
}

// The files being written are the user's: the work ends (it reads no cancel
// flag) before the members it writes into go.
SplitRunner::~SplitRunner() {
    job_->cancel();
}

void SplitRunner::report(uint64_t done, uint64_t total) {
    if (total > 0)
        job_->report(100.0 * static_cast<double>(done) / static_cast<double>(total));
}

bool SplitRunner::start(PartFileSystem& fs, const SplitOptions& options) {
    if (job_->isRunning())
        return false;
    oneFile_ = false;
    const Document::PendingSplit pending = doc_.BeginSplit(options);
    run([this, pending, &fs] {
        try {
            result_ = doc_.RunSplit(pending, fs,
                                    [this](uint64_t done, uint64_t total) { report(done, total); });
        } catch (const std::bad_alloc&) {
            result_ = SplitResult{};
            result_.ok = false;
            result_.error = OutOfMemoryMessage("splitting");
        }
    });
    return true;
}

bool SplitRunner::startOneFile(PartFileSystem& fs, const std::string& path, OneFileOptions options,
                               double shortenMax) {
    if (job_->isRunning())
        return false;
    oneFile_ = true;
    oneFilePath_ = path;
    oneFileTags_ = std::make_shared<const PartTags>(doc_.ResolvedPartTags());
    pieces_ = TickedPieces(doc_.State(), doc_.State(), *oneFileTags_);
    shortenedNote_.clear();
    if (shortenMax > 0.0) {
        const ProgramState& st = doc_.State();
        const std::vector<DroppedStretch> dropped =
            LongPauseMiddles(st, shortenMax, SilenceRulesOf(st, st));
        pieces_ = PiecesWithout(pieces_, dropped);
        shortenedNote_ = ShortenedText(dropped, st.FrameDuration);
    }
    options.tag = &oneFileTags_->source;
    run([this, options, &fs] {
        try {
            oneFileResult_ =
                WriteOneFile(pieces_, oneFilePath_, options, fs,
                             [this](uint64_t done, uint64_t total) { report(done, total); });
        } catch (const std::bad_alloc&) {
            oneFileResult_ = OneFileResult{};
            oneFileResult_.ok = false;
            oneFileResult_.error = OutOfMemoryMessage("writing " + oneFilePath_);
        }
    });
    return true;
}

void SplitRunner::run(std::function<void()> work) {
    job_->start(std::move(work));
    emit started();
}

void SplitRunner::wait() {
    job_->wait();
}

void SplitRunner::finish() {
    if (oneFile_) {
        OneFileResult result = std::move(oneFileResult_);
        oneFileResult_ = OneFileResult{};
        if (result.ok && !shortenedNote_.empty())
            result.warnings.insert(result.warnings.begin(), shortenedNote_);
        pieces_.clear();
        oneFileTags_.reset();
        emit oneFileFinished(result, QString::fromStdString(oneFilePath_));
    } else {
        doc_.FinishSplit(result_);
        const SplitResult result = std::move(result_);
        result_ = SplitResult{};
        emit finished(result);
    }
    emit ended();
}

} // namespace tessivo
