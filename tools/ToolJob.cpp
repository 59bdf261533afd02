#include "tools/ToolJob.h"

#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlResultCheck.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlToolJob.h"
#include "tools/mdlTools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace toolJob {

bool brokeOff() { return mdlGetCmdOutput::brokeSinceClear(); }

Result ToolJob::refused(End end, const QString& message, bool error)
{
    Result r;
    r.end = end;
    r.message = message;
    r.error = error;
    return r;
}

void ToolJob::step(int current, int total, const QString& label) const
{
    if (events_ && events_->step)
        events_->step(current, total, label);
}

bool ToolJob::ask(const QString& question)
{
    const bool yes = events_ && events_->ask && events_->ask(question);
    // The time spent on the answer is the user's, not the job's.
    started_.restart();
    return yes;
}

void ToolJob::release(const QString& file) const
{
    if (events_ && events_->release)
        events_->release(file);
}

Result ToolJob::madeInto(const QString& target, const std::function<bool()>& make, const std::function<QString()>& check)
{
    release(target);
    QFile::remove(target);
    const bool made = !QFileInfo::exists(target) && make();
    Result r;
    r.message = mdlResultCheck::judge(made, target, check);
    const qint64 size = mdlToolJob::sizeOf(target);
    if (made && size > 0 && r.message.isEmpty()) {
        r.end = End::Done;
        r.outputs = {target};
        return r;
    }
    // A non-empty target that the runs did not make is a file that could not be deleted
    // before them.
    if (size == 0 || made)
        QFile::remove(target);
    return r;
}

bool ToolJob::cutByCopy(const QString& source, int type, const QString& piece, double start, double end,
                        bool withMetadata, const QString& question)
{
    using namespace mdlToolCmds;
    using mdlGetCmdOutput::runCmdWait;
    using mdlToolJob::sizeOf;
    const QDir here = QDir::current();
    const QString pieceFile = here.absoluteFilePath(piece);
    const QString fixedFile = here.absoluteFilePath(fixedName(piece));
    QFile::remove(pieceFile);
    // A re-mux that fails must not leave an old file of that name to take its place.
    QFile::remove(fixedFile);
    const CutTimes t = cutTimes(start, end);

    runCmdWait(cutPiece(mdlTools::pathMencoder, t, piece, source, false));
    if (type == 1 || type == 2) {
        // A cut that left nothing (a break, a file the cutter cannot read) ends here: the
        // runs after it have nothing to work on.
        if (sizeOf(pieceFile) <= 0)
            return false;
        runCmdWait(remuxPiece(mdlTools::pathFfmpeg, piece));
        QFile::remove(pieceFile);
        if (sizeOf(fixedFile) <= 0 || !QFile::rename(fixedFile, pieceFile))
            return false;
        if (withMetadata)
            runCmdWait(flvmdiBare(mdlTools::pathFlvmdi, piece));
    } else if (reencodeSound(pieceFile, question)) {
        QFile::remove(pieceFile);
        runCmdWait(cutPiece(mdlTools::pathMencoder, t, piece, source, true));
    }
    return sizeOf(pieceFile) > 0;
}

bool ToolJob::reencodeSound(const QString& file, const QString& question)
{
    if (mdlToolJob::sizeOf(file) != 0 || mdlResultCheck::diskFull(QDir::currentPath(), 0))
        return false;
    if (!reencode_)
        reencode_ = !brokeOff() && ask(question);
    return *reencode_;
}

Result ToolJob::run(const Events& events)
{
    if (std::optional<Result> no = refusal())
        return *no;
    if (events.begin && !events.begin())
        return refused(End::Refused, QString());
    events_ = &events;
    reencode_.reset();
    started_.start();
    mdlGetCmdOutput::clearNoSpace();
    mdlTools::fetchTools(toolMode());

    Result r = runs();
    if (r.end != End::Done) {
        r.end = End::Failed;
        r.outputs.clear();
        // A run that left nothing on a full disk still names the disk.
        QString reason = r.message;
        if (reason.isEmpty() && mdlResultCheck::diskFull(QDir::currentPath(), 0))
            reason = mdlResultCheck::diskFullLine();
        r.message = mdlResultCheck::withReason(failureMessage(), reason);
        r.error = true;
    }
    r.seconds = mdlToolJob::secondsSince(started_);
    r.broke = brokeOff();

    QCoreApplication::processEvents();
    mdlToolJob::clearTemporaries(keep());
    mdlTools::dropTools();
    events_ = nullptr;
    return r;
}

} // namespace toolJob
