#include "cli/Cli.h"
#include "cli/Commands.h"

#include "tools/EncodeJob.h"
#include "tools/JoinJob.h"
#include "tools/mdlEncode.h"
#include "tools/mdlToolCmds.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace cli {

namespace {

// A value goes to ffmpeg as one argument, as the page's box passes it: a blank or a quote
// would split the command line elsewhere, and a leading "-" would make it an option.
bool oneValue(const QString& value)
{
    if (value.isEmpty() || value.startsWith(QLatin1Char('-')))
        return false;
    return std::none_of(value.begin(), value.end(), [](QChar c) { return c.isSpace() || c == QLatin1Char('"'); });
}

} // namespace

int joinCommand(const QStringList& raw)
{
    const Args args(raw, withOutput({}), {forceFlag});
    if (!args.ok())
        return usage(args.error());
    if (args.positional.size() < 2)
        return usage(QStringLiteral("join 需要至少两个来源档案"));
    if (!args.output() || args.output()->isEmpty())
        return usage(QStringLiteral("join 需要 -o 目标档案"));
    QStringList items;
    for (const QString& item : args.positional)
        items << absolute(item);

    // The window selects the offending item of its list; here it is named.
    int item = -1;
    if (std::optional<toolJob::Result> no = JoinJob::refuseItems(items, &item)) {
        say(no->message);
        if (item >= 0)
            say(QStringLiteral("（第 %1 个档案：%2）").arg(item + 1).arg(items[item]));
        return ExitRefused;
    }
    const QString proposed = QFileInfo(mdlToolCmds::mergeName(items.first())).fileName();
    const QString target = outputIn(args.output(), items.first(), proposed);
    JoinJob job({items, target});
    return runJob(job, args.flag(forceFlag));
}

int encodeCommand(const QStringList& raw)
{
    const QString size = QStringLiteral("--size"), rate = QStringLiteral("--rate"), vbitrate = QStringLiteral("--vbitrate"),
                  arate = QStringLiteral("--arate"), abitrate = QStringLiteral("--abitrate"),
                  channels = QStringLiteral("--channels");
    const Args args(raw, withOutput({size, rate, vbitrate, arate, abitrate, channels}), {forceFlag});
    if (!args.ok())
        return usage(args.error());
    if (args.positional.size() != 1)
        return usage(QStringLiteral("encode 需要一个来源档案"));
    const std::optional<QString> output = args.output();
    if (!output || output->isEmpty() || QFileInfo(*output).isDir())
        return usage(QStringLiteral("encode 需要 -o 目标档案（它的副档名决定转成的格式）"));
    for (const QString& name : {size, rate, vbitrate, arate, abitrate})
        if (const std::optional<QString> v = args.value(name); v && !oneValue(*v))
            return usage(QStringLiteral("选项 %1 的数值不对：%2").arg(name, *v));
    const std::optional<QString> channelText = args.value(channels);
    if (channelText && *channelText != QLatin1String("1") && *channelText != QLatin1String("2"))
        return usage(QStringLiteral("选项 --channels 只能是 1 或 2"));

    const QString source = absolute(args.positional.first());
    const QString target = absolute(*output);
    const int page = mdlEncode::pageFor(source, target);
    if (page < 0) {
        say(QStringLiteral("无法把 %1 转成 %2：转档只提供下列转换").arg(QFileInfo(source).fileName(), QFileInfo(target).fileName()));
        for (int p = 0; p < 4; ++p)
            say(QStringLiteral("  %1 → %2").arg(mdlEncode::sourceTypes(p).join(QLatin1Char('/')),
                                                mdlEncode::targetTypes(p).join(QLatin1Char('/'))));
        return ExitRefused;
    }

    // The page's settings at their defaults, and the values given in place of its items.
    mdlToolCmds::EncodeSettings settings = mdlToolCmds::encodeDefaults(page);
    if (page >= 2 && args.given({size, rate, vbitrate}) > 0) {
        say(QStringLiteral("音乐转档没有视讯的选项（--size、--rate、--vbitrate）"));
        return ExitRefused;
    }
    auto take = [&args](const QString& name, std::optional<QString>& setting) {
        if (const std::optional<QString> v = args.value(name))
            setting = *v;
    };
    take(size, settings.size);
    take(rate, settings.frameRate);
    take(vbitrate, settings.videoBitrate);
    take(arate, settings.samplingRate);
    take(abitrate, settings.audioBitrate);
    if (channelText)
        settings.channelItem = channelText->toInt() - 1;

    EncodeJob job({source, target, settings});
    return runJob(job, args.flag(forceFlag));
}

} // namespace cli
