// Prints medians: from the start of a new process to the first frame of a clip (the
// device reports a position past 0 while playing), and one tick of the status poll.
//   bench_player [runs]     (offscreen unless QT_QPA_PLATFORM says otherwise)
// Each run starts this program again with "--child": the child brings up the player
// window on the clip, says "first-frame" when it is there, then times the poll ticks.
#include "app/PlayerState.h"
#include "player/frmMain.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int child(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QString clip = QStringLiteral(ZORVO_MEDIA_DIR "/sample.flv");
    QTemporaryDir folder;
    ui::ScriptedAnswers answers; // a machine without a mixer says so; nobody is there to click

    QElapsedTimer t;
    t.start();
    frmMain window;
    window.setSettingsFolder(folder.path());
    window.Form_Load(clip);
    while (window.mci().getCurFrame() < 1 && t.elapsed() < 20000)
        QTest::qWait(1);
    std::printf("first-frame\n");
    std::fflush(stdout);

    std::vector<double> ticks;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer one;
        one.start();
        window.tmrCheck_Timer();
        ticks.push_back(one.nsecsElapsed() / 1e3);
    }
    std::printf("tick %.3f\n", median(ticks));
    std::fflush(stdout);
    window.mnuEnd_Click(1);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv);

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    std::vector<double> firstFrame, tick;
    for (int r = 0; r < runs; ++r) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer t;
        t.start();
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
        QByteArray out;
        bool seen = false;
        while (p.waitForReadyRead(30000)) {
            out += p.readAll();
            if (!seen && out.contains("first-frame\n")) {
                firstFrame.push_back(t.nsecsElapsed() / 1e6);
                seen = true;
            }
            if (out.contains("\ntick "))
                break;
        }
        p.waitForFinished(30000);
        out += p.readAll();
        const qsizetype at = out.indexOf("tick ");
        if (!seen || at < 0) {
            std::fprintf(stderr, "run %d: the child did not report\n", r + 1);
            continue;
        }
        tick.push_back(out.mid(at + 5).trimmed().toDouble());
    }
    std::printf("process start to first frame: median %.1f ms over %zu runs\n", median(firstFrame),
                firstFrame.size());
    std::printf("one poll tick:                median %.1f us\n", median(tick));
    return 0;
}
