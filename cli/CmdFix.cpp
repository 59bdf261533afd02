#include "cli/Cli.h"
#include "cli/Commands.h"

#include "keyframes/KeyFrames.h"
#include "tools/FixJob.h"
#include "tools/mdlToolCmds.h"

#include <QFileInfo>

namespace cli {

int fixCommand(const QStringList& raw)
{
    const Args args(raw, withOutput({}), {forceFlag});
    if (!args.ok())
        return usage(args.error());
    if (args.positional.size() != 1)
        return usage(QStringLiteral("fix 需要一个来源档案"));
    const QString source = absolute(args.positional.first());
    FixJob job({source, outputIn(args.output(), source, QFileInfo(mdlToolCmds::fixName(source)).fileName())});
    return runJob(job, args.flag(forceFlag));
}

int keyframesCommand(const QStringList& raw)
{
    const Args args(raw, {}, {});
    if (!args.ok())
        return usage(args.error());
    if (args.positional.size() != 1)
        return usage(QStringLiteral("keyframes 需要一个来源档案"));
    const QString source = args.positional.first();
    if (!QFileInfo(source).isFile()) {
        say(QStringLiteral("档案并不存在：") + source);
        return ExitRefused;
    }
    const keyframes::Result keys = keyframes::read(source);
    if (!keys.ok) {
        say(QStringLiteral("无法读取关键画格：") + keys.error);
        return ExitFailed;
    }
    for (const double t : keys.times)
        print(QString::number(t, 'f', 3));
    return ExitDone;
}

} // namespace cli
