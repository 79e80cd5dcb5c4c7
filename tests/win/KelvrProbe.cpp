// Reads Kelvr's windows from another process, for the keyboard tests:
//   kelvr_probe texts PREFIX   the texts of the children of the visible window whose caption
//                              starts with PREFIX, one a line (line feeds written as \n)
//   kelvr_probe focus PREFIX   the text of the control that has the keyboard focus there
//   kelvr_probe exists PREFIX  exit code 0 when such a window is shown, 1 otherwise
//   kelvr_probe hidden PREFIX  exit code 0 when such a window exists but is not shown
//   kelvr_probe inview PREFIX TEXT
//                              exit code 0 when that window's child showing TEXT is shown
//                              wholly inside the window's client area
//   kelvr_probe column PREFIX N
//                              the texts of the Nth cell from the left (from 0) of every row of
//                              four cells, from the top row down
//   kelvr_probe read PREFIX    what a screen reader reads of that window: its accessible
//                              children (Active Accessibility, from this process), one a line,
//                              as role number, name and value
#include <windows.h>

#include <ole2.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::wstring Text(HWND h) {
    wchar_t buf[1024];
    const int n = GetWindowTextW(h, buf, 1024);
    return std::wstring(buf, n > 0 ? n : 0);
}

struct Search {
    std::wstring prefix;
    bool visible;
    HWND found;
};

BOOL CALLBACK Match(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if ((IsWindowVisible(h) != FALSE) == s->visible && Text(h).rfind(s->prefix, 0) == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

void Print(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c == L'\n') {
            out += "\\n";
        } else {
            char utf8[8];
            const int n = WideCharToMultiByte(CP_UTF8, 0, &c, 1, utf8, 8, nullptr, nullptr);
            out.append(utf8, n);
        }
    }
    std::printf("%s\n", out.c_str());
}

BOOL CALLBACK PrintChild(HWND h, LPARAM) {
    if (IsWindowVisible(h))
        Print(Text(h));
    return TRUE;
}

}  // namespace

struct InView {
    HWND form;
    std::wstring text;
    bool found;
};

BOOL CALLBACK MatchInView(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<InView*>(lp);
    if (!IsWindowVisible(h) || Text(h) != s->text)
        return TRUE;
    RECT r, client;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, s->form, reinterpret_cast<POINT*>(&r), 2);
    GetClientRect(s->form, &client);
    if (r.top >= 0 && r.left >= 0 && r.bottom <= client.bottom && r.right <= client.right)
        s->found = true;
    return TRUE;
}

struct Cell {
    RECT rect;
    std::wstring text;
};

BOOL CALLBACK AddCell(HWND h, LPARAM lp) {
    wchar_t cls[32];
    GetClassNameW(h, cls, 32);
    if (!IsWindowVisible(h) || std::wstring(cls) != L"KelvrControl" || Text(h).rfind(L"Sp", 0) == 0)
        return TRUE;
    Cell c{{}, Text(h)};
    GetWindowRect(h, &c.rect);
    reinterpret_cast<std::vector<Cell>*>(lp)->push_back(c);
    return TRUE;
}

int Column(HWND form, int n) {
    std::vector<Cell> cells;
    EnumChildWindows(form, AddCell, reinterpret_cast<LPARAM>(&cells));
    std::map<LONG, std::vector<Cell>> rows;
    for (const Cell& c : cells) rows[c.rect.top].push_back(c);
    for (auto& row : rows) {
        if (row.second.size() != 4)
            continue;
        std::sort(row.second.begin(), row.second.end(),
                  [](const Cell& a, const Cell& b) { return a.rect.left < b.rect.left; });
        Print(row.second[n].text);
    }
    return 0;
}

int Read(HWND form) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(form, OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))) ||
        !object)
        return 1;
    long count = 0;
    object->get_accChildCount(&count);
    std::vector<VARIANT> children(count);
    long got = 0;
    if (count > 0)
        AccessibleChildren(object, 0, count, children.data(), &got);
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    for (long i = 0; i < got; ++i) {
        IAccessible* child = nullptr;
        if (children[i].vt == VT_DISPATCH && children[i].pdispVal) {
            children[i].pdispVal->QueryInterface(__uuidof(IAccessible),
                                                 reinterpret_cast<void**>(&child));
            children[i].pdispVal->Release();
        }
        if (!child)
            continue;
        VARIANT role;
        VariantInit(&role);
        child->get_accRole(self, &role);
        BSTR name = nullptr, value = nullptr;
        child->get_accName(self, &name);
        child->get_accValue(self, &value);
        std::wstring line = std::to_wstring(role.vt == VT_I4 ? role.lVal : 0) + L" " +
                            (name ? name : L"") + (value ? L" = " + std::wstring(value) : L"");
        Print(line);
        SysFreeString(name);
        SysFreeString(value);
        child->Release();
    }
    object->Release();
    CoUninitialize();
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wstring(argv[1]) == L"inview") {
        Search s{argv[2], true, nullptr};
        EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
        if (!s.found)
            return 1;
        InView v{s.found, argv[3], false};
        EnumChildWindows(s.found, MatchInView, reinterpret_cast<LPARAM>(&v));
        return v.found ? 0 : 1;
    }
    if (argc == 4 && std::wstring(argv[1]) == L"column") {
        Search s{argv[2], true, nullptr};
        EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
        return s.found ? Column(s.found, _wtoi(argv[3])) : 1;
    }
    if (argc != 3)
        return 2;
    const std::wstring command = argv[1];
    Search s{argv[2], command != L"hidden", nullptr};
    EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
    if (command == L"exists" || command == L"hidden")
        return s.found ? 0 : 1;
    if (!s.found)
        return 1;
    if (command == L"texts") {
        EnumChildWindows(s.found, PrintChild, 0);
        return 0;
    }
    if (command == L"read")
        return Read(s.found);
    if (command == L"focus") {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(s.found, nullptr), &info))
            return 1;
        Print(Text(info.hwndFocus));
        return 0;
    }
    return 2;
}
