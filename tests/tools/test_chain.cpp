// The real chain: ZorvoResFLV writes the front-ends, the runner runs the tools' command
// lines (exact templates, filled in) through them and ffmpeg, and ffprobe judges the files.
#include "ToolTestEnv.h"
#include "common/TestMedia.h"
#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <gtest/gtest.h>

using namespace testmedia;
using tooltest::sortedCodecs;
using tooltest::expectedCutFrames;
using tooltest::monotonic;

using tooltest::flvmetaAccepts;

namespace {

tooltest::PrivateRuntime g_runtime;

QString both(const Clip& clip)
{
    QStringList l{QString::fromLatin1(clip.videoCodec), QString::fromLatin1(clip.audioCodec)};
    l.sort();
    return l.join(QLatin1Char(','));
}

class Chain : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = QDir::currentPath();
        // The tools name their pieces by bare names in the output folder.
        QDir::setCurrent(out_.path());
    }
    void TearDown() override
    {
        mdlTools::dealMyResource(host_, QStringLiteral("notCapMCI"), false);
        QDir::setCurrent(before_);
    }

    void tools(const char* mode) { mdlTools::dealMyResource(host_, QString::fromLatin1(mode), true); }

    // Fills a template: {name} from the values, the tool paths from the runner.
    QString fill(const char* templ, const QMap<QString, QString>& values) const
    {
        QString line = QString::fromUtf8(templ);
        line.replace(QStringLiteral("{mencoder}"), mdlTools::pathMencoder);
        line.replace(QStringLiteral("{ffmpeg}"), mdlTools::pathFfmpeg);
        line.replace(QStringLiteral("{flvmdi}"), mdlTools::pathFlvmdi);
        for (auto it = values.begin(); it != values.end(); ++it)
            line.replace(QLatin1Char('{') + it.key() + QLatin1Char('}'), it.value());
        return line;
    }
    void run(const char* templ, const QMap<QString, QString>& values)
    {
        mdlGetCmdOutput::runCmdWait(fill(templ, values));
    }
    QString here(const QString& name) const { return out_.file(name); }
    qint64 sizeOf(const QString& name) const { return QFileInfo(here(name)).size(); }
    bool rename(const QString& from, const QString& to) const
    {
        QFile::remove(here(to));
        return QFile::rename(here(from), here(to));
    }

    // One piece of a type 1 or 2 source, as saving marked ranges cuts it: the copy cut,
    // then the re-mux, and the re-muxed piece takes the piece's name.
    void cutAndRemux(const QString& source, const QString& piece, int start, int length)
    {
        run("{mencoder} -mc 1 -ovc copy -oac copy -ss {start} -endpos {length} -o {piece} \"{source}\"",
            {{"start", QString::number(start)}, {"length", QString::number(length)}, {"piece", piece}, {"source", source}});
        ASSERT_GT(sizeOf(piece), 0) << piece.toStdString();
        run("{ffmpeg} -y -vcodec copy -acodec copy -i {piece} ~fix{piece}", {{"piece", piece}});
        ASSERT_GT(sizeOf(QStringLiteral("~fix") + piece), 0);
        QFile::remove(here(piece));
        ASSERT_TRUE(rename(QStringLiteral("~fix") + piece, piece));
    }

    tooltest::TestHost host_;
    TempDir out_;
    QString before_;
};

} // namespace

