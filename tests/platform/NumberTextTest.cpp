// Number texts, numbers read from text, hexadecimal texts and rounding.
#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

const QString kDegC = QStringLiteral("\u00B0C");

TEST(NumberText, LogValueFields)
{
    EXPECT_EQ(StrSingle(0.5f), " .5");
    EXPECT_EQ(StrSingle(-0.25f), "-.25");
    EXPECT_EQ(StrSingle(0.0f), " 0");
    EXPECT_EQ(StrSingle(1.5e7f), " 1.5E+07");
    EXPECT_EQ(StrSingle(0.001f), " .001");
    EXPECT_EQ(StrSingle(0.75f), " .75");
    EXPECT_EQ(StrSingle(-40.0f), "-40");
    EXPECT_EQ(StrSingle(25.25f), " 25.25");
    EXPECT_EQ(StrSingle(25.5f), " 25.5");
    EXPECT_EQ(StrSingle(3.306f), " 3.306");
    // 25.25 degrees Celsius in Fahrenheit, rounded to two decimals and stored as a single.
    EXPECT_EQ(StrSingle(static_cast<float>(RoundDecimals(25.25 * 9 / 5 + 32, 2))), " 77.45");
}

TEST(NumberText, SingleShowsSevenSignificantDigits)
{
    // The binary noise of a single beyond the 7th digit never shows.
    EXPECT_EQ(StrSingle(0.1f), " .1");
    EXPECT_EQ(StrSingle(1.1f), " 1.1");
    EXPECT_EQ(StrSingle(3.3f), " 3.3");
    EXPECT_EQ(StrSingle(0.1f + 0.2f), " .3");
    EXPECT_EQ(StrSingle(1.0000001f), " 1");
    EXPECT_EQ(StrSingle(1.0f / 3), " .3333333");
    EXPECT_EQ(StrSingle(2.0f / 3), " .6666667");
    EXPECT_EQ(StrSingle(123456.78f), " 123456.8");
    EXPECT_EQ(StrSingle(-9.999999f), "-9.999999");
    // Exact halves at the 8th digit go to the even 7th digit.
    EXPECT_EQ(StrSingle(1234567.5f), " 1234568");
    EXPECT_EQ(StrSingle(1234568.5f), " 1234568");
    // 15 digits for a double, and a carry through all of them.
    EXPECT_EQ(StrDouble(1.0 / 3), " .333333333333333");
    EXPECT_EQ(StrDouble(0.1 + 0.2), " .3");
    EXPECT_EQ(StrDouble(1.0 - std::ldexp(1.0, -53)), " 1");
    EXPECT_EQ(StrDouble(3.3f), " 3.29999995231628");
}

TEST(NumberText, ExponentFormBoundaries)
{
    EXPECT_EQ(StrSingle(9999999.0f), " 9999999");
    EXPECT_EQ(StrSingle(1e7f), " 1E+07");
    EXPECT_EQ(StrSingle(-1e7f), "-1E+07");
    EXPECT_EQ(StrSingle(16777216.0f), " 1.677722E+07");
    EXPECT_EQ(StrSingle(99999992.0f), " 9.999999E+07");
    EXPECT_EQ(StrSingle(std::numeric_limits<float>::max()), " 3.402823E+38");
    EXPECT_EQ(StrSingle(0.0001f), " .0001");
    EXPECT_EQ(StrSingle(0.00012345678f), " .0001234568");
    EXPECT_EQ(StrSingle(0.00001f), " 1E-05");
    EXPECT_EQ(StrSingle(-1.5e-5f), "-1.5E-05");
    EXPECT_EQ(StrSingle(std::numeric_limits<float>::denorm_min()), " 1.401298E-45");

    EXPECT_EQ(StrDouble(999999999999999.0), " 999999999999999");
    EXPECT_EQ(StrDouble(1e15), " 1E+15");
    EXPECT_EQ(StrDouble(999999999999999.875), " 1E+15"); // rounds up into the next decade
    EXPECT_EQ(StrDouble(1.5e300), " 1.5E+300");
    EXPECT_EQ(StrDouble(-2.5e-300), "-2.5E-300");
}

