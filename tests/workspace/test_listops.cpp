#include <gtest/gtest.h>

#include "workspace/mdlBrowse.h"
#include "workspace/mdlListOps.h"
#include "workspace/mdlMarkList.h"

#include <QSet>

using namespace mdlListOps;

namespace {

ListLines listOf(const QStringList& lines, int selected)
{
    ListLines l;
    l.lines = lines;
    l.selected = selected;
    return l;
}

// Answers the given rows in turn, then 0.
std::function<int(int)> rows(std::vector<int> seq)
{
    auto pos = std::make_shared<size_t>(0);
    return [seq, pos](int) { return *pos < seq.size() ? seq[(*pos)++] : 0; };
}

} // namespace

TEST(ListOps, InsertingAfterTheSelectionReversesABatchAndSelectsTheLast)
{
    // Files A, B, C added after X in reverse array order, as the add button does.
    ListLines l = listOf({QStringLiteral("W"), QStringLiteral("X"), QStringLiteral("Y")}, 1);
    for (const char* f : {"C", "B", "A"})
        insertLine(l, QString::fromLatin1(f), true);
    EXPECT_EQ(l.lines, QStringList({"W", "X", "C", "B", "A", "Y"}));
    EXPECT_EQ(l.selected, 4);

    ListLines none = listOf({QStringLiteral("X")}, -1);
    EXPECT_EQ(insertLine(none, QStringLiteral("N"), true), 0) << "no selection inserts at the top";
    EXPECT_EQ(insertLine(none, QStringLiteral("E"), false), 2);
    EXPECT_EQ(none.lines, QStringList({"N", "X", "E"}));
    EXPECT_EQ(none.selected, 2);
    EXPECT_EQ(insertLine(none, QString(), false), -1);
    EXPECT_EQ(none.count(), 3);
}

TEST(ListOps, RemovingKeepsTheRowOrFallsBackToTheLast)
{
    ListLines l = listOf({"a", "b", "c"}, 1);
    EXPECT_TRUE(removeSelected(l));
    EXPECT_EQ(l.lines, QStringList({"a", "c"}));
    EXPECT_EQ(l.selected, 1);
    EXPECT_TRUE(removeSelected(l));
    EXPECT_EQ(l.selected, 0) << "the removed line was the last: the new last is selected";
    EXPECT_TRUE(removeSelected(l));
    EXPECT_EQ(l.selected, -1);
    EXPECT_FALSE(removeSelected(l));

    ListLines unselected = listOf({"a", "b"}, -1);
    EXPECT_FALSE(removeSelected(unselected));
    EXPECT_EQ(unselected.count(), 2);
    removeAll(unselected);
    EXPECT_EQ(unselected.count(), 0);
    EXPECT_EQ(unselected.selected, -1);
}

TEST(ListOps, MovingSwapsWithTheNeighbourAndStopsAtTheEnds)
{
    ListLines l = listOf({"a", "b", "c"}, 1);
    EXPECT_TRUE(moveSelected(l, 0));
    EXPECT_EQ(l.lines, QStringList({"b", "a", "c"}));
    EXPECT_EQ(l.selected, 0);
    EXPECT_FALSE(moveSelected(l, 0));
    EXPECT_TRUE(moveSelected(l, 1));
    EXPECT_TRUE(moveSelected(l, 1));
    EXPECT_EQ(l.lines, QStringList({"a", "c", "b"}));
    EXPECT_EQ(l.selected, 2);
    EXPECT_FALSE(moveSelected(l, 1));
    ListLines none = listOf({"a", "b"}, -1);
    EXPECT_FALSE(moveSelected(none, 1));
    EXPECT_EQ(none.lines, QStringList({"a", "b"}));
}

TEST(ListOps, SortIgnoresCaseAndHandlesDuplicates)
{
    ListLines l = listOf({"d.flv", "B.flv", "a.flv", "c.flv", "b.FLV", "A.flv", "e"}, 3);
    sortAll(l);
    ASSERT_EQ(l.count(), 7);
    for (int i = 1; i < l.count(); ++i)
        EXPECT_LE(QString::compare(l.lines[i - 1], l.lines[i], Qt::CaseInsensitive), 0) << i;
    EXPECT_EQ(QSet<QString>(l.lines.begin(), l.lines.end()).size(), 7) << "no line lost or doubled";

    QStringList many;
    for (int i = 0; i < 200; ++i)
        many << QString::number((i * 7919) % 211);
    QStringList sorted = many;
    sortLines(sorted, true, 0, sorted.size() - 1);
    QStringList expected = many;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);
    sortLines(sorted, false, 0, sorted.size() - 1);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);
}

