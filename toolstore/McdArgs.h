#pragma once
// "~tmpExtMcd.exe": the tools cut and join by stream copy with MEncoder command lines.
// This reads such a line and plans the ffmpeg runs that do the same job.
#include <QString>
#include <QStringList>

#include <optional>

namespace mcd {

struct Command {
    bool reencodeAudio = false; // -oac mp3lame
    int lameBitrate = 128;      // -lameopts br=N, kbit/s
    double start = -1;          // -ss, seconds; -1 when not given
    double length = -1;         // -endpos, seconds after -ss; -1 when not given
    QString output;             // -o
    QStringList inputs;
    QString error;              // what is wrong with the line; empty when it can be done
};

Command parseCommand(const QStringList& args);

// "[[hh:]mm:]ss[.ms]" as seconds; -1 when it is not a time.
double parseTime(const QString& text);

// The ffmpeg muxer for the -o file's extension (lower-cased); empty when unknown.
QString containerFor(const QString& outputPath);

// Where a stream-copy cut has to start so that the piece opens on the key frame at or
// before the wanted start.
struct KeyFrame {
    double pts = 0; // presentation time of the key frame, from the file start
    double dts = 0; // its decoding time: ffmpeg keeps the packets from here on
    double offset = 0; // the key frame's time on the picture's own clock (see below)
};
// One video packet as ffprobe lists it, times relative to the start of the file.
struct Packet {
    double pts;
    double dts;
    bool key;
};
// The key frame at or before start. The start counts on the picture's own clock, which
// begins at the first picture (firstPts, as the player counts frames), not at the file's
// start, which an earlier sound packet or a decoder delay can move. The first key frame
// when none is early enough; start itself when there are no key frames.
KeyFrame keyFrameAtOrBefore(const QList<Packet>& videoPackets, double start, double firstPts);

// The decoding time of the last video packet a copy keeps so that every picture shown
// before endPts is in it: with reordered pictures the last of them can come after a later
// one in the file, so a cut at a decoding time near the end leaves some out or takes too
// many. The packets may begin anywhere before the end; none when they do not reach past it.
std::optional<double> lastPacketToKeep(const QList<Packet>& decodeOrder, double endPts);

// Everything ffmpeg needs for one run.
struct Run {
    QString input;     // a file, or the concat list when concat is true
    bool concat = false;
    // The file's own timestamps throughout (-copyts): -ss and the lengths count on them.
    bool fileTimes = false;
    double inputSeek = -1; // -ss before -i (a timestamp of the file); -1 for none
    double seek = -1;  // output-side -ss; -1 for none
    double length = -1; // -t; -1 for none
    // Times on the output's clock (after -ss), for the copied packets: the sound's packets
    // before audioFrom and the pictures' packets decoded after videoUntil are left out.
    // They need the streams' time bases (seconds a tick), which the packets count in.
    std::optional<double> audioFrom;
    std::optional<double> videoUntil;
    double audioTick = 0;
    double videoTick = 0;
    bool videoOnly = false;
    QString output;
    QString format;    // -f
};

QStringList ffmpegArgs(const Command& cmd, const Run& run);

// The copy of one join input that the join reads instead: its first picture stream and its
// first sound stream, in that order whatever the order inside the file, in a container
// that records where the streams really end.
inline constexpr const char* joinPartFormat = "matroska";
QStringList joinPartArgs(const QString& input, const QString& output);

// The concat demuxer's list for the inputs, in order, with absolute paths.
QByteArray concatList(const QStringList& absoluteInputs);

} // namespace mcd
