// What a screen reader finds in a form: each control's role, name, value, description and
// default action, worked out from its properties, the order the controls are read in, and the
// numbers that name them in events.
#pragma once

#include <string>
#include <vector>

#include "forms/Control.h"
#include "forms/Form.h"

namespace forms {

struct Accessible {
    Role role = Role::Text;  // never Automatic
    std::string name;
    std::string value;
    std::string description;
    std::string defaultAction;  // empty: none
    std::string shortcut;       // the key that does the default action; empty: none
};

// A column header sorts ("Ordina") and a link opens ("Apri"); a push button's own window says
// what it does. The name is the control's accessible name or else its text, on one line.
Accessible Describe(const Control& c);

// A control's state as a screen reader reads it: Active Accessibility's STATE_SYSTEM_ flags,
// by their numbers.
enum State : long {
    kFocused = 0x4,
    kReadOnly = 0x40,
    kInvisible = 0x8000,
    kOffscreen = 0x10000,
    kFocusable = 0x100000,
    kLinked = 0x400000
};
// Hidden, or in a container that is, a control is invisible; else, where `onScreen` says it
// does not show (scrolled out of view, past the window's edges), off the screen. A link is
// linked and takes the keyboard (`focused`: it has it); any other control but a column header
// (which sorts) is read-only.
long StateOf(const Control& c, bool onScreen, bool focused = false);

// Does what the control's default action says, as the mouse would: its click, or for a link
// the press of the left button. False when it has none, or is disabled.
bool DoDefaultAction(Control& c);

// The visible controls that `container` holds (nullptr: those on the form itself), in the order
// they stand on the form: from the top down, and from left to right along a line. Rows
// scrolled out of view are read in their places too. A bar's indicator is left out: it is read
// with its bar.
std::vector<Control*> ReadingOrder(const Form& form, const Control* container);

// Child number `id` of `container` (nullptr: the form itself), as a screen reader numbers them:
// from 1, in reading order. Of the form itself, a negative number names any of its controls, as
// EventId gives them. Null for none.
Control* ChildOf(const Form& form, const Control* container, long id);
// The control read just after `c` among `siblings` (`step` 1), or just before it (-1); null at
// either end, and for a control not among them.
Control* Beside(const std::vector<Control*>& siblings, const Control* c, int step);

// A screen reader's number for a control in events: negative, and the same for as long as the
// form is loaded, whatever order the controls come to stand in (a child id of the form's
// object, as Active Accessibility takes them).
long EventId(const Form& form, const Control& c);
// The control that EventId gave `id`; null for none.
Control* FromEventId(const Form& form, long id);

}  // namespace forms