TEST(ListOps, ShuffleAndReverseKeepTheLinesAndTheSelectedRow)
{
    ListLines l = listOf({"a", "b", "c", "d"}, 2);
    shuffleLines(l, rows({3, 0, 0, 1}));
    // i=0 <-> 3: d b c a; i=1 <-> 0: b d c a; i=2 <-> 0: c d b a; i=3 <-> 1: c a b d
    EXPECT_EQ(l.lines, QStringList({"c", "a", "b", "d"}));
    EXPECT_EQ(l.selected, 2);
    shuffleLines(l);
    QStringList copy = l.lines;
    std::sort(copy.begin(), copy.end());
    EXPECT_EQ(copy, QStringList({"a", "b", "c", "d"}));

    reverseLines(l);
    reverseLines(l);
    ListLines r = listOf({"a", "b", "c"}, 0);
    reverseLines(r);
    EXPECT_EQ(r.lines, QStringList({"c", "b", "a"}));
    EXPECT_EQ(r.selected, 0);
}

TEST(ListOps, ButtonStatesFollowCountAndSelection)
{
    EXPECT_EQ(moveStates(3, 0).up, 3);
    EXPECT_EQ(moveStates(3, 0).down, 0);
    EXPECT_EQ(moveStates(3, 2).up, 0);
    EXPECT_EQ(moveStates(3, 2).down, 3);
    EXPECT_EQ(moveStates(3, -1).up, 3);
    EXPECT_EQ(moveStates(3, -1).down, 0) << "usable with nothing selected, though it moves nothing";
    EXPECT_EQ(moveStates(0, -1).down, 3);
    EXPECT_EQ(moveStates(1, 0).up + moveStates(1, 0).down, 6);

    EXPECT_EQ(listButtonStates(0).needOne, 3);
    EXPECT_EQ(listButtonStates(1).needOne, 0);
    EXPECT_EQ(listButtonStates(1).needTwo, 3);
    EXPECT_EQ(listButtonStates(2).needTwo, 0);
    EXPECT_EQ(stepButtonState(1), 3);
    EXPECT_EQ(stepButtonState(2), 0);
}

TEST(ListOps, SizeTextsAndTooltips)
{
    EXPECT_EQ(groupedNumber(0), QStringLiteral("0"));
    EXPECT_EQ(groupedNumber(999), QStringLiteral("999"));
    EXPECT_EQ(groupedNumber(1000), QStringLiteral("1,000"));
    EXPECT_EQ(groupedNumber(1234567), QStringLiteral("1,234,567"));
    EXPECT_EQ(kilobytesUp(1), 1);
    EXPECT_EQ(kilobytesUp(1024), 1);
    EXPECT_EQ(kilobytesUp(1025), 2);

    const auto size = [](const QString& p) -> qint64 { return p == u"a" ? 1024 * 1000 : p == u"b" ? 1 : -1; };
    EXPECT_EQ(mergeListTotalKB({"a", "b", "missing"}, size), QStringLiteral("1,001"));
    EXPECT_EQ(mergeListNote(QStringLiteral("1,001")),
              QStringLiteral("合并清单目前所有项目的总档案大小是：1,001 KB"));

    EXPECT_EQ(itemToolTip(QStringLiteral("/v/a.flv"), 2049), QStringLiteral("/v/a.flv ( 3 KB )"));
    EXPECT_EQ(itemToolTip(QStringLiteral("/v/a.flv"), -1), QStringLiteral("/v/a.flv ( 不存在 )"));
    EXPECT_EQ(itemToolTip(QStringLiteral("http://h/a.flv"), -1), QStringLiteral("http://h/a.flv"));
}

