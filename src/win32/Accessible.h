// The forms to screen readers and other accessibility tools: each form's window answers
// WM_GETOBJECT with an IAccessible (Microsoft Active Accessibility; UI Automation reads it
// through its MSAA proxy) whose children are the form's controls, in the order they stand on
// the screen. A drawn control is an object of its own, which says what the control is, as
// forms/Accessible.h works it out, where it stands and whether it shows; a push button is its
// window's own object, as the system makes it.
#pragma once

#include <windows.h>

namespace win32 {

// Answers WM_GETOBJECT sent to a form's window. True, with the message's result, for
// OBJID_CLIENT; false for any other object, and where the system's accessibility libraries
// cannot be had: the message then goes to DefWindowProc. The libraries are loaded with the
// first question, not at start-up.
bool AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, LRESULT& result);

// COM's window of the calling thread, to which the calls of screen readers in other processes
// are posted once they hold an object of this thread's; null where there is none.
HWND ComWindow();

}  // namespace win32
