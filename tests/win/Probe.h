// Reading windows as a user or a screen reader sees them: children, texts, rectangles.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "win32/Utf.h"

namespace probe {

struct Child {
    HWND hwnd;
    std::wstring cls;
    std::wstring text;
    RECT rect;  // in the parent form's client coordinates
    bool visible;
};

inline std::wstring Text(HWND hwnd) {
    wchar_t buf[512];
    int n = GetWindowTextW(hwnd, buf, 512);
    return std::wstring(buf, n > 0 ? n : 0);
}

struct ChildSearch {
    HWND form;
    std::vector<Child>* out;
};

inline BOOL CALLBACK AddChild(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<ChildSearch*>(lp);
    wchar_t cls[64];
    GetClassNameW(h, cls, 64);
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, c->form, reinterpret_cast<POINT*>(&r), 2);
    c->out->push_back({h, cls, Text(h), r, IsWindowVisible(h) != FALSE});
    return TRUE;
}

// Every child window of a form, at any depth.
inline std::vector<Child> Children(HWND form) {
    std::vector<Child> out;
    ChildSearch search{form, &out};
    EnumChildWindows(form, AddChild, reinterpret_cast<LPARAM>(&search));
    return out;
}

inline const Child* Find(const std::vector<Child>& children, const std::wstring& text) {
    for (const Child& c : children)
        if (c.text == text)
            return &c;
    return nullptr;
}

inline int ScreenDpi() {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

// Pixels of a twips length at `dpi` dots per inch, by default the screen's.
inline int Px(double twips, int dpi = ScreenDpi()) {
    return static_cast<int>(twips * dpi / 1440 + 0.5);
}

// A figure as the table writes it with Italian separators ("1.234,56 ") back to a number.
inline double Figure(const std::wstring& text) {
    std::wstring plain;
    for (wchar_t ch : text) {
        if (ch >= L'0' && ch <= L'9')
            plain += ch;
        if (ch == L',')
            plain += L'.';
    }
    return plain.empty() ? -1 : std::stod(plain);
}

// A Unix path handed over by the build, as a Windows path on drive Z:.
inline std::wstring FromUnix(const char* path) {
    std::wstring p = win32::Widen(path ? path : "");
    for (wchar_t& c : p)
        if (c == L'/')
            c = L'\\';
    return !p.empty() && p[0] == L'\\' ? L"Z:" + p : p;
}

// How a shown form's controls stand on the screen: each of its own controls' pixels that no
// other window covers, against what the control draws of itself (WM_PRINTCLIENT into a
// picture); and which windows, the form's own included, still have something to paint.
struct Drawing {
    int controls = 0;                     // controls whose pixels were compared
    std::vector<std::wstring> wrong;      // controls whose pixels differ from their drawing
    std::vector<std::wstring> unpainted;  // windows with an update region left
};

inline Drawing Drawn(HWND form) {
    Drawing d;
    if (GetUpdateRect(form, nullptr, FALSE))
        d.unpainted.push_back(Text(form));
    const std::vector<Child> children = Children(form);
    for (const Child& c : children) {
        if (!c.visible)
            continue;
        if (GetUpdateRect(c.hwnd, nullptr, FALSE))
            d.unpainted.push_back(c.text);
        const int w = c.rect.right - c.rect.left, h = c.rect.bottom - c.rect.top;
        // What shows of it: within the client areas of the form and of its containers, and on
        // the screen (a large scale may take a window past its edges).
        RECT shows = c.rect;
        for (HWND up = GetParent(c.hwnd); up; up = up == form ? nullptr : GetParent(up)) {
            RECT client;
            GetClientRect(up, &client);
            MapWindowPoints(up, form, reinterpret_cast<POINT*>(&client), 2);
            IntersectRect(&shows, &shows, &client);
        }
        RECT screenRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&screenRect), 2);
        IntersectRect(&shows, &shows, &screenRect);
        HDC screen = GetDC(c.hwnd);
        HDC picture = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
        HGDIOBJ previous = SelectObject(picture, bitmap);
        SendMessageW(c.hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture), PRF_CLIENT);
        long compared = 0, differ = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const POINT at{c.rect.left + x, c.rect.top + y};  // in the form
                bool covered = !PtInRect(&shows, at);
                for (const Child& o : children)
                    if (o.visible && o.hwnd != c.hwnd && !IsChild(o.hwnd, c.hwnd) &&
                        PtInRect(&o.rect, at))
                        covered = true;
                if (covered)
                    continue;
                ++compared;
                if (GetPixel(screen, x, y) != GetPixel(picture, x, y))
                    ++differ;
            }
        SelectObject(picture, previous);
        DeleteObject(bitmap);
        DeleteDC(picture);
        ReleaseDC(c.hwnd, screen);
        if (compared > 0)
            ++d.controls;
        if (differ > 0)
            d.wrong.push_back(c.text);
    }
    return d;
}

