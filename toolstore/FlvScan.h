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

struct Lookup {
    bool ok = false;        // the file is an FLV with pictures and the walk reached the point
    double firstPts = 0;    // presentation time of the first picture, seconds
    QList<mcd::Packet> keys; // key frames from a little before the point to a little after it
    // Every picture from where the walk began to a little past endClock, in file order.
    QList<mcd::Packet> pictures;
    Index index = Index::None;
    QList<IndexEntry> entries; // the index; realDts filled for the entries the walk passed

    // The -ss (a timestamp, before -i) that makes ffmpeg land on the key frame at keyDts
    // or on one before it. ffmpeg seeks by the index's own times where there is one, and
    // goes back 3/23 s more when pictures are reordered.
    double seekTime(double keyDts) const;
};

// The key frames around `clock` seconds on the picture's clock (from the first picture),
// and the pictures up to a little past endClock when it is later.
// With a valid index only the tags from the index entry before the point are read;
// otherwise the tag headers from the start (16 bytes a tag).
Lookup keyFramesAround(const QString& file, double clock, double endClock = -1);

} // namespace flvscan
