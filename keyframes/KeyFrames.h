#pragma once
// Where the pictures of a file that a cut can start on lie: the presentation times of
// its key frames, read from the container alone (nothing is decoded). FLV goes through
// the metadata injector's tag walk; every other type through libavformat.
#include <QString>
#include <vector>

namespace keyframes {

struct Result {
    bool ok = false;
    QString error;             // why not, when !ok
    std::vector<double> times; // seconds on the player's clock (from the file's start), ascending
};

// Reads the key frames of file; blocks for as long as that takes (a worker's job).
Result read(const QString& file);

// The key frame at or before t, or the first one when t lies before it; -1 when there is none.
double atOrBefore(const std::vector<double>& times, double t);
// The player's frame (secondsPerFrame a frame) at which the picture shown at t appears.
int frameOf(double t, double secondsPerFrame);
// The frame of the nearest key frame before (direction < 0) or after (> 0) frame, or -1
// when there is none that way.
int stepFrame(const std::vector<double>& times, double secondsPerFrame, int frame, int direction);

} // namespace keyframes
