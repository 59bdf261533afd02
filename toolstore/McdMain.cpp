// "~tmpExtMcd.exe": carries out the tools' MEncoder command lines (cut, join, copy,
// audio to MP3) with the installed ffmpeg.
#include "FfRun.h"
#include "FlvScan.h"
#include "McdArgs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// Containers such as Matroska keep no decoding times; ffmpeg then counts them as the
// presentation time less the reordering depth in frames. The cut's -ss and length are
// checked against those times, so they are worked out the same way here.
void estimateDts(QList<mcd::Packet>& packets)
{
    // In decoding order the times are the presentation times sorted, moved back just far
    // enough that none comes after its own picture.
    QList<double> sorted;
    for (const mcd::Packet& p : packets)
        sorted.append(p.pts);
    std::sort(sorted.begin(), sorted.end());
    double delay = 0;
    for (qsizetype i = 0; i < packets.size(); ++i)
        delay = std::max(delay, sorted[i] - packets[i].pts);
    for (qsizetype i = 0; i < packets.size(); ++i)
        packets[i].dts = sorted[i] - delay;
}

// Video packets as ffprobe lists them (the file's own timestamps), read only over the
// given intervals: libavformat's index or its search puts ffprobe there.
QList<mcd::Packet> videoPackets(const QString& ffprobe, const QString& file, const QString& intervals)
{
    const QByteArray out = ffrun::capture(ffprobe,
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("v:0"),
         QStringLiteral("-read_intervals"), intervals,
         QStringLiteral("-show_entries"), QStringLiteral("packet=pts_time,dts_time,flags"),
         QStringLiteral("-of"), QStringLiteral("compact"), file});
    QList<mcd::Packet> packets;
    bool noDts = false;
    for (const QByteArray& line : out.split('\n')) {
        double pts = -1e18, dts = -1e18;
        bool key = false;
        const QList<QByteArray> fields = line.trimmed().split('|');
        if (fields.first() != "packet")
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
            }
        }
        if (pts < -1e17) pts = dts;
        if (dts < -1e17) {
            dts = pts;
            noDts = true;
        }
        if (pts > -1e17)
            packets.append({pts, dts, key});
    }
    if (noDts)
        estimateDts(packets);
    return packets;
}

// Seconds a tick of the timestamps of the first picture and the first sound stream, into
// the run; 0 for a kind of stream the file does not have.
void timeBases(const QString& ffprobe, const QString& file, mcd::Run& run)
{
    const QByteArray out = ffrun::capture(ffprobe, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                                    QStringLiteral("stream=codec_type,time_base"), QStringLiteral("-of"),
                                                    QStringLiteral("csv=p=0"), file});
    bool video = false, audio = false;
    for (const QByteArray& line : out.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        const QList<QByteArray> ratio = fields.value(1).split('/');
        const double num = ratio.value(0).toDouble(), den = ratio.value(1).toDouble();
        const double tick = num > 0 && den > 0 ? num / den : 0;
        if (fields.first() == "video" && !video) {
            run.videoTick = tick;
            video = true;
        } else if (fields.first() == "audio" && !audio) {
            run.audioTick = tick;
            audio = true;
        }
    }
}

