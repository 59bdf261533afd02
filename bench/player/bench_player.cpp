// Prints medians: from a new player window to the first frame of a clip (the device
// reports a position past 0 while playing), and one tick of the status poll.
//   bench_player [runs]     (offscreen unless QT_QPA_PLATFORM says otherwise)
#include "app/PlayerState.h"
#include "player/frmMain.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QElapsedTimer>
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

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    const QString clip = QStringLiteral(ZORVO_MEDIA_DIR "/sample.flv");
    QTemporaryDir folder;
    ui::ScriptedAnswers answers; // a machine without a mixer says so; nobody is there to click

    std::vector<double> firstFrame, tick;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        frmMain window;
        window.setSettingsFolder(folder.path());
        window.Form_Load(clip);
        while (window.mci().getCurFrame() < 1 && t.elapsed() < 20000)
            QTest::qWait(1);
        firstFrame.push_back(t.nsecsElapsed() / 1e6);

        std::vector<double> ticks;
        for (int i = 0; i < 200; ++i) {
            QElapsedTimer one;
            one.start();
            window.tmrCheck_Timer();
            ticks.push_back(one.nsecsElapsed() / 1e3);
        }
        tick.push_back(median(ticks));
        window.mnuEnd_Click(1);
    }
    std::printf("player window to first frame: median %.1f ms over %d runs\n", median(firstFrame), runs);
    std::printf("one poll tick:                median %.1f us\n", median(tick));
    return 0;
}
