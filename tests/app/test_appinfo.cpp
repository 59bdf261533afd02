#include <gtest/gtest.h>

#include "app/AppInfo.h"
#include "common/TestMedia.h"

#include <QFileInfo>

TEST(AppInfo, TitleCarriesTheVersionAfterALeadingBlank)
{
    EXPECT_EQ(mdlZorvoFLV::mainTitle(), QStringLiteral(" Zorvo.FLV - 1.8.0"));
}

namespace {
QString streamCodec(const QString& file, const char* stream)
{
    return testmedia::probe(file, {QStringLiteral("-select_streams"), QString::fromLatin1(stream),
                                   QStringLiteral("-show_entries"), QStringLiteral("stream=codec_name"),
                                   QStringLiteral("-of"), QStringLiteral("csv=p=0")});
}
} // namespace

// Every test relies on the table of clips: the codecs, frame counts and lengths it states
// are what the build made.
TEST(TestMedia, TheBuildMadeEveryClipAsTheTableSays)
{
    using namespace testmedia;
    for (const Clip& clip : {Flv1Mp3, H264AacFlv, Mpeg1Mp2, Mpeg4Mp3Avi, Wmv2Wma2, H264AacMp4, SilentFlv, Video640,
                             ToneMp3, ToneWav, LongFlv, CjkFlv, Sample}) {
        const QString file = path(clip);
        ASSERT_GT(QFileInfo(file).size(), 1000) << clip.file;
        EXPECT_EQ(streamCodec(file, "v:0"), QString::fromLatin1(clip.videoCodec)) << clip.file;
        EXPECT_EQ(streamCodec(file, "a:0"), QString::fromLatin1(clip.audioCodec)) << clip.file;
        EXPECT_NEAR(durationOf(file), clip.seconds, 0.15) << clip.file;
        if (clip.hasVideo)
            EXPECT_EQ(countVideoFrames(file), clip.frames) << clip.file;
    }
    EXPECT_TRUE(QFileInfo(path(CjkFlv)).absolutePath().contains(u' ')) << "a blank in the folder name too";
    EXPECT_TRUE(QFileInfo::exists(path(ZeroWav)));
}
