#include "forms/TextBreaks.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using forms::Wrap;

// Every character one pixel wide, counted at its last unit, as text is measured where drawn:
// a unit that the next one joins reaches no further than the unit before it.
std::vector<int> Ends(const std::wstring& s) {
    std::vector<int> ends(1, 0);
    for (std::size_t i = 0; i < s.size(); ++i)
        ends.push_back(ends.back() + (i + 1 < s.size() && forms::Joins(s[i + 1]) ? 0 : 1));
    return ends;
}

std::vector<std::wstring> Pieces(const std::wstring& s, int width) {
    std::vector<std::wstring> out;
    for (const auto& p : Wrap(s, Ends(s), width))
        out.push_back(s.substr(p.first, p.second - p.first));
    return out;
}

// The units are written out: UTF-16, as Windows holds text, whatever wchar_t is here.
const std::wstring kGrinning = {0xD83D, 0xDE00};  // U+1F600, a surrogate pair
const std::wstring kEAcute = {L'e', 0x0301};      // e and a combining acute accent
const std::wstring kNihon = {0x65E5, 0x672C};     // two ideographs
const std::wstring kKi = {0x0915, 0x093F};        // Devanagari ka and its vowel sign i

TEST(TextBreaksTest, WrapsAtSpacesAndIdeographsAndNeverInsideACharacter) {
    const struct {
        std::wstring text;
        int width;
        std::vector<std::wstring> pieces;
    } cases[] = {
        {L"Spazio dei Drive", 100, {L"Spazio dei Drive"}},
        {L"Spazio dei Drive", 10, {L"Spazio dei", L"Drive"}},  // the space before a break left out
        {L"Spazio dei Drive", 6, {L"Spazio", L"dei", L"Drive"}},
        {L"Spazio   dei", 8, {L"Spazio", L"dei"}},
        {L"Kelvaro", 3, {L"Kel", L"var", L"o"}},  // a word wider than the line, broken
        {L"ab", 0, {L"a", L"b"}},                 // no room at all: a character a line
        {kNihon + L"abc", 3, {kNihon, L"abc"}},   // a line may end after an ideograph
        {L"x" + kNihon, 2, {L"x" + kNihon.substr(0, 1), kNihon.substr(1)}},
        {L"a bc" + kNihon, 4, {L"a bc", kNihon}},  // and before one after a word
        {L"ab" + kGrinning + L"cd", 2, {L"ab", kGrinning + L"c", L"d"}},
        {L"caf" + kEAcute + L"s", 3, {L"caf", kEAcute + L"s"}},
        {kEAcute + kEAcute, 0, {kEAcute, kEAcute}},
        {L"a\u200Cb\u200Dc", 0, {L"a\u200C", L"b\u200D", L"c"}},   // nor before a (non-)joiner
        {kKi + kKi, 1, {kKi, kKi}},                                // nor before a vowel sign
        {L"\u0E01\u0E34\u0E01", 1, {L"\u0E01\u0E34", L"\u0E01"}},  // Thai's too
        {L"ab cd  ", 5, {L"ab cd"}},         // blanks at the end take no room, make no line
        {L"  abcdef", 3, {L"abc", L"def"}},  // nor do blanks before a word too wide
        {L"ab  ", 0, {L"a", L"b"}},          // nor after a word broken up
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "width " << c.width << ", " << c.text.size() << " units");
        EXPECT_EQ(Pieces(c.text, c.width), c.pieces);
    }
}

TEST(TextBreaksTest, CutsShortBetweenCharacters) {
    const std::wstring s = L"a" + kGrinning + kEAcute;  // five units, three characters
    const std::vector<int> ends = Ends(s);
    EXPECT_EQ(forms::FittingUnits(s, ends, 0), 0u);
    EXPECT_EQ(forms::FittingUnits(s, ends, 1), 1u);  // not half the pair
    EXPECT_EQ(forms::FittingUnits(s, ends, 2), 3u);  // not the e without its accent
    EXPECT_EQ(forms::FittingUnits(s, ends, 3), 5u);
}

TEST(TextBreaksTest, LinesAndCharacters) {
    EXPECT_EQ(forms::Lines(L"a\r\nb\nc\rd\n"), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
    EXPECT_EQ(forms::Lines(L""), std::vector<std::wstring>{L""});
    EXPECT_EQ(forms::Lines(L"a\n\nb"), (std::vector<std::wstring>{L"a", L"", L"b"}));
    bool more = true;
    EXPECT_EQ(forms::FirstLine(L"uno", &more), L"uno");
    EXPECT_FALSE(more);
    EXPECT_EQ(forms::FirstLine(L"uno\r\n", &more), L"uno");
    EXPECT_FALSE(more);
    EXPECT_EQ(forms::FirstLine(L"uno\r\ndue", &more), L"uno");
    EXPECT_TRUE(more);
    EXPECT_FALSE(forms::BreaksLines(L"uno\r\n"));
    EXPECT_TRUE(forms::BreaksLines(L"uno\ndue"));

    std::size_t units = 0;
    EXPECT_EQ(forms::CharAt(kGrinning, 0, &units), U'\U0001F600');
    EXPECT_EQ(units, 2u);
    EXPECT_EQ(forms::Utf16(U'\U0001F600'), kGrinning);
    EXPECT_EQ(forms::CharAt(kGrinning.substr(0, 1) + L"x", 0, &units), 0xD83Du);  // a lone half
    EXPECT_EQ(units, 1u);
}

}  // namespace
