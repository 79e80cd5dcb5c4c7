#include "forms/Contrast.h"

#include "forms/Accessible.h"

namespace forms {

Look LookOf(const Control& c, bool highContrast) {
    if (!highContrast) {
        const Color fore = c.Kind() == Kind::Line ? kButtonText : c.ForeColor();
        return Look{fore, c.BackColor(), Rgb(0, 0, 0)};
    }
    if (c.Kind() == Kind::Shape)
        return Look{kWindowText, c.BackColor(), kWindowText};
    const Color fore = Describe(c).role == Role::Link ? kHotLight : kWindowText;
    return Look{fore, kWindowBackground, kWindowText};
}

Color BackColorOf(const Form& form, bool highContrast) {
    return highContrast ? kWindowBackground : form.BackColor();
}

}  // namespace forms
