// "~tmpExtFmg.exe": runs the installed ffmpeg with an old-style command line.
#include "FfRun.h"
#include "FmgArgs.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ffrun::installTermHandler();
    const QString ffmpeg = ffrun::findTool(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty()) {
        std::fputs("ffmpeg was not found on PATH\n", stderr);
        return ffrun::exitNotStarted;
    }
    const QStringList args = fmg::translateFfmpegArgs(QCoreApplication::arguments().mid(1));
    return ffrun::run(ffmpeg, args, ffrun::Options{});
}
