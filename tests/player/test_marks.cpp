// The marks of the open file without the window: mark text, the rules of starting,
// stretching and deleting, and the texts that describe them.
#include <gtest/gtest.h>

#include "player/Marks.h"
#include "tools/mdlToolCmds.h"

using namespace playerMarks;

namespace {

// 25 frames a second, as the files the player measures: 20 s of 500 frames.
const Timing twentySeconds{20.0f / 500.0f, 20.0};

std::vector<std::pair<int, int>> ranges(const std::vector<Mark>& marks)
{
    std::vector<std::pair<int, int>> r;
    for (const Mark& m : marks)
        r.emplace_back(m.start, m.end());
    return r;
}

} // namespace

TEST(MarkText, ComposedInMarkOrderAndReadBack)
{
    MarkList list;
    list.startMark(250);
    list.stretchLast(true, 400, 1.0);
    list.closeLast();
    list.startMark(1000);
    list.stretchLast(true, 1250, 1.0);
    list.closeLast();
    EXPECT_EQ(markText(list.marks()), QStringLiteral("250-400 1000-1250"));
    EXPECT_EQ(markText({}), QString());

    // Marks keep the order they were given, overlapping or not.
    std::vector<Mark> marks;
    ASSERT_EQ(parseMarkText(QStringLiteral("100-200 50-80"), 5000, marks), ParseResult::Valid);
    EXPECT_EQ(ranges(marks), (std::vector<std::pair<int, int>>{{100, 200}, {50, 80}}));
    for (const Mark& m : marks)
        EXPECT_EQ(m.state, stateEnd) << "marks read from text are all closed";
    EXPECT_EQ(markText(marks), QStringLiteral("100-200 50-80"));

    // Blanks around and between the pieces are tolerated; a zero-length mark reads.
    ASSERT_EQ(parseMarkText(QStringLiteral(" 0-0   10-20 "), 5000, marks), ParseResult::Valid);
    EXPECT_EQ(ranges(marks), (std::vector<std::pair<int, int>>{{0, 0}, {10, 20}}));

    EXPECT_EQ(parseMarkText(QString(), 5000, marks), ParseResult::Empty);
    EXPECT_EQ(parseMarkText(QStringLiteral("   "), 5000, marks), ParseResult::Empty);
}

TEST(MarkText, ATextThatDoesNotFitIsRefusedWhole)
{
    std::vector<Mark> marks;
    EXPECT_EQ(parseMarkText(QStringLiteral("99999-100000"), 5000, marks), ParseResult::BeyondEnd);
    EXPECT_TRUE(marks.empty());
    // The first marks fit, a later one does not: none is kept.
    EXPECT_EQ(parseMarkText(QStringLiteral("10-20 6000-6100"), 5000, marks), ParseResult::BeyondEnd);
    EXPECT_TRUE(marks.empty());
    // A mark may start on the very last frame, and end beyond the file.
    EXPECT_EQ(parseMarkText(QStringLiteral("5000-5100"), 5000, marks), ParseResult::Valid);

    for (const char* bad : {"100", "100-", "-100", "a-b", "10-20-30", "10.5-20", "-5-10", "200-100", "10-20,30-40",
                            "99999999999-100000000000"}) {
        EXPECT_EQ(parseMarkText(QStringLiteral("10-20 ") + QString::fromLatin1(bad), 5000, marks),
                  ParseResult::Malformed)
            << bad;
        EXPECT_TRUE(marks.empty()) << bad;
    }
}

TEST(MarkList, StartingReusesAnOpenMarkAndAddsAfterAClosedOne)
{
    MarkList list;
    EXPECT_EQ(list.startMark(250), 0);
    EXPECT_TRUE(list.lastIsOpen());
    EXPECT_EQ(list.at(0).length, 1);
    // "[" again before "]": the same mark, its start moved.
    EXPECT_EQ(list.startMark(260), 0);
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.at(0).start, 260);

    EXPECT_EQ(list.stretchLast(true, 400, 0.5), MarkList::Stretch::Kept);
    list.closeLast();
    EXPECT_FALSE(list.lastIsOpen());
    EXPECT_EQ(list.at(0).length, 140);
    // "]" again moves the end of the last mark.
    EXPECT_EQ(list.stretchLast(true, 420, 0.5), MarkList::Stretch::Kept);
    EXPECT_EQ(list.at(0).length, 160);

    EXPECT_EQ(list.startMark(50), 1);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(0).start, 260) << "a closed mark is never reused";

    // Marks read from text, of which the last was deleted, are closed too: a new start
    // does not take the place of the mark before it.
    std::vector<Mark> marks;
    ASSERT_EQ(parseMarkText(QStringLiteral("100-200 300-400"), 5000, marks), ParseResult::Valid);
    list.setAll(marks);
    list.remove(1, twentySeconds);
    EXPECT_EQ(list.startMark(450), 1);
    EXPECT_EQ(list.at(0).start, 100);
}

