// Acting inside a modal window from a test: a thread timer finds the window once the modal
// loop has shown it, and runs the test's action there.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Probe.h"

namespace modal {

struct Pending {
    std::wstring caption;
    std::wstring cls;  // empty: any class
    std::function<void(HWND)> action;
    bool ran;
};

inline std::vector<Pending*>& Waiting() {
    static std::vector<Pending*> waiting;
    return waiting;
}

inline VOID CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    std::vector<Pending*>& waiting = Waiting();
    for (auto it = waiting.rbegin(); it != waiting.rend(); ++it) {
        Pending* p = *it;
        if (p->ran)
            continue;
        const HWND found =
            probe::FirstWindow({.text = p->caption, .cls = p->cls, .thread = GetCurrentThreadId()});
        if (!found)
            continue;
        p->ran = true;
        p->action(found);
        if (::testing::Test::HasFatalFailure() && IsWindow(found))
            PostMessageW(found, WM_CLOSE, 0, 0);
        return;
    }
}

// Runs `open`, which shows a modal window; once a window with `caption` (and class `cls`)
// shows, runs `action` on it. The action must close the window; one that stops on a failed
// assertion leaves it to be closed here, so that the test fails instead of waiting for ever.
// Returns whether it ran.
inline bool WhileOpen(const std::wstring& caption, const std::wstring& cls,
                      std::function<void(HWND)> action, const std::function<void()>& open) {
    Pending p{caption, cls, std::move(action), false};
    Waiting().push_back(&p);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, Tick);
    open();
    KillTimer(nullptr, timer);
    Waiting().erase(std::find(Waiting().begin(), Waiting().end(), &p));
    return p.ran;
}

inline const wchar_t* const kMakerCaption = L"Informazioni sul produttore del SoftWare";
inline const wchar_t* const kAboutCaption = L" Informazioni su Kelvr";

// Chooses command `bar` of the main window's menu bar, which opens the form captioned `caption`
// as a modal window; runs `action` on it, then closes it. Returns whether it opened.
inline bool FromMenu(HWND main, int bar, const std::wstring& caption,
                     const std::function<void(HWND)>& action) {
    return WhileOpen(
        caption, L"KelvrForm",
        [&](HWND form) {
            action(form);
            if (!::testing::Test::HasFatalFailure())  // (else the timer closes it)
                PostMessageW(form, WM_CLOSE, 0, 0);
        },
        [&] { probe::MenuCommand(main, bar); });
}

// The maker window, opened by "Su &QIRVO".
inline bool InMaker(HWND main, const std::function<void(HWND)>& action) {
    return FromMenu(main, 3, kMakerCaption, action);
}

// The text of a message box: its static prompt.
inline std::wstring MessageText(HWND box) {
    return probe::Text(GetDlgItem(box, 0xFFFF));
}

}  // namespace modal
