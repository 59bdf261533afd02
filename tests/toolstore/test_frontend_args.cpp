// The argument translations of the two front-ends, called directly with the tools'
// command lines (as the runner splits them).
#include "FmgArgs.h"
#include "McdArgs.h"
#include "app/mdlZorvoFLV.h"
#include "tools/mdlToolCmds.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {
QStringList words(const char* text) { return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts); }
QString joined(const QStringList& l) { return l.join(QLatin1Char(' ')); }
} // namespace

TEST(FmgArgs, CopyCodecsBeforeInputMoveToTheOutput)
{
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-y -vcodec copy -acodec copy -i ~tmpSP001.flv ~fix~tmpSP001.flv"))),
              QStringLiteral("-nostdin -y -i ~tmpSP001.flv -vcodec copy -acodec copy ~fix~tmpSP001.flv"));
}

TEST(FmgArgs, EncodeLineKeepsOrderAndReadsBitRatesAsKbits)
{
    // The encode template with a WMV target: -vcodec already after -i stays in place.
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(
                  words("-y -i a.flv -vcodec wmv2 -s 160x120 -r 25 -b 200 -ar 22050 -ab 64 -ac 2 a.wmv"))),
              QStringLiteral("-nostdin -y -i a.flv -vcodec wmv2 -s 160x120 -r 25 -b:v 200k -ar 22050 -b:a 64k -ac 2 a.wmv"));
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-y -i a.flv -vn -ar 22050 -ab 64 -ac 1 a.mp3"))),
              QStringLiteral("-nostdin -y -i a.flv -vn -ar 22050 -b:a 64k -ac 1 a.mp3"));
    // A bit rate before the input is the output's too.
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-b 1600 -ab 128 -i a.flv a.avi"))),
              QStringLiteral("-nostdin -i a.flv -b:v 1600k -b:a 128k a.avi"));
}

TEST(FmgArgs, SnapshotLineWritesOnePictureOfItsType)
{
    // One picture from a seek on the input: a moment between two frames still has one.
    // The picture-series muxer is named, and a .gif gets the GIF codec, not JPEG data.
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-i /v/a.flv -y -ss 12.340 -t 0.001 ~tmpSP%03d.jpg"))),
              QStringLiteral("-nostdin -ss 12.340 -i /v/a.flv -y -frames:v 1 -f image2 ~tmpSP%03d.jpg"));
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-i /v/a.flv -y -ss 5.500 -t 0.001 ~tmpSP%03d.gif"))),
              QStringLiteral("-nostdin -ss 5.500 -i /v/a.flv -y -frames:v 1 -vcodec gif -f image2 ~tmpSP%03d.gif"));
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-i a.flv -y -ss 1 -t 0.001 -f image2 s%d.png"))),
              QStringLiteral("-nostdin -ss 1 -i a.flv -y -frames:v 1 -f image2 s%d.png"));
    // Past the last frame that starts after the moment: the last frame before it.
    EXPECT_EQ(joined(fmg::lastPictureArgs(fmg::translateFfmpegArgs(words("-i a.flv -y -ss 3.900 -t 0.001 ~tmpSP%03d.gif")))),
              QStringLiteral("-nostdin -ss 2.900 -i a.flv -y -t 1.000 -vcodec gif -f image2 -update 1 ~tmpSP001.gif"));
    EXPECT_EQ(joined(fmg::lastPictureArgs(fmg::translateFfmpegArgs(words("-i a.flv -y -ss 0.5 -t 0.001 s%d.png")))),
              QStringLiteral("-nostdin -ss 0.000 -i a.flv -y -t 0.500 -f image2 -update 1 s1.png"));
    EXPECT_TRUE(fmg::lastPictureArgs(fmg::translateFfmpegArgs(words("-y -i a.flv -r 25 a.mpg"))).isEmpty());
    // A "%d" inside another output's name is only a name.
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-i a.flv 100%.flv"))), QStringLiteral("-nostdin -i a.flv 100%.flv"));
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-y -i a.flv -r 25 /v/50%done.mpg"))),
              QStringLiteral("-nostdin -y -i a.flv -r 25 /v/50%done.mpg"));
}

TEST(FmgArgs, AudioValuesTheContainerCannotHoldBecomeTheNearest)
{
    // MPEG-PS: MP2 has no 11025 Hz, and a table of bit rates per sampling rate.
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-y -i a.flv -r 25 -b 200 -ar 11025 -ab 20 -ac 1 a.mpg"))),
              QStringLiteral("-nostdin -y -i a.flv -r 25 -b:v 200k -ar 16000 -b:a 16k -ac 1 a.mpg"));
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-y -i a.flv -ar 44100 -ab 16 -ac 2 a.MPEG"))),
              QStringLiteral("-nostdin -y -i a.flv -ar 44100 -b:a 32k -ac 2 a.MPEG"));
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-y -i a.flv -ar 22050 -ab 64 -ac 2 a.mpg"))),
              QStringLiteral("-nostdin -y -i a.flv -ar 22050 -b:a 64k -ac 2 a.mpg"));
    // ASF: WMA v2 wants 24 kbit/s at least.
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-y -i a.flv -vcodec wmv2 -ar 11025 -ab 16 -ac 1 a.wmv"))),
              QStringLiteral("-nostdin -y -i a.flv -vcodec wmv2 -ar 11025 -b:a 24k -ac 1 a.wmv"));
    // Other containers, and a codec of the caller's choosing, are left alone.
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-y -i a.flv -vn -ar 11025 -ab 16 a.mp3"))),
              QStringLiteral("-nostdin -y -i a.flv -vn -ar 11025 -b:a 16k a.mp3"));
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-y -i a.flv -acodec pcm_s16le -ar 11025 a.mpg"))),
              QStringLiteral("-nostdin -y -i a.flv -acodec pcm_s16le -ar 11025 a.mpg"));
}

