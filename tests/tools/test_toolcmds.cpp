// The command lines, names and plans of the six tools, without running anything.
#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlToolCmds.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <ostream>

using namespace mdlToolCmds;

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const QString mcd = QStringLiteral("/run/user/1000/Zorvo.FLV/~tmpExtMcd.exe");
const QString fmg = QStringLiteral("/run/user/1000/Zorvo.FLV/~tmpExtFmg.exe");
const QString fmd = QStringLiteral("/run/user/1000/Zorvo.FLV/~tmpExtFmd.exe");
const QString cjk = QStringLiteral("/home/u/影片 目录/第一 段.flv");

QStringList args(const QString& line) { return mdlGetCmdOutput::splitCommandLine(line); }

} // namespace

TEST(ToolCmds, CropOfOneMarkCutsTheWidenedRangeAndNamesItsPiece)
{
    // A mark from 10.20 s to 15.30 s of a.flv.
    const CutTimes t = cutTimes(10.20, 15.30);
    EXPECT_EQ(t.start, 10);
    EXPECT_EQ(t.length, 6);
    EXPECT_EQ(cutPiece(mcd, t, pieceName(0, "flv"), cjk, false),
              mcd + " -mc 1 -ovc copy -oac copy -ss 10 -endpos 6 -o ~tmpSP001.flv \"/home/u/影片 目录/第一 段.flv\"");
    EXPECT_EQ(cutPiece(mcd, t, pieceName(0, "avi"), "/v/a.avi", true),
              mcd + " -mc 1 -ovc copy -oac mp3lame -lameopts br=64 -ss 10 -endpos 6 -o ~tmpSP001.avi \"/v/a.avi\"");
    EXPECT_EQ(remuxPiece(fmg, pieceName(0, "flv")), fmg + " -y -vcodec copy -acodec copy -i ~tmpSP001.flv ~fix~tmpSP001.flv");
    EXPECT_EQ(flvmdiBare(fmd, pieceName(0, "flv")), fmd + " ~tmpSP001.flv");
    EXPECT_EQ(markJobCount(false, 1), 1);
    EXPECT_EQ(buzyLabel("裁剪", 1, 1), "Zorvo.FLV\r\n\r\n正在进行“裁剪”多媒体档案\r\n\r\n共有 1 个程序，正处理第 1 个");
}

TEST(ToolCmds, CutTimesWidenToWholeSecondsButNotPastAWholeEnd)
{
    EXPECT_EQ(cutTimes(0, 15.00).length, 15);
    EXPECT_EQ(cutTimes(3.00, 15.00).start, 3);
    EXPECT_EQ(cutTimes(3.00, 15.00).length, 12);
    // Products of hundredths that float a hair off a whole number.
    EXPECT_EQ(cutTimes(0.1 * 3 * 10, 0.7 * 30).start, 3);
    EXPECT_EQ(cutTimes(0.1 * 3 * 10, 0.7 * 30).length, 18);
    EXPECT_EQ(cutTimes(33.33 * 2, 33.33 * 3).start, 66);
    EXPECT_EQ(cutTimes(33.33 * 2, 33.33 * 3).length, 34);
    EXPECT_EQ(cutTimes(59.99, 60.01).start, 59);
    EXPECT_EQ(cutTimes(59.99, 60.01).length, 2);
}

TEST(ToolCmds, CropOfSeveralMarksJoinsThePiecesInOrder)
{
    EXPECT_EQ(markJobCount(false, 3), 4);
    EXPECT_EQ(markJobCount(true, 3), 3);
    EXPECT_EQ(pieceList(3, "flv"), " ~tmpSP001.flv ~tmpSP002.flv ~tmpSP003.flv");
    EXPECT_EQ(joinPieces(mcd, "flv", pieceList(3, "flv")),
              mcd + " -mc 1 -ovc copy -oac copy -o ~tmpSJoin.flv ~tmpSP001.flv ~tmpSP002.flv ~tmpSP003.flv");
    EXPECT_EQ(remuxJoined(fmg, "flv"), fmg + " -y -vcodec copy -acodec copy -i ~tmpSJoin.flv ~fix~tmpSJoin.flv");
    EXPECT_EQ(flvmdiBare(fmd, fixJoinName("flv")), fmd + " ~fix~tmpSJoin.flv");
    EXPECT_EQ(remuxJoinedInto(fmg, "mpg", "/v/输出 片段.mpg"),
              fmg + " -y -vcodec copy -acodec copy -i ~tmpSJoin.mpg \"/v/输出 片段.mpg\"");
    EXPECT_EQ(joinPiecesInto(mcd, "/v/a b_part.avi", pieceList(2, "avi")),
              mcd + " -mc 1 -ovc copy -oac copy -o \"/v/a b_part.avi\" ~tmpSP001.avi ~tmpSP002.avi");
}

