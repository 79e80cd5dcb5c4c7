// Reads Kelvr's push buttons from another process, through the buttons' own windows (class
// "Button"), for tests/win/xp-test.sh:
//   kelvr_button_probe size PREFIX TEXT   the width and height in pixels of the push button
//                                         showing TEXT in the shown window whose caption starts
//                                         with PREFIX; exit code 1 when there is none
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Text(HWND h) {
    wchar_t buf[256];
    const int n = GetWindowTextW(h, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

struct Search {
    std::wstring text;
    HWND found = nullptr;
};

BOOL CALLBACK MatchForm(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if (IsWindowVisible(h) && Text(h).rfind(s->text, 0) == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchButton(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    wchar_t cls[16];
    GetClassNameW(h, cls, 16);
    if (std::wstring(cls) == L"Button" && Text(h) == s->text) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4 || std::wstring(argv[1]) != L"size")
        return 2;
    Search form{argv[2]};
    EnumWindows(MatchForm, reinterpret_cast<LPARAM>(&form));
    if (!form.found)
        return 1;
    Search button{argv[3]};
    EnumChildWindows(form.found, MatchButton, reinterpret_cast<LPARAM>(&button));
    RECT r;
    if (!button.found || !GetWindowRect(button.found, &r))
        return 1;
    std::printf("%ld %ld\n", r.right - r.left, r.bottom - r.top);
    return 0;
}
