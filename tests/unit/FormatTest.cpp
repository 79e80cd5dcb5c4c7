#include "forms/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

using forms::FormatDate;
using forms::FormatFixed;
using forms::FormatNumber;
using services::NumberSeparators;

const services::NumberSeparators kItalian{",", "."};
const services::NumberSeparators kEnglish{".", ","};

// The pictures the main window writes its figures and its sort keys with.
const char* const kBytes = "###,###,###,##0";
const char* const kUnits = "###,##0.00";
const char* const kByteKey = "00,000,000,000,000,000,000";
const char* const kUnitKey = "00,000,000,000,000.00";

TEST(FormatNumberTest, ZeroKeepsTheDigitsThePictureAlwaysWrites) {
    EXPECT_EQ(FormatNumber(0, kBytes, kItalian), "0");
    EXPECT_EQ(FormatNumber(0, kUnits, kItalian), "0,00");
    EXPECT_EQ(FormatNumber(0, kUnits, kEnglish), "0.00");
    EXPECT_EQ(FormatNumber(0, kByteKey, kItalian), "00.000.000.000.000.000.000");
    EXPECT_EQ(FormatNumber(0, kUnitKey, kItalian), "00.000.000.000.000,00");
    EXPECT_EQ(FormatNumber(0, kUnitKey, kEnglish), "00,000,000,000,000.00");
}

TEST(FormatNumberTest, GroupsThousandsWithTheUsersSeparators) {
    EXPECT_EQ(FormatNumber(999, kBytes, kItalian), "999");
    EXPECT_EQ(FormatNumber(1000, kBytes, kItalian), "1.000");
    EXPECT_EQ(FormatNumber(1073741824, kBytes, kItalian), "1.073.741.824");
    EXPECT_EQ(FormatNumber(1073741824, kBytes, kEnglish), "1,073,741,824");
    EXPECT_EQ(FormatNumber(1234567.5, kUnits, kItalian), "1.234.567,50");
    EXPECT_EQ(FormatNumber(1234567.5, kUnits, kEnglish), "1,234,567.50");
    EXPECT_EQ(FormatNumber(12.3, kUnits, kItalian), "12,30");
    EXPECT_EQ(FormatNumber(1234567.5, kUnits, NumberSeparators{",", ""}), "1234567,50");
}

TEST(FormatNumberTest, ZeroPaddedKeysAreGroupedAcrossThePadding) {
    EXPECT_EQ(FormatNumber(1073741824, kByteKey, kItalian), "00.000.000.001.073.741.824");
    EXPECT_EQ(FormatNumber(953674.3164, kUnitKey, kItalian), "00.000.000.953.674,32");
    EXPECT_EQ(FormatNumber(953674.3164, kUnitKey, kEnglish), "00,000,000,953,674.32");
    EXPECT_EQ(FormatNumber(7, "000,000.00", kItalian), "000.007,00");
}

TEST(FormatNumberTest, SeparatorsOfMoreThanOneByteAreWrittenWhole) {
    const services::NumberSeparators french{",", "\xC2\xA0"};  // no-break space
    EXPECT_EQ(FormatNumber(1234567.25, kUnits, french),
              "1\xC2\xA0"
              "234\xC2\xA0"
              "567,25");
}

TEST(FormatNumberTest, RoundsHalfAwayFromZero) {
    EXPECT_EQ(FormatNumber(0.125, kUnits, kItalian), "0,13");
    EXPECT_EQ(FormatNumber(-0.125, kUnits, kItalian), "-0,13");
    EXPECT_EQ(FormatNumber(0.124, kUnits, kItalian), "0,12");
    EXPECT_EQ(FormatNumber(2.5, kBytes, kItalian), "3");
    EXPECT_EQ(FormatNumber(3.5, kBytes, kItalian), "4");
    EXPECT_EQ(FormatNumber(-2.5, kBytes, kItalian), "-3");
    EXPECT_EQ(FormatNumber(2.4999, kBytes, kItalian), "2");
}

TEST(FormatNumberTest, RoundingCarriesIntoTheIntegerPartAndItsGroups) {
    EXPECT_EQ(FormatNumber(0.995, kUnits, kItalian), "1,00");
    EXPECT_EQ(FormatNumber(999.995, kUnits, kItalian), "1.000,00");
    EXPECT_EQ(FormatNumber(999999.999, kUnits, kItalian), "1.000.000,00");
    EXPECT_EQ(FormatNumber(9999.999, kUnitKey, kItalian), "00.000.000.010.000,00");
    EXPECT_EQ(FormatNumber(999.5, kBytes, kItalian), "1.000");
}

