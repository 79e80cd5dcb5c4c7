// Drawing a form's controls that have no window of their own, the same for the screen and for
// pictures.
#pragma once

#include <windows.h>

#include "forms/Form.h"
#include "win32/WinControl.h"

namespace win32 {

class WinHost;

// What every control of one form is drawn with.
struct PaintContext {
    WinHost& host;
    const forms::Form& form;
    int dpi;
    bool highContrast;
};

// Draws `control` into `dc` within its box (the form's client pixels), over what is already
// drawn there: a transparent label leaves what lies beneath it showing.
void PaintControl(HDC dc, const WinControlPeer& control, const PaintContext& context);

}  // namespace win32
