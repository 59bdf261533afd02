#pragma once
// Where the pictures of a file that a cut can start on lie: the presentation times of
// its key frames, read from the container alone (nothing is decoded). FLV goes through
// the metadata injector's tag walk; every other type through libavformat.
#include <QString>
#include <atomic>
#include <vector>

namespace keyframes {

struct Result {
    bool ok = false;
    QString error;             // why not, when !ok
    std::vector<double> times; // seconds on the player's clock (from the file's start), ascending
    double firstPicture = 0;   // time of the first picture on the same clock: the player's frame 0
};

// Reads the key frames of file; blocks for as long as that takes (a worker's job).
// A set cancel flag ends a read through libavformat early (with !ok).
Result read(const QString& file, const std::atomic<bool>* cancel = nullptr);

// The key frame at or before t, or the first one when t lies before it; -1 when there is none.
double atOrBefore(const std::vector<double>& times, double t);
// The player's frame (secondsPerFrame a frame, counted from the first picture) of the
// picture shown at t.
int frameOf(const Result& keys, double t, double secondsPerFrame);
// The frame of the nearest key frame before (direction < 0) or after (> 0) frame, or -1
// when there is none that way.
int stepFrame(const Result& keys, double secondsPerFrame, int frame, int direction);

} // namespace keyframes
