// A label's text laid out for its box: a character that the label's font lacks is drawn in a
// font that has it, and text that does not fit is wrapped, cut short or narrowed, as the label
// asks. The fonts are the system's, and the system measures them: text is measured as it is
// drawn, shaped and in its reading order.
#pragma once

#include <string>
#include <vector>

#include "forms/Control.h"

namespace forms {

// A font the system has made; what it is, is the typesetter's business.
using FontHandle = void*;

// What laying text out asks of the system's fonts.
class Typesetter {
  public:
    struct Metrics {
        int ascent = 0, descent = 0, averageWidth = 0;
        int em = 0;     // the height of its characters, as made (a bitmap font's, not as asked)
        int asked = 0;  // the height it was asked for, counted as the system counts it
        bool symbol = false;  // a symbol font, whose characters are pictures
    };

    virtual ~Typesetter() = default;
    virtual const Metrics& MetricsOf(FontHandle font) = 0;
    // For each UTF-16 unit of `text`, whether `font` has a glyph for the character it is part
    // of (both units of a surrogate pair answer for their character).
    virtual std::vector<bool> Has(FontHandle font, const std::wstring& text) = 0;
    // A font of the size and style of `font` that has the character `c`, for where `font`
    // lacks it; null when no font at hand has it.
    virtual FontHandle Fallback(FontHandle font, char32_t c) = 0;
    // How far `text` advances drawn in `font`, right to left with `rtl`; and how far each of
    // its beginnings does, in `ends` (one for each unit).
    virtual int Width(FontHandle font, const std::wstring& text, bool rtl) = 0;
    virtual void Extents(FontHandle font, const std::wstring& text, bool rtl, int* ends) = 0;
    // `font` in characters `width` wide on average (0: its own) and asked `height` high (0: as
    // it was); null where the system cannot make it.
    virtual FontHandle Resized(FontHandle font, int width, int height) = 0;
    // Whether a line reads right to left: whether the first of its characters that has a
    // direction of its own is of a right-to-left script (Hebrew, Arabic).
    virtual bool ReadsRightToLeft(const std::wstring& line) = 0;
};

// A stretch of one line drawn in one font.
struct TextRun {
    std::wstring text;
    FontHandle font = nullptr;
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
    bool cut = false;  // cut short, with an ellipsis, or a line left out
};

// Lays `text` out in `font` for a box `width` pixels wide. Line breaks in the text start new
// lines, and with `wrap` so do spaces and ideographs where a line would pass the box's edge
// (and a word wider than the box is broken where it must). A text that does not fit keeps its
// width (TextFit::Grow), or, as one line, is cut short with an ellipsis (TextFit::Ellipsis) or
// drawn in narrower type, and smaller type failing that, until it fits (TextFit::Shrink), but
// never below a third of its width or size: there it is cut short too. Cut short, a line keeps its
// beginning, and the ellipsis stands at its end: on its left where it reads right to left.
TextLayout LayOut(Typesetter& fonts, FontHandle font, const std::wstring& text, int width,
                  TextFit fit, bool wrap);

// A rectangle in pixels, by its edges.
struct Edges {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Edges&) const = default;
};

// A label's text laid out, where the label is drawn, and where its text is.
struct FittedLabel {
    TextLayout layout;
    Edges box;
    Edges textBox;
};

// A label as its text makes it, in `font`: `designed`, the box it was given; `room`, what
// shows of the window or frame that holds it; `edge`, the width of its border (0 for none).
FittedLabel FitLabel(Typesetter& fonts, FontHandle font, const std::wstring& text,
                     const Edges& designed, const Edges& room, TextFit fit, Align align, int edge);

// A label's text, fitted as FitLabel fits it, and fitted again only where it would come out
// otherwise: a label moved up or down only (a row re-ordered or scrolled) keeps its layout, and
// its boxes move with it.
class FittedLabelCache {
  public:
    const FittedLabel& Fit(Typesetter& fonts, FontHandle font, const std::wstring& text,
                           const Edges& designed, const Edges& room, TextFit fit, Align align,
                           int edge);
    // The label as last fitted; nothing laid out before the first Fit, or after Clear.
    const FittedLabel& Fitted() const { return fitted_; }
    void Clear() { *this = FittedLabelCache(); }

  private:
    // What the text was last fitted from, but for where the label stands.
    struct From {
        FontHandle font = nullptr;  // none: nothing fitted yet
        std::wstring text;
        Edges room;
        TextFit fit = TextFit::Grow;
        Align align = Align::Left;
        int edge = 0;
        bool operator==(const From&) const = default;
    };
    From from_;
    Edges designed_;
    FittedLabel fitted_;
};

}  // namespace forms