TEST(ToolCmds, TypesModesAndNames)
{
    EXPECT_EQ(sourceType("flv"), 1);
    EXPECT_EQ(sourceType("FLV"), 1);
    for (const char* e : {"mpeg", "mpg", "vob"})
        EXPECT_EQ(sourceType(e), 2) << e;
    for (const char* e : {"avi", "dat", "wmv", "mp4", ""})
        EXPECT_EQ(sourceType(e), 3) << e;
    EXPECT_EQ(editMode(3), "Edit3");
    EXPECT_EQ(fixMode(1), "Fix1");

    EXPECT_EQ(pieceName(998, "mpg"), "~tmpSP999.mpg");
    EXPECT_EQ(pieceName(999, "mpg"), "~tmpSP1000.mpg");
    EXPECT_EQ(splitName(0, "flv"), "split_001.flv");
    EXPECT_EQ(splitName(2, "wmv"), "split_003.wmv");
    EXPECT_EQ(snapshotName(3, "jpg"), "snapshot_004.jpg");
    EXPECT_EQ(snapshotTempName("png"), "~tmpSP001.png");
    EXPECT_EQ(fixTempName("flv"), "~fix~tmpSP.flv");

    EXPECT_EQ(partName("/v/a.flv"), "a_part.flv");
    EXPECT_EQ(partName("/v/My.Clip.FLV"), "My.Clip_part.flv");
    EXPECT_EQ(mergeName(cjk), "第一 段_merge.flv");
    EXPECT_EQ(fixName("/v/clip.flv"), "clip_fix.flv");
    EXPECT_EQ(fixName("/v/movie.dat"), "movie_fix.dat");
    EXPECT_EQ(snapshotProposal("/v/clip.flv", "png"), "clip_snapshot.png");
    EXPECT_EQ(saveFilter("flv"), "FLV 档案格式 (*.flv)|*.flv");

    EXPECT_EQ(splitFolderTitle("分割", "flv"),
              "分割出的档案将以“split_编号.flv”储存\r\n请选取分割出的新档案的储存目录\r\n这里，强烈建议你新建一个资料夹！");
    EXPECT_EQ(failureMessage("修复"),
              "出现错误，无法成功处理档案\r\n\r\n可能是档案格式不支援进一步的修复\r\n或者，该档案被正被其他程式所执行");
}

// Whatever a path holds, the runner's split of a built line gives it back whole.
TEST(ToolCmds, PathsSurviveTheRunnersSplitWhateverTheyHold)
{
    const QStringList paths{cjk, QStringLiteral("/v/say \"hi\" 片.flv"), QStringLiteral("/v/a\\\"b.flv"),
                            QStringLiteral("/v/end\\"), QStringLiteral("/v/\"\"")};
    for (const QString& p : paths) {
        EXPECT_EQ(args(cutPiece(mcd, {1, 2}, pieceName(0, "flv"), p, false)).last(), p);
        EXPECT_EQ(args(fixCopy(mcd, p, p + "x", false)).mid(6), (QStringList{p + "x", p}));
        EXPECT_EQ(args(fixRemuxInto(fmg, p, p)).mid(7), (QStringList{p, p}));
        EXPECT_EQ(args(snapshotCmd(fmg, p, 1, "jpg"))[2], p);
        EXPECT_EQ(args(encodeCmd(fmg, p, p, encodeDefaults(0))).last(), p);
        EXPECT_EQ(args(flvmdiQuoted(fmd, p)), (QStringList{fmd, p}));
        EXPECT_EQ(args(joinFiles(mcd, "flv", joinList({p, cjk}))).mid(9), (QStringList{p, cjk}));
    }
    // A plain path is written as it is, between two quotation marks.
    EXPECT_EQ(quoted(cjk), "\"" + cjk + "\"");
    EXPECT_EQ(quoted("/v/say \"hi\".flv"), "\"/v/say \\\"hi\\\".flv\"");

    // A tool folder with a blank (the program folder standing in) still names one program.
    const QString spaced = QStringLiteral("/home/u/My Apps/~tmpExtFmg.exe");
    EXPECT_EQ(args(remuxJoined(spaced, "flv")).first(), spaced);
    // An extension that would cut a bare name in two keeps it whole.
    EXPECT_EQ(args(remuxPiece(fmg, pieceName(0, "f v"))).mid(7), (QStringList{"~tmpSP001.f v", "~fix~tmpSP001.f v"}));
}

