// Video that really draws, on a display (run under xvfb-run -a). Skips without one.
#include "common/TestMedia.h"
#include "media/MciSend.h"
#include "media/MpvDevice.h"
#include "media/WindowRegistry.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTest>
#include <QWidget>
#include <clocale>
#include <gtest/gtest.h>

using namespace testmedia;

namespace {

bool haveDisplay() { return !qEnvironmentVariableIsEmpty("DISPLAY"); }

int send(const QString& c, QString* reply = nullptr)
{
    QString r;
    const int code = media::mciSendString(c, &r, 128);
    if (reply)
        *reply = r;
    return code;
}

// Share of sampled pixels inside rect that are not (nearly) black.
double litShare(const QImage& img, const QRect& rect)
{
    int lit = 0, all = 0;
    for (int y = rect.top(); y <= rect.bottom(); y += 4)
        for (int x = rect.left(); x <= rect.right(); x += 4) {
            ++all;
            lit += qGray(img.pixel(x, y)) > 40;
        }
    return all ? double(lit) / all : 0.0;
}

} // namespace

TEST(E2EVideo, PlayingClipDrawsIntoItsParent)
{
    if (!haveDisplay())
        GTEST_SKIP() << "no display";
    ASSERT_TRUE(media::videoOutputAvailable());
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 160)); // blue around the picture
    window.setPalette(pal);
    window.resize(400, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const int hwnd = media::registerWindow(&window);
    ASSERT_EQ(send(QStringLiteral("open \"%1\" type mpegvideo alias v parent %2 style child").arg(path(Flv1Mp3)).arg(hwnd)), 0);
    ASSERT_TRUE(media::mciDevice("v")->showsVideo());
    ASSERT_EQ(send("put v window at 40 30 320 240"), 0);
    ASSERT_EQ(send("play v"), 0);
    QString pos;
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired() && (send("status v position", &pos), pos.toInt() < 25))
        QTest::qWait(10);
    ASSERT_GE(pos.toInt(), 25);
    send("pause v");

    // The picture arrives through the event loop: wait until the grab shows it.
    QImage shot;
    const QRect video(40, 30, 320, 240);
    deadline.setRemainingTime(30000);
    do {
        QTest::qWait(20);
        shot = window.grab().toImage().scaled(window.size()); // logical pixels on any scale
    } while (!deadline.hasExpired() && litShare(shot, video.adjusted(8, 8, -8, -8)) < 0.5);
    QDir().mkpath(QStringLiteral(ZORVO_TEST_OUT));
    shot.save(QStringLiteral(ZORVO_TEST_OUT "/e2e_video.png"));

    EXPECT_GT(litShare(shot, video.adjusted(8, 8, -8, -8)), 0.5);
    // Outside the placed picture the parent's own background shows.
    EXPECT_EQ(QColor(shot.pixel(10, 10)), QColor(0, 0, 160));
    EXPECT_EQ(QColor(shot.pixel(390, 290)), QColor(0, 0, 160));

    // The picture follows "put".
    ASSERT_EQ(send("put v window at 0 0 200 150"), 0);
    deadline.setRemainingTime(30000);
    do {
        QTest::qWait(20);
        shot = window.grab().toImage().scaled(window.size()); // logical pixels on any scale
    } while (!deadline.hasExpired() && QColor(shot.pixel(300, 250)) != QColor(0, 0, 160));
    EXPECT_EQ(QColor(shot.pixel(300, 250)), QColor(0, 0, 160));
    EXPECT_GT(litShare(shot, QRect(8, 8, 184, 134)), 0.5);

    // A rectangle of another shape is filled, not letterboxed: the player asks for the
    // shape it wants (stretched, kept aspect or natural size) through "put".
    ASSERT_EQ(send("put v window at 0 0 400 100"), 0);
    const QRect leftStrip(64, 10, 40, 80), rightStrip(300, 10, 30, 80); // bars there if letterboxed
    deadline.setRemainingTime(30000);
    do {
        QTest::qWait(20);
        shot = window.grab().toImage().scaled(window.size());
    } while (!deadline.hasExpired() && QColor(shot.pixel(200, 200)) != QColor(0, 0, 160));
    shot.save(QStringLiteral(ZORVO_TEST_OUT "/e2e_video_stretched.png"));
    EXPECT_GT(litShare(shot, leftStrip), 0.5) << "bars at the left";
    EXPECT_GT(litShare(shot, rightStrip), 0.5) << "bars at the right";
    send("close all");
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!haveDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qgetenv("QT_QPA_PLATFORM") == "offscreen")
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