TEST(NumberText, NegativeZeroReadsAsZero)
{
    EXPECT_EQ(StrSingle(-0.0f), " 0");
    EXPECT_EQ(TrimSingle(-0.0f), "0");
    EXPECT_EQ(PlainSingle(-0.0f), "0");
    EXPECT_EQ(TrimDouble(-0.0), "0");
    EXPECT_EQ(TrimDouble(RoundDecimals(-0.0001, 3)), "0");
}

TEST(NumberText, TrimmedFormsForLabelsAndLegends)
{
    EXPECT_EQ(TrimSingle(1.25f) + "V", "1.25V");
    EXPECT_EQ(TrimSingle(0.5f) + "V", ".5V");
    EXPECT_EQ(TrimSingle(0.0f) + "V", "0V");
    EXPECT_EQ(TrimSingle(1.5f) + "V", "1.5V");
    EXPECT_EQ("Internal=" + TrimSingle(25.25f) + kDegC, QStringLiteral("Internal=25.25\u00B0C"));
    EXPECT_EQ(StrSingle(-3.5f) + kDegC, QStringLiteral("-3.5\u00B0C"));
    EXPECT_EQ(TrimSingle(1.5e7f), "1.5E+07");
}

TEST(NumberText, LogTimeField)
{
    // interval x line count / 1000, rounded to 3 decimals.
    auto time = [](int32_t interval, int32_t count) {
        return TrimDouble(RoundDecimals(static_cast<double>(interval * count) / 1000, 3));
    };
    EXPECT_EQ(time(250, 0), "0");
    EXPECT_EQ(time(250, 1), ".25");
    EXPECT_EQ(time(250, 2), ".5");
    EXPECT_EQ(time(250, 4), "1");
    EXPECT_EQ(time(250, 5), "1.25");
    EXPECT_EQ(time(-250, 1), "-.25");
    EXPECT_EQ(time(0, 7), "0");
    EXPECT_EQ(time(333, 3), ".999");
    EXPECT_EQ(time(2147483647, 1), "2147483.647");
    EXPECT_EQ(time(-2147483647, 1), "-2147483.647");
}

TEST(NumberText, PlainFormHasZeroBeforePoint)
{
    EXPECT_EQ(PlainSingle(0.5f), "0.5");
    EXPECT_EQ(PlainSingle(-0.25f), "-0.25");
    EXPECT_EQ(PlainSingle(2.25f), "2.25");
    EXPECT_EQ(PlainSingle(0.0f), "0");
    EXPECT_EQ(PlainSingle(0.001f), "0.001");
    EXPECT_EQ(PlainSingle(1234.5f), "1234.5");
    EXPECT_EQ(PlainSingle(1.5e7f), "1.5E+07");
    EXPECT_EQ(PlainSingle(1e-5f), "1E-05");
    EXPECT_EQ(PlainDouble(0.5), "0.5");
    EXPECT_EQ(PlainDouble(-0.125), "-0.125");
}

TEST(ValText, ReadsTheLeadingNumber)
{
    EXPECT_EQ(ValText("12.5abc"), 12.5);
    EXPECT_EQ(ValText("1e3"), 1000);
    EXPECT_EQ(ValText("1E-2"), 0.01);
    EXPECT_EQ(ValText("2.5e+1V"), 25);
    EXPECT_EQ(ValText("300"), 300);
    EXPECT_EQ(ValText("-40"), -40);
    EXPECT_EQ(ValText("+7"), 7);
    EXPECT_EQ(ValText(".5"), 0.5);
    EXPECT_EQ(ValText("5."), 5);
    EXPECT_EQ(ValText("007"), 7);
    EXPECT_EQ(ValText("1.2.3"), 1.2);
    EXPECT_EQ(ValText("1e2e3"), 100);
    EXPECT_EQ(ValText("1e"), 1);
    EXPECT_EQ(ValText("1e+"), 1);
    EXPECT_EQ(ValText("1d3"), 1); // only E is an exponent letter
    EXPECT_EQ(ValText("1,5"), 1);
}

