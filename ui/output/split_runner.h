// Runs a split on a worker thread so the window stays responsive: the files
// are written there, the progress and the result come back as signals on the
// window's thread. The document is finished (marks, notification) only on
// the window's thread. The ticked parts written as one file run the same way
// but leave the document as it is.
#pragma once

#include "core/document/document.h"
#include "core/output/one_file.h"
#include "core/output/split_parts.h"

#include "ui/common/background_job.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessivo {

class SplitRunner : public QObject {
    Q_OBJECT
public:
    SplitRunner(Document& doc, QObject* parent = nullptr);
    ~SplitRunner() override; // waits for a running split

    // Starts writing; false (and nothing happens) while a split runs.
    bool start(PartFileSystem& fs, const SplitOptions& options);
    // Starts writing the ticked parts as the file `path`, titled and tagged
    // as a split's ID3v2 tags would be (Document::ResolvedPartTags);
    // options.tag is set here. False while a split runs.
    // `shortenMax` > 0: every pause longer than that many seconds (by the
    // silence values) is shortened to it (core/batch/pause_shortening.h),
    // and a written file's result says so first among its warnings
    // ("Shortened 3 pauses: 0:05.000 removed").
    bool startOneFile(PartFileSystem& fs, const std::string& path, OneFileOptions options,
                      double shortenMax = 0.0);
    bool isRunning() const { return job_->isRunning(); }
    // 0..100: the share of the bytes written so far.
    double percent() const { return job_->percent(); }
    // Blocks until a running split has written its files, then finishes it
    // as the timer would have (closing the window, tests).
    void wait();

signals:
    void started();
    void progress(double percent);
    void finished(const tessivo::SplitResult& result);
    void oneFileFinished(const tessivo::OneFileResult& result, const QString& path);
    // After either kind of writing has reported.
    void ended();

private:
    void finish();
    // Starts `work` on the worker; it reports through the job.
    void run(std::function<void()> work);
    // The progress callback of the writers.
    void report(uint64_t done, uint64_t total);

    Document& doc_;
    BackgroundJob* job_ = nullptr;
    SplitResult result_;
    // The one file being written: its path, tags, pieces and result.
    bool oneFile_ = false;
    std::string oneFilePath_;
    std::shared_ptr<const PartTags> oneFileTags_;
    std::vector<FilePiece> pieces_;
    OneFileResult oneFileResult_;
    std::string shortenedNote_;
};

} // namespace tessivo