TEST(MarkList, StretchingKeepsOrDropsByTheSizeRules)
{
    MarkList list;
    list.startMark(10000);
    // The position lies before the start by more than 0.03 % of the position: drop.
    EXPECT_EQ(list.stretchLast(false, 9990, 0.1), MarkList::Stretch::TooSmall);
    // By 0.03 % or less (2 frames of 9998 is 0.02 %): kept, as an empty range.
    EXPECT_EQ(list.stretchLast(false, 9998, 0.1), MarkList::Stretch::Kept);
    EXPECT_EQ(list.at(0).length, 0);
    // Closed less than half a screen unit wide: drop; at half a unit: kept.
    EXPECT_EQ(list.stretchLast(true, 10004, 0.1), MarkList::Stretch::TooSmall);
    EXPECT_EQ(list.stretchLast(true, 10005, 0.1), MarkList::Stretch::Kept);
    EXPECT_EQ(list.at(0).length, 5);
    // While open, the width does not matter.
    EXPECT_EQ(list.stretchLast(false, 10001, 0.1), MarkList::Stretch::Kept);

    // Position 0: before any start but 0, and no division by it.
    EXPECT_EQ(list.stretchLast(false, 0, 0.1), MarkList::Stretch::TooSmall);
    MarkList atZero;
    atZero.startMark(0);
    EXPECT_EQ(atZero.stretchLast(false, 0, 0.1), MarkList::Stretch::Kept);
    EXPECT_EQ(atZero.stretchLast(true, 0, 0.1), MarkList::Stretch::TooSmall);

    EXPECT_EQ(MarkList().stretchLast(true, 10, 1.0), MarkList::Stretch::TooSmall) << "no mark to stretch";

    // The device reports 0 at the end of the media while still playing.
    EXPECT_EQ(stretchEnd(0, 100, true, 500), 500);
    EXPECT_EQ(stretchEnd(0, 100, false, 500), 0);
    EXPECT_EQ(stretchEnd(0, 0, true, 500), 0);
    EXPECT_EQ(stretchEnd(120, 100, true, 500), 120);
}

TEST(MarkList, RemovingMovesTheLaterMarksDownWithTheirNumbers)
{
    MarkList list;
    std::vector<Mark> marks;
    ASSERT_EQ(parseMarkText(QStringLiteral("0-25 50-100 250-400"), 500, marks), ParseResult::Valid);
    list.setAll(marks);
    for (int i = 0; i < list.count(); ++i)
        list.setToolTip(i, markToolTip(i, list.at(i), twentySeconds));
    list.startMark(450); // open, no tooltip yet
    list.remove(0, twentySeconds);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.at(0).start, 50);
    EXPECT_EQ(list.at(0).tooltip, QStringLiteral("标记区段 1：从 00:02.00 到 00:04.00 ＝ 00:02.00 秒"));
    EXPECT_EQ(list.at(1).tooltip, QStringLiteral("标记区段 2：从 00:10.00 到 00:16.00 ＝ 00:06.00 秒"));
    EXPECT_TRUE(list.at(2).tooltip.isEmpty()) << "the open mark stays without one";
    EXPECT_TRUE(list.lastIsOpen());
    list.remove(7, twentySeconds); // no such mark
    EXPECT_EQ(list.count(), 3);
}

TEST(MarkTexts, TimesToolTipsAndTotal)
{
    const Mark m{250, 150, stateEnd, QString()};
    EXPECT_EQ(markToolTip(0, m, twentySeconds), QStringLiteral("标记区段 1：从 00:10.00 到 00:16.00 ＝ 00:06.00 秒"));

    MarkTimes t = rsFormat(m, 3, -11.0, 5.0, twentySeconds);
    EXPECT_EQ(t.sSec, 0.0) << "a start pushed before the file starts at 0";
    EXPECT_EQ(t.sTime, QStringLiteral("00:00:00.00"));
    EXPECT_DOUBLE_EQ(t.eSec, 20.0) << "an end pushed beyond the file ends with it";
    EXPECT_EQ(t.eTime, QStringLiteral("00:00:20.00"));
    EXPECT_EQ(t.length, QStringLiteral("00:00:06.00"));

    // The seconds handed to the cuts are the ones shown, cut to hundredths: a start just
    // under a whole second keeps it, an end just over one does not cut a second more.
    t = rsFormat(Mark{0, 0, stateEnd, QString()}, 2, 4.9955, 5.0055, twentySeconds);
    EXPECT_EQ(t.sTime, QStringLiteral("00:04.99"));
    EXPECT_DOUBLE_EQ(t.sSec, 4.99);
    EXPECT_DOUBLE_EQ(t.eSec, 5.0);
    const mdlToolCmds::CutTimes cut = mdlToolCmds::cutTimes(t.sSec, t.eSec);
    EXPECT_EQ(cut.start, 4);
    EXPECT_EQ(cut.length, 1);

    t = rsFormat(m, 2, 0.5, 0, Timing{0.0f, 20.0});
    EXPECT_TRUE(t.sTime.isEmpty() && t.eTime.isEmpty() && t.length.isEmpty()) << "no frame length known";

    std::vector<Mark> marks{m, Mark{0, 150, stateEnd, QString()}};
    EXPECT_EQ(totalToolTip(marks, twentySeconds), QStringLiteral("2 个标记的总时间是 00:12.00 秒"));
}
