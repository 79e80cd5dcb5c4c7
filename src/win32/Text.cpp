#include "win32/Text.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "forms/MadeOnce.h"
#include "forms/TextBreaks.h"

namespace win32 {

using forms::CharAt;
using forms::FontHandle;
using forms::HasSurrogates;
using forms::Joins;
using forms::Utf16;

namespace {

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

// ---------------------------------------------------------------------------------------------
// Fonts

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

void SetFace(LOGFONTW& lf, const wchar_t* face) {
    const std::size_t n = std::wstring(face).copy(lf.lfFaceName, LF_FACESIZE - 1);
    lf.lfFaceName[n] = 0;
}

bool HasScalable(HDC dc, const wchar_t* face) {
    LOGFONTW want{};
    want.lfCharSet = DEFAULT_CHARSET;
    SetFace(want, face);
    bool found = false;
    EnumFontFamiliesExW(dc, &want, FindScalable, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// The face `lf`'s font is to be made in instead of its own, measured in `dc`; null for its own.
const wchar_t* ScalableTwin(HDC dc, const LOGFONTW& lf) {
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    LOGFONTW made{};
    made.lfCharSet = DEFAULT_CHARSET;
    const bool told = GetTextMetricsW(dc, &tm) && GetTextFaceW(dc, LF_FACESIZE, made.lfFaceName);
    SelectObject(dc, old);
    DeleteObject(font);
    // A face that the system draws from outlines gives every size.
    if (!told || (tm.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)))
        return nullptr;
    // A bitmap face gives the size asked where it is one of its own sizes: stretched, a bitmap
    // comes out blocky, and each system stretches it its own way, or not at all.
    const int asked = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight - tm.tmInternalLeading;
    const int came = tm.tmHeight - tm.tmInternalLeading;
    std::vector<int> sizes;
    EnumFontFamiliesExW(dc, &made, AddSize, reinterpret_cast<LPARAM>(&sizes), 0);
    if (came == asked && std::find(sizes.begin(), sizes.end(), asked) != sizes.end())
        return nullptr;
    // Its scalable twin: Windows' outline faces made to match its bitmap faces of each family.
    for (const wchar_t* twin : forms::ScalableTwins(tm.tmPitchAndFamily))
        if (HasScalable(dc, twin))
            return twin;
    return nullptr;
}

}  // namespace

void ChooseFace(LOGFONTW& lf) {
    if (lf.lfHeight == 0 || lf.lfCharSet == SYMBOL_CHARSET)
        return;
    HDC dc = CreateCompatibleDC(nullptr);
    if (const wchar_t* twin = ScalableTwin(dc, lf))
        SetFace(lf, twin);
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
    // (The face name as a string: what follows its end may differ.)
    for (const auto& [o, f] : fonts_)
        if (std::memcmp(&o, &lf, offsetof(LOGFONTW, lfFaceName)) == 0 &&
            lstrcmpW(o.lfFaceName, lf.lfFaceName) == 0)
            return f;
    HFONT f = CreateFontIndirectW(&lf);
    fonts_.emplace_back(lf, f);
    return f;
}

TextFonts::Facts& TextFonts::FactsOf(HFONT font) {
    return forms::MadeOnce(facts_, font, [&] {
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
        LOGFONTW lf{};
        if (GetObjectW(font, sizeof lf, &lf))
            facts.metrics.asked = std::abs(lf.lfHeight);
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
        return facts;
    });
}

const TextFonts::Metrics& TextFonts::MetricsOf(FontHandle font) {
    return FactsOf(static_cast<HFONT>(font)).metrics;
}

std::vector<bool> TextFonts::Has(FontHandle handle, const std::wstring& text) {
    std::vector<bool> has(text.size(), true);
    const auto font = static_cast<HFONT>(handle);
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
            has[i] = has[i + 1] = WideRangeOf(font, c) != nullptr;
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
    if (!HasSurrogates(text))
        return glyphs;
    HDC dc = Dc();
    HGDIOBJ old = SelectObject(dc, font);
    for (std::size_t i = 0, units = 1; i < text.size(); i += units) {
        const char32_t c = CharAt(text, i, &units);
        WORD glyph = 0;
        if (units == 2) {
            if (const forms::WideRange* r = WideRangeOf(font, c))
                glyph = static_cast<WORD>(r->glyph + (c - r->first));
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

FontHandle TextFonts::Fallback(FontHandle handle, char32_t c) {
    const auto font = static_cast<HFONT>(handle);
    return forms::MadeOnce(fallbacks_, {font, c}, [&] {
        LOGFONTW own{};
        GetObjectW(font, sizeof own, &own);
        // As large as the label's font came out: a bitmap font may come smaller than asked.
        if (const int em = MetricsOf(font).em)
            own.lfHeight = -em;
        HFONT found = nullptr;
        const std::wstring text = Utf16(c);
        // The font in `charset`, and in `face` where given, if it has the character.
        auto has = [&](BYTE charset, const wchar_t* face) {
            LOGFONTW lf = own;
            lf.lfCharSet = charset;
            if (face)
                SetFace(lf, face);
            HFONT f = Get(lf);
            if (f && f != font && Has(f, text)[0])
                found = f;
            return found != nullptr;
        };
        // The same face in the character set first: where the face has it (a Greek Windows' own
        // MS Sans Serif), it is the one the system picks.
        for (BYTE charset : forms::CharsetsFor(c, GetACP()))
            if (has(charset, nullptr))
                break;
        for (const wchar_t* face : forms::kFallbackFaces)
            if (found || has(DEFAULT_CHARSET, face))
                break;
        return found;
    });
}

int TextFonts::Width(FontHandle handle, const std::wstring& text, bool rtl) {
    const auto font = static_cast<HFONT>(handle);
    const std::vector<WORD> glyphs = Glyphs(font, text);
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
void TextFonts::Extents(FontHandle handle, const std::wstring& text, bool rtl, int* ends) {
    const auto font = static_cast<HFONT>(handle);
    const int length = static_cast<int>(text.size());
    const int drawn = Width(font, text, rtl);
    HDC dc = Dc();
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    const bool told = !HasSurrogates(text) && length > 0 &&
                      GetTextExtentExPointW(dc, text.c_str(), length, 0, nullptr, ends, &size);
    SelectObject(dc, old);
    if (told && ends[length - 1] == drawn)
        return;
    for (int i = 0; i < length; ++i) {
        if (i + 1 < length && Joins(text[i + 1])) {
            ends[i] = i > 0 ? ends[i - 1] : 0;  // a unit that does not end a character
            continue;
        }
        ends[i] = Width(font, text.substr(0, i + 1), rtl);
    }
}

const forms::WideRange* TextFonts::WideRangeOf(HFONT font, char32_t c) {
    Facts& facts = FactsOf(font);
    if (!facts.wideRead) {
        facts.wideRead = true;
        HDC dc = Dc();
        HGDIOBJ old = SelectObject(dc, font);
        const DWORD tag = 'c' | 'm' << 8 | 'a' << 16 | 'p' << 24;
        const DWORD size = GetFontData(dc, tag, 0, nullptr, 0);
        std::vector<BYTE> table(size != GDI_ERROR ? size : 0);
        if (!table.empty() && GetFontData(dc, tag, 0, table.data(), size) == size)
            facts.wide = forms::ReadWideRanges(table);
        SelectObject(dc, old);
    }
    for (const forms::WideRange& r : facts.wide)
        if (c >= r.first && c <= r.last)
            return &r;
    return nullptr;
}

FontHandle TextFonts::Resized(FontHandle font, int width, int height) {
    LOGFONTW lf{};
    if (!GetObjectW(static_cast<HFONT>(font), sizeof lf, &lf))
        return nullptr;
    lf.lfWidth = width;
    if (height)
        lf.lfHeight = lf.lfHeight < 0 ? -height : height;
    return Get(lf);
}

// As the system's character types tell.
bool TextFonts::ReadsRightToLeft(const std::wstring& line) {
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

// (Only text with a mark to compose is handed to the system: every label is laid out again as
// the rows move.)
std::wstring Composed(const std::wstring& text) {
    if (std::none_of(text.begin(), text.end(), forms::IsMark))
        return text;
    // (From Vista on this is normalization form C, whose size NormalizeString only estimates:
    // the text is as long as the second call says.)
    const int length = static_cast<int>(text.size());
    const int n = FoldStringW(MAP_PRECOMPOSED, text.c_str(), length, nullptr, 0);
    std::wstring composed(n > 0 ? n : 0, L'\0');
    const int made =
        n > 0 ? FoldStringW(MAP_PRECOMPOSED, text.c_str(), length, &composed[0], n) : 0;
    if (made <= 0 || made > n)
        return text;
    composed.resize(made);
    return composed;
}

// ---------------------------------------------------------------------------------------------
// Drawing

void DrawLayout(HDC dc, TextFonts& fonts, const forms::TextLayout& layout, const RECT& box,
                forms::Align align) {
    const int boxWidth = box.right - box.left;
    const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
    HGDIOBJ oldFont = nullptr;
    int top = box.top;
    for (const forms::TextLine& line : layout.lines) {
        int x = box.left;
        if (align == forms::Align::Right)
            x = box.right - line.width;
        else if (align == forms::Align::Center)
            x = box.left + (boxWidth - line.width) / 2;
        const int baseline = top + line.ascent;
        for (const forms::TextRun& run : line.runs) {
            const auto font = static_cast<HFONT>(run.font);
            HGDIOBJ old = SelectObject(dc, font);
            if (!oldFont)
                oldFont = old;
            const int at = line.rtl ? line.width - run.x - run.width : run.x;
            Out(dc, x + at, baseline, &box, run.text, fonts.Glyphs(font, run.text), line.rtl);
        }
        top += line.ascent + line.descent;
    }
    if (oldFont)
        SelectObject(dc, oldFont);
    SetTextAlign(dc, oldAlign);
}

}  // namespace win32
