#include "forms/TextLayout.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "forms/FontTables.h"
#include "forms/TextBreaks.h"

namespace {

using forms::Align;
using forms::Edges;
using forms::FontHandle;
using forms::TextFit;

// Fonts whose every character is as wide as the font says. A font lacks the characters it is
// told to; its fallback has them all, twice as wide and taller. A bitmap font does not narrow:
// asked smaller, its characters shrink with its height. Hebrew letters read right to left,
// Latin ones left to right.
struct FakeFont {
    int advance;
    forms::Typesetter::Metrics metrics;
    std::wstring lacks;
    bool bitmap = false;
};

class FakeTypesetter : public forms::Typesetter {
  public:
    FontHandle Add(int advance, int ascent, int asked, std::wstring lacks = L"",
                   bool bitmap = false, bool symbol = false) {
        fonts_.push_back({advance, {ascent, 2, advance, ascent + 2, asked, symbol}, lacks, bitmap});
        return &fonts_.back();
    }
    FakeFont& Of(FontHandle f) { return *static_cast<FakeFont*>(f); }

    const Metrics& MetricsOf(FontHandle f) override { return Of(f).metrics; }
    std::vector<bool> Has(FontHandle f, const std::wstring& text) override {
        std::vector<bool> has;
        for (wchar_t u : text) has.push_back(Of(f).lacks.find(u) == std::wstring::npos);
        return has;
    }
    FontHandle Fallback(FontHandle f, char32_t) override {
        return Add(Of(f).advance * 2, Of(f).metrics.ascent + 4, Of(f).metrics.asked);
    }
    int Width(FontHandle f, const std::wstring& text, bool) override {
        std::vector<int> ends(text.size() + 1, 0);
        Extents(f, text, false, ends.data());
        return text.empty() ? 0 : ends[text.size() - 1];
    }
    // A low surrogate, or a mark the next unit is, adds nothing: it ends no character.
    void Extents(FontHandle f, const std::wstring& text, bool, int* ends) override {
        for (std::size_t i = 0, w = 0; i < text.size(); ++i) {
            if (i == 0 || !forms::Joins(text[i]))
                w += Of(f).advance;
            ends[i] = static_cast<int>(w);
        }
    }
    FontHandle Resized(FontHandle f, int width, int height) override {
        const FakeFont& o = Of(f);
        const int asked = height ? height : o.metrics.asked;
        const int advance = o.bitmap || !width ? o.advance * asked / o.metrics.asked : width;
        return Add(advance, o.metrics.ascent * asked / o.metrics.asked, asked, o.lacks, o.bitmap);
    }
    bool ReadsRightToLeft(const std::wstring& line) override {
        for (wchar_t u : line) {
            if (u >= 0x05D0 && u <= 0x05EA)
                return true;
            if ((u >= L'a' && u <= L'z') || (u >= L'A' && u <= L'Z'))
                return false;
        }
        return false;
    }

