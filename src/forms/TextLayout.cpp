#include "forms/TextLayout.h"

#include <algorithm>

#include "forms/TextBreaks.h"

namespace forms {

namespace {

// A line's text with, for each unit, the font it is drawn in and the width up to its end, as
// the runs it falls into are drawn.
struct Measured {
    std::wstring text;
    bool rtl = false;
    std::vector<FontHandle> fonts;
    std::vector<int> ends;  // ends[i]: how far units [0, i) reach; ends[0] is 0

    int Width(std::size_t from, std::size_t to) const { return ends[to] - ends[from]; }
    // Units [from, to) are drawn as one run: one font, and surrogate pairs, which are drawn by
    // their glyphs, kept apart from the rest.
    bool OneRun(std::size_t from, std::size_t to) const {
        return fonts[to] == fonts[from] && Paired(to) == Paired(from);
    }
    bool Paired(std::size_t i) const {
        return IsHighSurrogate(text[i]) || (i > 0 && IsHighSurrogate(text[i - 1]));
    }
};

Measured Measure(Typesetter& fonts, FontHandle font, const std::wstring& text) {
    Measured m;
    m.text = text;
    m.rtl = fonts.ReadsRightToLeft(text);
    const std::size_t n = text.size();
    m.fonts.assign(n, font);
    const std::vector<bool> has = fonts.Has(font, text);
    for (std::size_t i = 0, units = 1; i < n; i += units) {
        const char32_t c = CharAt(text, i, &units);
        if (i > 0 && Joins(text[i])) {
            m.fonts[i] = m.fonts[i - 1];
        } else if (!has[i] && c >= U' ') {
            if (FontHandle other = fonts.Fallback(font, c))
                m.fonts[i] = other;
        }
        if (units == 2)
            m.fonts[i + 1] = m.fonts[i];
    }
    m.ends.assign(n + 1, 0);
    for (std::size_t a = 0; a < n;) {
        std::size_t b = a;
        while (b < n && m.OneRun(a, b)) ++b;
        std::vector<int> ends(b - a);
        fonts.Extents(m.fonts[a], text.substr(a, b - a), m.rtl, ends.data());
        for (std::size_t k = 0; k < b - a; ++k) m.ends[a + k + 1] = m.ends[a] + ends[k];
        a = b;
    }
    return m;
}

void AddRun(Typesetter& fonts, TextLine& line, const std::wstring& text, FontHandle font) {
    if (text.empty())
        return;
    TextRun run{text, font, line.width, fonts.Width(font, text, line.rtl)};
    line.width += run.width;
    const Typesetter::Metrics& m = fonts.MetricsOf(font);
    line.ascent = std::max(line.ascent, m.ascent);
    line.descent = std::max(line.descent, m.descent);
    line.runs.push_back(std::move(run));
}

// Units [from, to) of a measured line as a line of runs, one for each font. A line is never
// lower than the label's own font makes it.
TextLine LineOf(Typesetter& fonts, FontHandle font, const Measured& m, std::size_t from,
                std::size_t to) {
    TextLine line;
    line.rtl = m.rtl;
    const Typesetter::Metrics& own = fonts.MetricsOf(font);
    line.ascent = own.ascent;
    line.descent = own.descent;
    for (std::size_t a = from; a < to;) {
        std::size_t b = a;
        while (b < to && m.OneRun(a, b)) ++b;
        AddRun(fonts, line, m.text.substr(a, b - a), m.fonts[a]);
        a = b;
    }
    return line;
}

TextLayout Finish(TextLayout layout) {
    layout.width = 0;
    layout.height = 0;
    for (const TextLine& line : layout.lines) {
        layout.width = std::max(layout.width, line.width);
        layout.height += line.ascent + line.descent;
    }
    return layout;
}

// One line cut short, with an ellipsis, to fit `width`.
TextLine Shortened(Typesetter& fonts, FontHandle font, const Measured& m, int width) {
    // Three full stops, as the system's own controls end a text that they cut short: every
    // font has them.
    const std::wstring ellipsis = L"...";
    const int room = width - fonts.Width(font, ellipsis, m.rtl);
    TextLine line = LineOf(fonts, font, m, 0, FittingUnits(m.text, m.ends, room));
    AddRun(fonts, line, ellipsis, font);
    return line;
}

// One line in narrower type, or smaller failing that, until it fits `width`. Narrower glyphs
// come first: they keep the line's height and baseline, and digits stay legible far narrower
// than they stay legible smaller. The line keeps the height the label's font gives it, so that
// its baseline stays where its neighbours' are. Below a third of their width, or of their
// size, figures no longer read: a line that does not fit even so is cut short (`cut`), and shows
// whole in its tooltip; cut in the narrowest type tried, at full height, where the font narrows,
// else in the smallest.
TextLine Narrowed(Typesetter& fonts, FontHandle font, const std::wstring& text, int width,
                  bool& cut) {
    Measured m = Measure(fonts, font, text);
    TextLine line = LineOf(fonts, font, m, 0, m.text.size());
    if (line.width <= width || line.width == 0)
        return line;
    const Typesetter::Metrics own = fonts.MetricsOf(font);
    FontHandle tried = font;
    auto tryFont = [&](int w, int h) {
        FontHandle f = fonts.Resized(font, w, h);
        if (!f)
            return false;
        tried = f;
        m = Measure(fonts, f, text);
        line = LineOf(fonts, f, m, 0, m.text.size());
        return line.width <= width;
    };
    auto keepHeight = [&own](TextLine l) {
        l.ascent = std::max(l.ascent, own.ascent);
        l.descent = std::max(l.descent, own.descent);
        return l;
    };
    const int whole = line.width;
    const int average = own.averageWidth;
    FontHandle narrowest = nullptr;
    Measured narrowestText;
    for (int w = std::min(average - 1, average * width / line.width + 1); w >= (average + 2) / 3;
         --w) {
        if (tryFont(w, 0))
            return keepHeight(line);
        if (line.width >= whole)
            break;  // a font that does not narrow (a bitmap font): smaller type instead
        narrowest = tried;
        narrowestText = m;
    }
    for (int h = own.asked - 1; h >= (own.asked + 2) / 3; --h)
        if (tryFont(0, h))
            return keepHeight(line);
    cut = true;
    if (narrowest)
        return keepHeight(Shortened(fonts, narrowest, narrowestText, width));
    return keepHeight(Shortened(fonts, tried, m, width));
}

}  // namespace

TextLayout LayOut(Typesetter& fonts, FontHandle font, const std::wstring& text, int width,
                  TextFit fit, bool wrap) {
    TextLayout layout;
    if (fit == TextFit::Ellipsis || fit == TextFit::Shrink) {
        bool more = false;
        const std::wstring line = FirstLine(text, &more);
        if (fit == TextFit::Shrink) {
            layout.lines.push_back(Narrowed(fonts, font, line, width, layout.cut));
            layout.cut = layout.cut || more;
            return Finish(std::move(layout));
        }
        const Measured m = Measure(fonts, font, line);
        if (m.Width(0, line.size()) <= width && !more) {
            layout.lines.push_back(LineOf(fonts, font, m, 0, line.size()));
        } else {
            layout.lines.push_back(Shortened(fonts, font, m, width));
            layout.cut = true;
        }
        return Finish(std::move(layout));
    }
    for (const std::wstring& line : Lines(text)) {
        const Measured m = Measure(fonts, font, line);
        if (!wrap || line.empty()) {
            layout.lines.push_back(LineOf(fonts, font, m, 0, line.size()));
            continue;
        }
        for (const auto& piece : Wrap(m.text, m.ends, width))
            layout.lines.push_back(LineOf(fonts, font, m, piece.first, piece.second));
    }
    return Finish(std::move(layout));
}

// The label keeps its designed box wherever its text fits. A label of one line widens to its
// text, away from the side its text is aligned to (both sides, centred), but not past what
// shows of the window or frame that holds it, where it would be cut: there its text narrows
// instead. Any label grows down to hold its lines. Names cut short and figures in narrower type
// keep their width. A label in a symbol font shows a picture, which is not to move.
FittedLabel FitLabel(Typesetter& fonts, FontHandle font, const std::wstring& text,
                     const Edges& designed, const Edges& room, TextFit fit, Align align, int edge) {
    const Typesetter::Metrics& m = fonts.MetricsOf(font);
    const int width = designed.right - designed.left - 2 * edge;
    const int height = designed.bottom - designed.top - 2 * edge;
    // A label that shows several lines, by its text or by its height, keeps its width and
    // wraps its text to it; one of a single line keeps its text on that line.
    const bool wrap = BreaksLines(text) || height >= 2 * (m.ascent + m.descent);
    FittedLabel f{LayOut(fonts, font, text, width, fit, wrap), designed, designed};
    if (m.symbol)
        return f;
    Edges& r = f.box;
    const int wider = fit == TextFit::Grow ? f.layout.width - width : 0;
    if (wider > 0) {
        if (align == Align::Left) {
            r.right += wider;
        } else if (align == Align::Right) {
            r.left -= wider;
        } else {
            r.left -= wider / 2;
            r.right += wider - wider / 2;
        }
        r.left = std::max(r.left, std::min(room.left, designed.left));
        r.right = std::min(r.right, std::max(room.right, designed.right));
        const int inner = r.right - r.left - 2 * edge;
        f.layout =
            LayOut(fonts, font, text, inner, inner < f.layout.width ? TextFit::Shrink : fit, wrap);
    }
    // A label that runs past what shows of the window (a window the screen holds narrower
    // than its design) has its text in the part that shows, where all of it can be read.
    Edges& t = f.textBox;
    t.left = std::max(r.left, room.left);
    t.right = std::min(r.right, room.right);
    const int shows = t.right - t.left - 2 * edge;
    if (shows > 0 && shows < f.layout.width)
        f.layout = LayOut(fonts, font, text, shows,
                          fit == TextFit::Grow && !wrap ? TextFit::Shrink : fit, wrap);
    const int taller = f.layout.height - height;
    if (taller > 0)
        r.bottom += taller;
    t.top = r.top;
    t.bottom = r.bottom;
    return f;
}

const FittedLabel& FittedLabelCache::Fit(Typesetter& fonts, FontHandle font,
                                         const std::wstring& text, const Edges& designed,
                                         const Edges& room, TextFit fit, Align align, int edge) {
    From from{font, text, room, fit, align, edge};
    const int dy = designed.top - designed_.top;
    const Edges moved{designed_.left, designed.top, designed_.right, designed_.bottom + dy};
    if (font && from == from_ && moved == designed) {
        for (Edges* e : {&fitted_.box, &fitted_.textBox}) {
            e->top += dy;
            e->bottom += dy;
        }
    } else {
        fitted_ = FitLabel(fonts, font, text, designed, room, fit, align, edge);
        from_ = std::move(from);
    }
    designed_ = designed;
    return fitted_;
}

}  // namespace forms
