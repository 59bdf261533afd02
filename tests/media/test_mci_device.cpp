// The command-string interpreter on the generated clips, with the real libmpv
// (headless: vo=null, ao=null).
#include "common/TestMedia.h"
#include "media/MCI.h"
#include "media/MciSend.h"
#include "media/MpvDevice.h"
#include "media/WindowRegistry.h"
#include "ui/MsgBox.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

using namespace testmedia;

namespace {

struct Reply {
    int code;
    QString text;
};

Reply send(const QString& command)
{
    QString r;
    const int code = media::mciSendString(command, &r, 128);
    return {code, r};
}

int number(const QString& command)
{
    const Reply r = send(command);
    EXPECT_EQ(r.code, 0) << command.toStdString();
    return r.text.toInt();
}

QString openCommand(const QString& file, const QString& alias)
{
    return QStringLiteral("open \"%1\" type mpegvideo alias %2 parent 0 style child").arg(file, alias);
}

int openClip(const Clip& clip, const QString& alias = QStringLiteral("a"))
{
    return send(openCommand(path(clip), alias)).code;
}

// Waits for a condition, looking again every few milliseconds, up to a generous deadline.
bool waitUntil(const std::function<bool()>& done, int ms = 30000)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (done())
            return true;
        QTest::qWait(10);
    }
    return done();
}

const Clip kVideoClips[] = {Flv1Mp3, H264AacFlv, Mpeg1Mp2, Mpeg4Mp3Avi, Wmv2Wma2, H264AacMp4, Video640, LongFlv};

class MciDevice : public ::testing::Test {
protected:
    void TearDown() override { media::mciSendString(QStringLiteral("close all")); }
};

} // namespace

TEST_F(MciDevice, LengthsRatesAndSizesOfTheClips)
{
    for (const Clip& clip : kVideoClips) {
        SCOPED_TRACE(clip.file);
        ASSERT_EQ(openClip(clip), 0);
        EXPECT_EQ(send("status a mode").text, "stopped");
        EXPECT_NEAR(number("status a length"), clip.frames, 1);
        EXPECT_EQ(number("status a frame rate"), 25000);
        EXPECT_EQ(send("where a source").text, QStringLiteral("0 0 %1 %2").arg(clip.width).arg(clip.height));
        EXPECT_EQ(number("status a position"), 0);
        ASSERT_EQ(send("set a time format ms").code, 0);
        EXPECT_NEAR(number("status a length"), clip.seconds * 1000, 80);
        ASSERT_EQ(send("close a").code, 0);
    }
}

TEST_F(MciDevice, ExactSeeksLandOnTheFrame)
{
    for (const Clip& clip : kVideoClips) {
        SCOPED_TRACE(clip.file);
        ASSERT_EQ(openClip(clip), 0);
        for (int f : {37, 0, 73, clip.frames - 1, 1, 12}) {
            ASSERT_EQ(send(QStringLiteral("seek a to %1").arg(f)).code, 0);
            EXPECT_NEAR(number("status a position"), f, 1) << "frame " << f;
        }
        EXPECT_EQ(send("status a mode").text, "stopped");
        send("close a");
    }
}

TEST_F(MciDevice, MillisecondsAfterTheTimeFormatCommand)
{
    ASSERT_EQ(openClip(Flv1Mp3), 0);
    ASSERT_EQ(send("set a time format ms").code, 0);
    ASSERT_EQ(send("seek a to 2000").code, 0);
    EXPECT_NEAR(number("status a position"), 2000, 40);
    send("set a time format frames");
    EXPECT_NEAR(number("status a position"), 50, 1);
}

TEST_F(MciDevice, PlayFromToEndsStoppedAtTheEnd)
{
    for (const Clip& clip : {Flv1Mp3, Mpeg1Mp2}) {
        SCOPED_TRACE(clip.file);
        ASSERT_EQ(openClip(clip), 0);
        ASSERT_EQ(send("play a from 20 to 45").code, 0);
        EXPECT_EQ(send("status a mode").text, "playing");
        ASSERT_TRUE(waitUntil([] { return send("status a mode").text == "stopped"; }));
        EXPECT_NEAR(number("status a position"), 45, 2);

        // Playing on without a range goes from there to the end of the file.
        ASSERT_EQ(send("play a").code, 0);
        EXPECT_EQ(send("status a mode").text, "playing");
        ASSERT_TRUE(waitUntil([] { return send("status a mode").text == "stopped"; }));
        EXPECT_NEAR(number("status a position"), clip.frames, 2);
        send("close a");
    }
}

