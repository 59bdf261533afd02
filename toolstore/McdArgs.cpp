#include "McdArgs.h"

#include <QFileInfo>

#include <algorithm>

namespace mcd {

double parseTime(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.isEmpty() || parts.size() > 3)
        return -1;
    double seconds = 0;
    for (const QString& p : parts) {
        bool ok = false;
        const double v = p.toDouble(&ok);
        if (!ok || v < 0 || p.isEmpty())
            return -1;
        seconds = seconds * 60 + v;
    }
    return seconds;
}

Command parseCommand(const QStringList& args)
{
    Command cmd;
    auto fail = [&cmd](const QString& why) {
        if (cmd.error.isEmpty())
            cmd.error = why;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const QString value = hasValue ? args[i + 1] : QString();
        if (!a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            cmd.inputs << a;
            continue;
        }
        if (!hasValue) {
            fail(QStringLiteral("option %1 needs a value").arg(a));
            break;
        }
        ++i;
        if (a == QLatin1String("-mc")) {
            // A/V sync correction of the old muxer: ffmpeg keeps the timestamps instead.
        } else if (a == QLatin1String("-ovc")) {
            if (value != QLatin1String("copy"))
                fail(QStringLiteral("only -ovc copy is supported"));
        } else if (a == QLatin1String("-oac")) {
            if (value == QLatin1String("mp3lame"))
                cmd.reencodeAudio = true;
            else if (value != QLatin1String("copy"))
                fail(QStringLiteral("only -oac copy and -oac mp3lame are supported"));
        } else if (a == QLatin1String("-lameopts")) {
            for (const QString& opt : value.split(QLatin1Char(':'))) {
                if (opt.startsWith(QLatin1String("br="))) {
                    bool ok = false;
                    const int br = opt.mid(3).toInt(&ok);
                    if (!ok || br <= 0)
                        fail(QStringLiteral("bad bit rate in -lameopts"));
                    else
                        cmd.lameBitrate = br;
                }
            }
        } else if (a == QLatin1String("-ss")) {
            cmd.start = parseTime(value);
            if (cmd.start < 0)
                fail(QStringLiteral("bad time after -ss"));
        } else if (a == QLatin1String("-endpos")) {
            cmd.length = parseTime(value);
            if (cmd.length < 0)
                fail(QStringLiteral("bad time after -endpos (sizes are not supported)"));
        } else if (a == QLatin1String("-o")) {
            cmd.output = value;
        } else {
            fail(QStringLiteral("unsupported option %1").arg(a));
        }
    }
    if (cmd.output.isEmpty())
        fail(QStringLiteral("no output file (-o)"));
    if (cmd.inputs.isEmpty())
        fail(QStringLiteral("no input file"));
    if (!cmd.output.isEmpty() && containerFor(cmd.output).isEmpty())
        fail(QStringLiteral("unknown output type: %1").arg(cmd.output));
    return cmd;
}

QString containerFor(const QString& outputPath)
{
    // The tools' own types, then the other playable types ffmpeg copies into their own
    // container.
    static const std::pair<const char*, const char*> table[] = {
        {"flv", "flv"},       {"mpg", "mpeg"},  {"mpeg", "mpeg"}, {"dat", "mpeg"}, {"vob", "vob"},
        {"avi", "avi"},       {"wmv", "asf"},   {"asf", "asf"},   {"mp4", "mp4"},  {"mov", "mov"},
        {"3gp", "3gp"},       {"mkv", "matroska"}, {"webm", "webm"}, {"ts", "mpegts"}, {"m4v", "mp4"},
        {"ogv", "ogg"},       {"ogm", "ogg"},   {"divx", "avi"},  {"qt", "mov"},
    };
    const QString ext = QFileInfo(outputPath).suffix().toLower();
    for (const auto& [suffix, format] : table)
        if (ext == QLatin1String(suffix))
            return QString::fromLatin1(format);
    return QString();
}

