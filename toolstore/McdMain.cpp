// "~tmpExtMcd.exe": carries out the tools' MEncoder command lines (cut, join, copy,
// audio to MP3) with the installed ffmpeg.
#include "FfRun.h"
#include "McdArgs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Video packets up to a little past the start, times relative to the file's start.
QList<mcd::Packet> videoPacketsUpTo(const QString& ffprobe, const QString& file, double until)
{
    const QByteArray out = ffrun::capture(ffprobe,
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("v:0"),
         QStringLiteral("-read_intervals"), QStringLiteral("%+") + QString::number(until, 'f', 3),
         QStringLiteral("-show_entries"), QStringLiteral("packet=pts_time,dts_time,flags:format=start_time"),
         QStringLiteral("-of"), QStringLiteral("compact"), file});
    double origin = 0;
    struct Raw { double pts, dts; bool key; };
    QList<Raw> raw;
    for (const QByteArray& line : out.split('\n')) {
        double pts = -1e18, dts = -1e18;
        bool key = false;
        const QList<QByteArray> fields = line.trimmed().split('|');
        if (fields.isEmpty())
            continue;
        for (const QByteArray& f : fields) {
            bool ok = false;
            if (f.startsWith("pts_time=")) {
                const double v = f.mid(9).toDouble(&ok);
                if (ok) pts = v;
            } else if (f.startsWith("dts_time=")) {
                const double v = f.mid(9).toDouble(&ok);
                if (ok) dts = v;
            } else if (f.startsWith("flags=")) {
                key = f.mid(6).startsWith('K');
            } else if (f.startsWith("start_time=") && fields.first() == "format") {
                const double v = f.mid(11).toDouble(&ok);
                if (ok) origin = v;
            }
        }
        if (fields.first() != "packet")
            continue;
        if (pts < -1e17) pts = dts;
        if (dts < -1e17) dts = pts;
        if (pts > -1e17)
            raw.append({pts, dts, key});
    }
    QList<mcd::Packet> packets;
    for (const Raw& r : raw)
        packets.append({r.pts - origin, r.dts - origin, r.key});
    return packets;
}

// Whether ffmpeg can read the file as media at all. A join input it cannot open would end
// the join there with success, leaving a file that lacks that input and all after it.
bool readableMedia(const QString& ffprobe, const QString& file)
{
    bool ok = false;
    const int streams = ffrun::capture(ffprobe, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                                 QStringLiteral("format=nb_streams"), QStringLiteral("-of"),
                                                 QStringLiteral("default=nw=1:nk=1"), file})
                            .trimmed()
                            .toInt(&ok);
    return ok && streams > 0;
}

void makeEmpty(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ffrun::installTermHandler();

    const mcd::Command cmd = mcd::parseCommand(QCoreApplication::arguments().mid(1));
    if (!cmd.error.isEmpty()) {
        std::fprintf(stderr, "~tmpExtMcd: %s\n", qPrintable(cmd.error));
        return 1;
    }
    // ffmpeg would overwrite a source named as the output (a join list hides it from
    // ffmpeg's own check), so that is refused here.
    const QFileInfo outInfo(cmd.output);
    for (const QString& in : cmd.inputs) {
        const QFileInfo inInfo(in);
        if (inInfo.exists() && outInfo.exists() && inInfo.canonicalFilePath() == outInfo.canonicalFilePath()) {
            std::fprintf(stderr, "~tmpExtMcd: the output is one of the inputs: %s\n", qPrintable(in));
            return 1;
        }
    }
    const QString ffmpeg = ffrun::findTool(QStringLiteral("ffmpeg"));
    const QString ffprobe = ffrun::findTool(QStringLiteral("ffprobe"));
    if (ffmpeg.isEmpty()) {
        std::fputs("ffmpeg was not found on PATH\n", stderr);
        return ffrun::exitNotStarted;
    }

    // Work files (the join list, the check run) go to a folder of our own, not the
    // user's output folder; QTemporaryDir makes it 0700 and removes it on the way out.
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/zorvo-mcd-XXXXXX"));
    if (!work.isValid()) {
        std::fputs("~tmpExtMcd: no temporary folder\n", stderr);
        return 1;
    }

    mcd::Run run;
    run.output = cmd.output;
    run.format = mcd::containerFor(cmd.output);
    if (cmd.inputs.size() == 1) {
        run.input = cmd.inputs.first();
    } else {
        QStringList absolute;
        for (const QString& in : cmd.inputs) {
            if (!ffprobe.isEmpty() && !readableMedia(ffprobe, in)) {
                std::fprintf(stderr, "~tmpExtMcd: not a media file that can be joined: %s\n", qPrintable(in));
                return 1;
            }
            absolute << QFileInfo(in).absoluteFilePath();
        }
        run.input = work.filePath(QStringLiteral("join.ffconcat"));
        QFile list(run.input);
        if (!list.open(QIODevice::WriteOnly) || list.write(mcd::concatList(absolute)) < 0) {
            std::fputs("~tmpExtMcd: cannot write the join list\n", stderr);
            return 1;
        }
        list.close();
        run.concat = true;
    }

    const double start = cmd.start > 0 ? cmd.start : 0;
    if (!run.concat && (start > 0 || cmd.length >= 0)) {
        // A copy has to begin on a key frame: take the one at or before the start, and
        // keep the end where it was asked for.
        const mcd::KeyFrame k = mcd::keyFrameAtOrBefore(videoPacketsUpTo(ffprobe, run.input, start + 2), start);
        const double from = k.dts - 0.0005;
        const double length = start + cmd.length - k.offset;
        if (from > 0)
            run.seek = from;
        // Without a seek ffmpeg counts the length from the file's start, not from the key
        // frame's decoding time.
        if (cmd.length >= 0)
            run.length = std::max(0.001, from > 0 ? length : length + from);
    } else {
        if (start > 0)
            run.seek = start;
        if (cmd.length >= 0)
            run.length = cmd.length;
    }

    ffrun::Options watch;
    watch.watchProgress = true;
    watch.stallSeconds = ffrun::stallSecondsFromEnv(60);

    const int rc = ffrun::run(ffmpeg, mcd::ffmpegArgs(cmd, run), watch);
    if (rc == 0 && QFileInfo(cmd.output).size() > 0)
        return 0;

    if (rc != ffrun::exitStalled && rc != ffrun::exitTerminated && rc != ffrun::exitNotStarted
        && !cmd.reencodeAudio) {
        // Was it the sound? Try the same without it: when the picture alone goes in, the
        // output is left empty, which is how the tools know to offer re-encoding the audio.
        mcd::Run check = run;
        check.videoOnly = true;
        check.output = work.filePath(QStringLiteral("check.") + QFileInfo(cmd.output).suffix());
        if (ffrun::run(ffmpeg, mcd::ffmpegArgs(cmd, check), watch) == 0
            && QFileInfo(check.output).size() > 0) {
            makeEmpty(cmd.output);
            return rc == 0 ? 1 : rc;
        }
    }
    QFile::remove(cmd.output);
    return rc == 0 ? 1 : rc;
}
