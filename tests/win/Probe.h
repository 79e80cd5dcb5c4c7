// Reading windows as a user or a screen reader finds them: a form's controls through Active
// Accessibility (each control's role, name, state and place), the push buttons' windows, the
// pixels on the screen and the texts a window draws.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "win32/Utf.h"

namespace probe {

struct Child {
    HWND hwnd;
    // ({}: GCC warns of a member that a designated initializer leaves out, unless it has one.)
    std::wstring cls{};
    std::wstring text;
    RECT rect;  // in the parent form's client coordinates
    bool visible;
};

inline std::wstring Text(HWND hwnd) {
    wchar_t buf[512];
    int n = GetWindowTextW(hwnd, buf, 512);
    return std::wstring(buf, n > 0 ? n : 0);
}

// The callback for EnumWindows and its kin that calls the function object `F` its LPARAM points
// to on each window, going on while that returns TRUE.
template <class F>
BOOL CALLBACK CallOn(HWND h, LPARAM f) {
    return (*reinterpret_cast<F*>(f))(h);
}

// Every child window of a form, at any depth.
inline std::vector<Child> Children(HWND form) {
    std::vector<Child> out;
    auto add = [&](HWND h) {
        wchar_t cls[64];
        GetClassNameW(h, cls, 64);
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
        out.push_back({h, cls, Text(h), r, IsWindowVisible(h) != FALSE});
        return TRUE;
    };
    EnumChildWindows(form, CallOn<decltype(add)>, reinterpret_cast<LPARAM>(&add));
    return out;
}

inline const Child* Find(const std::vector<Child>& children, const std::wstring& text) {
    for (const Child& c : children)
        if (c.text == text)
            return &c;
    return nullptr;
}

// A window as a test looks for it: its text (all of it, or with `prefix` how it begins), its
// class (any, when empty), the process and the thread that own it (any, when 0), and shown or,
// with `hidden`, not.
struct Wanted {
    std::wstring text;
    bool prefix = false;
    // ({}: GCC warns of a member that a designated initializer leaves out, unless it has one.)
    std::wstring cls{};
    DWORD pid = 0;
    DWORD thread = 0;
    bool hidden = false;
};

// The first top-level window (of `w.thread`, when set), or child window of `parent` at any
// depth, that is as `w` says; null when none is.
inline HWND FirstWindow(const Wanted& w, HWND parent = nullptr) {
    HWND found = nullptr;
    auto match = [&](HWND h) {
        DWORD pid = 0;
        const DWORD thread = GetWindowThreadProcessId(h, &pid);
        wchar_t cls[64];
        GetClassNameW(h, cls, 64);
        // (The text last: asked of a window of this process, it is a message to the window.)
        if ((IsWindowVisible(h) == FALSE) == w.hidden && (!w.pid || pid == w.pid) &&
            (!w.thread || thread == w.thread) && (w.cls.empty() || w.cls == cls) &&
            (w.prefix ? Text(h).rfind(w.text, 0) == 0 : Text(h) == w.text))
            found = h;
        return !found;
    };
    const LPARAM lp = reinterpret_cast<LPARAM>(&match);
    if (parent)
        EnumChildWindows(parent, CallOn<decltype(match)>, lp);
    else if (w.thread)
        EnumThreadWindows(w.thread, CallOn<decltype(match)>, lp);
    else
        EnumWindows(CallOn<decltype(match)>, lp);
    return found;
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

// The bytes a file holds; none where it cannot be read.
inline std::string FileBytes(const std::wstring& path) {
    std::ifstream f(win32::Narrow(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
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

// The pixels of a form's client area, outside its push buttons and within the screen, that
// differ between the screen and what the form draws of itself (WM_PRINTCLIENT): none, once the
// window has painted what its changes asked for.
inline long Unlike(HWND form) {
    RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const std::vector<DWORD> screen = Picture(form);
    const std::vector<DWORD> own = OwnPicture(form);
    RECT client;
    GetClientRect(form, &client);
    RECT shows{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&shows), 2);
    IntersectRect(&shows, &shows, &client);
    const std::vector<Child> buttons = Children(form);
    long unlike = 0;
    for (int y = shows.top; y < shows.bottom; ++y)
        for (int x = shows.left; x < shows.right; ++x) {
            const POINT at{x, y};
            const bool covered = std::any_of(buttons.begin(), buttons.end(), [&](const Child& b) {
                return b.visible && PtInRect(&b.rect, at);
            });
            const std::size_t i = static_cast<std::size_t>(y) * client.right + x;
            unlike += !covered && screen[i] != own[i];
        }
    return unlike;
}

// A piece of text as a window draws it, read back from a recording of its drawing (an enhanced
// metafile of its WM_PRINTCLIENT): the characters, the font, the box they stand in, as wide as
// their advances and as high as the font, and their ink: the pixels the same text in the same
// font and places turns, drawn apart. Both in the window's client coordinates; no ink, an empty
// rectangle.
struct DrawnText {
    std::wstring text;
    LOGFONTW font;
    RECT box;
    RECT ink;
};

// The box of what `draw` inks, in any colour, on a white picture of `w` x `h` pixels; empty
// (all zero) where it inks nothing.
template <class Draw>
RECT Ink(int w, int h, Draw draw) {
    const std::vector<DWORD> p = Pixels(w, h, [&](HDC dc) {
        PatBlt(dc, 0, 0, w, h, WHITENESS);
        SetBkMode(dc, TRANSPARENT);
        draw(dc);
    });
    RECT ink{w, h, 0, 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((p[static_cast<std::size_t>(y) * w + x] & 0xFFFFFF) != 0xFFFFFF)
                ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y),
                       std::max<LONG>(ink.right, x + 1), std::max<LONG>(ink.bottom, y + 1)};
    return ink.right > ink.left ? ink : RECT{0, 0, 0, 0};
}

inline RECT InkOf(const std::wstring& text, const LOGFONTW& font, const std::vector<INT>& dx,
                  const RECT& box, int ascent) {
    const int pad = box.bottom - box.top;  // room for what overhangs the box
    RECT ink = Ink(box.right - box.left + 2 * pad, box.bottom - box.top + 2 * pad, [&](HDC dc) {
        HFONT f = CreateFontIndirectW(&font);
        HGDIOBJ oldFont = SelectObject(dc, f);
        SetTextColor(dc, RGB(0, 0, 0));
        SetTextAlign(dc, TA_LEFT | TA_BASELINE);
        ExtTextOutW(dc, pad, pad + ascent, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()),
                    dx.data());
        SelectObject(dc, oldFont);
        DeleteObject(f);
    });
    if (IsRectEmpty(&ink))
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
};

// The texts `draw` draws into a DC.
template <class Draw>
std::vector<DrawnText> TextsDrawnBy(Draw draw) {
    HDC screen = GetDC(nullptr);
    HDC meta = CreateEnhMetaFileW(screen, nullptr, nullptr, nullptr);
    draw(meta);
    HENHMETAFILE file = CloseEnhMetaFile(meta);
    ReleaseDC(nullptr, screen);
    Recording recording;
    EnumEnhMetaFile(nullptr, file, ReadRecord, &recording, nullptr);
    DeleteEnhMetaFile(file);
    return recording.texts;
}

// The texts a window draws.
inline std::vector<DrawnText> TextsDrawn(HWND w) {
    return TextsDrawnBy(
        [&](HDC dc) { SendMessageW(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT); });
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
        case EMR_SETTEXTALIGN:
            rec->align = reinterpret_cast<const EMRSETTEXTALIGN*>(r)->iMode;
            break;
        case EMR_EXTTEXTOUTW: {
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

// A press and a release of `button` (WM_LBUTTONDOWN, WM_RBUTTONDOWN) at the middle of `r`, in
// a form's client pixels, as the mouse would make them.
inline void ClickAt(HWND form, const RECT& r, UINT down = WM_LBUTTONDOWN) {
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(form, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, at);
    SendMessageW(form, down + 1, 0, at);
}

// ---------------------------------------------------------------------------------------------
// Active Accessibility

// The roles as this system names them.
inline std::wstring RoleText(LONG role) {
    wchar_t text[64] = L"";
    GetRoleTextW(static_cast<DWORD>(role), text, 64);
    return text;
}

// An IAccessible held for the test.
class Object {
  public:
    explicit Object(IAccessible* p = nullptr) : p_(p) {}
    Object(Object&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Object(const Object&) = delete;
    ~Object() {
        if (p_)
            p_->Release();
    }
    IAccessible* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    static Object OfWindow(HWND w) {
        IAccessible* p = nullptr;
        AccessibleObjectFromWindow(w, OBJID_CLIENT, __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&p));
        return Object(p);
    }
    static Object Of(VARIANT v) {
        IAccessible* a = nullptr;
        if (v.vt == VT_DISPATCH && v.pdispVal) {
            v.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&a));
            v.pdispVal->Release();
        }
        return Object(a);
    }

    // What the object says of itself, or of its child number `child` (from 1): asked of the
    // object itself, a child costs one question across processes, not a proxy of its own.
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*ask)(VARIANT, BSTR*),
                      long child = CHILDID_SELF) const {
        BSTR b = nullptr;
        std::wstring s;
        if ((p_->*ask)(Id(child), &b) == S_OK && b)
            s = b;
        SysFreeString(b);
        return s;
    }
    LONG Number(HRESULT (STDMETHODCALLTYPE IAccessible::*ask)(VARIANT, VARIANT*),
                long child = CHILDID_SELF) const {
        VARIANT v;
        VariantInit(&v);
        return (p_->*ask)(Id(child), &v) == S_OK && v.vt == VT_I4 ? v.lVal : 0;
    }
    std::wstring Name(long child = CHILDID_SELF) const {
        return Text(&IAccessible::get_accName, child);
    }
    LONG Role(long child = CHILDID_SELF) const { return Number(&IAccessible::get_accRole, child); }
    LONG State(long child = CHILDID_SELF) const {
        return Number(&IAccessible::get_accState, child);
    }
    // In screen pixels.
    RECT Location(long child = CHILDID_SELF) const {
        long l = 0, t = 0, w = 0, h = 0;
        p_->accLocation(&l, &t, &w, &h, Id(child));
        return RECT{l, t, l + w, t + h};
    }
    HRESULT DoDefaultAction() const { return p_->accDoDefaultAction(Id(CHILDID_SELF)); }
    // The name of what has the keyboard focus: a child of the object, or the object itself.
    std::wstring FocusName() const {
        VARIANT v;
        VariantInit(&v);
        if (p_->get_accFocus(&v) != S_OK)
            return L"";
        if (v.vt == VT_I4)
            return Name(v.lVal);
        const Object focused = Of(v);
        return focused ? focused.Name() : L"";
    }
    Object Navigate(long direction) const {
        VARIANT to;
        VariantInit(&to);
        return p_->accNavigate(direction, Id(CHILDID_SELF), &to) == S_OK ? Of(to) : Object();
    }
    long ChildCount() const {
        long count = 0;
        p_->get_accChildCount(&count);
        return count;
    }
    Object Child(long child) const {
        IDispatch* d = nullptr;
        if (p_->get_accChild(Id(child), &d) != S_OK || !d)
            return Object();
        VARIANT v;
        v.vt = VT_DISPATCH;
        v.pdispVal = d;
        return Of(v);
    }

