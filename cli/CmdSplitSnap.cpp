#include "cli/Cli.h"
#include "cli/Commands.h"

#include "tools/SnapJob.h"
#include "tools/SplitJob.h"
#include "tools/mdlSplit.h"
#include "tools/mdlToolCmds.h"

#include <QDir>
#include <QFileInfo>

namespace cli {

namespace {

const QString splitWord = QStringLiteral("切割");
const QString snapWord = QStringLiteral("截图");

// The number given to an option (trimmed); nothing when the option is not given, or when
// its value is no number (then the usage is said and exit set).
std::optional<QString> numberOf(const Args& args, const QString& name, int& exit)
{
    const std::optional<QString> v = args.value(name);
    if (!v)
        return std::nullopt;
    bool ok = false;
    v->trimmed().toDouble(&ok);
    if (!ok) {
        exit = usage(QStringLiteral("选项 %1 的数值不正确：%2").arg(name, *v));
        return std::nullopt;
    }
    return v->trimmed();
}

// The source's total seconds as the pages' properties step reads them, or nothing (with
// the message said and exit set) when the job refuses the source, or it cannot be opened
// or has no picture.
std::optional<double> totalOf(const std::optional<toolJob::Result>& refusal, const QString& source,
                              const QString& pageWord, int& exit)
{
    exit = ExitRefused;
    if (refusal) {
        say(refusal->message);
        return std::nullopt;
    }
    const mdlSplit::Length length = mdlSplit::readLength(source);
    if (!length.opened) {
        say(mdlSplit::propertiesErrorHead() + QLatin1Char('\n') + source);
        return std::nullopt;
    }
    if (!length.picture) {
        say(mdlSplit::noPictureMessage(pageWord));
        return std::nullopt;
    }
    return length.total.toDouble();
}

// Where a job writes: one file as -o names it (or oneName in the folder it names, or beside
// the source); a series from firstName in the folder -o names, else beside the source.
QString targetOf(const Args& args, const QString& source, bool one, const QString& oneName, const QString& firstName)
{
    const std::optional<QString> output = args.output();
    if (one || !output || output->isEmpty())
        return outputIn(output, source, one ? oneName : firstName);
    return QDir(absolute(*output)).absoluteFilePath(firstName);
}

} // namespace

int splitCommand(const QStringList& raw)
{
    const QStringList counts{QStringLiteral("--parts"), QStringLiteral("--seconds"), QStringLiteral("--kb")};
    const QString range = QStringLiteral("--range");
    const Args args(raw, withOutput(QStringList(counts) << range), {forceFlag});
    if (!args.ok())
        return usage(args.error());
    if (args.positional.size() != 1)
        return usage(QStringLiteral("split 需要一个来源档案"));
    if (args.given(QStringList(counts) << range) != 1)
        return usage(QStringLiteral("split 需要 --parts、--seconds、--kb、--range 之中的一个"));

    int exit = ExitUsage;
    SplitJob::Request request;
    request.source = absolute(args.positional.first());
    for (int option = 0; option < counts.size(); ++option) {
        if (!args.value(counts[option]))
            continue;
        const std::optional<QString> n = numberOf(args, counts[option], exit);
        if (!n)
            return exit;
        request.option = option;
        request.number = *n;
    }
    if (const std::optional<QString> ab = args.value(range)) {
        // A-B in seconds: the page's "from … to … seconds".
        const qsizetype dash = ab->indexOf(QLatin1Char('-'), 1);
        bool okA = false, okB = false;
        if (dash > 0) {
            ab->left(dash).toDouble(&okA);
            ab->mid(dash + 1).toDouble(&okB);
        }
        if (!okA || !okB)
            return usage(QStringLiteral("--range 要写成“起点-终点”（秒），例如 2.5-7"));
        request.option = 3;
        request.from = ab->left(dash);
        request.to = ab->mid(dash + 1);
    }

    const std::optional<double> total = totalOf(SplitJob::refuseSource(request.source), request.source, splitWord, exit);
    if (!total)
        return exit;
    request.totalSeconds = *total;
    SplitJob job(request);
    job.setTarget(targetOf(args, request.source, job.count() == 1, QFileInfo(mdlToolCmds::partName(request.source)).fileName(),
                           mdlToolCmds::splitName(0, job.ext())));
    return runJob(job, args.flag(forceFlag));
}

int snapCommand(const QStringList& raw)
{
    const QString at = QStringLiteral("--at"), count = QStringLiteral("--count"), every = QStringLiteral("--every");
    const QString from = QStringLiteral("--from"), to = QStringLiteral("--to"), format = QStringLiteral("--format");
    const Args args(raw, withOutput({at, count, every, from, to, format}), {forceFlag});
    if (!args.ok())
        return usage(args.error());
    if (args.positional.size() != 1)
        return usage(QStringLiteral("snap 需要一个来源档案"));
    if (args.given({at, count, every}) != 1)
        return usage(QStringLiteral("snap 需要 --at、--count、--every 之中的一个"));
    const int stretchGiven = args.given({from, to});
    if (stretchGiven == 1 || (stretchGiven == 2 && args.value(at)))
        return usage(QStringLiteral("--from 与 --to 要一起使用，并且只配合 --count 或 --every"));
    const QString fmt = args.value(format).value_or(QStringLiteral("jpg")).toLower();
    if (fmt != QLatin1String("jpg") && fmt != QLatin1String("png") && fmt != QLatin1String("gif"))
        return usage(QStringLiteral("--format 只能是 jpg、png 或 gif"));

    int exit = ExitUsage;
    SnapJob::Request request;
    request.source = absolute(args.positional.first());
    request.format = fmt;
    request.stretch = args.value(at) ? 0 : stretchGiven == 2 ? 2 : 1;
    request.spacing = args.value(every) ? 1 : 0;
    const std::pair<const QString*, QString*> boxes[] = {
        {&at, &request.at}, {&count, &request.count}, {&every, &request.every}, {&from, &request.from}, {&to, &request.to}};
    for (const auto& [name, box] : boxes) {
        if (!args.value(*name))
            continue;
        const std::optional<QString> n = numberOf(args, *name, exit);
        if (!n)
            return exit;
        *box = *n;
    }

    const std::optional<double> total = totalOf(SnapJob::refuseSource(request.source), request.source, snapWord, exit);
    if (!total)
        return exit;
    request.totalSeconds = *total;
    SnapJob job(request);
    job.setTarget(targetOf(args, request.source, job.single(), QFileInfo(mdlToolCmds::snapshotProposal(request.source, fmt)).fileName(),
                           mdlToolCmds::snapshotName(0, fmt)));
    return runJob(job, args.flag(forceFlag));
}

} // namespace cli
