// How the information windows lay out their labels and buttons: a line of a table each.
#pragma once

#include "forms/Control.h"

namespace kelvr {

// A transparent label's place and size (twips), font, colour, alignment and text.
struct LabelDesign {
    double left, top, width, height;
    forms::Font font;
    forms::Color color;
    const char* text;
    forms::Align align = forms::Align::Left;
};

inline void DesignLabel(forms::Control& c, const LabelDesign& d) {
    c.Move(d.left, d.top, d.width, d.height);
    c.SetOpaque(false);
    c.SetFont(d.font);
    c.SetForeColor(d.color);
    c.SetAlignment(d.align);
    c.SetCaption(d.text);
}

// A push button in `frame`, its place and size (twips) within it, its caption and its place in
// the tab order.
inline void DesignButton(forms::Control& b, forms::Control& frame, double left, double top,
                         double width, double height, const char* caption, int tabIndex) {
    b.SetContainer(&frame);
    b.Move(left, top, width, height);
    b.SetCaption(caption);
    b.SetTabIndex(tabIndex);
}

}  // namespace kelvr
