// What the control and form peers share: containers, the forms' pixel rectangles as the
// system's, and a mouse message's buttons, keys and point.
#pragma once

#include <windows.h>
#include <windowsx.h>

#include "forms/Control.h"
#include "forms/Form.h"
#include "forms/Twips.h"
#include "win32/WinServices.h"

namespace win32 {

// A frame or picture box: what it holds is drawn over it, clipped to it.
inline bool IsContainer(const forms::Control& c) {
    return c.Kind() == forms::Kind::Frame || c.Kind() == forms::Kind::Picture;
}

inline RECT ToRect(const forms::PixelRect& p) {
    return RECT{p.left, p.top, p.left + p.width, p.top + p.height};
}

// The mouse buttons and the shift keys held down, as a mouse message's MK_ flags give them.
inline int Buttons(UINT keys) {
    return ((keys & MK_LBUTTON) ? forms::kLeftButton : 0) |
           ((keys & MK_RBUTTON) ? forms::kRightButton : 0) |
           ((keys & MK_MBUTTON) ? forms::kMiddleButton : 0);
}

// (Alt is in no MK_ flag: the keyboard's state tells.)
inline int Shift(UINT keys) {
    return ((keys & MK_SHIFT) ? forms::kShiftMask : 0) |
           ((keys & MK_CONTROL) ? forms::kCtrlMask : 0) |
           (GetKeyState(VK_MENU) < 0 ? forms::kAltMask : 0);
}

// The modifier keys held, as the forms' key events report them: the keyboard's state.
inline int KeyShift() {
    return Shift((GetKeyState(VK_SHIFT) < 0 ? MK_SHIFT : 0) |
                 (GetKeyState(VK_CONTROL) < 0 ? MK_CONTROL : 0));
}

// A mouse message's point, in the client coordinates of its window.
inline POINT PointOf(LPARAM lp) {
    return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
}

}  // namespace win32
