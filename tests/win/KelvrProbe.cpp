// Reads Kelvr's windows from another process, for the keyboard tests:
//   kelvr_probe texts PREFIX   the texts of the children of the visible window whose caption
//                              starts with PREFIX, one a line (line feeds written as \n)
//   kelvr_probe focus PREFIX   the text of the control that has the keyboard focus there
//   kelvr_probe exists PREFIX  exit code 0 when such a window is shown, 1 otherwise
//   kelvr_probe hidden PREFIX  exit code 0 when such a window exists but is not shown
//   kelvr_probe inview PREFIX TEXT
//                              exit code 0 when that window's child showing TEXT is shown
//                              wholly inside the window's client area
#include <windows.h>

#include <cstdio>
#include <string>

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
