// The colours a form and its controls are drawn in: as designed, or, where the user has chosen
// a high-contrast scheme, the system's colours for text and windows, which the user set to be
// legible.
#pragma once

#include "forms/Control.h"
#include "forms/Form.h"

namespace forms {

constexpr Color kHotLight = SystemColor(26);  // hyperlinks

struct Look {
    Color fore;     // text, or a line
    Color back;     // background; a transparent label's shows its container's
    Color outline;  // a shape's edge
};

// In high contrast every text is in the window text colour on the window colour, a link in
// the hyperlink colour; a shape keeps its fill and is edged in the window text colour.
Look LookOf(const Control& c, bool highContrast);
Color BackColorOf(const Form& form, bool highContrast);

}  // namespace forms