// Sampled while it plays, a range never shows a frame past its end, and rests on it.
TEST_F(MciDevice, RangesStopOnTheirLastFrame)
{
    for (const Clip& clip : {Flv1Mp3, H264AacFlv}) {
        SCOPED_TRACE(clip.file);
        ASSERT_EQ(openClip(clip), 0);
        for (const auto& [a, b] : {std::pair{20, 45}, std::pair{60, 74}}) {
            ASSERT_EQ(send(QStringLiteral("play a from %1 to %2").arg(a).arg(b)).code, 0);
            int highest = -1;
            ASSERT_TRUE(waitUntil([&] {
                highest = std::max(highest, number("status a position"));
                return send("status a mode").text == "stopped";
            }));
            EXPECT_LE(highest, b + 1);
            EXPECT_EQ(number("status a position"), b);
        }
        send("close a");
    }
}

// "pause, play from n, pause" is how the player moves a paused file: one seek, and the
// file never runs. Frames just before a key frame are reachable on H.264 with B-frames.
TEST_F(MciDevice, PausedSeekDecodesOnceAndStaysPaused)
{
    for (const Clip& clip : {H264AacFlv, H264AacMp4, Flv1Mp3}) {
        SCOPED_TRACE(clip.file);
        media::MCI m;
        ui::ScriptedAnswers boxes;
        QWidget window;
        m.openMCI(path(clip), media::registerWindow(&window), "a");
        ASSERT_TRUE(m.isSuccess());
        m.pauseMCI();
        const media::MpvDevice* d = media::mciDevice("a");
        ASSERT_NE(d, nullptr);
        const int runs = d->runsStarted();
        QImage shown;
        // The last frame and steps back from it, as PgDn to the end and PgUp after it go.
        for (int f : {24, 49, 74, 98, 99, 99, 94, 89, 50, 25, 3, 75}) {
            const int seeks = d->seeksSent();
            m.setCurFrame(f, false);
            EXPECT_TRUE(m.isSuccess());
            EXPECT_EQ(m.getCurFrame(), f);
            EXPECT_EQ(m.getStatus(), "paused");
            EXPECT_LE(d->seeksSent() - seeks, 1) << "frame " << f;
            QTest::qWait(50); // a start left behind would run now
            EXPECT_EQ(m.getCurFrame(), f);
            // The picture follows, also on the way back from the end.
            const QImage now = media::mciSnapshot("a", QSize(80, 60));
            if (f != 99 || shown.isNull())
                EXPECT_NE(now, shown) << "frame " << f;
            shown = now;
        }
        EXPECT_EQ(d->runsStarted(), runs);
        m.closeMCI();
    }
}

TEST_F(MciDevice, PauseResumeAndRepeat)
{
    ASSERT_EQ(openClip(Flv1Mp3), 0);
    ASSERT_EQ(send("play a from 10 to 20 repeat").code, 0);
    ASSERT_TRUE(waitUntil([] { return number("status a position") >= 18; }));
    ASSERT_TRUE(waitUntil([] { return number("status a position") < 15; }));
    EXPECT_EQ(send("status a mode").text, "playing");

    ASSERT_EQ(send("pause a").code, 0);
    EXPECT_EQ(send("status a mode").text, "paused");
    const int at = number("status a position");
    QTest::qWait(200);
    EXPECT_EQ(number("status a position"), at);
    ASSERT_EQ(send("resume a").code, 0);
    EXPECT_EQ(send("status a mode").text, "playing");
    ASSERT_EQ(send("stop a").code, 0);
    EXPECT_EQ(send("status a mode").text, "stopped");
}