TEST(FormatNumberTest, ValuesWiderThanThePictureKeepAllTheirDigits) {
    EXPECT_EQ(FormatNumber(1234567, "000,000.00", kItalian), "1.234.567,00");
    EXPECT_EQ(FormatNumber(1e22, kBytes, kItalian), "10.000.000.000.000.000.000.000");
    // The largest byte count a drive can report, 2^64, fills the byte key exactly.
    EXPECT_EQ(FormatNumber(18446744073709551616.0, kByteKey, kItalian),
              "18.446.744.073.709.551.616");
    EXPECT_EQ(FormatNumber(18446744073709551616.0 / 1048576, kUnitKey, kItalian),
              "17.592.186.044.416,00");

    // A value of hundreds of digits is written in full, without overrunning anything.
    const std::string huge = FormatNumber(1e300, kUnits, kEnglish);
    ASSERT_GT(huge.size(), 4u);
    EXPECT_EQ(huge.front(), '1');
    EXPECT_EQ(huge.substr(huge.size() - 3), ".00");
    std::string digits;
    for (char c : huge.substr(0, huge.size() - 3))
        if (c != ',')
            digits += c;
    EXPECT_EQ(digits.size(), 301u);
    EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos);
}

TEST(FormatNumberTest, NegativeValuesCarryAMinusUnlessTheyRoundToZero) {
    EXPECT_EQ(FormatNumber(-1234.5, kUnits, kItalian), "-1.234,50");
    EXPECT_EQ(FormatNumber(-1234567, kBytes, kEnglish), "-1,234,567");
    EXPECT_EQ(FormatNumber(-0.001, kUnits, kItalian), "0,00");
    EXPECT_EQ(FormatNumber(-0.0, kBytes, kItalian), "0");
}

TEST(FormatNumberTest, NotANumberAndInfinitiesAreWrittenAsZero) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FormatNumber(std::nan(""), kUnits, kItalian), "0,00");
    EXPECT_EQ(FormatNumber(inf, kUnits, kItalian), "0,00");
    EXPECT_EQ(FormatNumber(-inf, kBytes, kItalian), "0");
    EXPECT_EQ(FormatNumber(inf, kByteKey, kItalian), "00.000.000.000.000.000.000");
}

// The C library's printf writes every digit of a double exactly (glibc does): the figures
// must come out the same from the program's own conversion, ties and carries included.
TEST(FormatFixedTest, WritesEveryDoubleAsPrintfDoes) {
    auto printed = [](double v, int places) {
        char buf[1200];
        std::snprintf(buf, sizeof buf, "%.*f", places, v);
        return std::string(buf);
    };
    const double edges[] = {
        0,
        -0.0,
        0.5,
        1.5,
        2.5,
        -2.5,
        0.125,
        0.995,
        999.995,
        2.675,
        1.0 / 32768,             // 15 decimals ending in 5: a tie at 14, to the even digit
        18446744073709551616.0,  // 2^64
        1e22,
        1e300,
        1e-300,
        std::numeric_limits<double>::max(),
        std::numeric_limits<double>::min(),
        std::numeric_limits<double>::denorm_min(),
    };
    for (double v : edges)
        for (int places = 0; places <= 30; ++places)
            ASSERT_EQ(FormatFixed(v, places), printed(v, places)) << v << " with " << places;

    // Doubles of every magnitude, from their bits, and values of the program's own range
    // (byte counts to 2^64 and their quotients), with the decimals the figures use.
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = random();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v))
            continue;
        const int places = static_cast<int>(random() % 32);
        ASSERT_EQ(FormatFixed(v, places), printed(v, places)) << v << " with " << places;
    }
    for (int i = 0; i < 20000; ++i) {
        const double v =
            std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 64) - 53);
        const int places = static_cast<int>(random() % 16);
        ASSERT_EQ(FormatFixed(v, places), printed(v, places)) << v << " with " << places;
    }
}

TEST(FormatDateTest, DayMonthAndYearAreTwoDigitsEach) {
    EXPECT_EQ(FormatDate({2026, 12, 8}, "dd/mm/yy"), "08/12/26");
    EXPECT_EQ(FormatDate({2009, 3, 5}, "dd/mm/yy"), "05/03/09");
    EXPECT_EQ(FormatDate({2000, 1, 1}, "dd/mm/yy"), "01/01/00");
    EXPECT_EQ(FormatDate({1999, 12, 31}, "dd/mm/yy"), "31/12/99");
}

TEST(FormatDateTest, FourDigitYearAndLiteralCharacters) {
    EXPECT_EQ(FormatDate({2009, 3, 5}, "dd/mm/yyyy"), "05/03/2009");
    EXPECT_EQ(FormatDate({2009, 3, 5}, "yyyy-mm-dd"), "2009-03-05");
}

}  // namespace
