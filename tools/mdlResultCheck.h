#pragma once
// Looks at what a tool job made before the job calls it a success: the tools are judged by
// more than a file that is there and not empty, because a re-mux that stopped half-way, a
// join of files that do not fit together or a full disk all leave such a file. Reads the
// container with libavformat, packet by packet, without decoding.
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

namespace mdlResultCheck {

// What a media file holds, as far as the container tells without decoding.
struct Probe {
    bool opened = false;
    bool hasVideo = false; // a moving picture (a cover picture does not count)
    bool hasAudio = false;
    double seconds = 0;     // from the first to the last timestamp of the packets read
    double keyInterval = 0; // the longest stretch between two key frames of the picture
    QString backwards;      // the stream kind whose timestamps ran backwards, or empty
    double backwardsAt = 0; // where, in seconds
};

// Opens the file and reads all its packets. A file that cannot be opened gives opened false.
Probe probe(const QString& file);

// The properties a join compares, from the container's stream parameters.
struct Streams {
    bool opened = false;
    QString videoCodec; // empty: no picture
    int width = 0, height = 0;
    double frameRate = 0;
    QString audioCodec; // empty: no sound
    int sampleRate = 0;
    int channels = 0;
};
Streams streamsOf(const QString& file);

// What a result must be: its length within tolerance of seconds, or up to longer beyond
// that (a piece that starts on an earlier key frame and ends on a whole second). seconds
// below 0: the length is not checked.
struct Expect {
    bool video = false;
    bool audio = false;
    double seconds = -1;
    double tolerance = 1;
    double longer = 0;
};

// A result made from source by copying its streams: the same kinds of streams.
Expect sameKindsAs(const Probe& source, double seconds, double tolerance);
// Pieces copied from source for the ranges (start and end seconds) one after the other:
// as long as the ranges within the source, give or take a second, and up to one key-frame
// interval and one second longer for each (the cut's start on the key frame at or before
// a whole second, its end on the next whole second).
Expect piecesOf(const Probe& source, const std::vector<std::pair<double, double>>& ranges);

// Empty when file is what expect asks; otherwise the line that says what is wrong.
QString checkMedia(const QString& file, const Expect& expect);
// Empty when file is a picture that opens and is not empty; otherwise what is wrong.
QString checkPicture(const QString& file);

// Whether the disk of folder ran out while the job wrote: a run reported ENOSPC, or less
// room is left than the job wrote (written, in bytes).
bool diskFull(const QString& folder, qint64 written);
// The line that names a full disk.
QString diskFullLine();

// Why a job's result is not good, at the end of its runs (before it clears its files):
// a full disk first; otherwise, when the runs made the result (made, not empty), what
// check finds. Empty when the result is good, or when the runs failed for another reason.
QString judge(bool made, const QString& result, const std::function<QString()>& check);

// The job's failure message with the line that says what went wrong, when there is one.
QString withReason(const QString& failure, const QString& reason);

// The join's check before it runs: the first item (from 1 on) whose streams differ from
// item 0's in video codec, picture size, frame rate, audio codec, sample rate or channels,
// or -1. message gets the one message that says which property differs from which item.
int firstMismatch(const QStringList& items, QString* message);

} // namespace mdlResultCheck