    // What a screen reader says of the object (or of a child), on one line: role, name, value,
    // description, default action and shortcut.
    std::wstring Heard(long child = CHILDID_SELF) const {
        std::wstring line = RoleText(Role(child)) + L": " + Name(child);
        const std::wstring value = Text(&IAccessible::get_accValue, child);
        const std::wstring description = Text(&IAccessible::get_accDescription, child);
        const std::wstring action = Text(&IAccessible::get_accDefaultAction, child);
        const std::wstring shortcut = Text(&IAccessible::get_accKeyboardShortcut, child);
        if (!value.empty())
            line += L" = " + value;
        if (!description.empty())
            line += L" (" + description + L")";
        if (!action.empty())
            line += L" [" + action + (shortcut.empty() ? L"" : L", " + shortcut) + L"]";
        return line;
    }

    // The children as AccessibleChildren lists them.
    std::vector<Object> Children() const {
        const long count = ChildCount();
        std::vector<VARIANT> found(count);
        long got = 0;
        std::vector<Object> out;
        if (count == 0 || FAILED(AccessibleChildren(p_, 0, count, found.data(), &got)))
            return out;
        for (long i = 0; i < got; ++i) out.push_back(Of(found[i]));
        return out;
    }

    static VARIANT Id(long child) {
        VARIANT v;
        v.vt = VT_I4;
        v.lVal = child;
        return v;
    }

