#include "tools/EncodeJob.h"

#include "app/mdlZorvoFLV.h"
#include "tools/mdlEncode.h"
#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlResultCheck.h"
#include "tools/mdlToolJob.h"
#include "tools/mdlTools.h"

#include <QFile>
#include <QFileInfo>

using toolJob::End;
using toolJob::Result;

namespace {
QString absoluteOrEmpty(const QString& path)
{
    const QString p = path.trimmed();
    return p.isEmpty() ? p : QFileInfo(p).absoluteFilePath();
}
} // namespace

EncodeJob::EncodeJob(Request request)
    : source_(absoluteOrEmpty(request.source))
    , target_(absoluteOrEmpty(request.target))
    , settings_(std::move(request.settings))
{
}

std::optional<Result> EncodeJob::refusal() const
{
    if (source_.isEmpty() || !QFileInfo(source_).isFile())
        return refused(End::Refused, mdlEncode::noSourceMessage(), false);
    if (target_.isEmpty() || mdlToolJob::sameFile(target_, source_))
        return refused(End::SameAsSource, mdlEncode::sameFileMessage(), false);
    if (mdlToolCmds::encodeRateRefused(target_, settings_))
        return refused(End::Invalid, mdlEncode::rateMessage(), false);
    return std::nullopt;
}

QString EncodeJob::failureMessage() const { return mdlEncode::failureMessage(); }

Result EncodeJob::runs()
{
    using namespace mdlToolCmds;
    using mdlGetCmdOutput::runCmdWait;
    mdlZorvoFLV::changeToFolder(target_);
    step(1, 1, buzyLabel(QStringLiteral("转档"), 1, 1));

    // The result plays as long as the source, with its sound, and with its picture unless
    // the page makes music of it.
    const mdlResultCheck::Probe sourceProbe = mdlResultCheck::probe(source_);
    mdlResultCheck::Expect expect = mdlResultCheck::sameKindsAs(sourceProbe, sourceProbe.seconds, 1.0);
    expect.video = expect.video && settings_.page < 2;

    return madeInto(
        target_,
        [this] {
            runCmdWait(encodeCmd(mdlTools::pathFfmpeg, source_, target_, settings_));
            if (encodeNeedsMetadata(target_) && mdlToolJob::sizeOf(target_) > 0)
                runCmdWait(flvmdiQuoted(mdlTools::pathFlvmdi, target_));
            return true;
        },
        [&] { return mdlResultCheck::checkMedia(target_, expect); });
}