// Crop of one mark of an FLV: cut, re-mux, (metadata,) rename to the target.
TEST_F(Chain, CropOneMarkOfBothFlvKinds)
{
    tools("Edit1");
    for (const Clip* clip : {&Flv1Mp3, &H264AacFlv}) {
        const QString source = path(*clip);
        cutAndRemux(source, QStringLiteral("~tmpSP001.flv"), 1, 2);
        if (QFileInfo::exists(mdlTools::pathFlvmdi))
            run("{flvmdi} {piece}", {{"piece", QStringLiteral("~tmpSP001.flv")}});
        const QString target = QStringLiteral("%1_part.flv").arg(QString::fromLatin1(clip->videoCodec));
        ASSERT_TRUE(rename(QStringLiteral("~tmpSP001.flv"), target));
        const QString file = here(target);
        EXPECT_EQ(sortedCodecs(file), both(*clip)) << clip->file;
        EXPECT_EQ(countVideoFrames(file), expectedCutFrames(source, 1, 2)) << clip->file;
        EXPECT_EQ(countVideoFrames(file), 50) << clip->file;
        EXPECT_NEAR(durationOf(file), 2.0, 0.15) << clip->file;
        EXPECT_TRUE(monotonic(file, "v"));
        EXPECT_TRUE(monotonic(file, "a"));
    }
}

// Crop of three marks of an FLV: three pieces joined, the join re-muxed.
TEST_F(Chain, CropThreeMarksOfAnFlvJoinsEveryFrameInOrder)
{
    tools("Edit1");
    const QString source = path(LongFlv);
    const int starts[] = {2, 7, 15};
    const int lengths[] = {3, 2, 4};
    int expected = 0;
    for (int i = 0; i < 3; ++i) {
        cutAndRemux(source, QStringLiteral("~tmpSP%1.flv").arg(i + 1, 3, 10, QLatin1Char('0')), starts[i], lengths[i]);
        expected += expectedCutFrames(source, starts[i], lengths[i]);
    }
    EXPECT_EQ(expected, 225);
    run("{mencoder} -mc 1 -ovc copy -oac copy -o ~tmpSJoin.{ext}{pieces}",
        {{"ext", QStringLiteral("flv")}, {"pieces", QStringLiteral(" ~tmpSP001.flv ~tmpSP002.flv ~tmpSP003.flv")}});
    ASSERT_GT(sizeOf(QStringLiteral("~tmpSJoin.flv")), 0);
    run("{ffmpeg} -y -vcodec copy -acodec copy -i ~tmpSJoin.{ext} ~fix~tmpSJoin.{ext}", {{"ext", QStringLiteral("flv")}});
    const QString file = here(QStringLiteral("~fix~tmpSJoin.flv"));
    EXPECT_EQ(sortedCodecs(file), QStringLiteral("flv1,mp3"));
    EXPECT_EQ(countVideoFrames(file), expected);
    EXPECT_NEAR(durationOf(file), 9.0, 0.2);
    EXPECT_TRUE(monotonic(file, "v"));
    EXPECT_TRUE(monotonic(file, "a"));
}

// The same crop of an H.264 + AAC FLV: every piece carries its own codec header, and the
// joined file gets its metadata from flvmdi before it takes the target's name.
TEST_F(Chain, CropThreeMarksOfAnH264FlvJoinsAndTakesMetadata)
{
    tools("Edit1");
    const QString source = path(Sample);
    const int starts[] = {0, 4, 7};
    const int lengths[] = {2, 2, 3};
    int expected = 0;
    for (int i = 0; i < 3; ++i) {
        cutAndRemux(source, QStringLiteral("~tmpSP%1.flv").arg(i + 1, 3, 10, QLatin1Char('0')), starts[i], lengths[i]);
        expected += expectedCutFrames(source, starts[i], lengths[i]);
    }
    run("{mencoder} -mc 1 -ovc copy -oac copy -o ~tmpSJoin.{ext}{pieces}",
        {{"ext", QStringLiteral("flv")}, {"pieces", QStringLiteral(" ~tmpSP001.flv ~tmpSP002.flv ~tmpSP003.flv")}});
    run("{ffmpeg} -y -vcodec copy -acodec copy -i ~tmpSJoin.{ext} ~fix~tmpSJoin.{ext}", {{"ext", QStringLiteral("flv")}});
    ASSERT_GT(sizeOf(QStringLiteral("~fix~tmpSJoin.flv")), 0);
    if (!QFileInfo::exists(mdlTools::pathFlvmdi))
        GTEST_SKIP() << "built without the metadata injector";
    run("{flvmdi} ~fix~tmpSJoin.{ext}", {{"ext", QStringLiteral("flv")}});
    ASSERT_TRUE(rename(QStringLiteral("~fix~tmpSJoin.flv"), QStringLiteral("片段 part.flv")));
    const QString file = here(QStringLiteral("片段 part.flv"));
    QString report;
    EXPECT_TRUE(flvmetaAccepts(file, &report)) << report.toStdString();
    EXPECT_EQ(sortedCodecs(file), QStringLiteral("aac,h264"));
    EXPECT_EQ(countVideoFrames(file), expected);
    EXPECT_NEAR(durationOf(file), expected / 25.0, 0.3);
    EXPECT_TRUE(monotonic(file, "v"));
    EXPECT_TRUE(monotonic(file, "a"));
}

