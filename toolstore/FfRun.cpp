#include "FfRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace ffrun {

namespace {
volatile std::sig_atomic_t g_terminate = 0;
void onTerm(int) { g_terminate = 1; }

// Tie the child's life to ours: when the runner kills us, ffmpeg goes too.
void setupChild()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}
} // namespace

void installTermHandler()
{
    struct sigaction sa {};
    sa.sa_handler = onTerm;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

bool terminationRequested() { return g_terminate != 0; }

int stallSecondsFromEnv(int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue("ZORVO_MCD_STALL_SECONDS", &ok);
    return ok && v > 0 ? v : fallback;
}

QString findTool(const QString& name) { return QStandardPaths::findExecutable(name); }

int run(const QString& program, const QStringList& args, const Options& options)
{
    if (program.isEmpty())
        return exitNotStarted;
    QProcess p;
    p.setChildProcessModifier(setupChild);
    p.setProcessChannelMode(options.watchProgress ? QProcess::ForwardedErrorChannel
                                                  : QProcess::ForwardedChannels);
    p.setStandardInputFile(QProcess::nullDevice());

    QEventLoop loop;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    QByteArray pending;
    QByteArray lastState;
    QByteArray block;
    bool stalled = false;

    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&p, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            loop.quit();
    });
    QObject::connect(&p, &QProcess::readyReadStandardOutput, &loop, [&] {
        pending += p.readAllStandardOutput();
        qsizetype nl;
        // A report is a block of key=value lines ending with "progress=…"; compare what
        // the output has reached, not the clock lines.
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(nl).trimmed();
            pending.remove(0, nl + 1);
            if (line.startsWith("total_size=") || line.startsWith("out_time_us=")
                || line.startsWith("frame=")) {
                block += line + ' ';
                if (line.startsWith("out_time_us=")) {
                    if (block != lastState) {
                        lastState = block;
                        sinceProgress.restart();
                    }
                    block.clear();
                }
            } else if (line == "progress=end") {
                sinceProgress.restart();
            }
        }
    });
    QTimer watch;
    watch.setInterval(250);
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (terminationRequested()) {
            loop.quit();
            return;
        }
        if (options.watchProgress && sinceProgress.elapsed() > options.stallSeconds * 1000LL) {
            stalled = true;
            loop.quit();
        }
    });

    p.start(program, args);
    watch.start();
    if (p.state() != QProcess::NotRunning || p.error() != QProcess::FailedToStart)
        while (p.state() != QProcess::NotRunning && !terminationRequested() && !stalled)
            loop.exec();
    watch.stop();

    if (p.error() == QProcess::FailedToStart)
        return exitNotStarted;
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(5000);
        return stalled ? exitStalled : exitTerminated;
    }
    if (p.exitStatus() == QProcess::CrashExit)
        return 128 + SIGKILL;
    return p.exitCode();
}

QByteArray capture(const QString& program, const QStringList& args, int timeoutMs)
{
    if (program.isEmpty())
        return {};
    QProcess p;
    p.setChildProcessModifier(setupChild);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
        return {};
    }
    return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}

} // namespace ffrun