KeyFrame keyFrameAtOrBefore(const QList<Packet>& videoPackets, double start, double firstPts)
{
    const KeyFrame none{start, start, start};
    KeyFrame before = none, after = none;
    bool haveBefore = false, haveAfter = false;
    for (const Packet& p : videoPackets) {
        if (!p.key)
            continue;
        const KeyFrame k{p.pts, p.dts, p.pts - firstPts};
        // Half a millisecond of slack: the listed times are rounded.
        if (k.offset <= start + 0.0005) {
            if (!haveBefore || k.offset > before.offset)
                before = k;
            haveBefore = true;
        } else if (!haveAfter || k.offset < after.offset) {
            after = k;
            haveAfter = true;
        }
    }
    return haveBefore ? before : after;
}

std::optional<double> lastPacketToKeep(const QList<Packet>& decodeOrder, double endPts)
{
    std::optional<double> last;
    for (const Packet& p : decodeOrder) {
        // Decoding times only grow and no picture is shown before it is decoded: nothing
        // from here on is shown before the end.
        if (p.dts >= endPts - 0.0005)
            return last;
        if (p.pts < endPts - 0.0005)
            last = p.dts;
    }
    return std::nullopt;
}

QStringList ffmpegArgs(const Command& cmd, const Run& run)
{
    QStringList a{QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-nostats"),
                  QStringLiteral("-y")};
    if (run.fileTimes)
        a << QStringLiteral("-copyts");
    if (run.inputSeek >= 0)
        a << QStringLiteral("-seek_timestamp") << QStringLiteral("1") << QStringLiteral("-ss")
          << QString::number(run.inputSeek, 'f', 6);
    if (run.concat)
        a << QStringLiteral("-f") << QStringLiteral("concat") << QStringLiteral("-safe") << QStringLiteral("0");
    a << QStringLiteral("-i") << run.input;
    if (run.seek >= 0)
        a << QStringLiteral("-ss") << QString::number(run.seek, 'f', 6);
    if (run.length >= 0)
        a << QStringLiteral("-t") << QString::number(run.length, 'f', 6);
    a << QStringLiteral("-c:v") << QStringLiteral("copy");
    if (run.videoOnly)
        a << QStringLiteral("-an");
    else if (cmd.reencodeAudio)
        a << QStringLiteral("-c:a") << QStringLiteral("libmp3lame") << QStringLiteral("-b:a")
          << QString::number(cmd.lameBitrate) + QLatin1Char('k');
    else
        a << QStringLiteral("-c:a") << QStringLiteral("copy");
    // Packets are left out by their own times, the only way to give the sound and the
    // pictures different bounds in one copy: -ss and -t go by the decoding time of either.
    auto drop = [&a](const char* stream, const char* test, double seconds, double tick) {
        a << QLatin1String(stream) << QStringLiteral("noise=drop=%1\\,%2)").arg(QLatin1String(test)).arg(seconds / tick, 0, 'f', 3);
    };
    if (run.audioFrom && run.audioTick > 0 && !run.videoOnly && !cmd.reencodeAudio)
        drop("-bsf:a", "lt(pts", *run.audioFrom, run.audioTick);
    if (run.videoUntil && run.videoTick > 0)
        drop("-bsf:v", "gt(dts", *run.videoUntil, run.videoTick);
    // Subtitles and data tracks are not part of a cut or a join.
    a << QStringLiteral("-sn") << QStringLiteral("-dn");
    a << QStringLiteral("-f") << run.format << QStringLiteral("-progress") << QStringLiteral("pipe:1")
      << run.output;
    return a;
}

QStringList joinPartArgs(const QString& input, const QString& output)
{
    // genpts: MPEG-PS leaves some pictures without a presentation time, which the copy
    // cannot store.
    return {QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-nostats"), QStringLiteral("-y"),
            QStringLiteral("-fflags"), QStringLiteral("+genpts"), QStringLiteral("-i"), input,
            QStringLiteral("-map"), QStringLiteral("0:v:0?"), QStringLiteral("-map"), QStringLiteral("0:a:0?"),
            QStringLiteral("-c"), QStringLiteral("copy"), QStringLiteral("-f"), QString::fromLatin1(joinPartFormat),
            QStringLiteral("-progress"), QStringLiteral("pipe:1"), output};
}

QByteArray concatList(const QStringList& absoluteInputs)
{
    QByteArray list("ffconcat version 1.0\n");
    for (const QString& path : absoluteInputs) {
        QString quoted = path;
        quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
        list += "file '" + quoted.toUtf8() + "'\n";
    }
    return list;
}

} // namespace mcd