// Type 2: an MPEG cut in two pieces, joined, re-muxed into the target.
TEST_F(Chain, CropTwoMarksOfAnMpg)
{
    tools("Edit2");
    const QString source = path(Mpeg1Mp2);
    cutAndRemux(source, QStringLiteral("~tmpSP001.mpg"), 0, 1);
    cutAndRemux(source, QStringLiteral("~tmpSP002.mpg"), 2, 2);
    const int expected = expectedCutFrames(source, 0, 1) + expectedCutFrames(source, 2, 2);
    EXPECT_EQ(expected, 75);
    run("{mencoder} -mc 1 -ovc copy -oac copy -o ~tmpSJoin.{ext}{pieces}",
        {{"ext", QStringLiteral("mpg")}, {"pieces", QStringLiteral(" ~tmpSP001.mpg ~tmpSP002.mpg")}});
    const QString target = here(QStringLiteral("片段 输出.mpg"));
    run("{ffmpeg} -y -vcodec copy -acodec copy -i ~tmpSJoin.{ext} \"{target}\"",
        {{"ext", QStringLiteral("mpg")}, {"target", target}});
    EXPECT_TRUE(sortedCodecs(target).contains(QLatin1String("mpeg1video")));
    EXPECT_TRUE(sortedCodecs(target).contains(QLatin1String("mp2")));
    EXPECT_EQ(countVideoFrames(target), expected);
    EXPECT_NEAR(durationOf(target), 3.0, 0.25);
    EXPECT_TRUE(monotonic(target, "v"));
    EXPECT_TRUE(monotonic(target, "a"));
}

// Type 3: AVI and WMV pieces by MEncoder only, joined straight into the target.
TEST_F(Chain, SplitAndCropOfAviAndWmv)
{
    tools("Edit3");
    EXPECT_FALSE(QFileInfo::exists(mdlTools::pathFfmpeg)); // Edit3 carries MEncoder only
    for (const Clip* clip : {&Mpeg4Mp3Avi, &Wmv2Wma2}) {
        const QString source = path(*clip);
        const QString ext = QFileInfo(source).suffix();
        const QString p1 = QStringLiteral("~tmpSP001.") + ext, p2 = QStringLiteral("~tmpSP002.") + ext;
        run("{mencoder} -mc 1 -ovc copy -oac copy -ss {start} -endpos {length} -o {piece} \"{source}\"",
            {{"start", "0"}, {"length", "2"}, {"piece", p1}, {"source", source}});
        run("{mencoder} -mc 1 -ovc copy -oac copy -ss {start} -endpos {length} -o {piece} \"{source}\"",
            {{"start", "3"}, {"length", "1"}, {"piece", p2}, {"source", source}});
        EXPECT_EQ(countVideoFrames(here(p1)), expectedCutFrames(source, 0, 2)) << clip->file;
        EXPECT_EQ(countVideoFrames(here(p2)), expectedCutFrames(source, 3, 1)) << clip->file;
        const QString target = here(QStringLiteral("结果 part.") + ext);
        run("{mencoder} -mc 1 -ovc copy -oac copy -o \"{target}\"{pieces}",
            {{"target", target}, {"pieces", QLatin1Char(' ') + p1 + QLatin1Char(' ') + p2}});
        EXPECT_EQ(sortedCodecs(target), both(*clip));
        EXPECT_EQ(countVideoFrames(target), countVideoFrames(here(p1)) + countVideoFrames(here(p2))) << clip->file;
        // The pieces open on the key frames at or before 0 and 3 s.
        EXPECT_NEAR(durationOf(target), countVideoFrames(target) / 25.0, 0.1) << clip->file;
        EXPECT_TRUE(monotonic(target, "v"));
        EXPECT_TRUE(monotonic(target, "a"));
    }
}