TEST(ListOps, DroppedPathsKeepTheirOrderAndOnlyWhenTheyExist)
{
    const auto exists = [](const QString& p) { return !p.contains(QStringLiteral("gone")); };
    EXPECT_EQ(droppedPaths({"/v/a", "/v/gone", "/v/c"}, QStringLiteral("/v/ignored"), exists),
              QStringList({"/v/a", "/v/c"}));
    EXPECT_EQ(droppedPaths({QStringLiteral("c:\\\\v\\\\a.flv")}, QString(), exists),
              QStringList({QStringLiteral("C:\\v\\a.flv")}));
    EXPECT_EQ(droppedPaths({}, QStringLiteral("  /v/a  \r\n\r\n/v/gone\r\n/v/b\n/v/c"), exists),
              QStringList({"/v/a", "/v/b", "/v/c"}));
    EXPECT_TRUE(droppedPaths({}, QString(), exists).isEmpty());
}

TEST(ListOps, PlaylistDialogFilter)
{
    EXPECT_EQ(playlistDialogFilter(),
              QStringLiteral("支援的清单档 (*.plt;*.pls;*.m3u;*.asx)|*.plt;*.pls;*.m3u;*.asx;"));
}

TEST(MarkListLines, TypedTimesAreCheckedInOrder)
{
    using namespace mdlMarkList;
    EXPECT_TRUE(matchesTimePattern(QStringLiteral("00:59:59.99")));
    for (const char* bad : {"1:02:03.45", "00:60:00.00", "00:00:60.00", "00:00:00.0", "00:00:00.001", "0a:00:00.00", ""})
        EXPECT_FALSE(matchesTimePattern(QString::fromLatin1(bad))) << bad;

    const QString total = QStringLiteral("00:00:04.00");
    EXPECT_EQ(rangeRefusal(QStringLiteral("0:00:01.00"), total, total), badFormatMessage);
    EXPECT_EQ(rangeRefusal(QStringLiteral("00:00:01.00"), QStringLiteral("00:00:04.01"), total), pastLengthMessage);
    EXPECT_EQ(rangeRefusal(QStringLiteral("00:00:02.00"), QStringLiteral("00:00:02.00"), total), endBeforeStartMessage);
    EXPECT_TRUE(rangeRefusal(QStringLiteral("00:00:01.00"), total, total).isEmpty()) << "the end may be the length";

    const QString line = rangeLine(QStringLiteral("00:01:02.50"), QStringLiteral("00:01:10.00"));
    EXPECT_EQ(line, QStringLiteral("　从 00:01:02.50 到 00:01:10.00"));
    QString s, e;
    splitRangeLine(line, s, e);
    EXPECT_EQ(s + u'|' + e, QStringLiteral("00:01:02.50|00:01:10.00"));
    splitRangeLine(QStringLiteral("no range here"), s, e);
    EXPECT_EQ(s + u'|' + e, QStringLiteral("00:00:00.00|00:00:00.00"));
    float fs = 0, fe = 0;
    splitRangeFrames(line, 0.04f, fs, fe);
    EXPECT_FLOAT_EQ(fs, 1562.5f);
    EXPECT_FLOAT_EQ(fe, 1750.0f);
    splitRangeFrames(line, 0.0f, fs, fe);
    EXPECT_EQ(fs + fe, -2.0f) << "no open file gives no frames";
}

TEST(Browse, TheDriveListOffersWhatAUserOpens)
{
    using mdlBrowse::Mount;
    const std::vector<Mount> mounts = {{"/", "overlay"},          {"/proc", "proc"},   {"/sys/fs/cgroup", "cgroup2"},
                                       {"/dev/shm", "tmpfs"},     {"/home", "ext4"},   {"/run/user/1000", "tmpfs"},
                                       {"/run/media/u/USB", "vfat"}, {"/boot/efi", "vfat"}, {"/mnt/data", "ext4"},
                                       {"/snap/core/1", "squashfs"}};
    EXPECT_EQ(mdlBrowse::browsableDrives(mounts), QStringList({"/", "/home", "/run/media/u/USB", "/mnt/data"}));
    EXPECT_EQ(mdlBrowse::driveOf(QStringLiteral("/mnt/data/x"), {"/", "/mnt/data", "/mnt/d"}), QStringLiteral("/mnt/data"));
    EXPECT_EQ(mdlBrowse::driveOf(QStringLiteral("/mnt/datax"), {"/", "/mnt/data"}), QStringLiteral("/"));
}
