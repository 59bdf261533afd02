// Prints medians of the front-ends' runs against ffmpeg doing the same job directly, in
// the same process and on the same clips, and the time ZorvoResFLV takes per mode word.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QString media = QString::fromUtf8(ZORVO_MEDIA_DIR);
const QString bin = QString::fromUtf8(ZORVO_BIN_DIR);
const QString ffmpeg = QString::fromUtf8(ZORVO_FFMPEG);

bool runQuiet(const QString& program, const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(120000) && p.exitCode() == 0;
}

double medianMs(int rounds, const std::function<void()>& job)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        job();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const char* what, double ms, double baseline)
{
    if (baseline > 0)
        std::printf("%-44s %8.1f ms   x%.2f of ffmpeg alone\n", what, ms, ms / baseline);
    else
        std::printf("%-44s %8.1f ms\n", what, ms);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    QTemporaryDir work;
    const QString src = media + QStringLiteral("/long.flv");
    const QString out = work.filePath(QStringLiteral("out.flv"));
    const QString mcd = bin + QStringLiteral("/zorvo_mcd");
    const QString fmg = bin + QStringLiteral("/zorvo_fmg");
    std::printf("median of %d runs; source %s (20 s)\n", rounds, qPrintable(src));

    const double cutBase = medianMs(rounds, [&] {
        runQuiet(ffmpeg, {"-nostdin", "-y", "-i", src, "-ss", "4.9995", "-t", "6", "-c", "copy", "-f", "flv", out});
    });
    report("cut 5 s + 6 s, ffmpeg -c copy", cutBase, 0);
    report("cut 5 s + 6 s, ~tmpExtMcd.exe", medianMs(rounds, [&] {
        runQuiet(mcd, {"-mc", "1", "-ovc", "copy", "-oac", "copy", "-ss", "5", "-endpos", "6", "-o", out, src});
    }), cutBase);

    const QString list = work.filePath(QStringLiteral("list.txt"));
    {
        QFile f(list);
        f.open(QIODevice::WriteOnly);
        f.write(("file '" + src + "'\nfile '" + src + "'\n").toUtf8());
    }
    const double joinBase = medianMs(rounds, [&] {
        runQuiet(ffmpeg, {"-nostdin", "-y", "-f", "concat", "-safe", "0", "-i", list, "-c", "copy", "-f", "flv", out});
    });
    report("join 2 x 20 s, ffmpeg concat", joinBase, 0);
    report("join 2 x 20 s, ~tmpExtMcd.exe", medianMs(rounds, [&] {
        runQuiet(mcd, {"-mc", "1", "-ovc", "copy", "-oac", "copy", "-o", out, src, src});
    }), joinBase);

    const double remuxBase = medianMs(rounds, [&] {
        runQuiet(ffmpeg, {"-nostdin", "-y", "-i", src, "-vcodec", "copy", "-acodec", "copy", out});
    });
    report("re-mux 20 s, ffmpeg", remuxBase, 0);
    report("re-mux 20 s, ~tmpExtFmg.exe", medianMs(rounds, [&] {
        runQuiet(fmg, {"-y", "-vcodec", "copy", "-acodec", "copy", "-i", src, out});
    }), remuxBase);

    QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    for (const char* mode : {"CapMCI", "Snap", "Edit1"}) {
        const QString what = QStringLiteral("ZorvoResFLV %1").arg(QLatin1String(mode));
        report(qPrintable(what), medianMs(rounds, [&] { runQuiet(bin + QStringLiteral("/ZorvoResFLV"), {QString::fromLatin1(mode)}, env); }), 0);
    }
    return 0;
}
