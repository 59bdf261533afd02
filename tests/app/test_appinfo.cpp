#include <gtest/gtest.h>

#include "app/AppInfo.h"
#include "common/TestMedia.h"

#include <QFileInfo>

TEST(AppInfo, TitleCarriesTheVersionAfterALeadingBlank)
{
    EXPECT_EQ(mdlZorvoFLV::mainTitle(), QStringLiteral(" Zorvo.FLV - 1.8.0"));
}

TEST(TestMedia, TheBuildMadeEveryClip)
{
    for (const auto& clip : {testmedia::Flv1Mp3, testmedia::H264AacFlv, testmedia::Mpeg1Mp2,
                             testmedia::Mpeg4Mp3Avi, testmedia::Wmv2Wma2, testmedia::SilentFlv,
                             testmedia::ToneMp3, testmedia::CjkFlv, testmedia::Sample})
        EXPECT_GT(QFileInfo(testmedia::path(clip)).size(), 1000) << clip.file;
    EXPECT_EQ(testmedia::countVideoFrames(testmedia::path(testmedia::H264AacFlv)), 100);
}
