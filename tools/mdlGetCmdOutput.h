#pragma once
// Runs one tool command line at a time as a hidden child and waits for it while the
// interface (and so the break button) stays alive.
#include <QString>
#include <QStringList>

#include "app/CommandLine.h"

namespace mdlGetCmdOutput {

// How the tool lines are split into arguments, and a path quoted for them.
using cmdline::quoteArgument;
using cmdline::splitCommandLine;

// Runs the line to its end, or until the break, and returns what the child wrote to its
// standard output and error, in order. Empty when nothing could be started.
QString getCmdOutput(const QString& cmdLine);

// getCmdOutput without the text: how every tool run is made.
void runCmdWait(const QString& cmdLine);

// Whether a run since clearNoSpace said that its disk was full (ENOSPC). Every job clears
// it as it shows the progress window.
bool noSpaceReported();
void clearNoSpace();

// The break flag: set by the break button, read by the wait, cleared after each run.
void requestBreak();
bool breakRequested();
// Whether a break came since clearNoSpace.
bool brokeSinceClear();
// A break after which no further run starts until clearNoSpace: the job ends with what it
// has instead of going on with its next run (a signal to the command-line program).
void stopJob();

// Set while a child runs (tests look at it).
qint64 runningChildPid();

} // namespace mdlGetCmdOutput