// The join page: full paths in quotes, one with blanks and CJK characters.
TEST_F(Chain, JoinOfTwoFlvFilesByPath)
{
    tools("Edit1");
    const QString list = QStringLiteral("\"%1\" \"%2\"").arg(path(CjkFlv), path(Flv1Mp3));
    run("{mencoder} -mc 1 -ovc copy -oac copy -o ~tmpSJoin.{ext} {list}", {{"ext", QStringLiteral("flv")}, {"list", list}});
    run("{ffmpeg} -y -vcodec copy -acodec copy -i ~tmpSJoin.{ext} ~fix~tmpSJoin.{ext}", {{"ext", QStringLiteral("flv")}});
    const QString file = here(QStringLiteral("~fix~tmpSJoin.flv"));
    EXPECT_EQ(sortedCodecs(file), QStringLiteral("flv1,mp3"));
    EXPECT_EQ(countVideoFrames(file), 200);
    EXPECT_NEAR(durationOf(file), 8.0, 0.2);
    EXPECT_TRUE(monotonic(file, "v"));
    EXPECT_TRUE(monotonic(file, "a"));
    // The join list lived in a folder of the front-end's own, not here.
    const QStringList left = QDir(out_.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, (QStringList{QStringLiteral("~fix~tmpSJoin.flv"), QStringLiteral("~tmpSJoin.flv")}));
}

// The join page, type 3, when the sound has to be re-encoded: every frame of both
// files, in order, with MP3 at 64 kbit/s.
TEST_F(Chain, JoinOfAviFilesWithTheSoundReencoded)
{
    tools("Edit3");
    const QString target = here(QStringLiteral("a_merge.avi"));
    const QString avi2 = here(QStringLiteral("b.avi"));
    // Two AVI files of the same kind: the second is the first again.
    ASSERT_TRUE(QFile::copy(path(Mpeg4Mp3Avi), avi2));
    run("{mencoder} -mc 1 -ovc copy -oac mp3lame -lameopts br=64 -o \"{target}\" {list}",
        {{"target", target}, {"list", QStringLiteral("\"%1\" \"%2\"").arg(path(Mpeg4Mp3Avi), avi2)}});
    EXPECT_EQ(sortedCodecs(target), QStringLiteral("mp3,mpeg4"));
    EXPECT_EQ(countVideoFrames(target), 2 * countVideoFrames(path(Mpeg4Mp3Avi)));
    EXPECT_NEAR(durationOf(target), 2 * durationOf(path(Mpeg4Mp3Avi)), 0.2);
    EXPECT_NEAR(tooltest::measuredBitRate(target, "a"), 64000, 64000 * 0.15);
    EXPECT_TRUE(monotonic(target, "v"));
    EXPECT_TRUE(monotonic(target, "a"));
}

