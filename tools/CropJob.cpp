#include "tools/CropJob.h"

#include "app/mdlZorvoFLV.h"
#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlToolJob.h"
#include "tools/mdlTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

using namespace mdlToolJob;
using toolJob::End;
using toolJob::Result;

namespace {

// The job's files live in the current (output) folder under bare names.
QString here(const QString& name) { return QDir::current().absoluteFilePath(name); }

// QFile::rename does not replace: the old file goes first.
bool renameOver(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QFile::rename(from, to);
}

// The names the job writes or deletes one by one in the output folder. A source among
// them would be deleted or overwritten while it is read.
QSet<QString> namesTouched(bool split, int n, const QString& ext)
{
    using namespace mdlToolCmds;
    QSet<QString> names{joinName(ext), fixJoinName(ext)};
    for (int i = 0; i < n; ++i) {
        names << pieceName(i, ext) << fixedName(pieceName(i, ext));
        if (split)
            names << splitName(i, ext);
    }
    return names;
}

} // namespace

CropJob::CropJob(Request request)
    : source_(request.source)
    , ranges_(std::move(request.ranges))
    , mode_(request.mode == mdlSaveRng::modeSplit ? mdlSaveRng::modeSplit : mdlSaveRng::modeCrop)
    , target_(request.target.isEmpty() ? QString() : QFileInfo(request.target).absoluteFilePath())
    , audioOnly_(request.audioOnly)
    , ext_(mdlToolCmds::lowerExt(source_))
    , type_(mdlToolCmds::sourceType(ext_))
    , total_(mdlToolCmds::markJobCount(split(), count()))
{
}

QString CropJob::folder() const
{
    if (target_.isEmpty())
        return QString();
    return mdlZorvoFLV::withTrailingSeparator(split() ? target_ : QFileInfo(target_).absolutePath());
}

QString CropJob::mainOutput() const
{
    return split() && !target_.isEmpty() ? folder() + mdlToolCmds::splitName(0, ext_) : target_;
}

QStringList CropJob::outputs() const
{
    if (!split())
        return {target_};
    QStringList files;
    for (int i = 0; i < count(); ++i)
        files << folder() + mdlToolCmds::splitName(i, ext_);
    return files;
}

CropJob::Refusal CropJob::refusalKind() const
{
    if (source_.isEmpty() || !QFileInfo(source_).isFile() || ranges_.empty())
        return Refusal::NoSource;
    if (audioOnly_)
        return Refusal::AudioOnly;
    // A file the player would play without picture: said before a cut that cannot work.
    const mdlResultCheck::Streams streams = mdlResultCheck::streamsOf(source_);
    if (streams.opened && streams.videoCodec.isEmpty())
        return Refusal::AudioOnly;
    if (!mdlToolCmds::cuttableType(ext_))
        return Refusal::Uncuttable;
    if (target_.isEmpty())
        return Refusal::None;
    // The source may not be the output, nor any file the job replaces in that folder.
    if (sameFile(mainOutput(), source_))
        return Refusal::TouchesSource;
    if (sameFile(QFileInfo(source_).absolutePath(), folder())
        && namesTouched(split(), count(), ext_).contains(QFileInfo(source_).fileName()))
        return Refusal::TouchesSource;
    return Refusal::None;
}

Result CropJob::refusalResult(Refusal kind) const
{
    switch (kind) {
    case Refusal::NoSource:
        return refused(End::Refused, mdlSaveRng::refusedMessage());
    case Refusal::AudioOnly:
        return refused(End::Refused, mdlSaveRng::audioOnlyMessage(mode_));
    case Refusal::Uncuttable:
        return refused(End::Refused, mdlSaveRng::uncuttableMessage(mode_, ext_));
    default:
        return refused(End::SameAsSource, mdlSaveRng::sameFileMessage(), false);
    }
}

std::optional<Result> CropJob::refusal() const
{
    const Refusal kind = refusalKind();
    if (kind != Refusal::None)
        return refusalResult(kind);
    if (target_.isEmpty())
        return refusalResult(Refusal::TouchesSource);
    return std::nullopt;
}

QString CropJob::toolMode() const { return mdlToolCmds::editMode(type_); }

QString CropJob::failureMessage() const { return mdlSaveRng::failureMessage(); }

