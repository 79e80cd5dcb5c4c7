#include "forms/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iomanip>
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

TEST(FormatNumberTest, WritesEachValueAsItsPictureAndSeparatorsSay) {
    struct Case {
        double value;
        const char* picture;
        NumberSeparators seps;
        std::string expected;
    };
    const std::string nbsp = "\xC2\xA0";  // a no-break space
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        // Zero keeps the digits the picture always writes.
        {0, kBytes, kItalian, "0"},
        {0, kUnits, kItalian, "0,00"},
        {0, kUnits, kEnglish, "0.00"},
        {0, kByteKey, kItalian, "00.000.000.000.000.000.000"},
        {0, kUnitKey, kItalian, "00.000.000.000.000,00"},
        {0, kUnitKey, kEnglish, "00,000,000,000,000.00"},
        // Thousands are grouped with the user's separators, or not at all when there is none.
        {999, kBytes, kItalian, "999"},
        {1000, kBytes, kItalian, "1.000"},
        {1073741824, kBytes, kItalian, "1.073.741.824"},
        {1073741824, kBytes, kEnglish, "1,073,741,824"},
        {1234567.5, kUnits, kItalian, "1.234.567,50"},
        {1234567.5, kUnits, kEnglish, "1,234,567.50"},
        {12.3, kUnits, kItalian, "12,30"},
        {1234567.5, kUnits, {",", ""}, "1234567,50"},
        // Zero-padded keys are grouped across the padding.
        {1073741824, kByteKey, kItalian, "00.000.000.001.073.741.824"},
        {953674.3164, kUnitKey, kItalian, "00.000.000.953.674,32"},
        {953674.3164, kUnitKey, kEnglish, "00,000,000,953,674.32"},
        {7, "000,000.00", kItalian, "000.007,00"},
        // A separator of more than one byte is written whole.
        {1234567.25, kUnits, {",", nbsp}, "1" + nbsp + "234" + nbsp + "567,25"},
        // Halves round away from zero.
        {0.125, kUnits, kItalian, "0,13"},
        {-0.125, kUnits, kItalian, "-0,13"},
        {0.124, kUnits, kItalian, "0,12"},
        {2.5, kBytes, kItalian, "3"},
        {3.5, kBytes, kItalian, "4"},
        {-2.5, kBytes, kItalian, "-3"},
        {2.4999, kBytes, kItalian, "2"},
        // Rounding carries into the integer part and its groups.
        {0.995, kUnits, kItalian, "1,00"},
        {999.995, kUnits, kItalian, "1.000,00"},
        {999999.999, kUnits, kItalian, "1.000.000,00"},
        {9999.999, kUnitKey, kItalian, "00.000.000.010.000,00"},
        {999.5, kBytes, kItalian, "1.000"},
        // A value wider than the picture keeps all its digits.
        {1234567, "000,000.00", kItalian, "1.234.567,00"},
        {1e22, kBytes, kItalian, "10.000.000.000.000.000.000.000"},
        // The largest byte count a drive can report, 2^64, fills the byte key exactly.
        {18446744073709551616.0, kByteKey, kItalian, "18.446.744.073.709.551.616"},
        {18446744073709551616.0 / 1048576, kUnitKey, kItalian, "17.592.186.044.416,00"},
        // A negative value carries a minus, unless it rounds to zero.
        {-1234.5, kUnits, kItalian, "-1.234,50"},
        {-1234567, kBytes, kEnglish, "-1,234,567"},
        {-0.001, kUnits, kItalian, "0,00"},
        {-0.0, kBytes, kItalian, "0"},
        // Not a number and the infinities are written as zero.
        {std::nan(""), kUnits, kItalian, "0,00"},
        {inf, kUnits, kItalian, "0,00"},
        {-inf, kBytes, kItalian, "0"},
        {inf, kByteKey, kItalian, "00.000.000.000.000.000.000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.picture, c.seps), c.expected)
            << std::setprecision(std::numeric_limits<double>::max_digits10) << c.value << " with "
            << c.picture;
}

// A value of hundreds of digits is written in full, without overrunning anything.
TEST(FormatNumberTest, AValueOfHundredsOfDigitsKeepsThemAll) {
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

TEST(FormatDateTest, WritesEachDateAsItsPictureSays) {
    struct Case {
        services::Date date;
        const char* picture;
        const char* expected;
    };
    const Case cases[] = {
        // Day, month and year are two digits each.
        {{2026, 12, 8}, "dd/mm/yy", "08/12/26"},
        {{2009, 3, 5}, "dd/mm/yy", "05/03/09"},
        {{2000, 1, 1}, "dd/mm/yy", "01/01/00"},
        {{1999, 12, 31}, "dd/mm/yy", "31/12/99"},
        // A four-digit year, and other characters that stand as they are.
        {{2009, 3, 5}, "dd/mm/yyyy", "05/03/2009"},
        {{2009, 3, 5}, "yyyy-mm-dd", "2009-03-05"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDate(c.date, c.picture), c.expected)
            << c.date.year << "-" << c.date.month << "-" << c.date.day << " as " << c.picture;
}

}  // namespace