TEST(ValText, IgnoresBlanksTabsAndLineFeedsAnywhere)
{
    EXPECT_EQ(ValText(" 1 2 "), 12);
    EXPECT_EQ(ValText("\t-\n4 0"), -40);
    EXPECT_EQ(ValText("1 . 5"), 1.5);
    EXPECT_EQ(ValText("1 e 2"), 100);
    EXPECT_EQ(ValText("- . 2 5"), -0.25);
}

TEST(ValText, NoNumberGivesZero)
{
    for (const char* text : {"", " ", "-", "+", ".", "-.", "--1", "abc", "e5", ".e5", "&H1F"}) {
        EXPECT_EQ(ValText(text), 0) << text;
        EXPECT_FALSE(std::signbit(ValText(text))) << text;
    }
    EXPECT_FALSE(std::signbit(ValText("-0.0")));
}

TEST(ValText, VeryLongTexts)
{
    const QString zeros(5000, u'0');
    EXPECT_EQ(ValText("1" + zeros), std::numeric_limits<double>::max());
    EXPECT_EQ(ValText("-1" + zeros + "xyz"), -std::numeric_limits<double>::max());
    EXPECT_EQ(ValText("0." + zeros + "1"), 0);
    EXPECT_EQ(ValText("1e99999999999999999999"), std::numeric_limits<double>::max());
    EXPECT_EQ(ValText("-1e-99999999999999999999"), 0);
    // Long texts that still fit are read exactly.
    EXPECT_EQ(ValText(zeros + "1" + QString(300, u'0')), 1e300);
    EXPECT_EQ(ValText("0." + zeros + "15e5001"), 1.5);
    EXPECT_EQ(ValText("3.14159265358979323846264338327950288419716939937510"), M_PI);
    EXPECT_EQ(ValText("1." + zeros + "1"), 1.0);
}

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(13.5), 14);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999999999999996), 2);
    EXPECT_EQ(RoundHalfEven(2.5000000000000004), 3);
    EXPECT_EQ(RoundHalfEven(-7.6), -8);
    EXPECT_EQ(RoundHalfEven(4503599627370497.0), 4503599627370497.0);

    // Offset boxes and the log interval: the number in the text, rounded.
    EXPECT_EQ(CLng(ValText("12.5")), 12);
    EXPECT_EQ(CLng(ValText("13.5")), 14);
    EXPECT_EQ(CLng(ValText("300")), 300);
    EXPECT_EQ(CLng(ValText("-40")), -40);
    EXPECT_EQ(CLng(ValText("no number")), 0);
}

