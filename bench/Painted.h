// Whether a window is shown and painted: it and each of its visible children have nothing left
// to paint (GetUpdateRect answers FALSE: their WM_PAINT has run).
#pragma once

#include <windows.h>

namespace bench {

inline BOOL CALLBACK ChildPainted(HWND hwnd, LPARAM lp) {
    bool& painted = *reinterpret_cast<bool*>(lp);
    if (IsWindowVisible(hwnd) && GetUpdateRect(hwnd, nullptr, FALSE)) {
        painted = false;
        return FALSE;
    }
    return TRUE;
}

inline bool Painted(HWND hwnd) {
    if (!IsWindowVisible(hwnd) || GetUpdateRect(hwnd, nullptr, FALSE))
        return false;
    bool painted = true;
    EnumChildWindows(hwnd, ChildPainted, reinterpret_cast<LPARAM>(&painted));
    return painted;
}

}  // namespace bench