TEST(FmgArgs, ValuesWithUnitsAndOtherOptionsStayAsTheyAre)
{
    EXPECT_EQ(fmg::kbitValue(QStringLiteral("200")), QStringLiteral("200k"));
    EXPECT_EQ(fmg::kbitValue(QStringLiteral("12.5")), QStringLiteral("12.5k"));
    EXPECT_EQ(fmg::kbitValue(QStringLiteral("200k")), QStringLiteral("200k"));
    EXPECT_EQ(fmg::kbitValue(QStringLiteral("abc")), QStringLiteral("abc"));
    // An input-side seek before -i is not a codec option and stays in front.
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-ss 5 -vcodec copy -i a.flv -f flv b.flv"))),
              QStringLiteral("-nostdin -ss 5 -i a.flv -vcodec copy -f flv b.flv"));
    // Codec options land after the last of several inputs.
    EXPECT_EQ(joined(fmg::translateFfmpegArgs(words("-acodec copy -i a.flv -i b.mp3 c.flv"))),
              QStringLiteral("-nostdin -i a.flv -i b.mp3 -acodec copy c.flv"));
}

TEST(McdArgs, CutLines)
{
    const mcd::Command c = mcd::parseCommand(
        words("-mc 1 -ovc copy -oac copy -ss 83 -endpos 13 -o ~tmpSP001.flv /v/a.flv"));
    EXPECT_TRUE(c.error.isEmpty()) << c.error.toStdString();
    EXPECT_FALSE(c.reencodeAudio);
    EXPECT_DOUBLE_EQ(c.start, 83);
    EXPECT_DOUBLE_EQ(c.length, 13);
    EXPECT_EQ(c.output, QStringLiteral("~tmpSP001.flv"));
    EXPECT_EQ(c.inputs, QStringList{QStringLiteral("/v/a.flv")});

    const mcd::Command r = mcd::parseCommand(
        words("-mc 1 -ovc copy -oac mp3lame -lameopts br=64 -ss 0 -endpos 6 -o ~tmpSP002.avi /v/a.avi"));
    EXPECT_TRUE(r.error.isEmpty());
    EXPECT_TRUE(r.reencodeAudio);
    EXPECT_EQ(r.lameBitrate, 64);
    EXPECT_DOUBLE_EQ(r.start, 0);
}

TEST(McdArgs, JoinAndCopyLines)
{
    const mcd::Command j = mcd::parseCommand(
        words("-mc 1 -ovc copy -oac copy -o ~tmpSJoin.flv ~tmpSP001.flv ~tmpSP002.flv ~tmpSP003.flv"));
    EXPECT_TRUE(j.error.isEmpty());
    EXPECT_EQ(j.inputs.size(), 3);
    EXPECT_LT(j.start, 0);
    EXPECT_LT(j.length, 0);
    const mcd::Command f = mcd::parseCommand(words("-ovc copy -oac copy -o /o/b.wmv /v/a.wmv"));
    EXPECT_TRUE(f.error.isEmpty());
    EXPECT_EQ(mcd::containerFor(f.output), QStringLiteral("asf"));
}

TEST(McdArgs, RefusesWhatItCannotDo)
{
    EXPECT_FALSE(mcd::parseCommand(words("-ovc lavc -oac copy -o a.avi b.avi")).error.isEmpty());
    EXPECT_FALSE(mcd::parseCommand(words("-ovc copy -oac faac -o a.avi b.avi")).error.isEmpty());
    EXPECT_FALSE(mcd::parseCommand(words("-ovc copy -oac copy b.avi")).error.isEmpty());
    EXPECT_FALSE(mcd::parseCommand(words("-ovc copy -oac copy -o a.avi")).error.isEmpty());
    EXPECT_FALSE(mcd::parseCommand(words("-ovc copy -oac copy -o a.xyz b.avi")).error.isEmpty());
    EXPECT_FALSE(mcd::parseCommand(words("-ovc copy -oac copy -endpos 10mb -o a.avi b.avi")).error.isEmpty());
    EXPECT_FALSE(mcd::parseCommand(words("-ovc copy -oac copy -o a.avi b.avi -ss")).error.isEmpty());
}

