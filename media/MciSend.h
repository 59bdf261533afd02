#pragma once
// The media control interface of the platform: command strings in, a result code and a
// reply text out. MCI calls mciSendString only; the sender behind it can be swapped
// (tests install a recorder), the default one is the libmpv interpreter.
#include <QString>
#include <functional>

namespace media {

// Result codes (0 is success), numbered like the classic interface so that a code read
// in a log means the same thing.
enum MciError : int {
    MciOk = 0,
    MciErrInvalidDeviceId = 257,
    MciErrUnrecognizedKeyword = 259,
    MciErrUnrecognizedCommand = 261,
    MciErrHardware = 262,
    MciErrInvalidDeviceName = 263,
    MciErrDeviceOpen = 265,
    MciErrCannotLoadDriver = 266,
    MciErrMissingCommandString = 267,
    MciErrBadInteger = 270,
    MciErrMissingParameter = 273,
    MciErrUnsupportedFunction = 274,
    MciErrFileNotFound = 275,
    MciErrDeviceNotReady = 276,
    MciErrInternal = 277,
    MciErrOutOfRange = 282,
    MciErrInvalidFile = 296,
    MciErrNoWindow = 346,
};

// reply may be null (then replyLength is 0); a reply longer than replyLength - 1
// characters is cut, as a fixed buffer with its terminating NUL would cut it.
using MciSender = std::function<int(const QString& command, QString* reply, int replyLength)>;

int mciSendString(const QString& command, QString* reply = nullptr, int replyLength = 0);

// Installs a sender and returns the one it replaces; an empty sender restores the
// interpreter.
MciSender setMciSender(MciSender sender);

// The interpreter itself: one libmpv device per alias (MciInterpreter.cpp).
int mciInterpret(const QString& command, QString* reply, int replyLength);

} // namespace media
