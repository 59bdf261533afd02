#include "app/PlayerState.h"

namespace mdlZorvoFLV {

int playerState = Stopped;
int playOrigin = OriginNone;
int listPlayMode = 0;
bool playFromBrowser = false;
QListWidget* playingList = nullptr;
bool loadingMarks = false;
float secondsPerFrame = 1.0f;
int stepMode = 1;
std::array<int, 3> stepValues{5, 5, 5};

} // namespace mdlZorvoFLV
