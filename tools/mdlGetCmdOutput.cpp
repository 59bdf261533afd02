#include "tools/mdlGetCmdOutput.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/types.h>
#include <unistd.h>

namespace mdlGetCmdOutput {

namespace {

bool g_break = false;
qint64 g_pid = 0;
bool g_noSpace = false;
bool g_brokeOff = false;
bool g_stopped = false;

// How a run says that its disk is full: the C library's text for ENOSPC (ffmpeg and the
// front-ends print it as it stands), in English and in the locale the tools run in.
bool saysNoSpace(const QByteArray& output)
{
    static const QByteArray local = QByteArray(std::strerror(ENOSPC));
    return output.contains("No space left on device") || (!local.isEmpty() && output.contains(local));
}

// The loop of the run under way, so that the break button can wake it at once.
QPointer<QEventLoop> g_waitLoop;

// A front-end starts ffmpeg below itself: the child leads a process group of its own so
// that a break ends the whole tree.
void ownProcessGroup() { setpgid(0, 0); }

void signalGroup(qint64 pid, int sig)
{
    if (pid > 0)
        ::kill(static_cast<pid_t>(-pid), sig);
}

} // namespace

void requestBreak()
{
    g_break = true;
    g_brokeOff = true;
    if (g_waitLoop)
        g_waitLoop->quit();
}

bool breakRequested() { return g_break; }
bool brokeSinceClear() { return g_brokeOff; }

void stopJob()
{
    g_stopped = true;
    requestBreak();
}
qint64 runningChildPid() { return g_pid; }

QString getCmdOutput(const QString& cmdLine)
{
    // One child at a time: an event handled inside the wait (any control of a window that
    // is still visible) cannot start a second one.
    if (g_pid != 0)
        return QString();
    if (g_stopped) {
        g_break = false;
        return QString();
    }
    // A line that opens with a blank has lost its program (a tool path left empty when no
    // safe temporary folder was found): its first option must not be started instead.
    if (cmdLine.isEmpty() || cmdLine.front().isSpace()) {
        g_break = false;
        return QString();
    }
    const QStringList args = splitCommandLine(cmdLine);
    QByteArray collected;
    if (args.isEmpty()) {
        g_break = false;
        return QString();
    }

    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setStandardInputFile(QProcess::nullDevice());
    child.setChildProcessModifier(ownProcessGroup);

    QEventLoop loop;
    QObject::connect(&child, &QProcess::readyReadStandardOutput, &loop,
                     [&] { collected += child.readAllStandardOutput(); });
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&child, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            loop.quit();
    });

    child.start(args.first(), args.mid(1), QIODevice::ReadOnly);
    if (child.waitForStarted(30000)) {
        g_pid = child.processId();
        QPointer<QEventLoop> outer = g_waitLoop;
        g_waitLoop = &loop;
        // Sleeps in the event loop until output, the exit or the break wakes it.
        while (child.state() != QProcess::NotRunning && !g_break)
            loop.exec();
        if (child.state() != QProcess::NotRunning) {
            // Ask first, so that a front-end can take its work files with it; then make sure.
            signalGroup(g_pid, SIGTERM);
            QTimer grace;
            grace.setSingleShot(true);
            QObject::connect(&grace, &QTimer::timeout, &loop, [&] {
                signalGroup(g_pid, SIGKILL);
                child.kill();
            });
            grace.start(3000);
            while (child.state() != QProcess::NotRunning)
                loop.exec();
            // Whatever the group left behind (a grandchild that ignored the request) goes too.
            signalGroup(g_pid, SIGKILL);
        }
        g_waitLoop = outer;
        g_pid = 0;
        collected += child.readAllStandardOutput();
        QCoreApplication::processEvents();
    }
    g_break = false;
    if (saysNoSpace(collected))
        g_noSpace = true;
    return QString::fromLocal8Bit(collected);
}

void runCmdWait(const QString& cmdLine) { (void)getCmdOutput(cmdLine); }

bool noSpaceReported() { return g_noSpace; }
void clearNoSpace()
{
    g_noSpace = false;
    g_brokeOff = false;
    g_stopped = false;
}

} // namespace mdlGetCmdOutput
