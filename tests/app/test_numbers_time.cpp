#include <gtest/gtest.h>

#include "app/Numbers.h"
#include "app/mdlZorvoFLV.h"

#include <cmath>
#include <limits>

using namespace mdlZorvoFLV;

TEST(Numbers, RoundingHalvesToEven)
{
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(roundHalfEven(7.5), 8);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
    EXPECT_EQ(roundHalfEven(-0.4), 0);
    EXPECT_EQ(roundToInt32(1e12), 2147483647);
    EXPECT_EQ(roundToInt16(40000), 32767);
    EXPECT_EQ(ceilingOf(2.1f), 3);
    EXPECT_EQ(ceilingOf(-2.1f), -2);
    EXPECT_EQ(ceilingOf(4.0f), 4);
}

TEST(Numbers, LenientParseReadsTheLeadingNumber)
{
    EXPECT_EQ(valLenient(QStringLiteral("  42abc")), 42);
    EXPECT_EQ(valLenient(QStringLiteral("1 2 3")), 123);
    EXPECT_EQ(valLenient(QStringLiteral("-12.5,7")), -12.5);
    EXPECT_EQ(valLenient(QStringLiteral("3.5.1")), 3.5);
    EXPECT_EQ(valLenient(QStringLiteral("1e3")), 1000);
    EXPECT_EQ(valLenient(QStringLiteral("12e")), 12);
    EXPECT_EQ(valLenient(QString::fromUtf16(u"7\0 8", 4)), 7) << "a NUL ends the number";
    EXPECT_EQ(valLenient(QString()), 0);
    EXPECT_EQ(valLenient(QStringLiteral("abc")), 0);
    EXPECT_EQ(valLenient(QStringLiteral("-")), 0);
    EXPECT_EQ(valLenient(QStringLiteral("1e999")), 0) << "no infinity reaches a caller";
}

TEST(TimeText, ModesAndParts)
{
    int parts = 0;
    float s = 3723.25f;
    EXPECT_EQ(formatTimeText(s, 3, 2, parts), QStringLiteral("01:02:03.25"));
    EXPECT_EQ(parts, 3);

    s = 59.999f;
    EXPECT_EQ(formatTimeText(s, 2, 0, parts), QStringLiteral("01:00"));
    EXPECT_EQ(parts, 2);
    EXPECT_FLOAT_EQ(s, 60.0f) << "the cut value is written back";

    s = 125.5f;
    EXPECT_EQ(formatTimeText(s, 0, 1, parts), QStringLiteral("125.5"));
    EXPECT_EQ(parts, 1);
    EXPECT_EQ(formatTimeText(125.5, 1, 2), QStringLiteral("02:5.50"));
    EXPECT_EQ(formatTimeText(7530.0, 4, 0), QStringLiteral("125:30"));
    EXPECT_EQ(formatTimeText(5.0, 1, 0), QStringLiteral("5"));
    EXPECT_EQ(formatTimeText(5.0, 2, 2), QStringLiteral("00:05.00"));
    EXPECT_EQ(formatTimeText(0.0, 3, 2), QStringLiteral("00:00:00.00"));
    EXPECT_EQ(formatTimeText(3600.0, 1, 0), QStringLiteral("01:0")) << "no minutes field unless needed";
}

TEST(TimeText, CutToHundredthsAndWholeSecondsWithTwoDigits)
{
    // 59.9 shows "59" with the two-digit pattern, but rounds up with the one-digit one.
    EXPECT_EQ(formatTimeText(59.9, 2, 0), QStringLiteral("00:59"));
    EXPECT_EQ(formatTimeText(59.9, 1, 0), QStringLiteral("60"));
    // The nudge lifts values just below a hundredth; the rest is cut, not rounded.
    EXPECT_EQ(formatTimeText(1.996, 0, 2), QStringLiteral("2.00"));
    EXPECT_EQ(formatTimeText(1.994, 0, 2), QStringLiteral("1.99"));
    EXPECT_EQ(formatTimeText(86399.99, 3, 2), QStringLiteral("23:59:59.99"));
    EXPECT_EQ(formatTimeText(std::numeric_limits<double>::infinity(), 3, 0), QStringLiteral("00:00:00"));
    EXPECT_EQ(formatTimeText(std::nan(""), 2, 0), QStringLiteral("00:00"));
}

TEST(TimeText, FewerDecimalsRoundHalvesToEvenOnTheDecimalValue)
{
    // In single precision 12.45 lies just below its half and 12.35 and 0.15 just above:
    // the decimal value decides, and a half goes to the even neighbour.
    EXPECT_EQ(formatTimeText(12.45, 0, 1), QStringLiteral("12.4"));
    EXPECT_EQ(formatTimeText(12.35, 0, 1), QStringLiteral("12.4"));
    EXPECT_EQ(formatTimeText(0.15, 0, 1), QStringLiteral("0.2"));
    EXPECT_EQ(formatTimeText(2.5, 0, 0), QStringLiteral("2"));
    EXPECT_EQ(formatTimeText(3.5, 0, 0), QStringLiteral("4"));
    EXPECT_EQ(formatTimeText(62.5, 1, 0), QStringLiteral("01:2"));
    EXPECT_EQ(formatTimeText(63.5, 1, 0), QStringLiteral("01:4"));
    EXPECT_EQ(formatTimeText(62.51, 1, 0), QStringLiteral("01:3"));
    EXPECT_EQ(formatTimeText(65.25, 2, 1), QStringLiteral("01:05.2"));
    EXPECT_EQ(formatTimeText(2.5, 0, 3), QStringLiteral("2.500"));
}

TEST(TimeText, ParseAddsTheFieldsFromTheRight)
{
    EXPECT_FLOAT_EQ(*parseTimeText(QStringLiteral("1:30")), 90.0f);
    EXPECT_FLOAT_EQ(*parseTimeText(QStringLiteral("90")), 0.0f);
    EXPECT_FLOAT_EQ(*parseTimeText(QStringLiteral("01:02:03.25")), 3723.25f);
    EXPECT_FLOAT_EQ(*parseTimeText(QStringLiteral("1:00:00:00")), 216000.0f);
    EXPECT_FLOAT_EQ(*parseTimeText(QStringLiteral(" 2 : 3 ")), 123.0f);
    EXPECT_FALSE(parseTimeText(QStringLiteral("1::3")).has_value());
    EXPECT_FALSE(parseTimeText(QStringLiteral("1:x")).has_value());
    EXPECT_FALSE(parseTimeText(QStringLiteral(":")).has_value());

    // What is written reads back.
    for (double t : {0.0, 0.5, 59.99, 61.25, 3599.5, 7323.75}) {
        const QString text = formatTimeText(t, 3, 2);
        EXPECT_NEAR(*parseTimeText(text), t, 0.006) << text.toStdString();
    }
}
