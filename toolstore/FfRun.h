#pragma once
// Running the installed ffmpeg from the front-ends: one child, output passed on to our
// own, and the child never outlives us.
#include <QString>
#include <QStringList>

namespace ffrun {

// Exit codes of our own, beside ffmpeg's.
inline constexpr int exitNotStarted = 127;
inline constexpr int exitStalled = 124;
inline constexpr int exitTerminated = 143;

// The program of that name on PATH; empty when there is none.
QString findTool(const QString& name);

struct Options {
    // Read ffmpeg's -progress report from its standard output and kill it when nothing in
    // it moves for stallSeconds. Without it, both of ffmpeg's channels are passed on.
    bool watchProgress = false;
    int stallSeconds = 60;
};

// Runs the program to its end and returns its exit code (or one of ours above). A
// SIGTERM to us ends the child first.
int run(const QString& program, const QStringList& args, const Options& options);

// Starts a program quietly and returns its standard output (empty on failure).
QByteArray capture(const QString& program, const QStringList& args, int timeoutMs = 120000);

// Installs the SIGTERM handler that run() looks at.
void installTermHandler();
bool terminationRequested();

// ZORVO_MCD_STALL_SECONDS, when set to a positive number, else the default.
int stallSecondsFromEnv(int fallback);

} // namespace ffrun
