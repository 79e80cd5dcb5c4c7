// Label text on Windows: a character that a label's font lacks is drawn in a font that has it,
// and text that does not fit its label is wrapped, cut short or narrowed, as the label asks.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>
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
    // For each UTF-16 unit of `text`, whether `font` has a glyph for it.
    std::vector<bool> Has(HFONT font, const std::wstring& text);
    // A font of the size and style of `font` that has `c`, for where `font` lacks it; nullptr
    // when no font at hand has it.
    HFONT Fallback(HFONT font, wchar_t c);
    // The width of `text` in `font`; and the width of each of its beginnings, in `ends`.
    int Width(HFONT font, const wchar_t* text, int length);
    void Extents(HFONT font, const wchar_t* text, int length, int* ends);

  private:
    struct Facts {
        Metrics metrics;
        std::vector<WCRANGE> ranges;  // the characters it has; empty when the system does not say
    };
    using Key = std::tuple<LONG, LONG, LONG, BYTE, BYTE, BYTE, BYTE, BYTE, BYTE, std::wstring>;

    HDC Dc();
    const Facts& FactsOf(HFONT font);

    HDC dc_ = nullptr;
    std::map<Key, HFONT> fonts_;
    std::map<HFONT, Facts> facts_;
    std::map<std::pair<HFONT, wchar_t>, HFONT> fallbacks_;
};

// A stretch of one line drawn in one font.
struct TextRun {
    std::wstring text;
    HFONT font = nullptr;
    int x = 0;  // pixels from the line's start
    int width = 0;
};

struct TextLine {
    std::vector<TextRun> runs;
    int width = 0;
    int ascent = 0, descent = 0;
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
// (and a word wider than the box is broken where it must). A text that does not fit keeps its
// width (TextFit::Grow), or, as one line, is cut short with an ellipsis (TextFit::Ellipsis) or
// drawn in narrower type, and smaller type failing that, until it fits (TextFit::Shrink).
TextLayout LayOut(TextFonts& fonts, HFONT font, const std::wstring& text, int width,
                  forms::TextFit fit, bool wrap);

// Draws a layout into `box`, from its top, each line aligned as asked, nothing outside the box.
void DrawLayout(HDC dc, const TextLayout& layout, const RECT& box, forms::Align align);

}  // namespace win32