void CropJob::showCount(int current) const
{
    step(current, total_, mdlToolCmds::buzyLabel(mdlSaveRng::wordOf(mode_), total_, current));
}

// The cut of one mark with its follow-up runs; false when the piece is missing or faulty.
bool CropJob::cut(int i, QString& pieces)
{
    if (i > 0) // the first is told before the source is read
        showCount(i + 1);
    const QString piece = mdlToolCmds::pieceName(i, ext_);
    pieces += QLatin1Char(' ') + mdlToolCmds::bare(piece);
    const Range& r = ranges_[static_cast<std::size_t>(i)];
    const bool made = cutByCopy(source_, type_, piece, r.start, r.end, type_ == 1 && (split() || count() == 1),
                                mdlSaveRng::reencodeQuestion(mode_));
    // Checked before it takes its name or goes into the join.
    reason_ = mdlResultCheck::judge(made, here(piece), [&] {
        return mdlResultCheck::checkMedia(here(piece), mdlResultCheck::piecesOf(sourceProbe_, {{r.start, r.end}}));
    });
    return made && reason_.isEmpty();
}

// The joined file: the pieces one after the other.
bool CropJob::joinedGood()
{
    std::vector<std::pair<double, double>> ranges;
    for (const Range& r : ranges_)
        ranges.emplace_back(r.start, r.end);
    const mdlResultCheck::Expect expect = mdlResultCheck::piecesOf(sourceProbe_, ranges);
    reason_ = mdlResultCheck::judge(true, target_, [&] { return mdlResultCheck::checkMedia(target_, expect); });
    return reason_.isEmpty();
}

// All runs; true when the output was made.
bool CropJob::runTools()
{
    using namespace mdlToolCmds;
    using mdlGetCmdOutput::runCmdWait;
    QString pieces;
    for (int i = 0; i < count(); ++i)
        if (!cut(i, pieces))
            return false;

    if (split()) {
        for (int i = 0; i < count(); ++i) {
            const QString name = here(splitName(i, ext_));
            release(name);
            if (!renameOver(here(pieceName(i, ext_)), name))
                return false;
        }
        return true;
    }
    if (count() == 1)
        return renameOver(here(pieceName(0, ext_)), target_);

    showCount(count() + 1);
    const QStringList piecePattern{QStringLiteral("~tmpSP*.") + ext_};
    switch (type_) {
    case 1:
        runCmdWait(joinPieces(mdlTools::pathMencoder, ext_, pieces));
        clearMatching(piecePattern, {source_, target_});
        runCmdWait(remuxJoined(mdlTools::pathFfmpeg, ext_));
        QFile::remove(here(joinName(ext_)));
        if (sizeOf(here(fixJoinName(ext_))) <= 0)
            return false;
        runCmdWait(flvmdiBare(mdlTools::pathFlvmdi, fixJoinName(ext_)));
        return renameOver(here(fixJoinName(ext_)), target_) && joinedGood();
    case 2:
        runCmdWait(joinPieces(mdlTools::pathMencoder, ext_, pieces));
        clearMatching(piecePattern, {source_, target_});
        runCmdWait(remuxJoinedInto(mdlTools::pathFfmpeg, ext_, target_));
        QFile::remove(here(joinName(ext_)));
        return joinedGood();
    default:
        runCmdWait(joinPiecesInto(mdlTools::pathMencoder, target_, pieces));
        return joinedGood();
    }
}

Result CropJob::runs()
{
    mdlZorvoFLV::changeToFolder(folder());
    showCount(1);
    sourceProbe_ = mdlResultCheck::probe(source_);
    reason_.clear();

    const QString main = mainOutput();
    bool made = false;
    bool ran = false;
    release(main);
    QFile::remove(main);
    if (!QFileInfo::exists(main)) {
        made = runTools();
        ran = true;
    }
    Result r;
    r.message = reason_;
    const qint64 size = sizeOf(main);
    if (made && size > 0) {
        r.end = End::Done;
        r.outputs = outputs();
        return r;
    }
    // An empty or faulty output is this job's; a non-empty one that was there before the
    // runs is a file that could not be deleted, and stays.
    if (size == 0 || (ran && !split()))
        QFile::remove(main);
    return r;
}
