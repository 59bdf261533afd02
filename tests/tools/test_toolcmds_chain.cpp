// The built command lines through the real chain: ZorvoResFLV writes the front-ends, the
// runner runs the lines, ffmpeg does the work, ffprobe judges the files. One job of each
// tool family, in the order of its runs.
#include "ToolTestEnv.h"
#include "common/TestMedia.h"
#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace testmedia;
using namespace mdlToolCmds;
using mdlGetCmdOutput::runCmdWait;
using mdlTools::pathFfmpeg;
using mdlTools::pathFlvmdi;
using mdlTools::pathMencoder;

namespace {

tooltest::PrivateRuntime g_runtime;

class ToolCmdChain : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = QDir::currentPath();
        // Every tool makes its output folder current and names its pieces bare.
        QDir::setCurrent(out_.path());
    }
    void TearDown() override
    {
        mdlTools::dealMyResource(host_, QStringLiteral("notCapMCI"), false);
        QDir::setCurrent(before_);
    }

    void tools(const QString& mode) { mdlTools::dealMyResource(host_, mode, true); }
    bool hasFlvmdi() const { return QFileInfo::exists(pathFlvmdi); }
    QString here(const QString& name) const { return out_.file(name); }
    qint64 sizeOf(const QString& name) const { return QFileInfo(here(name)).size(); }
    bool rename(const QString& from, const QString& to) const
    {
        QFile::remove(here(to));
        return QFile::rename(here(from), here(to));
    }
    QStringList leftovers() const
    {
        return QDir(out_.path()).entryList(tempPatterns(), QDir::Files | QDir::Hidden);
    }

    // One piece of a type 1 source: cut, re-mux, the re-muxed piece takes its name.
    void cutFlvPiece(const QString& source, int i, const Piece& range)
    {
        const QString piece = pieceName(i, QStringLiteral("flv"));
        runCmdWait(cutPiece(pathMencoder, cutTimes(range.start, range.end), piece, source, false));
        ASSERT_GT(sizeOf(piece), 0) << piece.toStdString();
        runCmdWait(remuxPiece(pathFfmpeg, piece));
        ASSERT_GT(sizeOf(fixedName(piece)), 0);
        QFile::remove(here(piece));
        ASSERT_TRUE(rename(fixedName(piece), piece));
    }

    tooltest::TestHost host_;
    TempDir out_;
    QString before_;
};

} // namespace

// Crop of two marks of an FLV: each widened to whole seconds, joined in order, re-muxed,
// given its metadata and renamed to the target.
TEST_F(ToolCmdChain, CropOfTwoMarkedRanges)
{
    const QString source = path(LongFlv);
    const QString ext = lowerExt(source);
    ASSERT_EQ(sourceType(ext), 1);
    tools(editMode(1));
    const QList<Piece> marks{{2.30, 4.80}, {7.00, 9.00}};
    int expected = 0;
    for (int i = 0; i < marks.size(); ++i) {
        cutFlvPiece(source, i, marks[i]);
        const CutTimes t = cutTimes(marks[i].start, marks[i].end);
        expected += tooltest::expectedCutFrames(source, t.start, t.length);
    }
    runCmdWait(joinPieces(pathMencoder, ext, pieceList(marks.size(), ext)));
    ASSERT_GT(sizeOf(joinName(ext)), 0);
    runCmdWait(remuxJoined(pathFfmpeg, ext));
    ASSERT_GT(sizeOf(fixJoinName(ext)), 0);
    if (hasFlvmdi())
        runCmdWait(flvmdiBare(pathFlvmdi, fixJoinName(ext)));
    const QString target = here(QStringLiteral("长 片段_part.flv"));
    ASSERT_TRUE(rename(fixJoinName(ext), QFileInfo(target).fileName()));

    EXPECT_EQ(tooltest::sortedCodecs(target), QStringLiteral("flv1,mp3"));
    EXPECT_EQ(countVideoFrames(target), expected);
    EXPECT_NEAR(durationOf(target), expected / 25.0, 0.2);
    EXPECT_TRUE(tooltest::monotonic(target, "v"));
    EXPECT_TRUE(tooltest::monotonic(target, "a"));
}