  private:
    std::deque<FakeFont> fonts_;
};

std::vector<std::wstring> RunTexts(const forms::TextLayout& layout) {
    std::vector<std::wstring> texts;
    for (const forms::TextLine& line : layout.lines) {
        std::wstring joined;
        for (const forms::TextRun& run : line.runs) joined += run.text + L"|";
        texts.push_back(joined);
    }
    return texts;
}

std::vector<int> Sides(const Edges& e) {
    return {e.left, e.top, e.right, e.bottom};
}

// Each line is given as its runs, each ended by "|".
TEST(TextLayoutTest, LaysTextOutAsTheLabelAsks) {
    const std::wstring shalom = {0x05E9, 0x05DC, 0x05D5, 0x05DD};
    const std::wstring floppy = {L'a', 0xD83D, 0xDCBE, L'b'};  // a U+1F4BE b
    const std::wstring accent = {L'e', 0x0301, L'x'};          // e, a combining acute, x
    using F = TextFit;
    const struct {
        std::wstring text;
        int width;
        TextFit fit;
        bool wrap;
        std::vector<std::wstring> lines;
        int layoutWidth;
        bool cut, rtl;
    } cases[] = {
        {L"abc", 100, F::Grow, false, {L"abc|"}, 30, false, false},
        {L"abcdefghij", 50, F::Grow, false, {L"abcdefghij|"}, 100, false, false},
        {L"ab cd ef", 50, F::Grow, true, {L"ab cd|", L"ef|"}, 50, false, false},
        {L"ab\r\ncd", 100, F::Grow, false, {L"ab|", L"cd|"}, 20, false, false},
        {L"abcdefghij", 60, F::Ellipsis, false, {L"abc|...|"}, 60, true, false},
        {L"ab\ncd", 100, F::Ellipsis, false, {L"ab|...|"}, 50, true, false},
        {L"ab\ncd", 100, F::Shrink, false, {L"ab|"}, 20, true, false},
        // Z is not in the font: its fallback draws it, twice as wide.
        {L"aZb", 100, F::Grow, false, {L"a|Z|b|"}, 40, false, false},
        // A surrogate pair is a run of its own, drawn by its glyph.
        {floppy, 100, F::Grow, false, {L"a|" + floppy.substr(1, 2) + L"|b|"}, 30, false, false},
        // The combining accent, which the font lacks too, stays with its letter.
        {accent, 100, F::Grow, false, {accent + L"|"}, 20, false, false},
        {shalom + L" ab", 100, F::Grow, false, {shalom + L" ab|"}, 70, false, true},
        {shalom + L" ab", 50, F::Ellipsis, false, {shalom.substr(0, 2) + L"|...|"}, 50, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        FakeTypesetter fonts;
        const FontHandle font = fonts.Add(10, 8, 12, L"Z\u0301");
        const forms::TextLayout layout = forms::LayOut(fonts, font, c.text, c.width, c.fit, c.wrap);
        EXPECT_EQ(RunTexts(layout), c.lines);
        EXPECT_EQ(layout.width, c.layoutWidth);
        EXPECT_EQ(layout.cut, c.cut);
        EXPECT_EQ(layout.lines.front().rtl, c.rtl);
        int height = 0;
        for (const forms::TextLine& line : layout.lines) {
            int x = 0;
            for (const forms::TextRun& run : line.runs) {
                EXPECT_EQ(run.x, x);
                x += run.width;
                EXPECT_EQ(run.font != font, run.text == L"Z");
            }
            EXPECT_EQ(line.width, x);
            height += line.ascent + line.descent;
        }
        EXPECT_EQ(layout.height, height);
    }
}

// A figure too wide for its box comes in narrower type where the font narrows, and in smaller
// type where it does not (a bitmap font); either way its line keeps the font's own height, so
// that its baseline stays where its neighbours' are. Neither goes below a third, rounded up
// (type 10 pixels wide narrows to 4, not to 3): a box too small for that cuts the figure short,
// and its tooltip shows it whole.
TEST(TextLayoutTest, ShrinksAFigureNarrowerFirstThenSmaller) {
    const struct {
        bool bitmap;
        int size, width;  // the font's advance and height asked; the box's width
        const wchar_t* runs;
        int fits, advance, asked;  // the line's width, and the font it comes in
        bool cut;
    } cases[] = {
        {false, 12, 60, L"1234567890|", 60, 6, 12, false},
        {false, 12, 95, L"1234567890|", 90, 9, 12, false},
        {true, 12, 60, L"1234567890|", 60, 6, 6, false},
        {false, 12, 50, L"1234567890|", 50, 5, 12, false},
        {false, 12, 30, L"1234|...|", 28, 4, 12, true},  // in the narrowest type, at full height
        {true, 12, 5, L"...|", 12, 4, 4, true},
        {false, 10, 30, L"1234|...|", 28, 4, 10, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.bitmap ? "bitmap " : "outline ") << c.size << " in " << c.width);
        FakeTypesetter fonts;
        const FontHandle font = fonts.Add(c.size, 8, c.size, L"", c.bitmap);
        const forms::TextLayout layout =
            forms::LayOut(fonts, font, L"1234567890", c.width, TextFit::Shrink, false);
        ASSERT_EQ(layout.lines.size(), 1u);
        EXPECT_EQ(RunTexts(layout)[0], c.runs);
        const forms::TextLine& line = layout.lines[0];
        EXPECT_EQ(line.width, c.fits);
        EXPECT_EQ(fonts.Of(line.runs[0].font).advance, c.advance);
        EXPECT_EQ(fonts.Of(line.runs[0].font).metrics.asked, c.asked);
        EXPECT_EQ(line.ascent, 8);
        EXPECT_EQ(layout.cut, c.cut);
    }
}

// Labels in a font of 10 pixels a character, lines 10 high (8 + 2), designed from x = 100 to
// `right` and from y = 0 to `bottom`, in a window or frame that shows from x = 0 to `shows`.
TEST(TextLayoutTest, FitsALabelToItsTextWithinWhatShows) {
    using F = TextFit;
    using A = Align;
    const struct {
        std::wstring text;
        int right, bottom, shows;
        TextFit fit;
        Align align;
        int edge;
        bool symbol;
        int left, grownRight, grownBottom, textRight, layoutWidth;
    } cases[] = {
        {L"abc", 150, 10, 1000, F::Grow, A::Left, 0, false, 100, 150, 10, 150, 30},
        {L"abcdefgh", 150, 10, 1000, F::Grow, A::Left, 0, false, 100, 180, 10, 180, 80},
        {L"abcdefgh", 150, 10, 1000, F::Grow, A::Right, 0, false, 70, 150, 10, 150, 80},
        // Grown by 35: the odd pixel on the right, where centring in the designed box drew it.
        {L"abcdefghi", 155, 10, 1000, F::Grow, A::Center, 0, false, 83, 173, 10, 173, 90},
        {L"abcdefgh", 150, 14, 1000, F::Grow, A::Left, 2, false, 100, 184, 14, 184, 80},
        // Grown to the edge of what shows, and narrowed there.
        {L"abcdefgh", 150, 10, 160, F::Grow, A::Left, 0, false, 100, 160, 10, 160, 56},
        {L"abcdefghijklmnop", 150, 10, 1000, F::Grow, A::Right, 0, false, 0, 150, 10, 150, 144},
        // Names cut short and figures in narrower type keep their width; a picture stays.
        {L"abcdefgh", 150, 10, 1000, F::Ellipsis, A::Left, 0, false, 100, 150, 10, 150, 50},
        {L"12345678", 150, 10, 1000, F::Shrink, A::Right, 0, false, 100, 150, 10, 150, 48},
        {L"abcdefgh", 150, 10, 1000, F::Grow, A::Left, 0, true, 100, 150, 10, 150, 80},
        // Two lines high, it wraps, and grows down to its third line.
        {L"ab cd ef gh ij", 150, 20, 1000, F::Grow, A::Left, 0, false, 100, 150, 30, 150, 50},
        // Designed past what shows: its text narrows into the part that shows.
        {L"abcdefgh", 200, 10, 160, F::Grow, A::Left, 0, false, 100, 200, 10, 160, 56},
        // Less its border.
        {L"abcdefgh", 200, 14, 180, F::Grow, A::Left, 2, false, 100, 200, 14, 180, 72},
        // Lines past what shows: wrapped into it, every line kept.
        {L"abcdefghijklmno\nxyz", 300, 20, 200, F::Grow, A::Left, 0, false, 100, 300, 30, 200, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        FakeTypesetter fonts;
        const FontHandle font = fonts.Add(10, 8, 12, L"", false, c.symbol);
        const forms::FittedLabel f =
            forms::FitLabel(fonts, font, c.text, {100, 0, c.right, c.bottom},
                            {0, -1000, c.shows, 1000}, c.fit, c.align, c.edge);
        EXPECT_EQ(Sides(f.box), (std::vector<int>{c.left, 0, c.grownRight, c.grownBottom}));
        EXPECT_EQ(Sides(f.textBox), (std::vector<int>{c.left, 0, c.textRight, c.grownBottom}));
        EXPECT_EQ(f.layout.width, c.layoutWidth);
    }
}

// One label fitted again and again, each time as the row before it but for what the row
// changes. It always comes out as FitLabel fits it; moved up or down only, it keeps its layout
// without asking the fonts again, and anything else fits it again.
TEST(TextLayoutTest, KeepsALabelsLayoutWhileItOnlyMovesUpOrDown) {
    struct Counting : FakeTypesetter {
        int asked = 0;
        const Metrics& MetricsOf(FontHandle f) override {
            ++asked;
            return FakeTypesetter::MetricsOf(f);
        }
    } fonts;
    const FontHandle font = fonts.Add(10, 8, 12), other = fonts.Add(12, 8, 12);
    using F = TextFit;
    using A = Align;
    const struct {
        Edges designed;
        int shows;
        std::wstring text;
        FontHandle font;
        TextFit fit;
        Align align;
        int edge;
        bool fitted;
    } steps[] = {
        {{100, 0, 150, 10}, 1000, L"abcdefgh", font, F::Grow, A::Left, 0, true},
        {{100, 20, 150, 30}, 1000, L"abcdefgh", font, F::Grow, A::Left, 0, false},
        {{100, -5, 150, 5}, 1000, L"abcdefgh", font, F::Grow, A::Left, 0, false},
        {{110, -5, 160, 5}, 1000, L"abcdefgh", font, F::Grow, A::Left, 0, true},
        {{110, -5, 160, 6}, 1000, L"abcdefgh", font, F::Grow, A::Left, 0, true},
        {{110, 5, 160, 16}, 170, L"abcdefgh", font, F::Grow, A::Left, 0, true},
        {{110, 5, 160, 16}, 170, L"abc", font, F::Grow, A::Left, 0, true},
        {{110, 5, 160, 16}, 170, L"abcdefgh", font, F::Ellipsis, A::Left, 0, true},
        {{110, 5, 160, 16}, 170, L"abcdefgh", font, F::Grow, A::Right, 0, true},
        {{110, 5, 160, 16}, 170, L"abcdefgh", font, F::Grow, A::Right, 2, true},
        {{110, 5, 160, 16}, 170, L"abcdefgh", other, F::Grow, A::Right, 2, true},
        {{110, 12, 160, 23}, 170, L"abcdefgh", other, F::Grow, A::Right, 2, false},
    };
    forms::FittedLabelCache cache;
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << &s - steps);
        const Edges room{0, -1000, s.shows, 1000};
        const int asked = fonts.asked;
        const forms::FittedLabel& got =
            cache.Fit(fonts, s.font, s.text, s.designed, room, s.fit, s.align, s.edge);
        EXPECT_EQ(fonts.asked != asked, s.fitted);
        const forms::FittedLabel want =
            forms::FitLabel(fonts, s.font, s.text, s.designed, room, s.fit, s.align, s.edge);
        EXPECT_EQ(Sides(got.box), Sides(want.box));
        EXPECT_EQ(Sides(got.textBox), Sides(want.textBox));
        EXPECT_EQ(RunTexts(got.layout), RunTexts(want.layout));
        EXPECT_EQ(got.layout.width, want.layout.width);
    }
}