TEST(Rounding, WholeNumberRangesAreChecked)
{
    bool ok = false;
    EXPECT_EQ(CLng(2147483647.4, &ok), 2147483647);
    EXPECT_TRUE(ok);
    EXPECT_EQ(CLng(2147483647.5, &ok), 2147483647);
    EXPECT_FALSE(ok);
    EXPECT_EQ(CLng(-2147483648.5, &ok), -2147483648); // the even neighbour still fits
    EXPECT_TRUE(ok);
    EXPECT_EQ(CLng(-2147483649.5, &ok), -2147483648);
    EXPECT_FALSE(ok);
    EXPECT_EQ(CLng(std::numeric_limits<double>::quiet_NaN(), &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(CLng(ValText("1" + QString(400, u'0')), &ok), 2147483647);
    EXPECT_FALSE(ok);

    EXPECT_EQ(CInt(32766.5, &ok), 32766);
    EXPECT_TRUE(ok);
    EXPECT_EQ(CInt(32767.5, &ok), 32767);
    EXPECT_FALSE(ok);
    EXPECT_EQ(CInt(-32768.5, &ok), -32768);
    EXPECT_TRUE(ok);
    EXPECT_EQ(CInt(-1e9, &ok), -32768);
    EXPECT_FALSE(ok);
}

TEST(Rounding, DecimalsAreJudgedOnTheExactBinaryValue)
{
    EXPECT_EQ(RoundDecimals(1.125, 2), 1.12);
    EXPECT_EQ(RoundDecimals(1.375, 2), 1.38);
    EXPECT_EQ(RoundDecimals(-1.125, 2), -1.12);
    EXPECT_EQ(RoundDecimals(1.005, 2), 1.0);  // stored as 1.00499999...
    EXPECT_EQ(RoundDecimals(2.675, 2), 2.67); // stored as 2.67499999...
    EXPECT_EQ(RoundDecimals(1.135, 2), 1.14); // stored as 1.13500000...09
    EXPECT_EQ(RoundDecimals(77.445, 2), 77.44); // stored as 77.44499999...
    EXPECT_EQ(RoundDecimals(0.0625, 3), 0.062);
    EXPECT_EQ(RoundDecimals(0.0005, 3), 0.001); // stored slightly above the half
    EXPECT_EQ(RoundDecimals(1e300, 3), 1e300);
    EXPECT_EQ(RoundDecimals(0.1, 2000), 0.1);
    EXPECT_EQ(RoundDecimals(std::numeric_limits<double>::denorm_min(), 3), 0);
    EXPECT_EQ(RoundDecimals(2.5, -1), 2);
}

TEST(HexText, HexadecimalValueOfAText)
{
    for (const char* text : {"1FH", "1fh", "1F", " 1 f\t\n"})
        EXPECT_EQ(HexValue(text), 31) << text;
    EXPECT_EQ(HexValue(""), 0);
    EXPECT_EQ(HexValue("G1"), 0);
    EXPECT_EQ(HexValue("&H1F"), 0);
    EXPECT_EQ(HexValue("7FFF"), 32767);
    EXPECT_EQ(HexValue("8000"), -32768);
    EXPECT_EQ(HexValue("FFFF"), -1);
    EXPECT_EQ(HexValue("0000FFFF"), -1);
    EXPECT_EQ(HexValue("10000"), 65536);
    EXPECT_EQ(HexValue("7FFFFFFF"), 2147483647);
    EXPECT_EQ(HexValue("80000000"), -2147483647 - 1);
    EXPECT_EQ(HexValue("FFFFFFFF"), -1);
    EXPECT_EQ(HexValue("D8"), 216);

    bool overflow = true;
    EXPECT_EQ(HexValue("000000001F", &overflow), 31);
    EXPECT_FALSE(overflow);
    EXPECT_EQ(HexValue("123456789", &overflow), 0x23456789);
    EXPECT_TRUE(overflow);
    // Digits beyond eight that only repeat the sign of a negative 32-bit value.
    const std::pair<QString, int32_t> signRepeats[] = {
        {"FFFFFFFFFFFF", -1}, {"ffffFFFF1234", -60876}, {"0FFFFFFFFF", -1},
        {"FFFF80000000", INT32_MIN}, {QString(5000, u'F'), -1}};
    for (const auto& [text, value] : signRepeats) {
        overflow = true;
        EXPECT_EQ(HexValue(text, &overflow), value) << text.left(20).toStdString();
        EXPECT_FALSE(overflow) << text.left(20).toStdString();
    }
    // Anything else beyond eight digits: an F before a positive value, any other digit.
    for (const char* text : {"F7FFFFFFF", "FFFFFFFF0000FFFF", "1FFFFFFFF", "EFFFFFFFF"}) {
        overflow = false;
        HexValue(text, &overflow);
        EXPECT_TRUE(overflow) << text;
    }
}

TEST(HexText, HexadecimalAndDecimalTexts)
{
    EXPECT_EQ(HexText(0), "0");
    EXPECT_EQ(HexText(10), "A");
    EXPECT_EQ(HexText(0x1A), "1A");
    EXPECT_EQ(HexText(0x49), "49");
    EXPECT_EQ(HexText(255), "FF");
    EXPECT_EQ(HexText(-1), "FFFFFFFF");
    EXPECT_EQ(HexText(HexValue("FFFF")), "FFFFFFFF");
    EXPECT_EQ(HexText(2.5), "2");
    EXPECT_EQ(HexText(3.5), "4");
    EXPECT_EQ(HexText(1e12), "7FFFFFFF");
    EXPECT_EQ(HexText(-1e12), "80000000");
    EXPECT_EQ(HexText(ValText("-40")), "FFFFFFD8");

    EXPECT_EQ(DecText(-40), "-40");
    EXPECT_EQ(DecText(127), "127");
    EXPECT_EQ(DecText(0), "0");
    EXPECT_EQ(DecText(HexValue("FFFF")), "-1");
}

} // namespace
