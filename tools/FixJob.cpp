#include "tools/FixJob.h"

#include "app/mdlZorvoFLV.h"
#include "tools/mdlFix.h"
#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlResultCheck.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlToolJob.h"
#include "tools/mdlTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace mdlToolJob;
using toolJob::End;
using toolJob::Result;

FixJob::FixJob(Request request)
    : source_(request.source.trimmed())
    , target_(request.target.isEmpty() ? QString() : QFileInfo(request.target).absoluteFilePath())
    , ext_(mdlToolCmds::lowerExt(source_))
    , type_(mdlToolCmds::sourceType(ext_))
{
}

std::optional<Result> FixJob::refuseSource(const QString& source)
{
    if (!editableSource(source))
        return refused(End::Refused, mdlFix::refusedMessage(), false);
    return std::nullopt;
}

std::optional<Result> FixJob::refusal() const
{
    if (auto no = refuseSource(source_))
        return no;
    // The type 1 run writes its temporary file in the target's folder with -y: a source
    // that is that very file would be overwritten while it is read.
    const QString temp = QFileInfo(target_).absoluteDir().absoluteFilePath(mdlToolCmds::fixTempName(ext_));
    if (target_.isEmpty() || sameFile(target_, source_) || (type_ == 1 && sameFile(temp, source_)))
        return refused(End::SameAsSource, mdlFix::sameFileMessage(), false);
    return std::nullopt;
}

QString FixJob::toolMode() const { return mdlToolCmds::fixMode(type_); }

QString FixJob::failureMessage() const { return mdlFix::failureMessage(); }

// The runs of one type. Each run is checked for the file it should leave; false when one
// did not, so that the job goes no further than a missing or empty file.
bool FixJob::runTools()
{
    using namespace mdlToolCmds;
    using mdlGetCmdOutput::runCmdWait;
    switch (type_) {
    case 1: {
        const QString temp = QDir::current().absoluteFilePath(fixTempName(ext_));
        runCmdWait(fixRemuxFlv(mdlTools::pathFfmpeg, source_, ext_));
        if (sizeOf(temp) <= 0)
            return false;
        runCmdWait(flvmdiBare(mdlTools::pathFlvmdi, fixTempName(ext_)));
        if (sizeOf(temp) <= 0)
            return false;
        return QFile::rename(temp, target_);
    }
    case 2:
        runCmdWait(fixRemuxInto(mdlTools::pathFfmpeg, source_, target_));
        return sizeOf(target_) > 0;
    default:
        runCmdWait(fixCopy(mdlTools::pathMencoder, source_, target_, false));
        if (reencodeSound(target_, mdlFix::reencodeQuestion()))
            runCmdWait(fixCopy(mdlTools::pathMencoder, source_, target_, true));
        return sizeOf(target_) > 0;
    }
}

Result FixJob::runs()
{
    mdlZorvoFLV::changeToFolder(target_);
    step(1, 1, mdlToolCmds::buzyLabel(QStringLiteral("修复"), 1, 1));

    // A copy of the container keeps every stream and the length of the source.
    const mdlResultCheck::Probe sourceProbe = mdlResultCheck::probe(source_);
    return madeInto(target_, [this] { return runTools(); }, [&] {
        return mdlResultCheck::checkMedia(target_, mdlResultCheck::sameKindsAs(sourceProbe, sourceProbe.seconds, 1.0));
    });
}
