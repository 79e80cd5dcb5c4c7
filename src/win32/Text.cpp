#include "win32/Text.h"

#include <algorithm>
#include <cstdlib>

#include "forms/TextBreaks.h"

namespace win32 {

using forms::CharAt;
using forms::FirstLine;
using forms::HasSurrogates;
using forms::IsHan;
using forms::IsHangul;
using forms::IsHighSurrogate;
using forms::IsKana;
using forms::Joins;
using forms::Lines;
using forms::Utf16;

namespace {

// The Windows fonts that cover the scripts no character set names, newest first. A name the
// system does not have maps to another font, which is kept only if it has the character.
const wchar_t* const kFallbackFaces[] = {
    L"Segoe UI",
    L"Nirmala UI",
    L"Segoe UI Emoji",
    L"Segoe UI Symbol",
    L"Segoe UI Historic",
    L"Ebrima",
    L"Leelawadee UI",
    L"Gadugi",
    L"Myanmar Text",
    L"Microsoft Himalaya",
    L"Mongolian Baiti",
    L"Microsoft Yi Baiti",
    L"Microsoft Tai Le",
    L"Sylfaen",
    L"Arial Unicode MS",
    L"Microsoft Sans Serif",
    L"Tahoma",
};

bool Between(char32_t c, char32_t low, char32_t high) {
    return c >= low && c <= high;
}

// Whether a line reads right to left: whether the first of its characters that has a direction
// of its own is of a right-to-left script, as the system's character types tell.
bool ReadsRightToLeft(const std::wstring& line) {
    if (line.empty())
        return false;
    std::vector<WORD> types(line.size());
    if (!GetStringTypeW(CT_CTYPE2, line.c_str(), static_cast<int>(line.size()), types.data()))
        return false;
    for (WORD t : types)
        if (t == C2_LEFTTORIGHT || t == C2_RIGHTTOLEFT)
            return t == C2_RIGHTTOLEFT;
    return false;
}

// The character sets whose fonts write `c`, the likeliest first: asked for a set, the system's
// font mapper picks a font that has it, as Windows does for the programs of each language.
std::vector<BYTE> CharsetsFor(char32_t c) {
    if (Between(c, 0x0370, 0x03FF) || Between(c, 0x1F00, 0x1FFF))
        return {GREEK_CHARSET};
    if (Between(c, 0x0400, 0x052F))
        return {RUSSIAN_CHARSET};
    if (Between(c, 0x0100, 0x024F))
        return {EASTEUROPE_CHARSET, TURKISH_CHARSET, BALTIC_CHARSET};
    if (Between(c, 0x1EA0, 0x1EFF))
        return {VIETNAMESE_CHARSET};
    if (Between(c, 0x0590, 0x05FF) || Between(c, 0xFB1D, 0xFB4F))
        return {HEBREW_CHARSET};
    if (Between(c, 0x0600, 0x06FF) || Between(c, 0x0750, 0x077F) || Between(c, 0xFB50, 0xFDFF) ||
        Between(c, 0xFE70, 0xFEFF))
        return {ARABIC_CHARSET};
    if (Between(c, 0x0E00, 0x0E7F))
        return {THAI_CHARSET};
    if (IsHangul(c))
        return {HANGUL_CHARSET};
    if (IsKana(c))
        return {SHIFTJIS_CHARSET};
    if (Between(c, 0x3100, 0x312F))
        return {CHINESEBIG5_CHARSET};
    if (c > 0xFFFF && !IsHan(c))
        return {};  // no character set's fonts write the rest past the 16-bit range (emoji, ...)
    // Han characters are written by the fonts of four languages: the user's own first.
    std::vector<BYTE> cjk = {SHIFTJIS_CHARSET, GB2312_CHARSET, CHINESEBIG5_CHARSET, HANGUL_CHARSET};
    BYTE own = 0;
    switch (GetACP()) {
        case 932:
            own = SHIFTJIS_CHARSET;
            break;
        case 936:
            own = GB2312_CHARSET;
            break;
        case 949:
            own = HANGUL_CHARSET;
            break;
        case 950:
            own = CHINESEBIG5_CHARSET;
            break;
        default:
            break;
    }
    if (own) {
        cjk.erase(std::find(cjk.begin(), cjk.end(), own));
        cjk.insert(cjk.begin(), own);
    }
    return cjk;  // for Han, and last for any symbol, which East Asian fonts are rich in
}

// A line's text with, for each unit, the font it is drawn in and the width up to its end, as
// the runs it falls into are drawn.
struct Measured {
    std::wstring text;
    bool rtl = false;
    std::vector<HFONT> fonts;
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

Measured Measure(TextFonts& fonts, HFONT font, const std::wstring& text) {
    Measured m;
    m.text = text;
    m.rtl = ReadsRightToLeft(text);
    const std::size_t n = text.size();
    m.fonts.assign(n, font);
    const std::vector<bool> has = fonts.Has(font, text);
    for (std::size_t i = 0, units = 1; i < n; i += units) {
        const char32_t c = CharAt(text, i, &units);
        if (i > 0 && Joins(text[i])) {
            m.fonts[i] = m.fonts[i - 1];
        } else if (!has[i] && c >= U' ') {
            if (HFONT other = fonts.Fallback(font, c))
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

void AddRun(TextFonts& fonts, TextLine& line, const std::wstring& text, HFONT font) {
    if (text.empty())
        return;
    TextRun run;
    run.text = text;
    if (HasSurrogates(text))
        run.glyphs = fonts.Glyphs(font, text);
    run.font = font;
    run.x = line.width;
    run.width = fonts.Width(font, text, run.glyphs, line.rtl);
    line.width += run.width;
    const TextFonts::Metrics& m = fonts.MetricsOf(font);
    line.ascent = std::max(line.ascent, m.ascent);
    line.descent = std::max(line.descent, m.descent);
    line.runs.push_back(std::move(run));
}

// Units [from, to) of a measured line as a line of runs, one for each font. A line is never
// lower than the label's own font makes it.
TextLine LineOf(TextFonts& fonts, HFONT font, const Measured& m, std::size_t from, std::size_t to) {
    TextLine line;
    line.rtl = m.rtl;
    const TextFonts::Metrics& own = fonts.MetricsOf(font);
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
TextLine Shortened(TextFonts& fonts, HFONT font, const Measured& m, int width) {
    // Three full stops, as the system's own controls end a text that they cut short: every
    // font has them.
    const std::wstring ellipsis = L"...";
    const int room = width - fonts.Width(font, ellipsis, {}, m.rtl);
    TextLine line = LineOf(fonts, font, m, 0, forms::FittingUnits(m.text, m.ends, room));
    AddRun(fonts, line, ellipsis, font);
    return line;
}

// One line in narrower type, or smaller failing that, until it fits `width`. Narrower glyphs
// come first: they keep the line's height and baseline, and digits stay legible far narrower
// than they stay legible smaller. The line keeps the height the label's font gives it, so that
// its baseline stays where its neighbours' are.
TextLine Narrowed(TextFonts& fonts, HFONT font, const std::wstring& text, int width) {
    Measured m = Measure(fonts, font, text);
    TextLine line = LineOf(fonts, font, m, 0, m.text.size());
    if (line.width <= width || line.width == 0)
        return line;
    const TextFonts::Metrics own = fonts.MetricsOf(font);
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    auto tryFont = [&](const LOGFONTW& candidate) {
        HFONT f = fonts.Get(candidate);
        if (!f)
            return false;
        m = Measure(fonts, f, text);
        line = LineOf(fonts, f, m, 0, m.text.size());
        line.ascent = std::max(line.ascent, own.ascent);
        line.descent = std::max(line.descent, own.descent);
        return line.width <= width;
    };
    int before = line.width;
    const int average = own.averageWidth;
    for (int w = std::min(average - 1, average * width / line.width + 1); w >= 1; --w) {
        lf.lfWidth = w;
        if (tryFont(lf))
            return line;
        if (line.width >= before)
            break;  // a font that does not narrow (a bitmap font): smaller type instead
        before = line.width;
    }
    lf.lfWidth = 0;
    const LONG height = lf.lfHeight;
    for (LONG h = std::abs(height) - 1; h >= 1; --h) {
        lf.lfHeight = height < 0 ? -h : h;
        if (tryFont(lf))
            return line;
    }
    return line;  // a box too small for any type: the smallest tried
}

// Draws a run with its reference point at (x, y), clipped to `clip` where given, as labels are
// drawn and measured: by its glyphs where it has them, else as text, which the system shapes
// and orders as it draws it; in right-to-left reading order with `rtl`.
void Out(HDC dc, int x, int y, const RECT* clip, const std::wstring& text,
         const std::vector<WORD>& glyphs, bool rtl) {
    const UINT flags = (clip ? ETO_CLIPPED : 0) | (rtl ? ETO_RTLREADING : 0);
    if (glyphs.empty())
        ExtTextOutW(dc, x, y, flags, clip, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    else
        ExtTextOutW(dc, x, y, flags | ETO_GLYPH_INDEX, clip,
                    reinterpret_cast<const wchar_t*>(glyphs.data()),
                    static_cast<UINT>(glyphs.size()), nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Fonts

namespace {

// The sizes a bitmap face is drawn in, as the heights of their characters; the system makes
// other sizes by stretching one of these.
int CALLBACK AddSize(const LOGFONTW*, const TEXTMETRICW* tm, DWORD type, LPARAM sizes) {
    if (type & RASTER_FONTTYPE)
        reinterpret_cast<std::vector<int>*>(sizes)->push_back(tm->tmHeight - tm->tmInternalLeading);
    return 1;
}

int CALLBACK FindScalable(const LOGFONTW*, const TEXTMETRICW*, DWORD type, LPARAM found) {
    if (type & RASTER_FONTTYPE)
        return 1;
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool HasScalable(HDC dc, const wchar_t* face) {
    LOGFONTW want{};
    want.lfCharSet = DEFAULT_CHARSET;
    const std::size_t n = std::wstring(face).copy(want.lfFaceName, LF_FACESIZE - 1);
    want.lfFaceName[n] = 0;
    bool found = false;
    EnumFontFamiliesExW(dc, &want, FindScalable, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

}  // namespace

void ChooseFace(LOGFONTW& lf) {
    if (lf.lfHeight == 0 || lf.lfCharSet == SYMBOL_CHARSET)
        return;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    LOGFONTW made{};
    made.lfCharSet = DEFAULT_CHARSET;
    const bool told = GetTextMetricsW(dc, &tm) && GetTextFaceW(dc, LF_FACESIZE, made.lfFaceName);
    SelectObject(dc, old);
    DeleteObject(font);
    // A face that the system draws from outlines gives every size.
    if (!told || (tm.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE))) {
        DeleteDC(dc);
        return;
    }
    // A bitmap face gives the size asked where it is one of its own sizes: stretched, a bitmap
    // comes out blocky, and each system stretches it its own way, or not at all.
    const int asked = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight - tm.tmInternalLeading;
    const int came = tm.tmHeight - tm.tmInternalLeading;
    std::vector<int> sizes;
    EnumFontFamiliesExW(dc, &made, AddSize, reinterpret_cast<LPARAM>(&sizes), 0);
    if (came == asked && std::find(sizes.begin(), sizes.end(), asked) != sizes.end()) {
        DeleteDC(dc);
        return;
    }
    // Its scalable twin: Windows' outline faces made to match its bitmap faces of each family.
    static const wchar_t* const kSwiss[] = {L"Microsoft Sans Serif", L"Tahoma", nullptr};
    static const wchar_t* const kRoman[] = {L"Times New Roman", nullptr};
    static const wchar_t* const kModern[] = {L"Courier New", nullptr};
    const BYTE family = tm.tmPitchAndFamily & 0xF0;
    const wchar_t* const* twins = family == FF_ROMAN    ? kRoman
                                  : family == FF_MODERN ? kModern
                                                        : kSwiss;
    for (; *twins; ++twins) {
        if (HasScalable(dc, *twins)) {
            const std::size_t n = std::wstring(*twins).copy(lf.lfFaceName, LF_FACESIZE - 1);
            lf.lfFaceName[n] = 0;
            break;
        }
    }
    DeleteDC(dc);
}

TextFonts::~TextFonts() {
    for (auto& f : fonts_) DeleteObject(f.second);
    if (dc_)
        DeleteDC(dc_);
}

HDC TextFonts::Dc() {
    if (!dc_)
        dc_ = CreateCompatibleDC(nullptr);
    return dc_;
}

HFONT TextFonts::Get(const LOGFONTW& lf) {
    for (const auto& f : fonts_) {
        const LOGFONTW& o = f.first;
        if (o.lfHeight == lf.lfHeight && o.lfWidth == lf.lfWidth && o.lfWeight == lf.lfWeight &&
            o.lfItalic == lf.lfItalic && o.lfUnderline == lf.lfUnderline &&
            o.lfStrikeOut == lf.lfStrikeOut && o.lfCharSet == lf.lfCharSet &&
            o.lfQuality == lf.lfQuality && o.lfPitchAndFamily == lf.lfPitchAndFamily &&
            lstrcmpW(o.lfFaceName, lf.lfFaceName) == 0)
            return f.second;
    }
    HFONT f = CreateFontIndirectW(&lf);
    fonts_.emplace_back(lf, f);
    return f;
}

const TextFonts::Facts& TextFonts::FactsOf(HFONT font) {
    for (const auto& f : facts_)
        if (f.first == font)
            return f.second;
    Facts facts;
    HDC dc = Dc();
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    if (GetTextMetricsW(dc, &tm)) {
        facts.metrics.ascent = tm.tmAscent;
        facts.metrics.descent = tm.tmDescent;
        facts.metrics.averageWidth = tm.tmAveCharWidth;
        facts.metrics.em = tm.tmHeight - tm.tmInternalLeading;
        facts.metrics.symbol = tm.tmCharSet == SYMBOL_CHARSET;
    }
    // A bitmap font's glyph indices do not tell which characters it has (the system maps a
    // character it lacks to some glyph of it): the ranges a font declares are asked for too,
    // where the system gives them.
    if (const DWORD size = GetFontUnicodeRanges(dc, nullptr)) {
        std::vector<BYTE> buffer(size);
        auto* set = reinterpret_cast<GLYPHSET*>(buffer.data());
        if (GetFontUnicodeRanges(dc, set))
            facts.ranges.assign(set->ranges, set->ranges + set->cRanges);
    }
    SelectObject(dc, old);
    facts_.emplace_back(font, std::move(facts));
    return facts_.back().second;
}

const TextFonts::Metrics& TextFonts::MetricsOf(HFONT font) {
    return FactsOf(font).metrics;
}

std::vector<bool> TextFonts::Has(HFONT font, const std::wstring& text) {
    std::vector<bool> has(text.size(), true);
    const Facts& facts = FactsOf(font);
    if (text.empty() || facts.metrics.symbol)
        return has;
    std::vector<WORD> glyphs(text.size(), 0);
    HDC dc = Dc();
    HGDIOBJ old = SelectObject(dc, font);
    const bool indexed = GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()),
                                          glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR;
    SelectObject(dc, old);
    for (std::size_t i = 0, units = 1; i < text.size(); i += units) {
        const char32_t c = CharAt(text, i, &units);
        if (units == 2) {
            // The system answers for 16-bit units only: the font's own character map tells.
            const std::vector<WideRange>& wide = WideOf(font);
            has[i] = has[i + 1] = std::any_of(wide.begin(), wide.end(), [c](const WideRange& r) {
                return c >= r.first && c <= r.last;
            });
        } else if (indexed && glyphs[i] == 0xFFFF) {
            has[i] = false;
        } else if (!facts.ranges.empty()) {
            has[i] = std::any_of(facts.ranges.begin(), facts.ranges.end(), [c](const WCRANGE& r) {
                return c >= r.wcLow && c - r.wcLow < r.cGlyphs;
            });
        }
    }
    return has;
}

std::vector<WORD> TextFonts::Glyphs(HFONT font, const std::wstring& text) {
    std::vector<WORD> glyphs;
    HDC dc = Dc();
    HGDIOBJ old = SelectObject(dc, font);
    for (std::size_t i = 0, units = 1; i < text.size(); i += units) {
        const char32_t c = CharAt(text, i, &units);
        WORD glyph = 0;
        if (units == 2) {
            for (const WideRange& r : WideOf(font))
                if (c >= r.first && c <= r.last)
                    glyph = static_cast<WORD>(r.glyph + (c - r.first));
        } else if (GetGlyphIndicesW(dc, &text[i], 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) ==
                       GDI_ERROR ||
                   glyph == 0xFFFF) {
            glyph = 0;
        }
        glyphs.push_back(glyph);
    }
    SelectObject(dc, old);
    return glyphs;
}

HFONT TextFonts::Fallback(HFONT font, char32_t c) {
    for (const FallbackFound& f : fallbacks_)
        if (f.font == font && f.c == c)
            return f.found;
    LOGFONTW own{};
    GetObjectW(font, sizeof own, &own);
    // As large as the label's font came out: a bitmap font may come smaller than asked.
    if (const int em = MetricsOf(font).em)
        own.lfHeight = -em;
    HFONT found = nullptr;
    const std::wstring text = Utf16(c);
    auto has = [&](const LOGFONTW& lf) {
        HFONT f = Get(lf);
        if (f && f != font && Has(f, text)[0])
            found = f;
        return found != nullptr;
    };
    // The same face in the character set first: where the face has it (a Greek Windows' own
    // MS Sans Serif), it is the one the system picks.
    for (BYTE charset : CharsetsFor(c)) {
        LOGFONTW lf = own;
        lf.lfCharSet = charset;
        if (has(lf))
            break;
    }
    for (std::size_t i = 0; !found && i < sizeof kFallbackFaces / sizeof *kFallbackFaces; ++i) {
        LOGFONTW lf = own;
        lf.lfCharSet = DEFAULT_CHARSET;
        const std::size_t n = std::wstring(kFallbackFaces[i]).copy(lf.lfFaceName, LF_FACESIZE - 1);
        lf.lfFaceName[n] = 0;
        has(lf);
    }
    fallbacks_.push_back({font, c, found});
    return found;
}

int TextFonts::Width(HFONT font, const std::wstring& text, const std::vector<WORD>& glyphs,
                     bool rtl) {
    HDC dc = Dc();
    HGDIOBJ old = SelectObject(dc, font);
    const UINT align = SetTextAlign(dc, TA_LEFT | TA_BASELINE | TA_UPDATECP);
    MoveToEx(dc, 0, 0, nullptr);
    Out(dc, 0, 0, nullptr, text, glyphs, rtl);
    POINT end{};
    GetCurrentPositionEx(dc, &end);
    SetTextAlign(dc, align);
    SelectObject(dc, old);
    return end.x;
}

// The system's own widths of the beginnings where they add up to the text's width as drawn;
// where they do not, the text is shaped as it is drawn (joined Arabic letters, ligatures), and
// each beginning is measured drawn.
void TextFonts::Extents(HFONT font, const std::wstring& text, bool rtl, int* ends) {
    const int length = static_cast<int>(text.size());
    const bool paired = HasSurrogates(text);
    const int drawn = Width(font, text, paired ? Glyphs(font, text) : std::vector<WORD>(), rtl);
    HDC dc = Dc();
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    const bool told = !paired && length > 0 &&
                      GetTextExtentExPointW(dc, text.c_str(), length, 0, nullptr, ends, &size);
    SelectObject(dc, old);
    if (told && ends[length - 1] == drawn)
        return;
    for (int i = 0; i < length; ++i) {
        if (i + 1 < length && Joins(text[i + 1])) {
            ends[i] = i > 0 ? ends[i - 1] : 0;  // a unit that does not end a character
            continue;
        }
        const std::wstring begin = text.substr(0, i + 1);
        ends[i] = Width(font, begin, paired ? Glyphs(font, begin) : std::vector<WORD>(), rtl);
    }
}

const std::vector<TextFonts::WideRange>& TextFonts::WideOf(HFONT font) {
    Facts& facts = const_cast<Facts&>(FactsOf(font));
    if (facts.wideRead)
        return facts.wide;
    facts.wideRead = true;
    HDC dc = Dc();
    HGDIOBJ old = SelectObject(dc, font);
    // The character map's table of 32-bit character ranges (format 12), found under Windows'
    // full-repertoire encoding or Unicode's; a font without one has no such character.
    const DWORD tag = 'c' | 'm' << 8 | 'a' << 16 | 'p' << 24;
    const DWORD size = GetFontData(dc, tag, 0, nullptr, 0);
    std::vector<BYTE> t(size != GDI_ERROR ? size : 0);
    if (t.empty() || GetFontData(dc, tag, 0, t.data(), size) != size)
        t.clear();
    SelectObject(dc, old);
    auto u16 = [&t](std::size_t at) -> DWORD {
        return at + 2 <= t.size() ? DWORD{t[at]} << 8 | t[at + 1] : 0;
    };
    auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
    for (DWORD i = 0, tables = u16(2); i < tables; ++i) {
        const std::size_t record = 4 + 8 * std::size_t{i};
        const DWORD platform = u16(record), encoding = u16(record + 2);
        const std::size_t at = u32(record + 4);
        if (!((platform == 3 && encoding == 10) || (platform == 0 && encoding >= 4)) ||
            u16(at) != 12)
            continue;
        for (std::size_t g = 0, groups = u32(at + 12); g < groups; ++g) {
            const std::size_t group = at + 16 + 12 * g;
            if (group + 12 > t.size())
                break;
            facts.wide.push_back({u32(group), u32(group + 4), u32(group + 8)});
        }
        break;
    }
    return facts.wide;
}

// ---------------------------------------------------------------------------------------------
// Layout and drawing

TextLayout LayOut(TextFonts& fonts, HFONT font, const std::wstring& text, int width,
                  forms::TextFit fit, bool wrap) {
    TextLayout layout;
    if (fit == forms::TextFit::Ellipsis || fit == forms::TextFit::Shrink) {
        bool more = false;
        const std::wstring line = FirstLine(text, &more);
        if (fit == forms::TextFit::Shrink) {
            layout.lines.push_back(Narrowed(fonts, font, line, width));
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
        for (const auto& piece : forms::Wrap(m.text, m.ends, width))
            layout.lines.push_back(LineOf(fonts, font, m, piece.first, piece.second));
    }
    return Finish(std::move(layout));
}

void DrawLayout(HDC dc, const TextLayout& layout, const RECT& box, forms::Align align) {
    const int boxWidth = box.right - box.left;
    const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
    HGDIOBJ oldFont = nullptr;
    int top = box.top;
    for (const TextLine& line : layout.lines) {
        int x = box.left;
        if (align == forms::Align::Right)
            x = box.right - line.width;
        else if (align == forms::Align::Center)
            x = box.left + (boxWidth - line.width) / 2;
        const int baseline = top + line.ascent;
        for (const TextRun& run : line.runs) {
            HGDIOBJ old = SelectObject(dc, run.font);
            if (!oldFont)
                oldFont = old;
            const int at = line.rtl ? line.width - run.x - run.width : run.x;
            Out(dc, x + at, baseline, &box, run.text, run.glyphs, line.rtl);
        }
        top += line.ascent + line.descent;
    }
    if (oldFont)
        SelectObject(dc, oldFont);
    SetTextAlign(dc, oldAlign);
}

}  // namespace win32
