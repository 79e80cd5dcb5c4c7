#include "forms/FontTables.h"

#include <algorithm>
#include <cstddef>

#include "forms/TextBreaks.h"

namespace forms {

namespace {

// Windows' numbers for the character sets.
enum : unsigned char {
    kShiftJis = 128,
    kHangul = 129,
    kGb2312 = 134,
    kBig5 = 136,
    kGreek = 161,
    kTurkish = 162,
    kVietnamese = 163,
    kHebrew = 177,
    kArabic = 178,
    kBaltic = 186,
    kRussian = 204,
    kThai = 222,
    kEastEurope = 238,
};

bool Between(char32_t c, char32_t low, char32_t high) {
    return c >= low && c <= high;
}

}  // namespace

std::vector<unsigned char> CharsetsFor(char32_t c, unsigned codePage) {
    if (Between(c, 0x0370, 0x03FF) || Between(c, 0x1F00, 0x1FFF))
        return {kGreek};
    if (Between(c, 0x0400, 0x052F))
        return {kRussian};
    if (Between(c, 0x0100, 0x024F))
        return {kEastEurope, kTurkish, kBaltic};
    if (Between(c, 0x1EA0, 0x1EFF))
        return {kVietnamese};
    if (Between(c, 0x0590, 0x05FF) || Between(c, 0xFB1D, 0xFB4F))
        return {kHebrew};
    if (Between(c, 0x0600, 0x06FF) || Between(c, 0x0750, 0x077F) || Between(c, 0xFB50, 0xFDFF) ||
        Between(c, 0xFE70, 0xFEFF))
        return {kArabic};
    if (Between(c, 0x0E00, 0x0E7F))
        return {kThai};
    if (IsHangul(c))
        return {kHangul};
    if (IsKana(c))
        return {kShiftJis};
    if (Between(c, 0x3100, 0x312F))
        return {kBig5};
    if (c > 0xFFFF && !IsHan(c))
        return {};  // no character set's fonts write the rest past the 16-bit range (emoji, ...)
    std::vector<unsigned char> cjk = {kShiftJis, kGb2312, kBig5, kHangul};
    const unsigned char own = codePage == 932   ? kShiftJis
                              : codePage == 936 ? kGb2312
                              : codePage == 949 ? kHangul
                              : codePage == 950 ? kBig5
                                                : 0;
    const auto first = std::find(cjk.begin(), cjk.end(), own);
    if (first != cjk.end())
        std::rotate(cjk.begin(), first, first + 1);
    return cjk;  // for Han, and last for any symbol, which East Asian fonts are rich in
}

std::span<const wchar_t* const> ScalableTwins(unsigned char pitchAndFamily) {
    static constexpr const wchar_t* kSwiss[] = {L"Microsoft Sans Serif", L"Tahoma"};
    static constexpr const wchar_t* kRoman[] = {L"Times New Roman"};
    static constexpr const wchar_t* kModern[] = {L"Courier New"};
    switch (pitchAndFamily & 0xF0) {
        case 0x10:  // FF_ROMAN
            return kRoman;
        case 0x30:  // FF_MODERN
            return kModern;
        default:
            return kSwiss;
    }
}

std::vector<WideRange> ReadWideRanges(const std::vector<unsigned char>& t) {
    // Big-endian numbers; 0 past the table's end. (Compared so that an offset near the top of
    // a 32-bit size_t, as a damaged table may give, cannot wrap around.)
    auto u16 = [&t](std::size_t at) -> std::uint32_t {
        return at < t.size() && t.size() - at >= 2 ? std::uint32_t{t[at]} << 8 | t[at + 1] : 0;
    };
    auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
    std::vector<WideRange> wide;
    for (std::uint32_t i = 0, tables = u16(2); i < tables; ++i) {
        const std::size_t record = 4 + 8 * std::size_t{i};
        const std::uint32_t platform = u16(record), encoding = u16(record + 2);
        const std::size_t at = u32(record + 4);
        if (!((platform == 3 && encoding == 10) || (platform == 0 && encoding >= 4)) ||
            u16(at) != 12)
            continue;
        for (std::size_t g = 0, groups = u32(at + 12); g < groups; ++g) {
            const std::size_t group = at + 16 + 12 * g;
            if (group + 12 > t.size())
                break;
            wide.push_back({u32(group), u32(group + 4), u32(group + 8)});
        }
        break;
    }
    return wide;
}

}  // namespace forms
