#include "tools/SplitJob.h"

#include "app/mdlZorvoFLV.h"
#include "tools/mdlResultCheck.h"
#include "tools/mdlSplit.h"
#include "tools/mdlToolJob.h"
#include "tools/mdlTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace mdlToolJob;
using toolJob::End;
using toolJob::Result;

namespace {
const QString splitWord = QStringLiteral("切割");
}

SplitJob::SplitJob(Request request)
    : source_(request.source.trimmed())
    , ext_(mdlToolCmds::lowerExt(source_))
    , type_(mdlToolCmds::sourceType(ext_))
{
    const qint64 bytes = QFileInfo(source_).isFile() ? QFileInfo(source_).size() : 0;
    const mdlToolCmds::SplitPlan plan =
        mdlToolCmds::planSplit(request.option, request.totalSeconds, bytes, request.number, request.from, request.to);
    valid_ = plan.valid;
    if (valid_)
        pieces_ = mdlToolCmds::splitPieces(plan);
    setTarget(request.target);
}

void SplitJob::setTarget(const QString& target)
{
    target_ = target.isEmpty() ? QString() : QFileInfo(target).absoluteFilePath();
}

std::optional<Result> SplitJob::refuseSource(const QString& source)
{
    if (!editableSource(source))
        return refused(End::Refused, mdlSplit::refusedMessage(), false);
    return std::nullopt;
}

std::optional<Result> SplitJob::refusePlan() const
{
    if (auto no = refuseSource(source_))
        return no;
    // Nothing has run and nothing was made: only the message.
    if (!valid_ || pieces_.isEmpty())
        return refused(End::Invalid, failureMessage());
    return std::nullopt;
}

std::optional<Result> SplitJob::refusal() const
{
    if (auto no = refusePlan())
        return no;
    // The source may not be any file the job writes or replaces: a piece, its re-muxed
    // form, or an output of the series would take its place before it was read through.
    if (target_.isEmpty() || sourceAmongJobFiles())
        return refused(End::SameAsSource, mdlSplit::sameFileMessage(), false);
    return std::nullopt;
}

QStringList SplitJob::outputs() const
{
    if (count() == 1)
        return {target_};
    const QDir folder = QFileInfo(target_).absoluteDir();
    QStringList files;
    for (int i = 0; i < count(); ++i)
        files << folder.absoluteFilePath(mdlToolCmds::splitName(i, ext_));
    return files;
}

QString SplitJob::toolMode() const { return mdlToolCmds::editMode(type_); }

QString SplitJob::failureMessage() const { return mdlSplit::failureMessage(); }

bool SplitJob::sourceAmongJobFiles() const
{
    using namespace mdlToolCmds;
    const QDir here = QFileInfo(target_).absoluteDir();
    if (sameFile(target_, source_))
        return true;
    for (int i = 0; i < count(); ++i) {
        if (sameFile(here.absoluteFilePath(pieceName(i, ext_)), source_)
            || sameFile(here.absoluteFilePath(fixedName(pieceName(i, ext_))), source_))
            return true;
        if (count() > 1 && sameFile(here.absoluteFilePath(splitName(i, ext_)), source_))
            return true;
    }
    return false;
}

// The pieces take their final names: split_001 … for several, the target for one. An
// older file of that name is let go by the player and replaced.
bool SplitJob::renamePieces()
{
    using namespace mdlToolCmds;
    const QDir here = QDir::current();
    const QStringList finals = outputs();
    for (int i = 0; i < count(); ++i) {
        const QString& to = finals[i];
        const QString from = here.absoluteFilePath(pieceName(i, ext_));
        if (sameFile(from, to))
            continue; // a target named like the piece is the piece
        release(to);
        QFile::remove(to);
        if (QFileInfo::exists(to) || !QFile::rename(from, to))
            return false;
    }
    return true;
}

Result SplitJob::runs()
{
    mdlZorvoFLV::changeToFolder(target_);

    const auto showCount = [this](int current) {
        step(current, count(), mdlToolCmds::buzyLabel(splitWord, count(), current));
    };
    showCount(1); // before the source is read
    // Each piece is checked before any takes its name.
    const mdlResultCheck::Probe sourceProbe = mdlResultCheck::probe(source_);
    bool made = true;
    Result r;
    for (int i = 0; i < count() && made; ++i) {
        if (i > 0)
            showCount(i + 1);
        made = cutByCopy(source_, type_, mdlToolCmds::pieceName(i, ext_), pieces_[i].start, pieces_[i].end, type_ == 1,
                         mdlSplit::reencodeQuestion());
        const QString pieceFile = QDir::current().absoluteFilePath(mdlToolCmds::pieceName(i, ext_));
        r.message = mdlResultCheck::judge(made, pieceFile, [&] {
            return mdlResultCheck::checkMedia(pieceFile, mdlResultCheck::piecesOf(sourceProbe, {{pieces_[i].start, pieces_[i].end}}));
        });
        made = made && r.message.isEmpty();
    }
    if (made)
        made = renamePieces();

    const qint64 size = sizeOf(target_);
    if (made && size > 0) {
        r.end = End::Done;
        r.outputs = outputs();
        return r;
    }
    if (made && size == 0)
        QFile::remove(target_);
    return r;
}
