// Reading windows as a user or a screen reader sees them: children, texts, rectangles.
#pragma once

#include <windows.h>

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
        // What shows of it: within the client areas of the form and of its containers.
        RECT shows = c.rect;
        for (HWND up = GetParent(c.hwnd); up; up = up == form ? nullptr : GetParent(up)) {
            RECT client;
            GetClientRect(up, &client);
            MapWindowPoints(up, form, reinterpret_cast<POINT*>(&client), 2);
            IntersectRect(&shows, &shows, &client);
        }
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

// The client area of a form as it stands on the screen, controls and all, 32 bits a pixel.
inline std::vector<DWORD> Picture(HWND form) {
    RECT r;
    GetClientRect(form, &r);
    HDC screen = GetDCEx(form, nullptr, DCX_CACHE);  // the controls' pixels too
    HDC copy = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = r.right;
    bi.bmiHeader.biHeight = -r.bottom;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(copy, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD* first = static_cast<const DWORD*>(bits);
    std::vector<DWORD> pixels(first, first + r.right * r.bottom);
    SelectObject(copy, previous);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(form, screen);
    return pixels;
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

inline void Click(HWND hwnd) {
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

}  // namespace probe
