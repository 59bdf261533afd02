#include <gtest/gtest.h>

#include "player/PlayerLogic.h"

using namespace playerLogic;

TEST(VideoFit, KeepsTheAspectRatioInsideTheBox)
{
    int w = 640, h = 480;
    getMediaNewSize(400, 400, w, h);
    EXPECT_EQ(w, 400);
    EXPECT_EQ(h, 300);

    w = 480, h = 640; // a tall picture fits the height
    getMediaNewSize(400, 400, w, h);
    EXPECT_EQ(w, 300);
    EXPECT_EQ(h, 400);

    w = 0, h = 0; // no picture size: 320 x 10
    getMediaNewSize(640, 360, w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 20);

    w = 3, h = 1; // 100 / 3 * 1 = 33.33 rounds, not floors: 33
    getMediaNewSize(100, 1000, w, h);
    EXPECT_EQ(h, 33);
}

TEST(Stepping, AmountsByMode)
{
    const std::array<int, 3> v{5, 5, 5};
    EXPECT_EQ(stepAmount(true, StepFrames, v, 25, 1000).frames, 5);
    EXPECT_TRUE(stepAmount(true, StepFrames, v, 25, 1000).pauses);
    const StepPlan seconds = stepAmount(true, StepSeconds, v, 25, 1000);
    EXPECT_EQ(seconds.frames, 125);
    EXPECT_FALSE(seconds.pauses) << "a playing file keeps playing";
    EXPECT_EQ(stepAmount(true, StepPercent, v, 25, 1000).frames, 50);
    EXPECT_EQ(stepAmount(true, StepPercent, {5, 5, 5}, 25, 50).frames, 2) << "2.5 rounds to even";
    EXPECT_EQ(stepAmount(true, StepSeconds, {5, 1, 5}, 29.97, 1000).frames, 30);
    const StepPlan arrow = stepAmount(false, StepSeconds, {7, 5, 5}, 25, 1000);
    EXPECT_EQ(arrow.frames, 7);
    EXPECT_TRUE(arrow.pauses);
}

TEST(Stepping, TargetsStopAtBothEnds)
{
    EXPECT_EQ(stepTarget(3, 5, -1, 100).frame, 0);
    EXPECT_TRUE(stepTarget(3, 5, -1, 100).hitEnd);
    EXPECT_EQ(stepTarget(98, 5, 1, 100).frame, 99);
    EXPECT_TRUE(stepTarget(98, 5, 1, 100).hitEnd);
    EXPECT_EQ(stepTarget(10, 5, 1, 100).frame, 15);
    EXPECT_FALSE(stepTarget(10, 5, 1, 100).hitEnd);
    EXPECT_EQ(stepTarget(0, 5, 1, 1).frame, 1) << "a total below 2 is its own end";
    EXPECT_EQ(stepTarget(6, 5, -1, 100).frame, 1);
    EXPECT_TRUE(stepTarget(5, 5, -1, 100).hitEnd);
}

TEST(Stepping, CaptionsPromptsAndValues)
{
    EXPECT_EQ(stepCaption(1, 12), QStringLiteral("使用秒数模式 ( 12 秒 )"));
    EXPECT_EQ(stepCaption(0, 5), QStringLiteral("使用影格模式 ( 5 格 )"));
    EXPECT_EQ(stepCaption(2, 5), QStringLiteral("使用比例模式 ( 5 ％ )"));
    EXPECT_TRUE(stepValuePrompt(2).startsWith(QStringLiteral("请输入倒转与快转的比例模式数值\r\n\r\n")));

    EXPECT_EQ(parseStepValue(QStringLiteral("7.5")), 8);
    EXPECT_EQ(parseStepValue(QStringLiteral("100")), 100);
    EXPECT_FALSE(parseStepValue(QStringLiteral("0")));
    EXPECT_FALSE(parseStepValue(QStringLiteral("101")));
    EXPECT_FALSE(parseStepValue(QStringLiteral("x")));
    EXPECT_FALSE(parseStepValue(QStringLiteral("-3")));
    EXPECT_FALSE(parseStepValue(QStringLiteral("99999999"))) << "no wrap into range";

    EXPECT_EQ(backwardToolTip(1, {5, 5, 5}), QStringLiteral("倒转 ( PgUp 键：5 秒，或 ← 键：5 格 )"));
    EXPECT_EQ(forwardToolTip(2, {3, 5, 40}), QStringLiteral("快转 ( PgDn 键：40 ％，或 → 键：3 格 )"));
    EXPECT_EQ(backwardToolTip(0, {5, 5, 5}), QStringLiteral("倒转 ( PgUp 键：5 格，或 ← 键：5 格 )"));
}

