// Reads Kelvr's windows from another process, as a screen reader does (Active Accessibility),
// for the tests that drive kelvr.exe with real keys:
//   kelvr_probe texts PREFIX   the names of the controls of the visible window whose caption
//                              starts with PREFIX, one a line
//   kelvr_probe focus PREFIX   the text of the window that has the keyboard focus there; where
//                              that is the window itself, the name of what its accessible
//                              object says has the focus (a drawn link)
//   kelvr_probe active PREFIX  exit code 0 when that window is the active window of its
//                              program and the foreground window
//   kelvr_probe exists PREFIX  exit code 0 when such a window is shown, 1 otherwise
//   kelvr_probe hidden PREFIX  exit code 0 when such a window exists but is not shown
//   kelvr_probe inview PREFIX NAME
//                              exit code 0 when that window's control named NAME shows wholly
//                              inside the window's client area
//   kelvr_probe column PREFIX N
//                              the texts of the Nth cell from the left (from 0) of every row of
//                              the table, from the top row down
//   kelvr_probe read PREFIX    that window's controls as role number, name and value, one a
//                              line
//   kelvr_probe button PREFIX TEXT
//                              the width and height in pixels of that window's push button
//                              showing TEXT, read from the button's own window; exit code
//                              1 when there is none
#include <windows.h>

#include <cstdio>
#include <string>

#include "Probe.h"

namespace {

void Print(const std::wstring& text) {
    std::printf("%s\n", win32::Narrow(text).c_str());
}

// (Only the names are asked for until the control is found: each question crosses processes.)
bool InView(HWND form, const std::wstring& name) {
    const probe::Object object = probe::Object::OfWindow(form);
    for (const probe::Object& child : object ? object.Children() : std::vector<probe::Object>()) {
        if (!child || child.Name() != name)
            continue;
        RECT r = child.Location(), client;
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
        GetClientRect(form, &client);
        return !(child.State() & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) && r.top >= 0 &&
               r.left >= 0 && r.bottom <= client.bottom && r.right <= client.right;
    }
    return false;
}

// (The form's only child windows are its push buttons.)
int ButtonSize(HWND form, const std::wstring& text) {
    const probe::Child* button = probe::Find(probe::Children(form), text);
    if (!button)
        return 1;
    std::printf("%ld %ld\n", button->rect.right - button->rect.left,
                button->rect.bottom - button->rect.top);
    return 0;
}

int Read(HWND form) {
    const probe::Object object = probe::Object::OfWindow(form);
    if (!object)
        return 1;
    const long count = object.ChildCount();
    for (long i = 1; i <= count; ++i) {
        const std::wstring value = object.Text(&IAccessible::get_accValue, i);
        Print(std::to_wstring(object.Role(i)) + L" " + object.Name(i) +
              (value.empty() ? L"" : L" = " + value));
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    const std::wstring command = argv[1];
    const HWND found =
        probe::FirstWindow({.text = argv[2], .prefix = true, .hidden = command == L"hidden"});
    if (command == L"exists" || command == L"hidden")
        return found ? 0 : 1;
    if (!found)
        return 1;
    if (command == L"button")
        return argc == 4 ? ButtonSize(found, argv[3]) : 2;
    GUITHREADINFO info{};  // of the window's thread: its focus and its active window
    info.cbSize = sizeof info;
    const bool hasInfo = GetGUIThreadInfo(GetWindowThreadProcessId(found, nullptr), &info);
    if (command == L"focus") {
        if (!hasInfo)
            return 1;
        if (info.hwndFocus != found) {
            Print(probe::Text(info.hwndFocus));
            return 0;
        }
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (const probe::Object o = probe::Object::OfWindow(found))
            Print(o.FocusName());
        CoUninitialize();
        return 0;
    }
    if (command == L"active")
        return hasInfo && info.hwndActive == found && GetForegroundWindow() == found ? 0 : 1;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = 2;
    if (command == L"texts" && argc == 3) {
        for (const probe::Element& e : probe::Read(found)) Print(e.name);
        result = 0;
    } else if (command == L"read" && argc == 3) {
        result = Read(found);
    } else if (command == L"inview" && argc == 4) {
        result = InView(found, argv[3]) ? 0 : 1;
    } else if (command == L"column" && argc == 4) {
        const int n = _wtoi(argv[3]);
        for (const probe::Row& r : probe::Table(found))
            Print(n >= 1 && n <= 3 ? r.figures[n - 1] : r.name);
        result = 0;
    }
    CoUninitialize();
    return result;
}
