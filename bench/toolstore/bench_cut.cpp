// A 10 s cut near the start and near the end of an FLV of about 1 GB, with and without a
// key-frame index, through ~tmpExtMcd.exe against `ffmpeg -ss X -i big.flv -t 10 -c copy`
// in the same run: wall time, bytes read (rchar of /proc/PID/io) and processor time, each
// with the children included. The two files are made once into the build folder.
// Usage: bench_cut [RUNS].
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <utility>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const QString bin = QString::fromUtf8(ZORVO_BIN_DIR);
const QString ffmpeg = QString::fromUtf8(ZORVO_FFMPEG);
const QString mediaDir = QString::fromUtf8(ZORVO_BENCH_DIR);

bool runQuiet(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

struct Cost {
    double ms = 0;
    double mb = 0;
    double cpuMs = 0; // user + system time
};

// A shell waits for the command and so collects the reads of it and of every child it
// waited for; it then prints its own /proc/PID/io. The processor time is that of the
// shell and all it waited for (getrusage of the shell): on a machine shared with other
// work the wall time swings with their load, the processor time much less.
Cost measure(const QString& program, const QStringList& args)
{
    std::vector<QByteArray> argv{"/bin/sh", "-c", "\"$0\" \"$@\" >/dev/null 2>&1; cat /proc/$$/io", program.toLocal8Bit()};
    for (const QString& a : args)
        argv.push_back(a.toLocal8Bit());
    std::vector<char*> cargv;
    for (QByteArray& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0)
        return {};
    QElapsedTimer t;
    t.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::execv(cargv[0], cargv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    QByteArray text;
    char buf[4096];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, n);
    ::close(out[0]);
    struct rusage ru {};
    int status = 0;
    ::wait4(pid, &status, 0, &ru);
    Cost c;
    c.ms = t.nsecsElapsed() / 1e6;
    c.cpuMs = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith("rchar:"))
            c.mb = line.mid(6).trimmed().toDouble() / 1e6;
    return c;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The two commands take turns, so that a busy moment of the (shared) machine falls on
// both alike rather than on all the runs of one.
std::pair<Cost, Cost> medians(int rounds, const QString& a, const QStringList& aArgs, const QString& b,
                              const QStringList& bArgs)
{
    std::vector<Cost> x, y;
    for (int i = 0; i < rounds; ++i) {
        x.push_back(measure(a, aArgs));
        y.push_back(measure(b, bArgs));
    }
    auto of = [](const std::vector<Cost>& v) {
        std::vector<double> ms, mb, cpu;
        for (const Cost& c : v) {
            ms.push_back(c.ms);
            mb.push_back(c.mb);
            cpu.push_back(c.cpuMs);
        }
        return Cost{median(ms), median(mb), median(cpu)};
    };
    return {of(x), of(y)};
}

double durationOf(const QString& file)
{
    QProcess p;
    p.start(QFileInfo(ffmpeg).absolutePath() + QStringLiteral("/ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
             QStringLiteral("format=duration"), QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"), file});
    p.waitForFinished(-1);
    return p.readAllStandardOutput().trimmed().toDouble();
}

// 10 s of noisy 720p H.264 with B-frames and AAC, repeated to about 1 GB; the index is
// written by ffmpeg's FLV muxer on request.
bool makeFiles(const QString& indexed, const QString& plain)
{
    if (QFileInfo(indexed).size() > 0 && QFileInfo(plain).size() > 0)
        return true;
    QDir().mkpath(mediaDir);
    const QString seg = mediaDir + QStringLiteral("/segment.flv");
    std::printf("making the ~1 GB files once in %s (ffmpeg, a few minutes)...\n", qPrintable(mediaDir));
    std::fflush(stdout);
    if (!runQuiet(ffmpeg, {"-nostdin", "-y", "-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25,noise=alls=12:allf=t",
                           "-f", "lavfi", "-i", "sine=f=440:sample_rate=44100", "-t", "10", "-c:v", "libx264",
                           "-preset", "ultrafast", "-bf", "2", "-g", "50", "-qp", "24", "-c:a", "aac", "-b:a", "128k", seg}))
        return false;
    const QString list = mediaDir + QStringLiteral("/list.ffconcat");
    {
        QFile f(list);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write("ffconcat version 1.0\n");
        const qint64 segSize = std::max<qint64>(1, QFileInfo(seg).size());
        const int copies = static_cast<int>(std::max<qint64>(2, (1000LL << 20) / segSize));
        for (int i = 0; i < copies; ++i)
            f.write("file 'segment.flv'\n");
    }
    const bool ok = runQuiet(ffmpeg, {"-nostdin", "-y", "-f", "concat", "-i", list, "-c", "copy", "-flvflags",
                                      "add_keyframe_index", indexed})
        && runQuiet(ffmpeg, {"-nostdin", "-y", "-f", "concat", "-i", list, "-c", "copy", plain});
    QFile::remove(seg);
    QFile::remove(list);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QString indexed = mediaDir + QStringLiteral("/big-index.flv");
    const QString plain = mediaDir + QStringLiteral("/big-noindex.flv");
    if (!makeFiles(indexed, plain)) {
        std::fputs("could not make the bench files\n", stderr);
        return 1;
    }
    QTemporaryDir work;
    const QString out = work.filePath(QStringLiteral("cut.flv"));
    const QString mcd = bin + QStringLiteral("/zorvo_mcd");
    std::printf("median of %d runs each (the two commands in turn), 10 s cuts; wall time, bytes read and processor time "
                "(children included)\n", rounds);
    std::printf("%-22s %9s %9s %9s   %9s %9s %9s   %6s %6s %6s\n", "file, cut at", "direct ms", "direct MB", "direct cpu",
                "ours ms", "ours MB", "ours cpu", "t x", "MB x", "cpu x");
    for (const QString& file : {indexed, plain}) {
        const double length = durationOf(file);
        // Read once so that both commands find the file in the page cache.
        runQuiet(QStringLiteral("/bin/cat"), {file});
        for (double at : {10.0, std::max(10.0, length - 20.0)}) {
            const QString x = QString::number(at, 'f', 0);
            const auto [direct, ours] = medians(rounds, ffmpeg, {"-nostdin", "-y", "-ss", x, "-i", file, "-t", "10", "-c",
                                                                 "copy", "-f", "flv", out},
                                                mcd, {"-mc", "1", "-ovc", "copy", "-oac", "copy", "-ss", x, "-endpos", "10",
                                                      "-o", out, file});
            const QString what = QFileInfo(file).completeBaseName() + QStringLiteral(" @ ") + x + QStringLiteral(" s");
            std::printf("%-22s %9.1f %9.2f %9.1f   %9.1f %9.2f %9.1f   %6.2f %6.2f %6.2f\n", qPrintable(what), direct.ms,
                        direct.mb, direct.cpuMs, ours.ms, ours.mb, ours.cpuMs, ours.ms / direct.ms,
                        direct.mb > 0 ? ours.mb / direct.mb : 0.0, direct.cpuMs > 0 ? ours.cpuMs / direct.cpuMs : 0.0);
        }
    }
    return 0;
}