  private:
    IAccessible* p_;
};

// A control of a form as a screen reader finds it.
struct Element {
    std::wstring heard;  // as Object::Heard says it
    std::wstring name;
    LONG role = 0, state = 0;
    RECT rect{};    // in the form's client pixels
    int depth = 0;  // 0: on the form; 1: in a frame or picture box on it
    // Neither hidden nor out of view.
    bool Shows() const { return !(state & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)); }
};

inline void ReadInto(HWND form, const Object& o, int depth, std::vector<Element>& out) {
    for (const Object& child : o.Children()) {
        if (!child)
            continue;
        Element e{child.Heard(), child.Name(),     child.Role(),
                  child.State(), child.Location(), depth};
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&e.rect), 2);
        out.push_back(e);
        if (e.role == ROLE_SYSTEM_GROUPING || e.role == ROLE_SYSTEM_GRAPHIC)
            ReadInto(form, child, depth + 1, out);
    }
}

// Every control of a form as its accessible object tells of it, in reading order, a frame's
// or picture box's contents after it.
inline std::vector<Element> Read(HWND form) {
    std::vector<Element> out;
    if (const Object o = Object::OfWindow(form))
        ReadInto(form, o, 0, out);
    return out;
}

// The first control named `name` (and of the role `role`, when given).
inline const Element* Named(const std::vector<Element>& elements, const std::wstring& name,
                            LONG role = 0) {
    for (const Element& e : elements)
        if (e.name == name && (!role || e.role == role))
            return &e;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// The main window's table, and running the windows

// A drive's row as a screen reader reads it: its name, its three figures and its bar, each
// where it stands (the form's client pixels).
struct Row {
    std::wstring name;
    std::wstring figures[3];  // used, free, total
    RECT cells[4];
    RECT bar;
};

// The rows of the main window, as they follow one another in reading order: from the top down.
inline std::vector<Row> Table(HWND main) {
    const std::vector<Element> read = Read(main);
    std::vector<Row> rows;
    for (std::size_t i = 0; i + 4 < read.size(); ++i) {
        if (read[i].role != ROLE_SYSTEM_STATICTEXT || read[i + 4].role != ROLE_SYSTEM_PROGRESSBAR)
            continue;
        Row r{read[i].name,
              {read[i + 1].name, read[i + 2].name, read[i + 3].name},
              {},
              read[i + 4].rect};
        for (int c = 0; c < 4; ++c) r.cells[c] = read[i + c].rect;
        rows.push_back(r);
        i += 4;
    }
    return rows;
}

// How far from its left edge a bar is filled as the form draws it: up to its first light green
// pixel (the free share) along its middle, the red fill's edge included. (Drawn, not read off
// the screen: at 200 % the bars run past the right edge of a 1024-pixel screen, and a free
// share that small lies wholly beyond it.)
inline int FillWidth(HWND form, const RECT& bar) {
    RECT client;
    GetClientRect(form, &client);
    const std::vector<DWORD> p = OwnPicture(form);
    const int y = (bar.top + bar.bottom) / 2;
    int x = bar.left;
    while (x < bar.right &&
           (p[static_cast<std::size_t>(y) * client.right + x] & 0xFFFFFF) != 0x80FF80)
        ++x;
    return x - bar.left;
}

// Runs the thread's messages until `done` holds or `ms` have gone; whether it holds.
template <class F>
bool PumpUntil(F done, DWORD ms = 3000) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start > ms)
            return false;
        Sleep(5);
    }
}

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Checks `done` every `poll` ms for up to `limit` ms, without running the thread's messages (for
// what another process does); how many ms it took to hold, or -1 when it did not.
template <class F>
double Until(F done, double limit, DWORD poll = 10) {
    const auto start = Clock::now();
    while (!done()) {
        if (Ms(Clock::now() - start) > limit)
            return -1;
        Sleep(poll);
    }
    return Ms(Clock::now() - start);
}

