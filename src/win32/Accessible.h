// The forms' windows to screen readers and other accessibility tools: each form's and each
// control's window answers WM_GETOBJECT with an IAccessible (Microsoft Active Accessibility;
// UI Automation reads it through its MSAA proxy) that says what the control is, as
// forms/Accessible.h works it out, and lists a form's controls in the order they stand on
// the screen.
#pragma once

#include <windows.h>

namespace win32 {

// Answers WM_GETOBJECT sent to the window of a form or of one of its controls. True, with the
// message's result, for OBJID_CLIENT; false for any other object, and where the system's
// accessibility libraries cannot be had: the message then goes to DefWindowProc. The
// libraries are loaded with the first question, not at start-up.
bool AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, LRESULT& result);

}  // namespace win32