TEST(ToolCmds, JoinListsEveryItemQuotedAndChecksItsItems)
{
    const QStringList items{"/v/a.flv", "/v/b c.flv", cjk};
    EXPECT_EQ(joinFiles(mcd, "flv", joinList(items)),
              mcd + " -mc 1 -ovc copy -oac copy -o ~tmpSJoin.flv \"/v/a.flv\" \"/v/b c.flv\" \"" + cjk + "\"");
    EXPECT_EQ(joinFilesInto(mcd, "/v/a_merge.avi", joinList({"/v/a.avi", "/v/b.avi"}), false),
              mcd + " -mc 1 -ovc copy -oac copy -o \"/v/a_merge.avi\" \"/v/a.avi\" \"/v/b.avi\"");
    EXPECT_EQ(joinFilesInto(mcd, "/v/a_merge.avi", joinList({"/v/a.avi", "/v/b.avi"}), true),
              mcd + " -mc 1 -ovc copy -oac mp3lame -lameopts br=64 -o \"/v/a_merge.avi\" \"/v/a.avi\" \"/v/b.avi\"");
    EXPECT_EQ(mergeName(items.first()), "a_merge.flv");

    auto yes = [](const QString&) { return true; };
    EXPECT_EQ(firstRefusedJoinItem(QStringList{"/v/a.flv", "/v/b.mpg"}, yes, yes), 1);
    EXPECT_EQ(firstRefusedJoinItem(QStringList{"/v/A.FLV", "/v/b.flv"}, yes, yes), -1);
    EXPECT_EQ(firstRefusedJoinItem(QStringList{"/v/a.flv", "/v/b.flv", "/v/c.flv"}, yes,
                                   [](const QString& p) { return !p.endsWith("c.flv"); }),
              2);
    EXPECT_EQ(firstRefusedJoinItem(QStringList{"/v/a.txt", "/v/b.txt"}, [](const QString&) { return false; }, yes), 0);

    EXPECT_TRUE(targetIsSource("/v/b c.flv", items));
    EXPECT_FALSE(targetIsSource("/v/b.flv", QStringList{"/w/v/b.flv", "/v/a.flv"}));
}

