#pragma once
// Key frames of an FLV near a point in time, read from the tag headers alone: a cut near
// the end of a large file must not read the file up to there to find where to begin.
#include "McdArgs.h"

#include <QList>
#include <QString>

namespace flvscan {

// How far the file's own key-frame index (onMetaData keyframes) can be trusted.
enum class Index {
    None,    // there is none: ffmpeg finds key frames by reading from the start
    Valid,   // its positions name key frames in order; its times may be rounded or wrong
    Invalid, // it names places that are no key frames, or times out of order: seeking by
             // it can land past the key frame
};

// The keyframes object of an onMetaData body: times (s) and file positions, paired.
struct IndexEntry {
    double time;
    qint64 pos;
    double realDts = -1; // the key frame's own time, once its tag has been read
};
QList<IndexEntry> parseKeyframeIndex(const QByteArray& scriptData);

// Where a copy from one key frame can have its input begin: the key frame's tag, or the
// sound tags just before it that belong after it; and the latest codec headers before it
// (offset and length of the tag, -1 for none), which its pictures and sound are coded by.
struct KeyPlace {
    qint64 readFrom = -1;
    qint64 videoHeader = -1, videoHeaderSize = 0;
    qint64 audioHeader = -1, audioHeaderSize = 0;
};

// A video tag of the file: where it lies, its decoding time, whether it is a picture.
struct VideoTag {
    qint64 pos = 0, end = 0;
    double dts = 0;
    bool picture = false;
};

struct Lookup {
    bool ok = false;        // the file is an FLV with pictures and the walk reached the point
    double firstPts = 0;    // presentation time of the first picture, seconds
    QList<mcd::Packet> keys; // key frames from a little before the point to a little after it
    QList<KeyPlace> places;  // one for each of keys
    // The file's head: its header and the tags before the first picture or sound (the
    // metadata, the codec headers), which a reader wants before any frame.
    qint64 headEnd = -1;
    // The video tags of the last seconds before endClock and past it, in file order.
    QList<VideoTag> videoNearEnd;
    // Every picture from where the walk began to a little past endClock, in file order.
    QList<mcd::Packet> pictures;
    Index index = Index::None;
    QList<IndexEntry> entries; // the index; realDts filled for the entries the walk passed

    // The -ss (a timestamp, before -i) that makes ffmpeg land on the key frame at keyDts
    // or on one before it. ffmpeg seeks by the index's own times where there is one, and
    // goes back 3/23 s more when pictures are reordered.
    double seekTime(double keyDts) const;

    // An ffmpeg input that is the file without the tags before the key frame at keyDts:
    // its head, the codec headers in force there and everything from the key frame on,
    // joined by ffmpeg's concat and subfile protocols. A file without a usable index
    // would otherwise be read by ffmpeg from its start up to the key frame.
    // The pictures decoded after dropAfter and before dropBefore (file times, seconds)
    // are left out as well: what a filter on every packet would otherwise remove.
    // Empty when there is nothing to leave out, when the path cannot be put in such an
    // input, or when a video tag there that is no picture would have to be left out.
    QString inputFrom(const QString& file, double keyDts, double dropAfter = 1e300, double dropBefore = 1e300) const;
};

// The key frames around `clock` seconds on the picture's clock (from the first picture),
// and the pictures up to a little past endClock when it is later.
// With a valid index only the tags from the index entry before the point are read;
// otherwise the tag headers from the start (16 bytes a tag).
Lookup keyFramesAround(const QString& file, double clock, double endClock = -1);

} // namespace flvscan