// The split page into two equal parts of a 4 s FLV: split_001 and split_002, each with
// its metadata, every frame once.
TEST_F(ToolCmdChain, SplitIntoEqualParts)
{
    const QString source = path(Flv1Mp3);
    const SplitPlan plan = planSplit(0, Flv1Mp3.seconds, QFileInfo(source).size(), QStringLiteral("2"));
    ASSERT_TRUE(plan.valid);
    const QList<Piece> pieces = splitPieces(plan);
    ASSERT_EQ(pieces.size(), 2);
    tools(editMode(sourceType(lowerExt(source))));
    for (int i = 0; i < pieces.size(); ++i) {
        cutFlvPiece(source, i, pieces[i]);
        if (hasFlvmdi())
            runCmdWait(flvmdiBare(pathFlvmdi, pieceName(i, QStringLiteral("flv"))));
    }
    int frames = 0;
    for (int i = 0; i < pieces.size(); ++i) {
        ASSERT_TRUE(rename(pieceName(i, QStringLiteral("flv")), splitName(i, QStringLiteral("flv"))));
        const QString file = here(splitName(i, QStringLiteral("flv")));
        EXPECT_EQ(countVideoFrames(file), 50) << i;
        EXPECT_TRUE(tooltest::monotonic(file, "a")) << i;
        frames += countVideoFrames(file);
    }
    EXPECT_EQ(frames, Flv1Mp3.frames);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(QLatin1Char(',')).toStdString();
}

// The join page, type 2: two MPEG files, one whose name holds blanks, CJK characters and
// double quotes, re-muxed into a target of the same kind.
TEST_F(ToolCmdChain, JoinOfTwoMpegFilesByPath)
{
    const QString odd = here(QStringLiteral("片 \"甲\" 1.mpg"));
    ASSERT_TRUE(QFile::copy(path(Mpeg1Mp2), odd));
    const QStringList items{odd, path(Mpeg1Mp2)};
    auto yes = [](const QString&) { return true; };
    ASSERT_EQ(firstRefusedJoinItem(items, yes, [](const QString& p) { return QFileInfo::exists(p); }), -1);
    const QString ext = lowerExt(items.first());
    ASSERT_EQ(sourceType(ext), 2);
    const QString target = here(mergeName(items.first()));
    ASSERT_FALSE(targetIsSource(target, items));

    tools(editMode(2));
    runCmdWait(joinFiles(pathMencoder, ext, joinList(items)));
    ASSERT_GT(sizeOf(joinName(ext)), 0);
    runCmdWait(remuxJoinedInto(pathFfmpeg, ext, target));

    EXPECT_EQ(QFileInfo(target).fileName(), QStringLiteral("片 \"甲\" 1_merge.mpg"));
    EXPECT_TRUE(tooltest::sortedCodecs(target).contains(QLatin1String("mpeg1video")));
    EXPECT_EQ(countVideoFrames(target), 2 * Mpeg1Mp2.frames);
    EXPECT_NEAR(durationOf(target), 2 * Mpeg1Mp2.seconds, 0.3);
    EXPECT_TRUE(tooltest::monotonic(target, "v"));
}

// A snapshot series over the whole of a clip in a CJK folder: three PNG pictures at
// equal spacing, each renamed from FFmpeg's own name as soon as it is written.
TEST_F(ToolCmdChain, SnapshotSeriesOfThreePictures)
{
    const QString source = path(CjkFlv);
    const SnapPlan plan = planSnapshots(1, 0, CjkFlv.seconds, {}, {}, {}, QStringLiteral("3"), {});
    ASSERT_TRUE(plan.valid);
    ASSERT_EQ(plan.count, 3);
    const QString fmt = QStringLiteral("png");
    tools(QStringLiteral("Snap"));
    for (qint64 i = 0; i < plan.count; ++i) {
        runCmdWait(snapshotCmd(pathFfmpeg, source, snapshotMoment(plan, i), fmt));
        ASSERT_TRUE(QFileInfo::exists(here(snapshotTempName(fmt)))) << i;
        ASSERT_TRUE(rename(snapshotTempName(fmt), snapshotName(static_cast<int>(i), fmt)));
    }
    for (int i = 0; i < 3; ++i) {
        const QString pic = here(snapshotName(i, fmt));
        EXPECT_EQ(tooltest::streamEntry(pic, "v", "codec_name"), QStringLiteral("png")) << i;
        EXPECT_EQ(tooltest::streamEntry(pic, "v", "width"), QStringLiteral("320")) << i;
    }
    EXPECT_TRUE(leftovers().isEmpty());
}

