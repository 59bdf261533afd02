#include "tools/SnapJob.h"

#include "app/mdlZorvoFLV.h"
#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlResultCheck.h"
#include "tools/mdlSnap.h"
#include "tools/mdlToolJob.h"
#include "tools/mdlTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace mdlToolJob;
using toolJob::End;
using toolJob::Result;

namespace {
const QString snapWord = QStringLiteral("截图");

QStringList snapTemporaries() { return {QStringLiteral("~tmpS*.*")}; }
} // namespace

SnapJob::SnapJob(Request request)
    : source_(request.source.trimmed())
    , fmt_(request.format.trimmed().toLower())
    , plan_(mdlToolCmds::planSnapshots(request.stretch, request.spacing, request.totalSeconds, request.at, request.from,
                                       request.to, request.count, request.every))
{
    setTarget(request.target);
}

void SnapJob::setTarget(const QString& target)
{
    target_ = target.isEmpty() ? QString() : QFileInfo(target).absoluteFilePath();
}

std::optional<Result> SnapJob::refuseSource(const QString& source)
{
    if (!editableSource(source))
        return refused(End::Refused, mdlSnap::refusedMessage(), false);
    return std::nullopt;
}

std::optional<Result> SnapJob::refusePlan() const
{
    if (auto no = refuseSource(source_))
        return no;
    // The moments are taken to the hundredth: pictures closer than that would be the same
    // picture over and over, and a count that large has no names left to number them.
    const bool tooClose = plan_.count > 1 && plan_.spacing < 0.01;
    if (!plan_.valid || plan_.count < 1 || tooClose || !mdlSnap::pictureTypes().contains(fmt_.toUpper()))
        return refused(End::Invalid, failureMessage());
    return std::nullopt;
}

std::optional<Result> SnapJob::refusal() const
{
    if (auto no = refusePlan())
        return no;
    // A picture named like the source would be deleted to make room for it.
    if (target_.isEmpty() || sameFile(target_, source_))
        return refused(End::SameAsSource, mdlSnap::sameFileMessage(), false);
    return std::nullopt;
}

QStringList SnapJob::outputs() const
{
    if (single())
        return {target_};
    const QDir folder = QFileInfo(target_).absoluteDir();
    QStringList files;
    for (qint64 i = 0; i < plan_.count; ++i)
        files << folder.absoluteFilePath(mdlToolCmds::snapshotName(static_cast<int>(i), fmt_));
    return files;
}

QString SnapJob::failureMessage() const { return mdlSnap::failureMessage(); }

// One run for a moment, its picture renamed to to. False when FFmpeg left no picture, a
// picture that does not open (reason says why) or one that could not take its name.
bool SnapJob::takeOne(double moment, const QString& to, QString& reason)
{
    const QString picture = QDir::current().absoluteFilePath(mdlToolCmds::snapshotTempName(fmt_));
    QFile::remove(picture);
    mdlGetCmdOutput::runCmdWait(mdlToolCmds::snapshotCmd(mdlTools::pathFfmpeg, source_, moment, fmt_));
    const bool made = sizeOf(picture) > 0;
    reason = mdlResultCheck::judge(made, picture, [&] { return mdlResultCheck::checkPicture(picture); });
    // An empty picture on a disk with room: said as such.
    if (!made && reason.isEmpty() && QFileInfo::exists(picture))
        reason = mdlResultCheck::checkPicture(picture);
    if (!made || !reason.isEmpty()) {
        // Never saved under the picture's name.
        QFile::remove(picture);
        return false;
    }
    if (sameFile(picture, to)) // a target that carries FFmpeg's own name
        return true;
    if (single())
        release(to);
    QFile::remove(to);
    return !QFileInfo::exists(to) && QFile::rename(picture, to);
}

Result SnapJob::runs()
{
    mdlZorvoFLV::changeToFolder(target_);
    // A source named like a temporary file ("~tmpSample.flv") is kept.
    clearMatching(snapTemporaries(), {source_, target_});

    const QStringList finals = outputs();
    const int total = static_cast<int>(plan_.count);
    bool made = true;
    Result r;
    for (int i = 0; i < total && made; ++i) {
        step(i + 1, total, mdlToolCmds::buzyLabel(snapWord, total, i + 1));
        made = takeOne(mdlToolCmds::snapshotMoment(plan_, i), finals[i], r.message);
        if (made)
            r.outputs << finals[i];
    }
    // The job's end clears the temporaries again, with the rest of the job's files.
    if (made && sizeOf(target_) > 0)
        r.end = End::Done;
    return r;
}
