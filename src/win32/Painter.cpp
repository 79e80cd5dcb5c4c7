#include "win32/Painter.h"

#include <algorithm>

#include "forms/Contrast.h"
#include "win32/WinHost.h"

namespace win32 {

using forms::Control;
using forms::Kind;

namespace {

// Fills `area` with `color`; with FrameRect for `draw`, outlines it instead.
void Brush(HDC dc, const RECT& area, forms::Color color,
           int(WINAPI* draw)(HDC, const RECT*, HBRUSH) = FillRect) {
    HBRUSH b = CreateSolidBrush(ToColorRef(color));
    draw(dc, &area, b);
    DeleteObject(b);
}

void PaintPicture(HDC dc, RECT r, const Control& c, const forms::Look& look,
                  const PaintContext& context) {
    Brush(dc, r, look.back);
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
    if (c.Picture()) {
        const int size = MulDiv(32, context.dpi, 96);
        DrawIconEx(dc, r.left + 2, r.top + 2, context.host.Icon(c.Picture(), size), size, size, 0,
                   nullptr, DI_NORMAL);
    }
}

// A label in a symbol font that lacks the label's one character (Wine's Wingdings lacks most):
// the form's icon shows the same picture.
bool MissingSymbol(HDC dc, const WinControlPeer& label, const PaintContext& context) {
    if (label.Text().size() != 1 || !context.form.IconId())
        return false;
    TEXTMETRICW tm;
    if (!GetTextMetricsW(dc, &tm) || tm.tmCharSet != SYMBOL_CHARSET)
        return false;
    WORD glyph = 0;
    return GetGlyphIndicesW(dc, label.Text().c_str(), 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) ==
               1 &&
           glyph == 0xFFFF;
}

void PaintLabel(HDC dc, RECT r, const WinControlPeer& label, const forms::Look& look,
                const PaintContext& context) {
    const Control& c = label.Model();
    if (c.Opaque())
        Brush(dc, r, look.back);
    if (c.HasBorder())
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(look.fore));
    HGDIOBJ old = SelectObject(dc, label.Font());
    if (MissingSymbol(dc, label, context)) {
        const int size = std::min(r.right - r.left, r.bottom - r.top);
        DrawIconEx(dc, r.left + (r.right - r.left - size) / 2, r.top,
                   context.host.Icon(context.form.IconId(), size), size, size, 0, nullptr,
                   DI_NORMAL);
    } else {
        RECT text = label.TextBox();
        if (c.HasBorder())
            InflateRect(&text, -2, -2);
        DrawLayout(dc, context.host.FontCache(), label.Layout(), text, c.Alignment());
    }
    SelectObject(dc, old);
}

}  // namespace

void PaintControl(HDC dc, const WinControlPeer& control, const PaintContext& context) {
    const Control& c = control.Model();
    const forms::Look look = forms::LookOf(c, context.highContrast);
    RECT r = control.Box();
    switch (c.Kind()) {
        case Kind::Shape:
            Brush(dc, r, look.back);
            Brush(dc, r, look.outline, FrameRect);
            break;
        case Kind::Line:
            Brush(dc, r, look.fore);
            break;
        case Kind::Frame:
            Brush(dc, r, look.back);
            DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
            break;
        case Kind::Picture:
            PaintPicture(dc, r, c, look, context);
            break;
        case Kind::Label:
            PaintLabel(dc, r, control, look, context);
            break;
        case Kind::Button:  // a window of its own, which Windows draws
            break;
    }
}

}  // namespace win32
