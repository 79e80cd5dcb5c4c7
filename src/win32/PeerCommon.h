// What the control and form peers share: running the program's handlers, and pixels from twips.
#pragma once

#include <windows.h>

#include "forms/Control.h"
#include "forms/Twips.h"

namespace win32 {

// Runs an event handler of the portable code; nothing it throws may cross a window procedure.
template <class F>
inline void Safely(F&& f) {
    try {
        f();
    } catch (...) {
        OutputDebugStringW(L"Kelvr: an event handler failed\n");
    }
}

inline RECT ToPixels(double left, double top, double width, double height, int dpi) {
    forms::PixelRect p = forms::TwipsRectToPixels(left, top, width, height, dpi);
    return RECT{p.left, p.top, p.left + p.width, p.top + p.height};
}

inline bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline int Buttons(WPARAM wp) {
    return ((wp & MK_LBUTTON) ? forms::kLeftButton : 0) |
           ((wp & MK_RBUTTON) ? forms::kRightButton : 0) |
           ((wp & MK_MBUTTON) ? forms::kMiddleButton : 0);
}

inline int Shift(WPARAM wp) {
    return ((wp & MK_SHIFT) ? 1 : 0) | ((wp & MK_CONTROL) ? 2 : 0) |
           ((GetKeyState(VK_MENU) < 0) ? 4 : 0);
}

}  // namespace win32