// Lets the windows' messages run a while (a default action runs from the message loop).
inline void Pump() {
    PumpUntil([] { return false; }, 50);
}

// Chooses a command of a form's menu bar (`item` < 0), or item `item` of its drop-down `bar`,
// as the user does; a modal window it opens runs inside this call.
inline void MenuCommand(HWND form, int bar, int item = -1) {
    HMENU menu = GetMenu(form);
    const UINT id =
        item < 0 ? GetMenuItemID(menu, bar) : GetMenuItemID(GetSubMenu(menu, bar), item);
    SendMessageW(form, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// A form's tooltip control; null until the mouse has come over the form.
inline HWND TooltipsOf(HWND form) {
    HWND tips = nullptr;
    auto find = [&](HWND h) {
        wchar_t cls[64];
        GetClassNameW(h, cls, 64);
        if (lstrcmpW(cls, L"tooltips_class32") == 0 && GetWindow(h, GW_OWNER) == form)
            tips = h;
        return TRUE;
    };
    EnumThreadWindows(GetCurrentThreadId(), CallOn<decltype(find)>,
                      reinterpret_cast<LPARAM>(&find));
    return tips;
}

// A tool of a tooltip control: where it answers (its form's client pixels) and its text.
struct Tool {
    RECT rect;
    std::wstring text;
};

// Tool number `i` of a tooltip control, or with `i` < 0 the one whose tip shows; where there is
// none, an empty rectangle and text.
inline Tool ToolOf(HWND tips, int i = -1) {
    wchar_t buf[1024] = {};
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.lpszText = buf;
    const LPARAM info = reinterpret_cast<LPARAM>(&ti);
    const bool found = i < 0 ? SendMessageW(tips, TTM_GETCURRENTTOOLW, 0, info)
                             : SendMessageW(tips, TTM_ENUMTOOLSW, i, info);
    return found ? Tool{ti.rect, buf} : Tool{};
}

inline std::vector<Tool> Tools(HWND tips) {
    std::vector<Tool> tools(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
    for (std::size_t i = 0; i < tools.size(); ++i) tools[i] = ToolOf(tips, static_cast<int>(i));
    return tools;
}

// Brings a form to the front and moves the real mouse pointer to `at`, in its client pixels;
// the form's tooltip control once it has one, or null after three seconds.
inline HWND MouseTo(HWND form, POINT at) {
    SetForegroundWindow(form);
    ClientToScreen(form, &at);
    SetCursorPos(at.x, at.y);
    HWND tips = nullptr;
    PumpUntil([&] { return (tips = TooltipsOf(form)) != nullptr; });
    return tips;
}

// The text of the tip that pops up over `r` (a form's client pixels) once the mouse rests in its
// middle; empty when none does within three seconds.
inline std::wstring TipOnRest(HWND form, const RECT& r) {
    const HWND tips = MouseTo(form, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    Tool shown{};
    const bool popped = tips && PumpUntil([&] {
                            shown = IsWindowVisible(tips) ? ToolOf(tips) : Tool{};
                            return EqualRect(&shown.rect, &r) != FALSE;
                        });
    return popped ? shown.text : L"";
}

// ---------------------------------------------------------------------------------------------
// kelvr.exe in a process of its own, and the system it runs on

// While it lives, the system names `folder` its programs folder (the registry's ProgramFilesDir,
// which Wine reads at each query); the old name comes back as it goes.
class ProgramsFolder {
  public:
    explicit ProgramsFolder(const wchar_t* folder) {
        DWORD size = sizeof old_;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, kValue, RRF_RT_REG_SZ, nullptr, old_, &size) ==
            ERROR_SUCCESS)
            Set(folder);
    }
    ~ProgramsFolder() {
        if (*old_)
            Set(old_);
    }
    ProgramsFolder(const ProgramsFolder&) = delete;
    ProgramsFolder& operator=(const ProgramsFolder&) = delete;

  private:
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion";
    static constexpr const wchar_t* kValue = L"ProgramFilesDir";
    static void Set(const wchar_t* folder) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, kValue, REG_SZ, folder,
                        static_cast<DWORD>((wcslen(folder) + 1) * sizeof(wchar_t)));
    }
    wchar_t old_[MAX_PATH] = L"";
};

