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

// Pixels of a twips length at the screen's resolution.
inline int Px(double twips) {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
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

inline void Click(HWND hwnd) {
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

}  // namespace probe
