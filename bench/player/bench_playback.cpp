// Playback cost against the mpv program on the same display (run it under Xvfb or on a
// desktop; it prints figures and ratios and asserts nothing):
//   bench_playback [seconds]     (15 by default)
// For a 1080p30 H.264 clip and a 640x360 FLV it prints the CPU seconds per second of
// playback of the player window and of `mpv --vo=x11`, whether each kept real time (its
// position advanced as fast as the clock), the CPU share while paused, and the time from
// process start to the first frame (the median of several starts of each).
// The player runs in a child process ("--child clip w h seconds") that brings up the real
// player window on the clip and reports on its standard output; mpv is asked over its
// IPC socket. Both processes' CPU time is read from /proc by this parent.
#include "app/PlayerState.h"
#include "media/MpvDevice.h"
#include "player/frmMain.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kPausedSeconds = 5.0;
constexpr int kFirstFrameRuns = 7;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Lets the event loop run for a while without a loop of its own that wakes every few
// milliseconds (which would be counted as the player's CPU time).
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Clip {
    const char* name;
    const char* file;
    int width, height;
    QStringList make; // ffmpeg arguments between the input and the output
};

// CPU seconds (user + system) a process has used so far; -1 when it is gone.
double cpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = f.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    // Fields 14 and 15 of the line (utime, stime), counted after the command name.
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / double(::sysconf(_SC_CLK_TCK));
}

struct Result {
    double firstFrameMs = -1;
    double cpuPerSecond = -1;
    double clockRatio = -1; // position advanced / wall time
    double pausedShare = -1;
};

// ---- the player, in a child process ------------------------------------------------------

int child(int argc, char** argv)
{
    QElapsedTimer phase;
    phase.start();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const bool phases = qEnvironmentVariableIsSet("ZORVO_BENCH_PHASES");
    const auto mark = [&](const char* what) {
        if (phases)
            std::fprintf(stderr, "  %-12s %6.1f ms after main\n", what, phase.nsecsElapsed() / 1e6);
    };
    mark("application");
    const QString clip = QString::fromLocal8Bit(argv[2]);
    media::prepareVideoDevice(clip); // as the program does for a file on its command line
    const int w = atoi(argv[3]), h = atoi(argv[4]);
    const double seconds = atof(argv[5]);
    QTemporaryDir folder;
    ui::ScriptedAnswers answers; // a machine without a mixer says so; nobody is there to click

    frmMain window;
    mark("window");
    window.setSettingsFolder(folder.path());
    window.Form_Load(clip);
    mark("loaded");
    QElapsedTimer t;
    t.start();
    while (window.mci().getCurFrame() < 1 && t.elapsed() < 20000)
        QTest::qWait(1);
    mark("first frame");
    std::printf("first-frame\n");
    std::fflush(stdout);
    // The video area at the size asked for (the panel and the menu below and above it).
    window.resize(window.width() + w - window.videoAreaWidth, window.height() + h - window.videoAreaHeight);
    runFor(500);

    const double fps = window.mci().getFramesPerSecond();
    const int from = window.mci().getCurFrame();
    QElapsedTimer wall;
    wall.start();
    std::printf("start\n");
    std::fflush(stdout);
    runFor(int(seconds * 1000));
    const int to = window.mci().getCurFrame();
    std::printf("stop %.4f\n", (to - from) / fps / (wall.nsecsElapsed() / 1e9));
    std::fflush(stdout);
    window.mbPause_Click();
    std::printf("paused\n");
    std::fflush(stdout);
    runFor(int(kPausedSeconds * 1000) + 500);
    window.mnuEnd_Click(1);
    return 0;
}

// Reads lines from the child until one starts with word; the rest of that line.
std::optional<QByteArray> waitForLine(QProcess& p, QByteArray& buffer, const QByteArray& word, int ms)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        for (qsizetype nl; (nl = buffer.indexOf('\n')) >= 0;) {
            const QByteArray line = buffer.left(nl);
            buffer.remove(0, nl + 1);
            if (line.startsWith(word))
                return line.mid(word.size()).trimmed();
        }
        if (t.elapsed() > ms || p.state() == QProcess::NotRunning)
            return std::nullopt;
        p.waitForReadyRead(50);
        buffer += p.readAllStandardOutput();
    }
}