TEST_F(MciDevice, StepMovesFramesFromPaused)
{
    ASSERT_EQ(openClip(H264AacFlv), 0);
    send("seek a to 30");
    send("pause a");
    ASSERT_EQ(send("step a by 5").code, 0);
    EXPECT_EQ(send("status a mode").text, "paused");
    EXPECT_NEAR(number("status a position"), 35, 1);
    send("step a by -10");
    EXPECT_NEAR(number("status a position"), 25, 1);
    // Steps stop at the end of the file (whose length counts the sound's tail too).
    const int last = number("status a length") - 1;
    send("seek a to 97");
    send("step a by 5");
    EXPECT_NEAR(number("status a position"), last, 1);
    send("step a by 5");
    EXPECT_NEAR(number("status a position"), last, 1);
}

TEST_F(MciDevice, HalfSpeedPlaysAtHalfSpeed)
{
    ASSERT_EQ(openClip(LongFlv), 0);
    ASSERT_EQ(send("set a speed 500").code, 0);
    EXPECT_EQ(number("status a speed"), 500);
    QElapsedTimer t;
    t.start();
    ASSERT_EQ(send("play a from 0").code, 0);
    ASSERT_TRUE(waitUntil([] { return number("status a position") >= 20; }));
    // 20 frames take 0.8 s at normal speed and 1.6 s at half speed; a busy machine can
    // only make it slower.
    EXPECT_GT(t.elapsed(), 1200);
    EXPECT_NE(send("set a speed 0").code, 0);
    EXPECT_EQ(number("status a speed"), 500);
}

TEST_F(MciDevice, WindowAndSoundTellTheMediaApart)
{
    ASSERT_EQ(openClip(ToneMp3, "m"), 0);
    EXPECT_NE(send("put m window at 0 0 320 240").code, 0);
    EXPECT_NE(send("where m destination max").code, 0);
    EXPECT_EQ(send("set m audio all on").code, 0);

    ASSERT_EQ(openClip(Flv1Mp3, "f"), 0);
    EXPECT_EQ(send("put f window at 40 30 160 120").code, 0);
    EXPECT_EQ(send("where f destination max").text, "40 30 160 120");
    EXPECT_EQ(send("set f audio all off").code, 0);
    EXPECT_EQ(send("status f audio").text, "off");
    EXPECT_EQ(send("set f audio all on").code, 0);
    EXPECT_EQ(send("status f audio").text, "on");

    ASSERT_EQ(openClip(SilentFlv, "s"), 0);
    EXPECT_NE(send("set s audio all on").code, 0);
    EXPECT_EQ(send("put s window at 0 0 320 240").code, 0);

    EXPECT_EQ(send("setaudio f volume to 0").code, 0);
    EXPECT_EQ(send("setaudio f volume to 1000").code, 0);
    EXPECT_NE(send("setaudio f volume to 1001").code, 0);
}

TEST_F(MciDevice, BadMediaAndUnknownAliasesFailCleanly)
{
    EXPECT_EQ(send(openCommand(mediaDir() + "/no such file.flv", "x")).code, media::MciErrFileNotFound);
    EXPECT_NE(openClip(Garbage, "x"), 0);
    EXPECT_EQ(send("status x mode").code, media::MciErrInvalidDeviceName);
    EXPECT_NE(send("play nobody").code, 0);
    EXPECT_NE(send("close nobody").code, 0);
    EXPECT_NE(send("frobnicate a").code, 0);
    EXPECT_NE(send("").code, 0);
    EXPECT_NE(send(openCommand("http://127.0.0.1:1/refused.flv", "x")).code, 0);

    ASSERT_EQ(openClip(Flv1Mp3, "Zorvo.FLV"), 0);
    EXPECT_EQ(send("status zorvo.flv mode").text, "stopped"); // aliases ignore case
    EXPECT_EQ(openClip(Flv1Mp3, "ZORVO.FLV"), media::MciErrDeviceOpen);
    EXPECT_NE(send("seek Zorvo.FLV to x").code, 0);
    EXPECT_NE(send("play Zorvo.FLV from 10 sideways").code, 0);
}

TEST_F(MciDevice, CdAudioWithoutADriveFails)
{
    for (const char* dev : {"/dev/cdrom", "/dev/sr0", "/dev/sr1", "/dev/sr2"})
        if (QFileInfo::exists(dev))
            GTEST_SKIP() << "this machine has an optical drive";
    EXPECT_EQ(send("open D type cdaudio alias cd wait shareable").code, media::MciErrInvalidDeviceName);
    EXPECT_EQ(send("open / type cdaudio alias cd wait shareable").code, media::MciErrInvalidDeviceName);
    EXPECT_NE(send("status cd position track 1").code, 0);
}

