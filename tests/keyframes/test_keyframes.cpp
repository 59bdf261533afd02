// The key frames read from the container against the key flags ffprobe reports for the
// packets of the same file, on the clock the player shows (from the file's start).
#include "common/TestMedia.h"
#include "keyframes/KeyFrameCache.h"
#include "keyframes/KeyFrames.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

// The key frames and the first picture's time (the first packet's) as ffprobe sees them.
std::vector<double> probedKeyFrames(const QString& file, double& firstPicture)
{
    const double start = testmedia::probe(file, {QStringLiteral("-show_entries"), QStringLiteral("format=start_time"),
                                                 QStringLiteral("-of"), QStringLiteral("csv=p=0")})
                             .trimmed()
                             .toDouble();
    const QString out = testmedia::probe(file, {QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                                                QStringLiteral("-show_entries"), QStringLiteral("packet=pts_time,flags"),
                                                QStringLiteral("-of"), QStringLiteral("csv=p=0")});
    std::vector<double> times;
    firstPicture = -1;
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.trimmed().split(QLatin1Char(','));
        if (firstPicture < 0)
            firstPicture = f[0].toDouble() - start;
        if (f.size() >= 2 && f[1].startsWith(QLatin1Char('K')))
            times.push_back(f[0].toDouble() - start);
    }
    std::sort(times.begin(), times.end());
    return times;
}

TEST(KeyFrames, AgreeWithThePacketFlagsOnEveryContainer)
{
    for (const auto& clip : {testmedia::Flv1Mp3, testmedia::H264AacFlv, testmedia::H264AacMp4, testmedia::Mpeg1Mp2,
                             testmedia::Mpeg4Mp3Avi, testmedia::Wmv2Wma2}) {
        SCOPED_TRACE(clip.file);
        const QString file = testmedia::path(clip);
        const keyframes::Result got = keyframes::read(file);
        ASSERT_TRUE(got.ok) << got.error.toStdString();
        double first = 0;
        const std::vector<double> want = probedKeyFrames(file, first);
        EXPECT_NEAR(got.firstPicture, first, 0.002);
        ASSERT_GE(want.size(), 4u);
        ASSERT_EQ(got.times.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i)
            EXPECT_NEAR(got.times[i], want[i], 0.002) << "key frame " << i;
    }
    // Not a media file, or sound alone: a reason, no times.
    for (const auto& clip : {testmedia::Garbage, testmedia::ToneMp3}) {
        const keyframes::Result bad = keyframes::read(testmedia::path(clip));
        EXPECT_FALSE(bad.ok) << clip.file;
        EXPECT_FALSE(bad.error.isEmpty()) << clip.file;
    }
}

TEST(KeyFrames, CacheReadsOnceInTheBackgroundAndForgetsAChangedFile)
{
    testmedia::TempDir dir;
    const QString file = dir.file(QStringLiteral("clip.flv"));
    ASSERT_TRUE(QFile::copy(testmedia::path(testmedia::LongFlv), file));
    keyframes::KeyFrameCache cache;
    QSignalSpy spy(&cache, &keyframes::KeyFrameCache::ready);
    cache.request(file);
    cache.request(file); // already being read: no second reader
    EXPECT_EQ(cache.find(file), nullptr);
    ASSERT_TRUE(spy.wait(10000));
    const keyframes::Result* keys = cache.find(file);
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(keys->times.size(), 20u);
    EXPECT_NEAR(keyframes::atOrBefore(keys->times, 5.5), 5.025, 0.002);
    // Key frames at 0.025 + k s, the first picture at 0.025 s: frames 25k at 25 a second.
    EXPECT_EQ(keyframes::stepFrame(*keys, 0.04, 125, +1), 150);
    EXPECT_EQ(keyframes::stepFrame(*keys, 0.04, 125, -1), 100);
    EXPECT_EQ(keyframes::stepFrame(*keys, 0.04, 130, -1), 125);
    EXPECT_EQ(keyframes::stepFrame(*keys, 0.04, 0, -1), -1);
    EXPECT_EQ(keyframes::stepFrame(*keys, 0.04, 475, +1), -1);
    cache.request(file);
    QTest::qWait(50);
    EXPECT_EQ(spy.count(), 1);

    // Another file under the same name is read anew.
    QFile::remove(file);
    ASSERT_TRUE(QFile::copy(testmedia::path(testmedia::Flv1Mp3), file));
    EXPECT_EQ(cache.find(file), nullptr);
    cache.request(file);
    ASSERT_TRUE(spy.wait(10000));
    ASSERT_NE(cache.find(file), nullptr);
    EXPECT_EQ(cache.find(file)->times.size(), 4u);
}

} // namespace
