#pragma once
// The player's state that the workspace reads and sets too. One instance of each, for
// the whole run.
#include <QString>
#include <array>

class QListWidget;

namespace mdlZorvoFLV {

enum PlayerStateId { Playing = 1, Paused = 4, Stopped = 5 };
enum PlayOriginId { OriginNone = 0, OriginList = 2, OriginSingle = 3 };

extern int playerState;          // 1 playing, 4 paused, 5 stopped
extern int playOrigin;           // 0 nothing, 2 from a list, 3 a single file
extern int listPlayMode;         // 0 single file, 1 repeat file, 2 repeat list, 3 random list
extern bool playFromBrowser;     // the file browser's list is the play source
extern QListWidget* playingList; // the playlist the current item came from
extern bool loadingMarks;
extern float secondsPerFrame;
extern int stepMode;             // 0 frames, 1 seconds, 2 percent
extern std::array<int, 3> stepValues;

} // namespace mdlZorvoFLV
