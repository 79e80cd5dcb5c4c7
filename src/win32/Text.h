// Label text on Windows: the system's fonts, as forms::LayOut measures them, and the drawing of
// the laid-out text.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "forms/Control.h"
#include "forms/FontTables.h"
#include "forms/TextLayout.h"

namespace win32 {

// Makes `lf` name the face its font is to be made in: its own, or, where that is a bitmap face
// that has no size of lf's height, its scalable twin of the same family (for MS Sans Serif,
// Microsoft Sans Serif, or Tahoma where that is missing). Its other fields stay as they are.
void ChooseFace(LOGFONTW& lf);

// The fonts label text is drawn in, each made once: the narrower ones that fit a figure, and
// those that stand in for a font where it lacks a character. The labels' own fonts are the
// host's; they are only looked at here.
class TextFonts : public forms::Typesetter {
  public:
    TextFonts() = default;
    ~TextFonts() override;
    TextFonts(const TextFonts&) = delete;
    TextFonts& operator=(const TextFonts&) = delete;

    // The font `lf` describes, made once.
    HFONT Get(const LOGFONTW& lf);

    const Metrics& MetricsOf(forms::FontHandle font) override;
    std::vector<bool> Has(forms::FontHandle font, const std::wstring& text) override;
    forms::FontHandle Fallback(forms::FontHandle font, char32_t c) override;
    int Width(forms::FontHandle font, const std::wstring& text, bool rtl) override;
    void Extents(forms::FontHandle font, const std::wstring& text, bool rtl, int* ends) override;
    forms::FontHandle Resized(forms::FontHandle font, int width, int height) override;
    bool ReadsRightToLeft(const std::wstring& line) override;

    // Text with characters past the 16-bit range is drawn by its glyphs in `font`: one for each
    // character, 0 (the missing glyph) for one the font lacks. Other text has none: it is drawn
    // as text.
    std::vector<WORD> Glyphs(HFONT font, const std::wstring& text);

  private:
    struct Facts {
        Metrics metrics;
        std::vector<WCRANGE> ranges;  // the characters it has; empty when the system does not say
        bool wideRead = false;
        std::vector<forms::WideRange> wide;  // read when first asked for
    };

    HDC Dc();
    Facts& FactsOf(HFONT font);
    // The range of `font`'s own character map that holds `c`, a character past the 16-bit range
    // (the system answers for 16-bit units only); null where the font lacks it.
    const forms::WideRange* WideRangeOf(HFONT font, char32_t c);

    // (Looked through one by one: a window makes a few dozen fonts at most. A deque, so that
    // what FactsOf answers stays where it is as more come.)
    HDC dc_ = nullptr;
    std::vector<std::pair<LOGFONTW, HFONT>> fonts_;
    std::deque<std::pair<HFONT, Facts>> facts_;
    std::vector<std::pair<std::pair<HFONT, char32_t>, HFONT>> fallbacks_;  // by font and character
};

// `text` with each letter and the accents stored after it as the one character they make, where
// there is one ("e" and U+0301 as "\u00e9"), as names made on other systems may come: a font
// that has the letter with its accent may lack the accent alone (the bitmap faces do).
std::wstring Composed(const std::wstring& text);

inline RECT ToRect(const forms::Edges& e) {
    return RECT{e.left, e.top, e.right, e.bottom};
}

// Draws a layout into `box`, from its top, each line aligned as asked, nothing outside the box.
void DrawLayout(HDC dc, TextFonts& fonts, const forms::TextLayout& layout, const RECT& box,
                forms::Align align);

}  // namespace win32