TEST_F(MciDevice, UrlThatNeverAnswersFailsInsteadOfHanging)
{
    QTcpServer silent; // accepts connections and never says a word
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString url = QStringLiteral("http://127.0.0.1:%1/clip.flv").arg(silent.serverPort());
    QElapsedTimer t;
    t.start();
    EXPECT_NE(send(openCommand(url, "u")).code, 0);
    EXPECT_LT(t.elapsed(), 60000);
    EXPECT_NE(send("status u mode").code, 0);
}

// While an open waits for a stream, timers and repaints run, a status query answers, and
// closing the alias (the window's close box) ends the wait at once.
TEST_F(MciDevice, WaitingOpenKeepsEventsRunningAndEndsOnClose)
{
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString url = QStringLiteral("http://127.0.0.1:%1/clip.flv").arg(silent.serverPort());
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    int closeCode = -1;
    QTimer::singleShot(400, [&] {
        EXPECT_EQ(send("status u mode").code, media::MciErrInvalidDeviceName); // not open yet
        closeCode = send("close u").code;
    });
    QElapsedTimer t;
    t.start();
    EXPECT_NE(send(openCommand(url, "u")).code, 0);
    EXPECT_EQ(closeCode, 0);
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_GE(ticks, 5); // about one every 40 ms
    EXPECT_NE(send("status u mode").code, 0);
}

TEST_F(MciDevice, CloseAllClosesEveryAlias)
{
    ASSERT_EQ(openClip(Flv1Mp3, "Zorvo.FLV"), 0);
    ASSERT_EQ(openClip(ToneWav, "Zorvo.FLV_forCapture"), 0);
    ASSERT_EQ(send("Close All").code, 0);
    EXPECT_NE(send("status Zorvo.FLV mode").code, 0);
    EXPECT_NE(send("status Zorvo.FLV_forCapture mode").code, 0);
    EXPECT_EQ(openClip(Flv1Mp3, "Zorvo.FLV"), 0);
}