// The fix page, all three types.
TEST_F(Chain, FixOfFlvMpgAndAvi)
{
    tools("Fix1");
    run("{ffmpeg} -y -vcodec copy -acodec copy -i \"{source}\" ~fix~tmpSP.{ext}",
        {{"source", path(H264AacFlv)}, {"ext", QStringLiteral("flv")}});
    EXPECT_EQ(sortedCodecs(here(QStringLiteral("~fix~tmpSP.flv"))), QStringLiteral("aac,h264"));
    EXPECT_EQ(countVideoFrames(here(QStringLiteral("~fix~tmpSP.flv"))), 100);

    tools("Fix2");
    const QString mpg = here(QStringLiteral("a_fix.mpg"));
    run("{ffmpeg} -y -vcodec copy -acodec copy -i \"{source}\" \"{target}\"", {{"source", path(Mpeg1Mp2)}, {"target", mpg}});
    EXPECT_EQ(countVideoFrames(mpg), 100);
    EXPECT_NEAR(durationOf(mpg), 4.0, 0.2);

    tools("Fix3");
    const QString avi = here(QStringLiteral("a_fix.avi"));
    run("{mencoder} -ovc copy -oac copy -o \"{target}\" \"{source}\"", {{"source", path(Mpeg4Mp3Avi)}, {"target", avi}});
    EXPECT_EQ(sortedCodecs(avi), QStringLiteral("mp3,mpeg4"));
    EXPECT_EQ(countVideoFrames(avi), countVideoFrames(path(Mpeg4Mp3Avi)));
    EXPECT_NEAR(durationOf(avi), durationOf(path(Mpeg4Mp3Avi)), 0.1);
}

// Sound the container cannot hold: the copy leaves the file empty, the tools then ask
// and re-encode the sound to MP3 at 64 kbit/s.
TEST_F(Chain, AudioThatCannotBeCopiedLeavesAnEmptyFileThenReencodes)
{
    tools("Fix3");
    const QString target = here(QStringLiteral("movie_fix.mpg"));
    run("{mencoder} -ovc copy -oac copy -o \"{target}\" \"{source}\"", {{"source", path(H264AacMp4)}, {"target", target}});
    ASSERT_TRUE(QFileInfo::exists(target));
    EXPECT_EQ(QFileInfo(target).size(), 0);
    run("{mencoder} -ovc copy -oac mp3lame -lameopts br=64 -o \"{target}\" \"{source}\"",
        {{"source", path(H264AacMp4)}, {"target", target}});
    EXPECT_GT(QFileInfo(target).size(), 0);
    EXPECT_EQ(tooltest::streamEntry(target, "a", "codec_name"), QStringLiteral("mp3"));
    EXPECT_NEAR(tooltest::measuredBitRate(target, "a"), 64000, 64000 * 0.15);

    // The same re-encode on a cut (type 3 piece).
    run("{mencoder} -mc 1 -ovc copy -oac mp3lame -lameopts br=64 -ss {start} -endpos {length} -o {piece} \"{source}\"",
        {{"start", "1"}, {"length", "2"}, {"piece", QStringLiteral("~tmpSP001.wmv")}, {"source", path(Wmv2Wma2)}});
    const QString piece = here(QStringLiteral("~tmpSP001.wmv"));
    EXPECT_EQ(sortedCodecs(piece), QStringLiteral("mp3,wmv2"));
    EXPECT_EQ(countVideoFrames(piece), expectedCutFrames(path(Wmv2Wma2), 1, 2));
    EXPECT_NEAR(tooltest::measuredBitRate(piece, "a"), 64000, 64000 * 0.15);
}

// A copy that cannot be done at all (the picture does not fit either) leaves no file,
// and the front-end ends with an error code.
TEST_F(Chain, CopyThatCannotBeDoneLeavesNoFile)
{
    tools("Edit3");
    run("{mencoder} -mc 1 -ovc copy -oac copy -ss {start} -endpos {length} -o {piece} \"{source}\"",
        {{"start", "0"}, {"length", "2"}, {"piece", QStringLiteral("~tmpSP001.flv")}, {"source", path(Wmv2Wma2)}});
    EXPECT_FALSE(QFileInfo::exists(here(QStringLiteral("~tmpSP001.flv"))));
    // A missing source neither.
    run("{mencoder} -ovc copy -oac copy -o \"{target}\" \"{source}\"",
        {{"source", here(QStringLiteral("nothing.avi"))}, {"target", here(QStringLiteral("x.avi"))}});
    EXPECT_FALSE(QFileInfo::exists(here(QStringLiteral("x.avi"))));
}