// kelvr.exe (KELVR_EXE, a Unix path when the build sets it) started as `si` asks, and waited for
// as a launcher waits, until it is ready for the user (WaitForInputIdle; up to 20 s on a slow
// first start): by then its main window shows, null if it does not. Killed, should it still
// run, as the object goes.
class KelvrProcess {
  public:
    explicit KelvrProcess(STARTUPINFOW si = {}) {
        const std::wstring exe = FromUnix(std::getenv("KELVR_EXE"));
        std::wstring cmd = L"\"" + exe + L"\"";
        si.cb = sizeof si;
        if (CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                           &pi) &&
            WaitForInputIdle(pi.hProcess, 20000) == 0)
            main = FirstWindow(
                {.text = L" Kelvaro  -  Spazio dei Drive", .prefix = true, .pid = pi.dwProcessId});
    }
    ~KelvrProcess() {
        if (!pi.hProcess)
            return;
        if (!Ended(0)) {
            TerminateProcess(pi.hProcess, 1);
            Ended(5000);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    KelvrProcess(const KelvrProcess&) = delete;
    KelvrProcess& operator=(const KelvrProcess&) = delete;

    // Chooses "Su &QIRVO" (the window numbers its menu's commands from 100 in the menu's order:
    // "&Fine", the three units, "Su Kelv&aro", "Su &QIRVO"); the maker window once it shows,
    // within five seconds, or null.
    HWND OpenMaker() const {
        PostMessageW(main, WM_COMMAND, 105, 0);
        HWND maker = nullptr;
        Until(
            [&] {
                maker = FirstWindow(
                    {.text = L"Informazioni sul produttore del SoftWare", .pid = pi.dwProcessId});
                return maker != nullptr;
            },
            5000, 50);
        return maker;
    }
    // Whether the process ends within `ms`.
    bool Ended(DWORD ms) const { return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }

    PROCESS_INFORMATION pi{};
    HWND main = nullptr;
};

}  // namespace probe
