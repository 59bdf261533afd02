#include "cli/Cli.h"
#include "cli/Commands.h"

#include "player/Marks.h"
#include "tools/CropJob.h"
#include "tools/PlayerClock.h"
#include "tools/mdlToolCmds.h"

#include <QFileInfo>
#include <climits>

namespace cli {

namespace {

const QString marksOption = QStringLiteral("--marks");
const QString piecesFlag = QStringLiteral("--pieces");

// The seconds the player hands to the crop for the marks of a mark text, with the frame
// clock it would have for the file; empty when the file does not open as media (the
// player could not have marked it). A mark that starts beyond the file is an error.
std::optional<std::vector<CropJob::Range>> rangesOf(const QString& source, const QString& text, QString& error)
{
    std::vector<CropJob::Range> ranges;
    if (!QFileInfo(source).isFile())
        return ranges;
    const playerClock::Clock clock = playerClock::of(source);
    if (!clock.ok)
        return ranges;
    std::vector<playerMarks::Mark> marks;
    if (playerMarks::parseMarkText(text, clock.totalFrames, marks) == playerMarks::ParseResult::BeyondEnd) {
        error = QStringLiteral("标记的起点超出影片的最后一个画格（") + QString::number(clock.totalFrames) + QStringLiteral("）");
        return std::nullopt;
    }
    const playerMarks::Timing timing{clock.secondsPerFrame, clock.totalSeconds};
    for (const playerMarks::Mark& m : marks) {
        const playerMarks::MarkTimes t = playerMarks::rsFormat(m, 0, 0, 0, timing);
        if (!t.sTime.isEmpty())
            ranges.push_back({t.sSec, t.eSec});
    }
    return ranges;
}

} // namespace

int cropCommand(const QStringList& raw)
{
    const Args args(raw, withOutput({marksOption}), {piecesFlag, forceFlag});
    if (!args.ok())
        return usage(args.error());
    if (args.positional.size() != 1)
        return usage(QStringLiteral("crop 需要一个来源档案"));
    const std::optional<QString> text = args.value(marksOption);
    if (!text)
        return usage(QStringLiteral("crop 需要 --marks"));
    // The text alone first: what cannot be read is wrong whatever the file.
    std::vector<playerMarks::Mark> marks;
    switch (playerMarks::parseMarkText(*text, INT_MAX, marks)) {
    case playerMarks::ParseResult::Empty:
        return usage(QStringLiteral("--marks 没有标记"));
    case playerMarks::ParseResult::Valid:
        break;
    default:
        return usage(QStringLiteral("无法读取标记“") + *text
                     + QStringLiteral("”：每个标记须为“起点-终点”，以画格计的整数，终点不小于起点"));
    }

    const QString source = absolute(args.positional.first());
    QString error;
    const std::optional<std::vector<CropJob::Range>> ranges = rangesOf(source, *text, error);
    if (!ranges)
        return usage(error);

    CropJob::Request request{source, *ranges, mdlSaveRng::modeCrop, QString(), false};
    QString folder;
    if (args.flag(piecesFlag)) {
        request.mode = mdlSaveRng::modeSplit;
        const std::optional<QString> output = args.output();
        request.target = output && !output->isEmpty() ? absolute(*output) : QFileInfo(source).absolutePath();
        folder = request.target;
    } else {
        request.target = outputIn(args.output(), source, QFileInfo(mdlToolCmds::partName(source)).fileName());
        folder = QFileInfo(request.target).absolutePath();
    }
    CropJob job(std::move(request));
    return runJob(job, args.flag(forceFlag));
}

} // namespace cli