// Where a copy cut begins and ends. A copy has to begin on a key frame: the one at or
// before the start; it ends with the last picture before the end asked for. ffmpeg seeks
// on input to that key frame (or the one before it) and reads from there only.
bool planCut(const QString& ffprobe, const mcd::Command& cmd, mcd::Run& run)
{
    const double start = cmd.start > 0 ? cmd.start : 0;
    // listed: video packets in file order from before the end to past it, when known.
    auto place = [&](const mcd::KeyFrame& k, bool seekOnInput, double inputSeek,
                     const std::function<QList<mcd::Packet>(double end)>& listed) {
        run.fileTimes = true;
        if (seekOnInput)
            run.inputSeek = inputSeek;
        // -ss keeps the packets decoded from the key frame on. A key frame at the very start
        // takes none; the times then count from the time 0.
        const double from = k.dts - 0.0005;
        const double zero = from > 0 ? from : 0;
        if (from > 0)
            run.seek = from;
        // The sound begins with the key frame's picture, not with its decoding time, which
        // reordered pictures put earlier.
        if (k.pts - zero > 0.001)
            run.audioFrom = k.pts - 0.0005 - zero;
        if (cmd.length >= 0) {
            const double end = k.pts - k.offset + start + cmd.length; // a timestamp of the file
            run.length = std::max(0.001, end - 0.0005 - zero);
            // The pictures end with the last one shown before the end: -t goes by the
            // decoding time, which a decoder delay or reordered pictures put earlier.
            const std::optional<double> last = mcd::lastPacketToKeep(listed(end), end);
            if (last)
                run.videoUntil = *last + 0.0005 - zero;
        }
    };

    const flvscan::Lookup flv = flvscan::keyFramesAround(run.input, start, cmd.length >= 0 ? start + cmd.length : -1);
    if (flv.ok) {
        const mcd::KeyFrame k = mcd::keyFrameAtOrBefore(flv.keys, start, flv.firstPts);
        // An index that names the wrong places would put ffmpeg past the key frame.
        run.audioTick = run.videoTick = 0.001; // FLV counts in milliseconds
        place(k, flv.index != flvscan::Index::Invalid, flv.seekTime(k.dts), [&](double) { return flv.pictures; });
        // ffmpeg is given the file from the key frame on: without an index it would find the
        // key frame by reading every packet before it, which the walk has just done; with
        // one it would seek to the index entry before, which can be a key frame early.
        // And it is given it without the pictures that a filter would otherwise have to take
        // out of every packet it copies.
        const double zero = std::max(run.seek, 0.0);
        QString from;
        if (run.videoUntil && run.length >= 0)
            from = flv.inputFrom(run.input, k.dts, zero + *run.videoUntil, zero + run.length);
        if (!from.isEmpty())
            run.videoUntil.reset();
        else
            from = flv.inputFrom(run.input, k.dts);
        if (!from.isEmpty()) {
            run.input = from;
            run.inputSeek = -1;
        }
        return true;
    }
    const QList<mcd::Packet> first = ffprobe.isEmpty() ? QList<mcd::Packet>()
                                                       : videoPackets(ffprobe, run.input, QStringLiteral("%+#8"));
    if (!first.isEmpty()) {
        double firstPts = first.first().pts;
        for (const mcd::Packet& p : first)
            firstPts = std::min(firstPts, p.pts);
        const double at = firstPts + start;
        const QString end = QLatin1Char('%') + QString::number(at + 2, 'f', 6);
        // A window before the point, wider when it holds no key frame early enough, and at
        // last everything from the start.
        for (double window : {10.0, 60.0, -1.0}) {
            const QString from = window < 0 ? QString() : QString::number(std::max(firstPts, at - window), 'f', 6);
            const QList<mcd::Packet> around = videoPackets(ffprobe, run.input, from + end);
            bool keyed = false;
            for (const mcd::Packet& p : around)
                keyed = keyed || p.key;
            if (!keyed)
                continue; // nothing listed (or ffprobe gave up): never guess the start
            const mcd::KeyFrame k = mcd::keyFrameAtOrBefore(around, start, firstPts);
            if (k.offset <= start + 0.0005 || window < 0) {
                timeBases(ffprobe, run.input, run);
                // Which packets the piece ends with depends on those just before its end and
                // just after; only they are read.
                place(k, true, k.dts, [&](double until) {
                    const QString from = QString::number(std::max(k.dts, until - 10), 'f', 6);
                    return videoPackets(ffprobe, run.input, from + QLatin1Char('%') + QString::number(until + 2, 'f', 6));
                });
                return true;
            }
        }
        // Pictures, but no key frame found for them: a cut from elsewhere would be wrong.
        return false;
    }
    // No pictures: the sound is cut where it was asked.
    if (start > 0)
        run.seek = start;
    if (cmd.length >= 0)
        run.length = cmd.length;
    return true;
}

// The kinds of streams a join input holds ("v", "a", "va"); empty when ffmpeg cannot read
// it as media. A join input it cannot open would end the join there with success, leaving
// a file that lacks that input and all after it.
QString streamKinds(const QString& ffprobe, const QString& file)
{
    const QByteArray out = ffrun::capture(ffprobe, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                                    QStringLiteral("stream=codec_type"), QStringLiteral("-of"),
                                                    QStringLiteral("default=nw=1:nk=1"), file});
    QString kinds;
    if (out.contains("video"))
        kinds += QLatin1Char('v');
    if (out.contains("audio"))
        kinds += QLatin1Char('a');
    return kinds;
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

    ffrun::Options watch;
    watch.watchProgress = true;
    watch.stallSeconds = ffrun::stallSecondsFromEnv(60);

    mcd::Run run;
    run.output = cmd.output;
    run.format = mcd::containerFor(cmd.output);
    if (cmd.inputs.size() == 1) {
        run.input = cmd.inputs.first();
        if ((cmd.start > 0 || cmd.length >= 0) && !planCut(ffprobe, cmd, run)) {
            std::fprintf(stderr, "~tmpExtMcd: no key frame found to cut %s from\n", qPrintable(run.input));
            return 1;
        }
    } else {
        // Each input is first copied with its picture stream first and its sound second:
        // the join then pairs them by kind, whatever order the file keeps them in, and
        // each copy ends where its last packet does, not where the file's header says.
        QStringList parts;
        QString kinds;
        for (qsizetype i = 0; i < cmd.inputs.size(); ++i) {
            const QString& in = cmd.inputs[i];
            const QString has = ffprobe.isEmpty() ? QStringLiteral("va") : streamKinds(ffprobe, in);
            if (has.isEmpty()) {
                std::fprintf(stderr, "~tmpExtMcd: not a media file that can be joined: %s\n", qPrintable(in));
                return 1;
            }
            // A file without the sound (or the picture) of the others would shift the
            // streams of every file after it.
            if (i > 0 && has != kinds) {
                std::fprintf(stderr, "~tmpExtMcd: %s does not hold the same kinds of streams as %s\n",
                             qPrintable(in), qPrintable(cmd.inputs.first()));
                return 1;
            }
            kinds = has;
            const QString part = work.filePath(QStringLiteral("part%1.mkv").arg(i));
            const int rc = ffrun::run(ffmpeg, mcd::joinPartArgs(QFileInfo(in).absoluteFilePath(), part), watch);
            if (rc != 0 || QFileInfo(part).size() <= 0) {
                std::fprintf(stderr, "~tmpExtMcd: cannot read %s for the join\n", qPrintable(in));
                return rc == 0 ? 1 : rc;
            }
            parts << part;
        }
        run.input = work.filePath(QStringLiteral("join.ffconcat"));
        QFile list(run.input);
        if (!list.open(QIODevice::WriteOnly) || list.write(mcd::concatList(parts)) < 0) {
            std::fputs("~tmpExtMcd: cannot write the join list\n", stderr);
            return 1;
        }
        list.close();
        run.concat = true;
    }


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