// The snapshot series: one picture a run, named by FFmpeg from the pattern.
TEST_F(Chain, SnapshotsInThreeFormats)
{
    tools("Snap");
    for (const char* fmt : {"jpg", "png", "gif"}) {
        run("{ffmpeg} -i \"{source}\" -y -ss {time} -t 0.001 ~tmpSP%03d.{fmt}",
            {{"source", path(LongFlv)}, {"time", QStringLiteral("12.340")}, {"fmt", QString::fromLatin1(fmt)}});
        const QString pic = here(QStringLiteral("~tmpSP001.") + QLatin1String(fmt));
        ASSERT_TRUE(QFileInfo::exists(pic)) << fmt;
        EXPECT_FALSE(QFileInfo::exists(here(QStringLiteral("~tmpSP002.") + QLatin1String(fmt)))) << fmt;
        EXPECT_EQ(tooltest::streamEntry(pic, "v", "width"), QStringLiteral("320")) << fmt;
    }
    // The CJK path and the moment 0.
    run("{ffmpeg} -i \"{source}\" -y -ss {time} -t 0.001 ~tmpSP%03d.{fmt}",
        {{"source", path(CjkFlv)}, {"time", QStringLiteral("0.000")}, {"fmt", QStringLiteral("jpg")}});
    EXPECT_TRUE(QFileInfo::exists(here(QStringLiteral("~tmpSP001.jpg"))));
}

