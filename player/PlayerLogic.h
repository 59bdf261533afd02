#pragma once
// What the player window computes without touching a widget: video fitting, step
// amounts and their captions, speeds, the progress text, list stepping and the seek
// bar's arithmetic.
#include <QString>
#include <array>
#include <optional>

namespace playerLogic {

// ---- Video sizing ------------------------------------------------------------------------

// Fits a media size (w, h: in and out) into a box keeping its aspect ratio. A media
// without a picture size counts as 320 x 10.
void getMediaNewSize(int boxWidth, int boxHeight, int& w, int& h);

// ---- Stepping ----------------------------------------------------------------------------

enum StepModeId { StepFrames = 0, StepSeconds = 1, StepPercent = 2 };

struct StepPlan {
    int frames = 0;      // how far to move
    bool pauses = false; // the step leaves the player paused
};

// How far one step goes: by the current mode (useMode) or by the frame value (arrow keys).
StepPlan stepAmount(bool useMode, int stepMode, const std::array<int, 3>& stepValues,
                    double framesPerSecond, int totalFrames);

struct StepTarget {
    int frame = 0;
    bool hitEnd = false; // stopped at the first or last frame: the player pauses there
};

// The frame a step from cur lands on, kept inside the file.
StepTarget stepTarget(int cur, int amount, int direction, int totalFrames);

// "使用秒数模式 ( 12 秒 )"
QString stepCaption(int mode, int value);
// The prompt of the custom step value.
QString stepValuePrompt(int mode);
// A typed step value: 1..100 after rounding; nullopt when outside (a text that is no
// number reads as 0).
std::optional<int> parseStepValue(const QString& text);
inline const QString stepValueError = QStringLiteral("你输入了错误范围的模式数值！");

// The tooltips of the backward and forward buttons.
QString backwardToolTip(int stepMode, const std::array<int, 3>& stepValues);
QString forwardToolTip(int stepMode, const std::array<int, 3>& stepValues);

// ---- Speed -----------------------------------------------------------------------------

inline constexpr int speedItemCount = 9;  // items 0..8 of the speed menu
inline constexpr int customSpeedItem = 10;
inline constexpr int normalSpeedItem = 4;
int speedOfItem(int index);               // per-mille: 100 .. 2000
QString speedCaption(int index);          // "10% 播放速度" .. "自订播放速度"
QString customSpeedPrompt();
// A typed speed in percent, 1..200, as per-mille; nullopt when outside.
std::optional<int> parseCustomSpeed(const QString& text);
inline const QString customSpeedError = QStringLiteral("你输入了错误范围的播放速度！");

// ---- Status line -----------------------------------------------------------------------

// "正在播放，进度 N ％，播速 M ％" ("暂停…" while paused). fraction is 0..1 of the file.
QString progressText(bool paused, double fraction, int speedPerMille);

// The text of the box shown when a file cannot be played; withHelp tells whether it
// offers the FLV help (OK and Cancel) or only OK.
QString playErrorText(const QString& fn, const QString& headMsg, bool& withHelp);

// ---- Lists -----------------------------------------------------------------------------

// The next (direction 1) or previous (any other) index, wrapping at both ends; -1 for an
// empty list.
int moveListIndex(int direction, int index, int count);

// ---- Seek bar ----------------------------------------------------------------------------

// Left edge of the thumb centred on frame f.
int thumbLeftForFrame(double hsbScale, int frame, int thumbWidth, int trackLeft);
// The frame under a position on the track (track units).
int frameAtTrackX(double x, double hsbScale);
// A drag position of the thumb kept on the track.
int clampToTrack(double pos, int trackLeft, int trackWidth);

// ---- Saving a copy -----------------------------------------------------------------------

// The save dialog's filter for a copy of a file with extension ext (lower case):
// "FLV 档案格式(*.flv)|*.flv", or "预设清单档(*.plt)|*.plt" for a playlist file.
QString saveFileFilter(const QString& ext);
// Copies source to target through a temporary file beside target that replaces it only
// when complete; false, with target untouched, when anything fails. A copy onto the
// source itself succeeds without touching it.
bool copyFileSafely(const QString& source, const QString& target);

} // namespace playerLogic