TEST(ToolCmds, SplitIntoPartsSecondsAndKilobytes)
{
    const qint64 bytes = 1000 * 1024; // 1000 KB
    SplitPlan p = planSplit(0, 100, bytes, "3");
    ASSERT_TRUE(p.valid);
    EXPECT_DOUBLE_EQ(p.length, 33.33);
    EXPECT_EQ(p.countText, "目前切割数 003");
    QList<Piece> pieces = splitPieces(p);
    ASSERT_EQ(pieces.size(), 3);
    EXPECT_DOUBLE_EQ(pieces[1].start, 33.33);
    EXPECT_DOUBLE_EQ(pieces[1].end, 66.66);
    EXPECT_DOUBLE_EQ(pieces[2].start, 66.66);
    const int expected[3][2] = {{0, 34}, {33, 34}, {66, 34}};
    for (int i = 0; i < 3; ++i) {
        const CutTimes t = cutTimes(pieces[i].start, pieces[i].end);
        EXPECT_EQ(t.start, expected[i][0]) << i;
        EXPECT_EQ(t.length, expected[i][1]) << i;
    }
    // L rounded down must not cost the tail of the file: the last piece ends at T.
    pieces = splitPieces(planSplit(0, 10.01, bytes, "2"));
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_DOUBLE_EQ(pieces[1].end, 10.01);
    EXPECT_EQ(cutTimes(pieces[1].start, pieces[1].end).length, 6);

    EXPECT_FALSE(planSplit(0, 100, bytes, "1").valid);
    EXPECT_FALSE(planSplit(0, 100, bytes, "100").valid);
    EXPECT_TRUE(planSplit(0, 100, bytes, "99").valid);
    EXPECT_TRUE(planSplit(0, 100, bytes, "2").valid);
    EXPECT_FALSE(planSplit(0, 100, bytes, "").valid);
    // Parts too short to be anything at all.
    EXPECT_FALSE(planSplit(0, 0.5, bytes, "99").valid);

    p = planSplit(1, 100, bytes, "30");
    ASSERT_TRUE(p.valid);
    EXPECT_EQ(p.count, 4);
    pieces = splitPieces(p);
    ASSERT_EQ(pieces.size(), 4);
    EXPECT_DOUBLE_EQ(pieces[3].start, 90);
    EXPECT_DOUBLE_EQ(pieces[3].end, 100);
    EXPECT_EQ(planSplit(1, 100, bytes, "25").count, 4);
    EXPECT_EQ(planSplit(1, 99.99, bytes, "33.33").count, 3); // no empty fourth piece
    EXPECT_EQ(planSplit(1, 100, bytes, "12.5abc").count, 8);
    EXPECT_FALSE(planSplit(1, 100, bytes, "100").valid);   // one piece
    EXPECT_FALSE(planSplit(1, 100, bytes, "1").valid);     // 100 pieces
    EXPECT_FALSE(planSplit(1, 100, bytes, "0").valid);
    EXPECT_EQ(planSplit(1, 100, bytes, "0.001").countText, "目前切割数 100000");

    // 1000 KB over 100 s: 10 KB a second.
    p = planSplit(2, 100, bytes, "300");
    ASSERT_TRUE(p.valid);
    EXPECT_DOUBLE_EQ(p.length, 30);
    EXPECT_EQ(p.count, 4);
    EXPECT_DOUBLE_EQ(splitPieces(p).last().end, 100);

    EXPECT_FALSE(planSplit(0, 0, bytes, "3").valid);
    EXPECT_FALSE(planSplit(0, 100, 0, "3").valid);
}

TEST(ToolCmds, SplitOfOneRangeBySecondsKilobytesOrPercent)
{
    const qint64 bytes = 2000 * 1024; // 2000 KB over 200 s
    SplitPlan p = planSplit(5, 200, bytes, QString(), "10", "20");
    ASSERT_TRUE(p.valid);
    EXPECT_DOUBLE_EQ(p.start, 20);
    EXPECT_DOUBLE_EQ(p.end, 40);
    EXPECT_EQ(p.lengthText, "20.00 秒");
    EXPECT_EQ(p.sizeText, "200 KB");
    EXPECT_EQ(p.shareText, "占全部 10.00 %");
    ASSERT_EQ(splitPieces(p).size(), 1);
    EXPECT_DOUBLE_EQ(splitPieces(p)[0].end, 40);

    p = planSplit(3, 200, bytes, QString(), "12.5", "30.333");
    ASSERT_TRUE(p.valid);
    EXPECT_DOUBLE_EQ(p.start, 12.5);
    EXPECT_DOUBLE_EQ(p.end, 30.33);
    EXPECT_EQ(p.lengthText, "17.83 秒");
    EXPECT_EQ(p.sizeText, "179 KB"); // 178.3 rounded up

    p = planSplit(4, 200, bytes, QString(), "100", "350");
    ASSERT_TRUE(p.valid);
    EXPECT_DOUBLE_EQ(p.start, 10);
    EXPECT_DOUBLE_EQ(p.end, 35);
    EXPECT_EQ(p.sizeText, "250 KB");

    EXPECT_TRUE(planSplit(3, 200, bytes, QString(), "0", "200").valid);
    EXPECT_FALSE(planSplit(3, 200, bytes, QString(), "20", "20").valid);
    EXPECT_FALSE(planSplit(3, 200, bytes, QString(), "30", "20").valid);
    EXPECT_FALSE(planSplit(3, 200, bytes, QString(), "10", "200.5").valid);
    EXPECT_FALSE(planSplit(5, 200, bytes, QString(), "50", "101").valid);
    EXPECT_FALSE(planSplit(6, 200, bytes, "3").valid);

    EXPECT_EQ(propertyLine(123.456, 5000), "此多媒体属性：播放长度 123.46 秒 = 大小 4 KB");
}