// The fix page: an FLV (type 1) through its temporary name and the injector, and an MP4
// taken as type 3, whose sound has to be re-encoded after the copy comes out empty.
TEST_F(ToolCmdChain, FixOfAnFlvAndOfAFileWhoseSoundMustBeReencoded)
{
    const QString flv = path(CjkFlv);
    const QString ext = lowerExt(flv);
    tools(fixMode(sourceType(ext)));
    runCmdWait(fixRemuxFlv(pathFfmpeg, flv, ext));
    ASSERT_GT(sizeOf(fixTempName(ext)), 0);
    if (hasFlvmdi())
        runCmdWait(flvmdiBare(pathFlvmdi, fixTempName(ext)));
    const QString fixedFlv = here(fixName(flv));
    ASSERT_TRUE(rename(fixTempName(ext), QFileInfo(fixedFlv).fileName()));
    EXPECT_EQ(countVideoFrames(fixedFlv), CjkFlv.frames);
    EXPECT_EQ(tooltest::sortedCodecs(fixedFlv), QStringLiteral("flv1,mp3"));

    const QString mp4 = path(H264AacMp4);
    ASSERT_EQ(sourceType(lowerExt(mp4)), 3);
    tools(fixMode(3));
    const QString target = here(QStringLiteral("修复 结果.mpg"));
    runCmdWait(fixCopy(pathMencoder, mp4, target, false));
    ASSERT_TRUE(QFileInfo::exists(target));
    EXPECT_EQ(QFileInfo(target).size(), 0);
    runCmdWait(fixCopy(pathMencoder, mp4, target, true));
    EXPECT_EQ(tooltest::streamEntry(target, "a", "codec_name"), QStringLiteral("mp3"));
    EXPECT_NEAR(tooltest::measuredBitRate(target, "a"), 64000, 64000 * 0.15);
    EXPECT_NEAR(durationOf(target), H264AacMp4.seconds, 0.3);
}

// The encode pages: FLV to WMV at 160x120 mono on a video page, then FLV to MP3 on a
// music page.
TEST_F(ToolCmdChain, EncodeToWmvAndToMusic)
{
    const QString source = path(CjkFlv);
    tools(QStringLiteral("Encode"));
    EncodeSettings video = encodeDefaults(0);
    video.size = QStringLiteral("160x120");
    video.channelItem = 0;
    const QString wmv = here(QStringLiteral("转档 结果.wmv"));
    ASSERT_FALSE(encodeRateRefused(wmv, video));
    runCmdWait(encodeCmd(pathFfmpeg, source, wmv, video));
    EXPECT_EQ(tooltest::sortedCodecs(wmv), QStringLiteral("wmav2,wmv2"));
    EXPECT_EQ(tooltest::streamEntry(wmv, "v", "width"), QStringLiteral("160"));
    EXPECT_EQ(tooltest::streamEntry(wmv, "a", "channels"), QStringLiteral("1"));
    EXPECT_EQ(tooltest::streamEntry(wmv, "a", "sample_rate"), QStringLiteral("22050"));
    EXPECT_FALSE(encodeNeedsMetadata(wmv));

    const QString mp3 = here(QStringLiteral("音乐.mp3"));
    runCmdWait(encodeCmd(pathFfmpeg, source, mp3, encodeDefaults(2)));
    EXPECT_EQ(tooltest::sortedCodecs(mp3), QStringLiteral("mp3"));
    EXPECT_EQ(tooltest::streamEntry(mp3, "a", "bit_rate"), QStringLiteral("64000"));
    EXPECT_NEAR(durationOf(mp3), CjkFlv.seconds, 0.2);
}
