#pragma once
// The mark list editor's lines without a widget: a line is "　从 " + start + " 到 " + end,
// both times "hh:mm:ss.ss". The page shows them, checks what the user typed against the
// total length, and reads lines back as frames for the player's marks.
#include <QString>

namespace mdlMarkList {

inline const QString zeroTime = QStringLiteral("00:00:00.00");

// The wildcard pattern "##:[0-5]#:[0-5]#.##" ("#" one digit), over the whole text.
bool matchesTimePattern(const QString& text);

QString rangeLine(const QString& startTime, const QString& endTime);

// The two time texts of a line; both "00:00:00.00" when it holds no " 到 ".
void splitRangeLine(const QString& line, QString& rngStart, QString& rngEnd);
// The two frames of a line (seconds / secondsPerFrame); -1 and -1 for an empty line, a
// line without " 到 ", a time that does not read, or no usable secondsPerFrame.
void splitRangeFrames(const QString& line, float secondsPerFrame, float& rngStart, float& rngEnd);

// Why a typed range is refused, or empty when it may go into the list. The times are
// compared as text with the total, which orders them while all have two-digit hours.
QString rangeRefusal(const QString& startTime, const QString& endTime, const QString& totalTime);

inline const QString badFormatMessage = QStringLiteral("输入的时间不符合格式要求！");
inline const QString pastLengthMessage = QStringLiteral("时间超过此档案的播放长度！");
inline const QString endBeforeStartMessage = QStringLiteral("结束时间必须在开始时间之后！");

} // namespace mdlMarkList
