// zorvo: the tools of Zorvo.FLV without windows, for scripts and terminals.
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "app/mdlZorvoFLV.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <map>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorvo"));
    cli::catchSignals();
    // The windows offer the types the user chose to edit; on the command line every type
    // the tools can cut is taken, and the jobs refuse the rest with their own messages.
    mdlZorvoFLV::moreEditableTypes = mdlZorvoFLV::moreEditableList;

    // A folder of its own for the tool store's programs: the player, or another zorvo at
    // the same moment, deletes the programs at the end of its job and must not take ours.
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isDir() || !QFileInfo(base).isWritable())
        base = QDir::tempPath();
    QTemporaryDir ownRuntime(base + QStringLiteral("/zorvo-XXXXXX"));
    if (ownRuntime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(ownRuntime.path()));

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return cli::usage(QStringLiteral("缺少要执行的工作"));
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        std::fputs(cli::helpText().toUtf8().constData(), stdout);
        return cli::ExitDone;
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs(cli::helpText().toUtf8().constData(), stdout);
        return cli::ExitDone;
    }

    const std::map<QString, std::function<int(const QStringList&)>> commands{
        {QStringLiteral("crop"), cli::cropCommand},   {QStringLiteral("split"), cli::splitCommand},
        {QStringLiteral("join"), cli::joinCommand},   {QStringLiteral("fix"), cli::fixCommand},
        {QStringLiteral("snap"), cli::snapCommand},   {QStringLiteral("encode"), cli::encodeCommand},
        {QStringLiteral("keyframes"), cli::keyframesCommand},
    };
    const auto it = commands.find(name);
    if (it == commands.end())
        return cli::usage(QStringLiteral("不认识的工作：") + name);
    return it->second(args);
}