TEST(FontTablesTest, NamesTheCharacterSetsWhoseFontsWriteACharacter) {
    const struct {
        char32_t c;
        unsigned codePage;
        std::vector<unsigned char> sets;
    } cases[] = {
        {0x03B1, 1252, {161}},            // Greek alpha
        {0x0436, 1252, {204}},            // Cyrillic zhe
        {0x0105, 1252, {238, 162, 186}},  // a with ogonek
        {0x1EA1, 1252, {163}},            // Vietnamese
        {0x05D0, 1252, {177}},            // Hebrew
        {0xFEFB, 1252, {178}},            // an Arabic ligature
        {0x0E01, 1252, {222}},            // Thai
        {0xAC00, 1252, {129}},            // Hangul
        {0x3042, 1252, {128}},            // Hiragana
        {0x3105, 1252, {136}},            // Bopomofo
        {0x4E2D, 1252, {128, 134, 136, 129}},
        {0x4E2D, 936, {134, 128, 136, 129}},
        {0x4E2D, 949, {129, 128, 134, 136}},
        {0x20000, 950, {136, 128, 134, 129}},  // Han past the 16-bit range
        {0x1F4BE, 932, {}},                    // an emoji: no set writes it
    };
    for (const auto& c : cases)
        EXPECT_EQ(forms::CharsetsFor(c.c, c.codePage), c.sets)
            << std::hex << static_cast<std::uint32_t>(c.c);
}

