#include "tools/ToolJob.h"

#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlResultCheck.h"
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

Result ToolJob::run(const Events& events)
{
    if (std::optional<Result> no = refusal())
        return *no;
    if (events.begin && !events.begin())
        return refused(End::Refused, QString());
    events_ = &events;
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
