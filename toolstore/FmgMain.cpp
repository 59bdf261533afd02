// "~tmpExtFmg.exe": runs the installed ffmpeg with an old-style command line.
#include "FfRun.h"
#include "FmgArgs.h"

#include <QCoreApplication>
#include <QFileInfo>
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
    int rc = ffrun::run(ffmpeg, args, ffrun::Options{});
    // A snapshot past the last frame that starts after its moment (the last moment of a
    // series in a video of few frames a second): the frame shown at that moment.
    const QStringList last = fmg::lastPictureArgs(args);
    if (!last.isEmpty() && !QFileInfo::exists(last.last()) && !ffrun::terminationRequested())
        rc = ffrun::run(ffmpeg, last, ffrun::Options{});
    return rc;
}
