#pragma once
// "~tmpExtFmg.exe": the command lines of the tools were written for an FFmpeg build of
// long ago. Today's ffmpeg reads a codec option before "-i" as an input option ("Unknown
// decoder 'copy'") and a bare bit rate as bits a second; the tools mean the output and
// kbit/s. This turns such a command line into one for the installed ffmpeg: the snapshot
// line's numbered picture becomes one picture of its own type at the moment asked for,
// and an audio value that the container's default codec cannot take becomes the nearest
// one it can.
#include <QStringList>

namespace fmg {

// Arguments after the program name, old style in, today's style out (without "ffmpeg").
QStringList translateFfmpegArgs(const QStringList& oldArgs);

// For a one-picture run (translated) whose moment lies after the last frame that starts
// at or after it, the picture shown then is the last frame before the moment: the
// arguments that write that frame under the first name of the series. Empty for any
// other run.
QStringList lastPictureArgs(const QStringList& translated);
// The first name of a numbered picture series ("~tmpSP%03d.gif" -> "~tmpSP001.gif").
QString firstPictureName(const QString& pattern);

// "200" -> "200k"; a value with a unit or anything else stays as it is.
QString kbitValue(const QString& value);

} // namespace fmg