TEST(Speed, MenuAndCustomValues)
{
    EXPECT_EQ(speedOfItem(0), 100);
    EXPECT_EQ(speedOfItem(4), 1000);
    EXPECT_EQ(speedOfItem(8), 2000);
    EXPECT_EQ(speedCaption(1), QStringLiteral("25% 播放速度"));
    EXPECT_EQ(speedCaption(4), QStringLiteral("正常播放 (100%)"));
    EXPECT_EQ(speedCaption(10), QStringLiteral("自订播放速度"));
    EXPECT_EQ(parseCustomSpeed(QStringLiteral("150")), 1500);
    EXPECT_EQ(parseCustomSpeed(QStringLiteral("1")), 10);
    EXPECT_FALSE(parseCustomSpeed(QStringLiteral("250")));
    EXPECT_FALSE(parseCustomSpeed(QStringLiteral("0")));
    EXPECT_FALSE(parseCustomSpeed(QStringLiteral("abc")));
}

TEST(StatusLine, ProgressTextAndErrorBox)
{
    EXPECT_EQ(progressText(false, 0.0, 1000), QStringLiteral("正在播放，进度 0 ％，播速 100 ％"));
    EXPECT_EQ(progressText(true, 0.425, 500), QStringLiteral("暂停播放，进度 43 ％，播速 50 ％"));
    EXPECT_EQ(progressText(false, -0.2, 1500), QStringLiteral("正在播放，进度 0 ％，播速 150 ％"));
    EXPECT_EQ(progressText(false, std::nan(""), 1000), QStringLiteral("正在播放，进度 0 ％，播速 100 ％"));
    EXPECT_EQ(progressText(false, 1.0, 125), QStringLiteral("正在播放，进度 100 ％，播速 12 ％"))
        << "12.5 rounds to even";

    bool help = false;
    const QString flv = playErrorText(QStringLiteral("/v/a.FLV"), QStringLiteral("出现错误，无法播放指定的档案："), help);
    EXPECT_TRUE(help);
    EXPECT_TRUE(flv.startsWith(QStringLiteral("出现错误，无法播放指定的档案：\r\n/v/a.FLV\r\n\r\n可能是因为")));
    EXPECT_TRUE(flv.contains(QStringLiteral("\r\n\r\n－－－－－－－－－－－－－－－－－－－\r\n如果不是以上的问题")));
    EXPECT_TRUE(flv.endsWith(QStringLiteral("按下“确定”将开启说明文件！")));
    const QString mp3 = playErrorText(QStringLiteral("/v/a.mp3"), QStringLiteral("x"), help);
    EXPECT_FALSE(help);
    EXPECT_TRUE(mp3.endsWith(QStringLiteral("参考本软体的“说明”-->“下载附加元件”")));
}

TEST(ListsAndSeekBar, WrappingAndClamping)
{
    EXPECT_EQ(moveListIndex(1, 2, 3), 0);
    EXPECT_EQ(moveListIndex(1, 0, 3), 1);
    EXPECT_EQ(moveListIndex(-1, 0, 3), 2);
    EXPECT_EQ(moveListIndex(7, 1, 3), 0) << "any other direction goes back";
    EXPECT_EQ(moveListIndex(1, -1, 3), 0);
    EXPECT_EQ(moveListIndex(1, 0, 0), -1);

    // A 300-pixel track over 100 frames.
    EXPECT_EQ(thumbLeftForFrame(3.0, 50, 10, 4), 149);
    EXPECT_EQ(frameAtTrackX(151, 3.0), 50);
    EXPECT_EQ(clampToTrack(400, 4, 300), 304);
    EXPECT_EQ(clampToTrack(-20, 4, 300), 4);
    EXPECT_EQ(frameAtTrackX(clampToTrack(1e6, 4, 300) - 4, 3.0), 100) << "past the end is the track's end";
}
