#pragma once
// A tool job without windows: a plain request in, the runs of the tools, the result checked,
// the job's files cleared, and a result out. The workspace's pages, the player's menu and
// the command-line program all run the same jobs; they differ only in how they ask for the
// request, show the steps and report the end.
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace toolJob {

// What a job tells and asks while it runs. Any member may be left empty.
struct Events {
    // Run current of total begins (from 1); label is the progress window's text for it.
    std::function<void(int current, int total, const QString& label)> step;
    // A question the job cannot answer for itself (the sound must be re-encoded for the
    // result to be made). True goes on; an empty ask counts as "no".
    std::function<bool(const QString& question)> ask;
    // A file the job is about to replace or delete: whoever holds it open lets it go.
    std::function<void(const QString& file)> release;
    // The request has passed the job's refusal and nothing is written yet: the caller's
    // last word (a progress window shown, outputs that must not be replaced). False ends
    // the job here, and run() returns Refused with no message.
    std::function<bool()> begin;
};

enum class End {
    Refused,      // the request names no usable source (nothing asked, nothing run)
    Invalid,      // the settings make no plan
    SameAsSource, // an output would be a source, or a file the job needs for itself
    Failed,       // the runs made no good result (also after a break that left nothing)
    Done,         // every output made and checked
};

struct Result {
    End end = End::Failed;
    // Not Done: what to tell the user (a refusal, or the failure message with the line that
    // says what went wrong). error: shown as an error rather than a notice.
    QString message;
    bool error = true;
    // Done: the files made, the main one first.
    QStringList outputs;
    float seconds = 0; // how long the runs took (from the last answer to a question)
    bool broke = false; // the user broke off a run
};

class ToolJob {
public:
    virtual ~ToolJob() = default;

    // Why the request cannot run, or nothing: checked before anything is written.
    virtual std::optional<Result> refusal() const = 0;
    // The files the job will write under their final names (a caller that must not
    // overwrite looks at them first).
    virtual QStringList outputs() const = 0;
    // Runs the job to its end: refusal() first, then events.begin. The current folder becomes the output
    // folder. The sources are never written to nor deleted, and no temporary file of the
    // job stays behind, however it ends.
    Result run(const Events& events);

protected:
    // The runs and the check of their result: Done with outputs, or Failed with the reason
    // in message (the line that says what was wrong; empty when the runs simply left
    // nothing). A faulty output of the job's own is deleted before it returns.
    virtual Result runs() = 0;
    // The job's failure message, to which run() adds the reason.
    virtual QString failureMessage() const = 0;
    // The tool store's mode word for the programs this job needs ("MCD", …).
    virtual QString toolMode() const = 0;
    // The files every end of the job keeps when it clears the temporaries.
    virtual QStringList keep() const = 0;

    // For runs(): the step, the question (restarting the clock), the release.
    void step(int current, int total, const QString& label) const;
    bool ask(const QString& question);
    void release(const QString& file) const;
    // For runs() of a job with one output: target deleted (let go first) and made by make,
    // then judged with check. Done with target, or Failed with the reason; a target that
    // make left empty or faulty is deleted, one that could not be deleted before stays.
    Result madeInto(const QString& target, const std::function<bool()>& make, const std::function<QString()>& check);

    static Result refused(End end, const QString& message, bool error = true);

    // Whether file, left empty by a copy, is to be made again with its sound re-encoded:
    // not when the disk is full (that empties a file too) or the user broke off; otherwise
    // as the user answers question, asked once a job (every later piece follows it).
    bool reencodeSound(const QString& file, const QString& question);
    // For the jobs that cut a source by copy (the crop of marks, the split): source from
    // start to end seconds into the bare name piece in the current folder, re-muxed for
    // FLV and MPEG (types 1 and 2) and given fresh metadata when withMetadata. A piece of
    // another type that comes out empty is cut again as reencodeSound says. True when the
    // piece is there and not empty.
    bool cutByCopy(const QString& source, int type, const QString& piece, double start, double end, bool withMetadata,
                   const QString& question);

private:
    const Events* events_ = nullptr;
    QElapsedTimer started_;
    std::optional<bool> reencode_; // the answer to the job's re-encode question
};

// Whether a break of the user has ended a run of the job under way.
bool brokeOff();

} // namespace toolJob