// A picture of `width` x `height` pixels, 32 bits a pixel, as `draw` draws it into a DC.
template <class Draw>
std::vector<DWORD> Pixels(int width, int height, Draw draw) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    draw(dc);
    GdiFlush();
    const DWORD* first = static_cast<const DWORD*>(bits);
    std::vector<DWORD> pixels(first, first + width * height);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

// The client area of a form as it stands on the screen, controls and all.
inline std::vector<DWORD> Picture(HWND form) {
    RECT r;
    GetClientRect(form, &r);
    HDC screen = GetDCEx(form, nullptr, DCX_CACHE);  // the controls' pixels too
    std::vector<DWORD> pixels = Pixels(r.right, r.bottom, [&](HDC dc) {
        BitBlt(dc, 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
    });
    ReleaseDC(form, screen);
    return pixels;
}

// A window's client area as it draws itself.
inline std::vector<DWORD> OwnPicture(HWND w) {
    RECT r;
    GetClientRect(w, &r);
    return Pixels(r.right, r.bottom, [&](HDC dc) {
        SendMessageW(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

// The pixels of a form's client area that change when the system has the form and every one
// of its windows paint themselves again: none, when what is on the screen is what they draw.
inline long ChangedByRepainting(HWND form) {
    const std::vector<DWORD> before = Picture(form);
    RedrawWindow(form, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const std::vector<DWORD> after = Picture(form);
    long changed = 0;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i)
        changed += before[i] != after[i];
    return changed;
}

inline std::string Names(const std::vector<std::wstring>& texts) {
    std::string out;
    for (const std::wstring& t : texts) out += "\"" + win32::Narrow(t) + "\" ";
    return out;
}

// A piece of text as a window draws it, read back from a recording of its drawing (an enhanced
// metafile of its WM_PRINTCLIENT), but for what it draws with its DC's state saved (other
// windows that it shows through, as a transparent label does): the characters, the font, the box
// they stand in, as wide as their advances and as high as the font, and their ink: the pixels the
// same text in the same font and places turns, drawn apart. Both in the window's client
// coordinates; no ink, an empty rectangle.
struct DrawnText {
    std::wstring text;
    LOGFONTW font;
    RECT box;
    RECT ink;
};

inline RECT InkOf(const std::wstring& text, const LOGFONTW& font, const std::vector<INT>& dx,
                  const RECT& box, int ascent) {
    const int pad = box.bottom - box.top;  // room for what overhangs the box
    const int w = box.right - box.left + 2 * pad, h = box.bottom - box.top + 2 * pad;
    const std::vector<DWORD> p = Pixels(w, h, [&](HDC dc) {
        RECT all{0, 0, w, h};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        HFONT f = CreateFontIndirectW(&font);
        HGDIOBJ oldFont = SelectObject(dc, f);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        SetTextAlign(dc, TA_LEFT | TA_BASELINE);
        ExtTextOutW(dc, pad, pad + ascent, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()),
                    dx.data());
        SelectObject(dc, oldFont);
        DeleteObject(f);
    });
    RECT ink{w, h, 0, 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((p[y * w + x] & 0xFFFFFF) != 0xFFFFFF) {
                ink.left = std::min<LONG>(ink.left, x);
                ink.top = std::min<LONG>(ink.top, y);
                ink.right = std::max<LONG>(ink.right, x + 1);
                ink.bottom = std::max<LONG>(ink.bottom, y + 1);
            }
    if (ink.right <= ink.left)
        return RECT{box.left, box.top, box.left, box.top};
    OffsetRect(&ink, box.left - pad, box.top - pad);
    return ink;
}

inline int CALLBACK ReadRecord(HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM lp);

struct Recording {
    std::vector<DrawnText> texts;
    std::vector<std::pair<DWORD, LOGFONTW>> fonts;  // by object index
    LOGFONTW current{};
    UINT align = TA_LEFT | TA_TOP;
    int saved = 0;  // states saved
};

inline std::vector<DrawnText> TextsDrawn(HWND w) {
    HDC screen = GetDC(w);
    HDC meta = CreateEnhMetaFileW(screen, nullptr, nullptr, nullptr);
    SendMessageW(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(meta), PRF_CLIENT);
    HENHMETAFILE file = CloseEnhMetaFile(meta);
    ReleaseDC(w, screen);
    Recording recording;
    EnumEnhMetaFile(nullptr, file, ReadRecord, &recording, nullptr);
    DeleteEnhMetaFile(file);
    return recording.texts;
}

inline int CALLBACK ReadRecord(HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM lp) {
    auto* rec = reinterpret_cast<Recording*>(lp);
    const BYTE* bytes = reinterpret_cast<const BYTE*>(r);
    switch (r->iType) {
        case EMR_EXTCREATEFONTINDIRECTW: {
            const auto* f = reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(r);
            rec->fonts.emplace_back(f->ihFont, f->elfw.elfLogFont);
            break;
        }
        case EMR_SELECTOBJECT: {
            const DWORD index = reinterpret_cast<const EMRSELECTOBJECT*>(r)->ihObject;
            for (auto it = rec->fonts.rbegin(); it != rec->fonts.rend(); ++it)
                if (it->first == index) {
                    rec->current = it->second;
                    break;
                }
            break;
        }
        case EMR_SAVEDC:
            ++rec->saved;
            break;
        case EMR_RESTOREDC:
            rec->saved += reinterpret_cast<const EMRRESTOREDC*>(r)->iRelative;
            break;
        case EMR_SETTEXTALIGN:
            rec->align = reinterpret_cast<const EMRSETTEXTALIGN*>(r)->iMode;
            break;
        case EMR_EXTTEXTOUTW: {
            if (rec->saved > 0)
                break;
            const auto* t = reinterpret_cast<const EMREXTTEXTOUTW*>(r);
            const EMRTEXT& e = t->emrtext;
            DrawnText d{
                std::wstring(reinterpret_cast<const wchar_t*>(bytes + e.offString), e.nChars),
                rec->current,
                {},
                {}};
            const INT* first = reinterpret_cast<const INT*>(bytes + e.offDx);
            const std::vector<INT> dx(first, first + e.nChars);
            int width = 0;
            for (INT x : dx) width += x;
            HDC dc = GetDC(nullptr);
            HFONT font = CreateFontIndirectW(&d.font);
            HGDIOBJ old = SelectObject(dc, font);
            TEXTMETRICW tm{};
            GetTextMetricsW(dc, &tm);
            SelectObject(dc, old);
            DeleteObject(font);
            ReleaseDC(nullptr, dc);
            const POINT at{e.ptlReference.x, e.ptlReference.y};
            const UINT h = rec->align & (TA_LEFT | TA_RIGHT | TA_CENTER);
            d.box.left = h == TA_RIGHT ? at.x - width : h == TA_CENTER ? at.x - width / 2 : at.x;
            d.box.right = d.box.left + width;
            const UINT v = rec->align & (TA_TOP | TA_BASELINE | TA_BOTTOM);
            d.box.top = v == TA_BASELINE ? at.y - tm.tmAscent
                        : v == TA_BOTTOM ? at.y - tm.tmHeight
                                         : at.y;
            d.box.bottom = d.box.top + tm.tmHeight;
            d.ink = InkOf(d.text, d.font, dx, d.box, tm.tmAscent);
            rec->texts.push_back(d);
            break;
        }
        default:
            break;
    }
    return 1;
}

// The characters of `text` that `font` has no glyph for.
inline std::wstring Missing(const LOGFONTW& font, const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HFONT f = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, f);
    std::vector<WORD> glyphs(text.size());
    GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                     GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    DeleteObject(f);
    ReleaseDC(nullptr, dc);
    std::wstring missing;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (glyphs[i] == 0xFFFF)
            missing += text[i];
    return missing;
}

inline void Click(HWND hwnd) {
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

}  // namespace probe
