// Label text on Windows: a character that a label's font lacks is drawn in a font that has it,
// and text that does not fit its label is wrapped, cut short or narrowed, as the label asks.
// Text is measured as it is drawn, shaped and in its reading order.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "forms/Control.h"

namespace win32 {

// Makes `lf` name the face its font is to be made in: its own, or, where that is a bitmap face
// that has no size of lf's height, its scalable twin of the same family (for MS Sans Serif,
// Microsoft Sans Serif, or Tahoma where that is missing). Its other fields stay as they are.
void ChooseFace(LOGFONTW& lf);

// The fonts label text is drawn in, each made once: the narrower ones that fit a figure, and
// those that stand in for a font where it lacks a character. The labels' own fonts are the
// host's; they are only looked at here.
class TextFonts {
  public:
    TextFonts() = default;
    ~TextFonts();
    TextFonts(const TextFonts&) = delete;
    TextFonts& operator=(const TextFonts&) = delete;

    struct Metrics {
        int ascent = 0, descent = 0, averageWidth = 0;
        int em = 0;  // the height of its characters, as made (a bitmap font's, not as asked)
        bool symbol = false;  // a symbol font, whose characters are pictures
    };

    // The font `lf` describes, made once.
    HFONT Get(const LOGFONTW& lf);
    const Metrics& MetricsOf(HFONT font);
    // For each UTF-16 unit of `text`, whether `font` has a glyph for the character it is part
    // of (both units of a surrogate pair answer for their character).
    std::vector<bool> Has(HFONT font, const std::wstring& text);
    // A font of the size and style of `font` that has the character `c`, for where `font` lacks
    // it; nullptr when no font at hand has it.
    HFONT Fallback(HFONT font, char32_t c);
    // The glyphs of `text`'s characters in `font`, one for each, 0 (the missing glyph) for one
    // it lacks: text with characters past the 16-bit range is drawn by these.
    std::vector<WORD> Glyphs(HFONT font, const std::wstring& text);
    // How far `text` (or its `glyphs`, where given) advances drawn in `font`, as DrawLayout
    // draws it, right to left with `rtl`; and how far each of its beginnings does, in `ends`.
    int Width(HFONT font, const std::wstring& text, const std::vector<WORD>& glyphs, bool rtl);
    void Extents(HFONT font, const std::wstring& text, bool rtl, int* ends);

  private:
    // Characters past the 16-bit range that a font has, from first to last, and the glyph of
    // the first.
    struct WideRange {
        char32_t first, last;
        DWORD glyph;
    };
    struct Facts {
        Metrics metrics;
        std::vector<WCRANGE> ranges;  // the characters it has; empty when the system does not say
        bool wideRead = false;
        std::vector<WideRange> wide;  // read when first asked for
    };

    HDC Dc();
    const Facts& FactsOf(HFONT font);
    const std::vector<WideRange>& WideOf(HFONT font);

    // (Looked through one by one: a window makes a few dozen fonts at most. A deque, so that
    // what FactsOf answers stays where it is as more come.)
    HDC dc_ = nullptr;
    std::vector<std::pair<LOGFONTW, HFONT>> fonts_;
    std::deque<std::pair<HFONT, Facts>> facts_;
    struct FallbackFound {
        HFONT font;
        char32_t c;
        HFONT found;
    };
    std::vector<FallbackFound> fallbacks_;
};

// A stretch of one line drawn in one font.
struct TextRun {
    std::wstring text;
    std::vector<WORD> glyphs;  // where not empty, drawn by these (text past the 16-bit range)
    HFONT font = nullptr;
    int x = 0;  // pixels from the line's start, in reading order
    int width = 0;
};

struct TextLine {
    std::vector<TextRun> runs;  // in reading order
    int width = 0;
    int ascent = 0, descent = 0;
    bool rtl = false;  // read right to left: its runs stand from its right edge leftwards
};

// Text laid out for a box: its lines, and what they take.
struct TextLayout {
    std::vector<TextLine> lines;
    int width = 0;     // of the widest line
    int height = 0;    // of all the lines
    bool cut = false;  // cut short, with an ellipsis
};

// Lays `text` out in `font` for a box `width` pixels wide. Line breaks in the text start new
// lines, and with `wrap` so do spaces and ideographs where a line would pass the box's edge
// (and a word wider than the box is broken where it must). A line whose first letter is of a
// right-to-left script (Hebrew, Arabic) reads right to left. A text that does not fit keeps its
// width (TextFit::Grow), or, as one line, is cut short with an ellipsis (TextFit::Ellipsis) or
// drawn in narrower type, and smaller type failing that, until it fits (TextFit::Shrink). Cut
// short, a line keeps its beginning, and the ellipsis stands at its end: on its left where it
// reads right to left.
TextLayout LayOut(TextFonts& fonts, HFONT font, const std::wstring& text, int width,
                  forms::TextFit fit, bool wrap);

// Draws a layout into `box`, from its top, each line aligned as asked, nothing outside the box.
void DrawLayout(HDC dc, const TextLayout& layout, const RECT& box, forms::Align align);

}  // namespace win32