TEST(ToolCmds, SnapshotSeriesMoments)
{
    // Whole video, four pictures at equal spacing.
    SnapPlan p = planSnapshots(1, 0, 60, {}, {}, {}, "4", {});
    ASSERT_TRUE(p.valid);
    ASSERT_EQ(p.count, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(snapshotMoment(p, i), 15.0 * i);

    // Every 20 seconds: the last is held back to T - 0.1.
    p = planSnapshots(1, 1, 60, {}, {}, {}, {}, "20");
    ASSERT_TRUE(p.valid);
    ASSERT_EQ(p.count, 4);
    EXPECT_DOUBLE_EQ(snapshotMoment(p, 2), 40);
    EXPECT_EQ(snapshotTime(snapshotMoment(p, 3)), "59.900");
    EXPECT_EQ(planSnapshots(1, 1, 60, {}, {}, {}, {}, "25").count, 3);

    EXPECT_FALSE(planSnapshots(1, 1, 60, {}, {}, {}, {}, "60").valid);
    EXPECT_FALSE(planSnapshots(1, 1, 60, {}, {}, {}, {}, "0").valid);
    EXPECT_FALSE(planSnapshots(1, 0, 60, {}, {}, {}, "0", {}).valid);
    EXPECT_EQ(planSnapshots(1, 0, 60, {}, {}, {}, "2.5", {}).count, 2); // halves to even
    EXPECT_EQ(planSnapshots(1, 0, 60, {}, {}, {}, "3.5", {}).count, 4);

    // A stretch from 10 to 20: shorter than N refuses, every 5 gives 10, 15, 20.
    EXPECT_FALSE(planSnapshots(2, 1, 60, {}, "10", "20", {}, "10").valid);
    p = planSnapshots(2, 1, 60, {}, "10", "20", {}, "5");
    ASSERT_TRUE(p.valid);
    EXPECT_EQ(p.count, 3);
    EXPECT_DOUBLE_EQ(snapshotMoment(p, 2), 20);
    p = planSnapshots(2, 0, 60, {}, "10", "20", "4", {});
    ASSERT_TRUE(p.valid);
    EXPECT_DOUBLE_EQ(snapshotMoment(p, 3), 17.5);
    EXPECT_FALSE(planSnapshots(2, 0, 60, {}, "20", "10", "4", {}).valid);
    EXPECT_FALSE(planSnapshots(2, 0, 60, {}, "10", "61", "4", {}).valid);

    // One picture: at 0, at T, an empty box, past the end.
    p = planSnapshots(0, 0, 60, "0", {}, {}, {}, {});
    ASSERT_TRUE(p.valid);
    EXPECT_EQ(p.count, 1);
    EXPECT_DOUBLE_EQ(p.spacing, 0);
    EXPECT_EQ(snapshotTime(snapshotMoment(p, 0)), "0.000");
    EXPECT_EQ(snapshotTime(snapshotMoment(planSnapshots(0, 0, 60, "60", {}, {}, {}, {}), 0)), "59.900");
    EXPECT_EQ(snapshotTime(12.345), "12.340");
    EXPECT_FALSE(planSnapshots(0, 0, 60, "", {}, {}, {}, {}).valid);
    EXPECT_FALSE(planSnapshots(0, 0, 60, "60.5", {}, {}, {}, {}).valid);
    EXPECT_FALSE(planSnapshots(0, 0, 0, "0", {}, {}, {}, {}).valid);
    // A clip shorter than the hold-back still asks for a moment of its own.
    EXPECT_EQ(snapshotTime(snapshotMoment(planSnapshots(0, 0, 0.05, "0", {}, {}, {}, {}), 0)), "0.000");

    EXPECT_EQ(snapshotCmd(fmg, cjk, 12.34, "png"),
              fmg + " -i \"" + cjk + "\" -y -ss 12.340 -t 0.001 ~tmpSP%03d.png");
}

TEST(ToolCmds, FixLinesOfTheThreeTypes)
{
    EXPECT_EQ(fixRemuxFlv(fmg, cjk, "flv"), fmg + " -y -vcodec copy -acodec copy -i \"" + cjk + "\" ~fix~tmpSP.flv");
    EXPECT_EQ(flvmdiBare(fmd, fixTempName("flv")), fmd + " ~fix~tmpSP.flv");
    EXPECT_EQ(fixRemuxInto(fmg, "/v/a.mpg", "/v/a_fix.mpg"),
              fmg + " -y -vcodec copy -acodec copy -i \"/v/a.mpg\" \"/v/a_fix.mpg\"");
    EXPECT_EQ(fixCopy(mcd, "/v/movie.dat", "/v/movie_fix.dat", false),
              mcd + " -ovc copy -oac copy -o \"/v/movie_fix.dat\" \"/v/movie.dat\"");
    EXPECT_EQ(fixCopy(mcd, "/v/movie.dat", "/v/movie_fix.dat", true),
              mcd + " -ovc copy -oac mp3lame -lameopts br=64 -o \"/v/movie_fix.dat\" \"/v/movie.dat\"");
    EXPECT_EQ(sourceType(lowerExt("/v/movie.dat")), 3);
}

TEST(ToolCmds, EncodeLinesOfTheVideoAndMusicPages)
{
    EncodeSettings s = encodeDefaults(0);
    EXPECT_EQ(encodeCmd(fmg, "D:\\v\\a.flv", "D:\\v\\a.avi", s),
              fmg + " -y -i \"D:\\v\\a.flv\" -r 25 -b 200 -ar 22050 -ab 64 -ac 2 \"D:\\v\\a.avi\"");
    EXPECT_EQ(encodeCmd(fmg, cjk, "/v/b.WMV", s),
              fmg + " -y -i \"" + cjk + "\" -vcodec wmv2  -r 25 -b 200 -ar 22050 -ab 64 -ac 2 \"/v/b.WMV\"");
    s.size = QStringLiteral("160x120");
    s.channelItem = 0;
    EXPECT_EQ(encodeCmd(fmg, "/v/a.avi", "/v/a.flv", s),
              fmg + " -y -i \"/v/a.avi\" -s 160x120 -r 25 -b 200 -ar 22050 -ab 64 -ac 1 \"/v/a.flv\"");

    EncodeSettings m = encodeDefaults(2);
    m.size = QStringLiteral("160x120"); // never on a music page
    EXPECT_EQ(encodeCmd(fmg, "/v/a.flv", "/v/a.mp3", m), fmg + " -y -i \"/v/a.flv\" -vn  -ar 22050 -ab 64 -ac 2 \"/v/a.mp3\"");
    EXPECT_EQ(encodeCmd(fmg, "/v/a.mp3", "/v/a.flv", encodeDefaults(3)),
              fmg + " -y -i \"/v/a.mp3\" -vn  -ar 22050 -ab 64 -ac 2 \"/v/a.flv\"");

    s = encodeDefaults(0);
    s.frameRate = QStringLiteral("15");
    EXPECT_TRUE(encodeRateRefused("/v/a.mpg", s));
    EXPECT_TRUE(encodeRateRefused("/v/a.MPG", s));
    EXPECT_FALSE(encodeRateRefused("/v/a.avi", s));
    s.frameRate = QStringLiteral("20");
    EXPECT_FALSE(encodeRateRefused("/v/a.mpg", s));
    s.frameRate = QStringLiteral("7.5");
    s.page = 1;
    EXPECT_TRUE(encodeRateRefused("/v/a.mpg", s));
    EXPECT_FALSE(encodeRateRefused("/v/a.mpg", encodeDefaults(3)));

    EXPECT_TRUE(encodeNeedsMetadata("/v/a.FLV"));
    EXPECT_FALSE(encodeNeedsMetadata("/v/a.mp3"));
    EXPECT_EQ(completePath("  a.flv ", "/home/u"), "/home/u/a.flv");
    EXPECT_EQ(completePath("a.flv", "/home/u/"), "/home/u/a.flv");
    EXPECT_EQ(completePath("/v/a.flv", "/home/u"), "/v/a.flv");
}