// The encode pages, video and music: the bit rates are kbit/s.
TEST_F(Chain, EncodeOnTheVideoAndMusicPages)
{
    tools("Encode");
    const QString wmv = here(QStringLiteral("a.wmv"));
    run("{ffmpeg} -y -i \"{source}\" -vcodec wmv2  -r 25 -b 200 -ar 22050 -ab 64 -ac 2 \"{target}\"",
        {{"source", path(Flv1Mp3)}, {"target", wmv}});
    EXPECT_EQ(sortedCodecs(wmv), QStringLiteral("wmav2,wmv2"));
    EXPECT_EQ(tooltest::streamEntry(wmv, "a", "sample_rate"), QStringLiteral("22050"));
    EXPECT_EQ(tooltest::streamEntry(wmv, "a", "channels"), QStringLiteral("2"));
    EXPECT_EQ(tooltest::streamEntry(wmv, "a", "bit_rate"), QStringLiteral("64000"));
    // "-b 200" is 200 kbit/s: the encoder's rate control lands near it on these clips, and
    // well above what "-b 48" gives (read as bits a second, both would be the same).
    const QString low = here(QStringLiteral("low.wmv"));
    run("{ffmpeg} -y -i \"{source}\" -vcodec wmv2  -r 25 -b 48 -ar 22050 -ab 64 -ac 2 \"{target}\"",
        {{"source", path(Flv1Mp3)}, {"target", low}});
    const double vrate = tooltest::measuredBitRate(wmv, "v");
    EXPECT_GT(vrate, 200000 * 0.6);
    EXPECT_LT(vrate, 200000 * 2.0);
    EXPECT_GT(vrate, tooltest::measuredBitRate(low, "v") * 1.5);
    EXPECT_NEAR(durationOf(wmv), 4.0, 0.3);

    const QString flv = here(QStringLiteral("b.flv"));
    run("{ffmpeg} -y -i \"{source}\" -s 160x120 -r 15 -b 96 -ar 22050 -ab 32 -ac 1 \"{target}\"",
        {{"source", path(Mpeg4Mp3Avi)}, {"target", flv}});
    EXPECT_EQ(sortedCodecs(flv), QStringLiteral("flv1,mp3"));
    EXPECT_EQ(tooltest::streamEntry(flv, "v", "width"), QStringLiteral("160"));
    EXPECT_EQ(tooltest::streamEntry(flv, "a", "channels"), QStringLiteral("1"));
    EXPECT_NEAR(countVideoFrames(flv), 60, 3); // 4 s at 15 frames a second
    EXPECT_NEAR(tooltest::measuredBitRate(flv, "a"), 32000, 32000 * 0.2);
    if (QFileInfo::exists(mdlTools::pathFlvmdi)) {
        const int frames = countVideoFrames(flv);
        run("{flvmdi} \"{target}\"", {{"target", flv}});
        EXPECT_EQ(countVideoFrames(flv), frames);
    }

    const QString mpg = here(QStringLiteral("c.mpg"));
    run("{ffmpeg} -y -i \"{source}\" -r 25 -b 200 -ar 22050 -ab 64 -ac 2 \"{target}\"",
        {{"source", path(H264AacFlv)}, {"target", mpg}});
    EXPECT_EQ(tooltest::streamEntry(mpg, "v", "codec_name"), QStringLiteral("mpeg1video"));
    EXPECT_NEAR(countVideoFrames(mpg), 100, 2);

    const QString mp3 = here(QStringLiteral("d.mp3"));
    run("{ffmpeg} -y -i \"{source}\" -vn  -ar 22050 -ab 64 -ac 2 \"{target}\"", {{"source", path(Flv1Mp3)}, {"target", mp3}});
    EXPECT_EQ(sortedCodecs(mp3), QStringLiteral("mp3"));
    EXPECT_EQ(tooltest::streamEntry(mp3, "a", "bit_rate"), QStringLiteral("64000"));
    EXPECT_NEAR(durationOf(mp3), 4.0, 0.2);

    // The page's own example: FLV to AVI with the defaults.
    const QString avi = here(QStringLiteral("a.avi"));
    run("{ffmpeg} -y -i \"{source}\" -r 25 -b 200 -ar 22050 -ab 64 -ac 2 \"{target}\"", {{"source", path(Flv1Mp3)}, {"target", avi}});
    EXPECT_EQ(tooltest::streamEntry(avi, "a", "sample_rate"), QStringLiteral("22050"));
    EXPECT_EQ(tooltest::streamEntry(avi, "a", "bit_rate"), QStringLiteral("64000"));
    EXPECT_EQ(countVideoFrames(avi), 100);
    EXPECT_NEAR(durationOf(avi), 4.0, 0.2);

    // The music pages: FLV to WAV, and MP3 to an FLV of sound alone, which then gets its
    // metadata.
    const QString wav = here(QStringLiteral("e.wav"));
    run("{ffmpeg} -y -i \"{source}\" -vn  -ar 11025 -ab 64 -ac 1 \"{target}\"", {{"source", path(H264AacFlv)}, {"target", wav}});
    EXPECT_EQ(sortedCodecs(wav), QStringLiteral("pcm_s16le"));
    EXPECT_EQ(tooltest::streamEntry(wav, "a", "sample_rate"), QStringLiteral("11025"));
    EXPECT_EQ(tooltest::streamEntry(wav, "a", "channels"), QStringLiteral("1"));
    const QString music = here(QStringLiteral("f.flv"));
    run("{ffmpeg} -y -i \"{source}\" -vn  -ar 22050 -ab 32 -ac 2 \"{target}\"", {{"source", path(ToneMp3)}, {"target", music}});
    EXPECT_EQ(sortedCodecs(music), QStringLiteral("mp3"));
    EXPECT_NEAR(tooltest::measuredBitRate(music, "a"), 32000, 32000 * 0.2);
    if (QFileInfo::exists(mdlTools::pathFlvmdi)) {
        run("{flvmdi} \"{target}\"", {{"target", music}});
        QString report;
        EXPECT_TRUE(flvmetaAccepts(music, &report)) << report.toStdString();
        EXPECT_NEAR(durationOf(music), 4.0, 0.2);
    }

    // A value ffmpeg refuses leaves no target.
    const QString bad = here(QStringLiteral("e.avi"));
    run("{ffmpeg} -y -i \"{source}\" -r abc -b 200 -ar 22050 -ab 64 -ac 2 \"{target}\"", {{"source", path(Flv1Mp3)}, {"target", bad}});
    EXPECT_LE(QFileInfo(bad).size(), 0);
}
