#include "tools/JoinJob.h"

#include "app/mdlZorvoFLV.h"
#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlJoin.h"
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

JoinJob::JoinJob(Request request)
    : items_(std::move(request.items))
    , target_(request.target.isEmpty() ? QString() : QFileInfo(request.target).absoluteFilePath())
    , ext_(items_.isEmpty() ? QString() : mdlToolCmds::lowerExt(items_.first()))
    , type_(mdlToolCmds::sourceType(ext_))
{
}

std::optional<Result> JoinJob::refuseItems(const QStringList& items, int* item)
{
    if (item)
        *item = -1;
    // One item alone is no join; it is refused like a list that cannot be joined, with
    // that item named.
    int bad = mdlJoin::firstRefusedItem(items);
    if (bad < 0 && items.size() < 2)
        bad = items.isEmpty() ? -1 : 0;
    if (bad >= 0 || items.size() < 2) {
        if (item)
            *item = bad;
        return refused(End::Refused, mdlJoin::refusedMessage(), false);
    }
    // Files whose pictures or sound differ join into a file that plays wrong or stops:
    // said before anything runs, with the item that differs.
    QString mismatch;
    bad = mdlResultCheck::firstMismatch(items, &mismatch);
    if (bad >= 0) {
        if (item)
            *item = bad;
        return refused(End::Refused, mismatch, false);
    }
    return std::nullopt;
}

std::optional<Result> JoinJob::refusal() const
{
    if (auto no = refuseItems(items_))
        return no;
    // The join writes its temporary files in the target's folder and clears them at the
    // end: an item that is one of those files would be overwritten while it is read.
    const QDir there = QFileInfo(target_).absoluteDir();
    QStringList temporaries;
    if (type_ != 3)
        temporaries << mdlToolCmds::joinName(ext_);
    if (type_ == 1)
        temporaries << mdlToolCmds::fixJoinName(ext_);
    bool itemIsTemporary = false;
    for (const QString& name : temporaries)
        itemIsTemporary = itemIsTemporary || isAnyOf(there.absoluteFilePath(name), items_);
    if (target_.isEmpty() || mdlToolCmds::targetIsSource(target_, items_) || isAnyOf(target_, items_) || itemIsTemporary)
        return refused(End::SameAsSource, mdlJoin::sameFileMessage(), false);
    return std::nullopt;
}

QString JoinJob::toolMode() const { return mdlToolCmds::editMode(type_); }

QString JoinJob::failureMessage() const { return mdlJoin::failureMessage(); }

// The runs of one type. Each run is checked for the file it should leave; false when one
// did not, so that the job goes no further than a missing or empty file.
bool JoinJob::runTools()
{
    using namespace mdlToolCmds;
    using mdlGetCmdOutput::runCmdWait;
    const QDir here = QDir::current();
    const QString list = joinList(items_);
    switch (type_) {
    case 1: {
        const QString joined = here.absoluteFilePath(joinName(ext_));
        const QString fixed = here.absoluteFilePath(fixJoinName(ext_));
        runCmdWait(joinFiles(mdlTools::pathMencoder, ext_, list));
        if (sizeOf(joined) <= 0)
            return false;
        runCmdWait(remuxJoined(mdlTools::pathFfmpeg, ext_));
        if (sizeOf(fixed) <= 0)
            return false;
        QFile::remove(joined);
        runCmdWait(flvmdiBare(mdlTools::pathFlvmdi, fixJoinName(ext_)));
        if (sizeOf(fixed) <= 0)
            return false;
        return sameFile(fixed, target_) || QFile::rename(fixed, target_);
    }
    case 2:
        runCmdWait(joinFiles(mdlTools::pathMencoder, ext_, list));
        if (sizeOf(here.absoluteFilePath(joinName(ext_))) <= 0)
            return false;
        runCmdWait(remuxJoinedInto(mdlTools::pathFfmpeg, ext_, target_));
        return sizeOf(target_) > 0;
    default:
        runCmdWait(joinFilesInto(mdlTools::pathMencoder, target_, list, false));
        if (reencodeSound(target_, mdlJoin::reencodeQuestion()))
            runCmdWait(joinFilesInto(mdlTools::pathMencoder, target_, list, true));
        return sizeOf(target_) > 0;
    }
}

Result JoinJob::runs()
{
    mdlZorvoFLV::changeToFolder(target_);
    step(1, 1, mdlToolCmds::buzyLabel(QStringLiteral("合并"), 1, 1));

    // The result holds the streams of the items and their lengths one after the other.
    mdlResultCheck::Expect expect;
    expect.seconds = 0;
    for (const QString& item : items_) {
        const mdlResultCheck::Probe p = mdlResultCheck::probe(item);
        expect.video = expect.video || p.hasVideo;
        expect.audio = expect.audio || p.hasAudio;
        expect.seconds += p.seconds;
    }
    // Each seam may lose or gain a frame or a sound packet.
    expect.tolerance = 1.0 + 0.25 * static_cast<double>(items_.size() - 1);

    return madeInto(target_, [this] { return runTools(); },
                    [&] { return mdlResultCheck::checkMedia(target_, expect); });
}