TEST(McdArgs, TimesAndContainers)
{
    EXPECT_DOUBLE_EQ(mcd::parseTime(QStringLiteral("83")), 83);
    EXPECT_DOUBLE_EQ(mcd::parseTime(QStringLiteral("1:02:03.5")), 3723.5);
    EXPECT_DOUBLE_EQ(mcd::parseTime(QStringLiteral("01:30")), 90);
    EXPECT_LT(mcd::parseTime(QStringLiteral("x")), 0);
    EXPECT_LT(mcd::parseTime(QStringLiteral("-3")), 0);
    EXPECT_LT(mcd::parseTime(QStringLiteral("1::2")), 0);
    const std::pair<const char*, const char*> table[] = {
        {"a.flv", "flv"}, {"a.MPG", "mpeg"}, {"a.mpeg", "mpeg"}, {"a.dat", "mpeg"}, {"a.vob", "vob"},
        {"a.avi", "avi"}, {"a.wmv", "asf"}, {"a.asf", "asf"}, {"a.mp4", "mp4"}, {"a.mov", "mov"},
        {"a.3gp", "3gp"}, {"a.mkv", "matroska"}, {"a.webm", "webm"}, {"a.ts", "mpegts"},
        {"a.m4v", "mp4"}, {"a.ogv", "ogg"}, {"a.rmvb", ""}, {"a.m2v", ""}, {"a", ""}};
    for (const auto& [file, fmt] : table)
        EXPECT_EQ(mcd::containerFor(QString::fromUtf8(file)), QString::fromUtf8(fmt)) << file;
}

TEST(McdArgs, KeyFrameAtOrBeforeCountsOnThePictureClock)
{
    // Pictures from 1.08 (a decoder delay after a sound start of 0), key frames each second;
    // only a window of them is at hand, the clock's origin comes separately.
    QList<mcd::Packet> packets;
    for (int i = 25; i < 100; ++i)
        packets.append({1.08 + i * 0.04, 1.0 + i * 0.04, i % 25 == 0});
    mcd::KeyFrame k = mcd::keyFrameAtOrBefore(packets, 2.0, 1.08);
    EXPECT_NEAR(k.offset, 2.0, 1e-9);
    EXPECT_NEAR(k.pts, 3.08, 1e-9);
    EXPECT_NEAR(k.dts, 3.0, 1e-9);
    k = mcd::keyFrameAtOrBefore(packets, 2.96, 1.08);
    EXPECT_NEAR(k.offset, 2.0, 1e-9);
    // None early enough in the window: the earliest one after the point.
    k = mcd::keyFrameAtOrBefore(packets, 0.5, 1.08);
    EXPECT_NEAR(k.offset, 1.0, 1e-9);
    // Nothing to look at: the start itself.
    k = mcd::keyFrameAtOrBefore({}, 7.0, 0);
    EXPECT_DOUBLE_EQ(k.offset, 7.0);
}

TEST(McdArgs, FfmpegArgumentsForCutReencodeAndJoin)
{
    mcd::Command c = mcd::parseCommand(words("-mc 1 -ovc copy -oac mp3lame -lameopts br=64 -o x.avi y.avi"));
    mcd::Run run;
    run.input = QStringLiteral("y.avi");
    run.fileTimes = true;
    run.inputSeek = 1;
    run.seek = 0.9995;
    run.length = 2;
    run.output = QStringLiteral("x.avi");
    run.format = QStringLiteral("avi");
    EXPECT_EQ(joined(mcd::ffmpegArgs(c, run)),
              QStringLiteral("-nostdin -hide_banner -nostats -y -copyts -seek_timestamp 1 -ss 1.000000 -i y.avi -ss 0.999500 -t 2.000000 -c:v copy "
                             "-c:a libmp3lame -b:a 64k -sn -dn -f avi -progress pipe:1 x.avi"));
    c.reencodeAudio = false;
    run.concat = true;
    run.fileTimes = false;
    run.inputSeek = run.seek = run.length = -1;
    run.input = QStringLiteral("/t/list");
    EXPECT_EQ(joined(mcd::ffmpegArgs(c, run)),
              QStringLiteral("-nostdin -hide_banner -nostats -y -f concat -safe 0 -i /t/list -c:v copy -c:a copy "
                             "-sn -dn -f avi -progress pipe:1 x.avi"));
    EXPECT_EQ(mcd::concatList({QStringLiteral("/a/it's 1.flv"), QStringLiteral("/b/2.flv")}),
              QByteArray("ffconcat version 1.0\nfile '/a/it'\\''s 1.flv'\nfile '/b/2.flv'\n"));
}

// The program refuses a type before the job exactly when the MEncoder front-end would fail
// on it: the two programs share no code, so their lists are held together here.
TEST(McdArgs, ContainersAreTheProgramsCuttableTypes)
{
    const QStringList types = mdlZorvoFLV::playableList.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    ASSERT_GT(types.size(), 10);
    for (const QString& ext : types)
        EXPECT_EQ(mdlToolCmds::cuttableType(ext), !mcd::containerFor(QStringLiteral("a.") + ext).isEmpty()) << ext.toStdString();
}
