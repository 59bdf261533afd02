#pragma once
// The frame clock the player gives a file, read from its container without a window: the
// length in frames and seconds its media device reports, and the seconds of one frame the
// marks are timed with. A mark text in frames means the same seconds here as in the player.
#include <QString>

namespace playerClock {

struct Clock {
    bool ok = false;          // the file opens as media
    int totalFrames = 0;      // the device's length in frames
    double totalSeconds = 0;  // the device's length in milliseconds, as the player keeps it
    float secondsPerFrame = 0;
};

Clock of(const QString& file);

} // namespace playerClock