Result runPlayer(const QString& clip, int w, int h, double seconds)
{
    Result r;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--child"), clip, QString::number(w), QString::number(h), QString::number(seconds)});
    QByteArray buffer;
    if (!waitForLine(p, buffer, "first-frame", 30000))
        return r;
    r.firstFrameMs = t.nsecsElapsed() / 1e6;
    if (!waitForLine(p, buffer, "start", 30000))
        return r;
    const double cpu0 = cpuSeconds(p.processId());
    QElapsedTimer wall;
    wall.start();
    const auto ratio = waitForLine(p, buffer, "stop", int(seconds * 1000) + 30000);
    const double cpu1 = cpuSeconds(p.processId());
    const double elapsed = wall.nsecsElapsed() / 1e9;
    if (!ratio)
        return r;
    r.cpuPerSecond = (cpu1 - cpu0) / elapsed;
    r.clockRatio = ratio->toDouble();
    if (waitForLine(p, buffer, "paused", 30000)) {
        QThread::msleep(300);
        const double c0 = cpuSeconds(p.processId());
        QThread::msleep(qint64(kPausedSeconds * 1000));
        r.pausedShare = (cpuSeconds(p.processId()) - c0) / kPausedSeconds;
    }
    p.waitForFinished(30000);
    return r;
}

// Process start to the first frame of the player; the child is ended right after it.
double playerFirstFrame(const QString& clip)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), clip, QStringLiteral("320"),
                                                      QStringLiteral("240"), QStringLiteral("1")});
    QByteArray buffer;
    const bool seen = waitForLine(p, buffer, "first-frame", 30000).has_value();
    const double ms = t.nsecsElapsed() / 1e6;
    p.kill();
    p.waitForFinished(10000);
    return seen ? ms : -1;
}

// ---- the mpv program ----------------------------------------------------------------------

class MpvIpc {
public:
    bool connect(const QString& path, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            socket_.connectToServer(path);
            if (socket_.waitForConnected(100))
                return true;
            QThread::msleep(2);
        }
        return false;
    }
    std::optional<double> number(const char* property)
    {
        const QJsonValue v = ask(QJsonArray{QStringLiteral("get_property"), QString::fromLatin1(property)});
        if (!v.isDouble())
            return std::nullopt;
        return v.toDouble();
    }
    void set(const char* property, const QJsonValue& value)
    {
        ask(QJsonArray{QStringLiteral("set_property"), QString::fromLatin1(property), value});
    }

private:
    QJsonValue ask(const QJsonArray& command)
    {
        const int id = ++id_;
        QJsonObject o{{QStringLiteral("command"), command}, {QStringLiteral("request_id"), id}};
        socket_.write(QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n');
        socket_.flush();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            while (socket_.canReadLine()) {
                const QJsonObject reply = QJsonDocument::fromJson(socket_.readLine()).object();
                if (reply.value(QStringLiteral("request_id")).toInt() == id)
                    return reply.value(QStringLiteral("data"));
            }
            socket_.waitForReadyRead(20);
        }
        return QJsonValue();
    }
    QLocalSocket socket_;
    int id_ = 0;
};

// The first frame is out once the clock has moved past the first picture.
double mpvFirstFrame(MpvIpc& m, const QElapsedTimer& t)
{
    std::optional<double> first;
    while (t.elapsed() < 30000) {
        const auto pos = m.number("time-pos");
        if (pos && !first)
            first = *pos;
        if (pos && first && *pos > *first)
            break;
        QThread::msleep(1);
    }
    return t.nsecsElapsed() / 1e6;
}

Result runMpv(const QString& mpv, const QString& clip, int w, int h, double seconds, bool firstOnly = false)
{
    Result r;
    QTemporaryDir dir;
    const QString ipc = dir.filePath(QStringLiteral("ipc"));
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(mpv, {QStringLiteral("--no-config"), QStringLiteral("--vo=x11"), QStringLiteral("--ao=pulse,alsa,null"),
                  QStringLiteral("--no-terminal"), QStringLiteral("--keep-open=yes"),
                  QStringLiteral("--geometry=%1x%2").arg(w).arg(h), QStringLiteral("--input-ipc-server=") + ipc, clip});
    MpvIpc m;
    if (!m.connect(ipc, 30000))
        return r;
    r.firstFrameMs = mpvFirstFrame(m, t);
    if (firstOnly) {
        p.kill();
        p.waitForFinished(10000);
        return r;
    }
    QThread::msleep(500);
    const double pos0 = m.number("time-pos").value_or(0);
    const double cpu0 = cpuSeconds(p.processId());
    QElapsedTimer wall;
    wall.start();
    QThread::msleep(qint64(seconds * 1000));
    const double pos1 = m.number("time-pos").value_or(0);
    const double cpu1 = cpuSeconds(p.processId());
    const double elapsed = wall.nsecsElapsed() / 1e9;
    r.cpuPerSecond = (cpu1 - cpu0) / elapsed;
    r.clockRatio = (pos1 - pos0) / elapsed;
    m.set("pause", true);
    QThread::msleep(300);
    const double c0 = cpuSeconds(p.processId());
    QThread::msleep(qint64(kPausedSeconds * 1000));
    r.pausedShare = (cpuSeconds(p.processId()) - c0) / kPausedSeconds;
    p.terminate();
    p.waitForFinished(10000);
    return r;
}