TEST_F(MciDevice, SnapshotFollowsThePosition)
{
    ASSERT_EQ(openClip(Flv1Mp3), 0);
    send("seek a to 10");
    const QImage a = media::mciSnapshot("a", QSize(160, 120));
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(a.size(), QSize(160, 120));
    send("seek a to 60");
    const QImage b = media::mciSnapshot("a", QSize());
    EXPECT_EQ(b.size(), QSize(320, 240));
    EXPECT_NE(a, b.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    // The test pattern has colour bars: a picture, not a black frame.
    int lit = 0;
    for (int y = 0; y < a.height(); y += 8)
        for (int x = 0; x < a.width(); x += 8)
            lit += qGray(a.pixel(x, y)) > 40;
    EXPECT_GT(lit, 100);

    ASSERT_EQ(openClip(ToneMp3, "m"), 0);
    EXPECT_TRUE(media::mciSnapshot("m", QSize(160, 120)).isNull());
    EXPECT_TRUE(media::mciSnapshot("nobody", QSize(160, 120)).isNull());
}

// The player's flow through MCI on the real interpreter.
TEST_F(MciDevice, MciDrivesTheRealDevice)
{
    ui::ScriptedAnswers boxes;
    QWidget window;
    window.resize(400, 300);
    const int hwnd = media::registerWindow(&window);
    media::MCI m;
    m.openMCI(path(CjkFlv), hwnd, "Zorvo.FLV");
    ASSERT_TRUE(m.isSuccess());
    EXPECT_EQ(m.getStatus(), "stopped");
    EXPECT_NEAR(m.getTotalFrames(), 100, 1);
    EXPECT_NEAR(m.getFramesPerSecond(), 25.0, 0.5);
    EXPECT_NEAR(m.getFramesRateMPG(), 25.0, 0.01);
    int w = 0, h = 0;
    m.getDefaultSize(w, h);
    EXPECT_EQ(QSize(w, h), QSize(320, 240));
    m.putMCI(w, h, true, 0, 0, 400, 300);
    EXPECT_TRUE(m.isSuccess());
    EXPECT_FALSE(m.isAudioOnly());
    EXPECT_FALSE(m.isVideoOnly());
    m.getCurSize(w, h);
    EXPECT_EQ(QSize(w, h), QSize(320, 240));
    m.setVolume(500);
    EXPECT_TRUE(m.isSuccess());

    m.playMCI(10, 30, false, false, false);
    ASSERT_TRUE(m.isSuccess());
    ASSERT_TRUE(waitUntil([&] { return m.getStatus() == "stopped"; }));
    EXPECT_NEAR(m.getCurFrame(), 30, 2);
    m.setCurFrame(50, false);
    EXPECT_EQ(m.getStatus(), "paused");
    EXPECT_NEAR(m.getCurFrame(), 50, 1);
    m.stepMCI(3);
    EXPECT_NEAR(m.getCurFrame(), 53, 1);
    m.stopMCI();
    EXPECT_EQ(m.getStatus(), "stopped");
    EXPECT_NEAR(m.getCurFrame(), 10, 1); // back to the range start

    m.openMCI(path(ToneMp3), 0, QString());
    ASSERT_TRUE(m.isSuccess());
    m.putMCI(320, 240, true, 0, 0, 400, 300);
    EXPECT_TRUE(m.isAudioOnly());
    EXPECT_FALSE(m.isSuccess());

    m.openMCI(path(SilentFlv), 0, QString());
    EXPECT_TRUE(m.isVideoOnly());
    m.closeMCI();
    EXPECT_TRUE(m.isSuccess());
    EXPECT_EQ(m.getStatus(), "error");
    EXPECT_TRUE(ui::shownBoxes().empty());
}

// A double quote in a path (legal on this system) reaches libmpv as part of the name.
TEST_F(MciDevice, PathsWithDoubleQuotesOpen)
{
    TempDir dir;
    for (const char* name : {"a \"q\" b.flv", "end quote\".flv", "back\\\"slash.flv"}) {
        SCOPED_TRACE(name);
        const QString file = dir.file(QString::fromUtf8(name));
        ASSERT_TRUE(QFile::copy(path(Flv1Mp3), file));
        media::MCI m;
        m.openMCI(file, 1, "q");
        EXPECT_TRUE(m.isSuccess());
        EXPECT_EQ(m.getTotalFrames(), 100);
        m.closeMCI();
    }
}

TEST(FrameRate, ContainerFigureCheckedAgainstTheDecoder)
{
    EXPECT_DOUBLE_EQ(media::frameRateOf(30.303, 0), 30.0); // FLV without metadata, measured
    EXPECT_NEAR(media::frameRateOf(29.97, 0), 30000 / 1001.0, 1e-3);
    EXPECT_DOUBLE_EQ(media::frameRateOf(25, 0), 25.0);
    EXPECT_DOUBLE_EQ(media::frameRateOf(25, 12.5), 25.0); // an AVI right after the open, measured
    EXPECT_NEAR(media::frameRateOf(90000, 29.97), 30000 / 1001.0, 1e-3);
    EXPECT_DOUBLE_EQ(media::frameRateOf(17.3, 25), 25.0);
    EXPECT_DOUBLE_EQ(media::frameRateOf(17.3, 0), 17.3);
    EXPECT_DOUBLE_EQ(media::frameRateOf(0, 0), 25.0);
    EXPECT_DOUBLE_EQ(media::frameRateOf(90000, 0), 25.0);
}

TEST(WindowRegistry, NumbersNameLiveWidgets)
{
    auto* w = new QWidget;
    const int id = media::registerWindow(w);
    EXPECT_GT(id, 0);
    EXPECT_EQ(media::registerWindow(w), id);
    EXPECT_EQ(media::windowOf(id), w);
    delete w;
    EXPECT_EQ(media::windowOf(id), nullptr);
    EXPECT_EQ(media::windowOf(0), nullptr);
    EXPECT_EQ(media::registerWindow(nullptr), 0);
}

TEST(MciConsole, AnswersOneLineACommand)
{
    QProcess p;
    p.start(binDir() + "/mci-console", {});
    ASSERT_TRUE(p.waitForStarted());
    p.write(openCommand(path(Flv1Mp3), "c").toUtf8() + "\nstatus c mode\nseek c to 40\nstatus c position\n"
            "status nobody mode\n");
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(60000));
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines, (QStringList{"0 1", "0 stopped", "0 ", "0 40", "263 "}));
}