// MS Serif (roman), Courier (modern) and MS Sans Serif (Swiss) are drawn in their own family's
// outline faces whatever their pitch bits say; a family with no bitmap face of Windows' own
// (script, decorative, none) is taken for Swiss.
TEST(FontTablesTest, GivesABitmapFaceTheOutlineFacesOfItsFamily) {
    const std::vector<std::wstring> swiss = {L"Microsoft Sans Serif", L"Tahoma"};
    const struct {
        unsigned char pitchAndFamily;
        std::vector<std::wstring> twins;
    } cases[] = {
        {0x10, {L"Times New Roman"}},
        {0x12, {L"Times New Roman"}},
        {0x31, {L"Courier New"}},
        {0x22, swiss},
        {0x40, swiss},
        {0x50, swiss},
        {0x00, swiss},
    };
    for (const auto& c : cases) {
        const auto twins = forms::ScalableTwins(c.pitchAndFamily);
        EXPECT_EQ(std::vector<std::wstring>(twins.begin(), twins.end()), c.twins)
            << std::hex << unsigned{c.pitchAndFamily};
    }
}

// A character map with a table of 16-bit ranges (format 4) first and one of 32-bit ranges
// (format 12) under the encoding given, with two groups.
std::vector<unsigned char> Cmap(int platform, int encoding) {
    std::vector<unsigned char> t;
    auto u16 = [&t](unsigned v) {
        t.push_back(static_cast<unsigned char>(v >> 8));
        t.push_back(static_cast<unsigned char>(v));
    };
    auto u32 = [&](unsigned v) {
        u16(v >> 16);
        u16(v & 0xFFFF);
    };
    u16(0), u16(2);                            // version, tables
    u16(3), u16(1), u32(20);                   // format 4 at 20
    u16(platform), u16(encoding), u32(24);     // format 12 at 24
    u16(4), u16(0);                            // (format 4's start)
    u16(12), u16(0), u32(40), u32(0), u32(2);  // format 12, length, language, groups
    u32(0x1F300), u32(0x1F5FF), u32(100);
    u32(0x20000), u32(0x2A6DF), u32(900);
    return t;
}

TEST(FontTablesTest, ReadsAFontsRangesPastThe16BitRange) {
    const auto firsts = [](const std::vector<unsigned char>& table) {
        std::vector<std::uint32_t> out;
        for (const forms::WideRange& r : forms::ReadWideRanges(table))
            out.push_back(r.first), out.push_back(r.last), out.push_back(r.glyph);
        return out;
    };
    const std::vector<std::uint32_t> both = {0x1F300, 0x1F5FF, 100, 0x20000, 0x2A6DF, 900};
    EXPECT_EQ(firsts(Cmap(3, 10)), both);
    EXPECT_EQ(firsts(Cmap(0, 4)), both);
    EXPECT_EQ(firsts(Cmap(3, 1)), std::vector<std::uint32_t>{});  // not a full-repertoire table
    EXPECT_EQ(firsts(Cmap(0, 3)), std::vector<std::uint32_t>{});  // nor one of the BMP alone
    std::vector<unsigned char> cut = Cmap(3, 10);
    cut.resize(cut.size() - 1);
    EXPECT_EQ(firsts(cut), std::vector<std::uint32_t>(both.begin(), both.begin() + 3));
    EXPECT_EQ(firsts({}), std::vector<std::uint32_t>{});
}

}  // namespace