// ---- clips and the report -----------------------------------------------------------------

QString makeClip(const QString& folder, const Clip& c, double seconds)
{
    const QString out = folder + u'/' + QString::fromLatin1(c.file);
    if (QFileInfo::exists(out))
        return out;
    QStringList args{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                     QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("testsrc2=size=%1x%2:rate=30").arg(c.width).arg(c.height), QStringLiteral("-f"),
                     QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=440:sample_rate=44100"),
                     QStringLiteral("-t"), QString::number(seconds + 5)};
    args << c.make << out + QStringLiteral(".part.") + QFileInfo(out).suffix();
    std::printf("making %s ...\n", c.file);
    std::fflush(stdout);
    if (QProcess::execute(QStringLiteral("ffmpeg"), args) != 0)
        return QString();
    QFile::rename(out + QStringLiteral(".part.") + QFileInfo(out).suffix(), out);
    return out;
}

void report(const char* who, const Result& r)
{
    std::printf("  %-7s first frame %7.1f ms   CPU %.3f s/s   real time %s (%.3f)   paused CPU %.2f %%\n", who,
                r.firstFrameMs, r.cpuPerSecond, r.clockRatio >= 0.97 ? "kept" : "LOST", r.clockRatio,
                r.pausedShare * 100);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return argc > 5 ? child(argc, argv) : 2;
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "bench_playback needs a display (xvfb-run -a -s '-screen 0 1920x1200x24' ...)\n");
        return 2;
    }
    const double seconds = argc > 1 ? std::max(1.0, atof(argv[1])) : 15.0;
    const QString mpv = QStandardPaths::findExecutable(QStringLiteral("mpv"));
    if (mpv.isEmpty())
        std::fprintf(stderr, "the mpv program is missing: only the player is measured\n");
    const QString folder = QStringLiteral(ZORVO_BENCH_MEDIA_DIR);
    QDir().mkpath(folder);
    const Clip clips[] = {
        {"1080p30 H.264", "bench_1080p30.mp4", 1920, 1080,
         {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"), QStringLiteral("veryfast"),
          QStringLiteral("-g"), QStringLiteral("60"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
          QStringLiteral("-c:a"), QStringLiteral("aac")}},
        {"640x360 FLV", "bench_640x360.flv", 640, 360,
         {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-g"), QStringLiteral("60"),
          QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-c:a"), QStringLiteral("aac")}},
    };
    for (const Clip& c : clips) {
        const QString file = makeClip(folder, c, seconds);
        if (file.isEmpty()) {
            std::fprintf(stderr, "could not make %s\n", c.file);
            continue;
        }
        // 1080p is shown in a 960x540 area (a window on a usual screen), the small clip
        // at its own size.
        const int w = c.width > 1000 ? c.width / 2 : c.width, h = c.width > 1000 ? c.height / 2 : c.height;
        std::printf("%s, %.0f s in a %dx%d area:\n", c.name, seconds, w, h);
        const Result player = runPlayer(file, w, h, seconds);
        report("player", player);
        if (mpv.isEmpty())
            continue;
        const Result peer = runMpv(mpv, file, w, h, seconds);
        report("mpv", peer);
        // One start is noisy on a shared machine: the first frame is the median of several,
        // the two programs taking turns.
        std::vector<double> ours, theirs;
        for (int i = 0; i < kFirstFrameRuns; ++i) {
            ours.push_back(playerFirstFrame(file));
            theirs.push_back(runMpv(mpv, file, w, h, 0, true).firstFrameMs);
        }
        const double a = median(ours), b = median(theirs);
        std::printf("  first frame, median of %d starts: player %.1f ms, mpv %.1f ms\n", kFirstFrameRuns, a, b);
        std::printf("  ratios player/mpv: CPU %.2f   first frame %.2f   paused CPU %.2f\n",
                    player.cpuPerSecond / peer.cpuPerSecond, a / b,
                    peer.pausedShare > 0 ? player.pausedShare / peer.pausedShare : 0.0);
        std::fflush(stdout);
    }
    return 0;
}
