// A control's peer: its child window, made, changed, laid out and painted as the control says.
#include "win32/WinControl.h"

#include <commctrl.h>

#include <algorithm>

#include "forms/Accessible.h"
#include "forms/Contrast.h"
#include "forms/Twips.h"
#include "win32/Accessible.h"
#include "win32/PeerCommon.h"
#include "win32/Utf.h"
#include "win32/WinForm.h"

namespace win32 {

using forms::Control;
using forms::Kind;

namespace {

// DrawEdge's sunken edge: two lines of one pixel on each side.
constexpr int kEdge = 2;

// Whether the text breaks into lines (a break at its very end starts none).
bool BreaksLines(const std::wstring& text) {
    const std::size_t last = text.find_last_not_of(L"\r\n");
    return last != std::wstring::npos && text.find_first_of(L"\r\n") < last;
}

}  // namespace

WinControlPeer::WinControlPeer(WinFormPeer& form, Control& control)
    : form_(form), control_(control), id_(form.NextControlId()) {
    control.Attach(this);
    if (form.Shown())
        MakeWindow();
}

// The window is made as the control stands, text, place and all: under Wine each change to a
// window afterwards costs about as much again as making it.
void WinControlPeer::MakeWindow() {
    if (hwnd_)
        return;
    const Control& c = control_;
    if (WinControlPeer* container = form_.PeerOf(c.Container()))
        container->MakeWindow();
    const Kind kind = c.kind();
    const wchar_t* cls = L"KelvrControl";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ex = 0;
    if (kind == Kind::Button) {
        form_.Host().CommonControls();  // for the themed button of common controls 6
        cls = L"BUTTON";
        style |= WS_TABSTOP | (c.IsDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    } else if (kind == Kind::Frame || kind == Kind::Picture) {
        style |= WS_CLIPCHILDREN;
        ex |= WS_EX_CONTROLPARENT;
    }
    text_ = TextOf(c);
    rect_ = Fitted(c, RectOf(c), form_.Host().Font(c.GetFont(), form_.Dpi()));
    shown_ = Shows(c);
    if (shown_)
        style |= WS_VISIBLE;
    hwnd_ = CreateWindowExW(ex, cls, text_.c_str(), style, rect_.left, rect_.top,
                            rect_.right - rect_.left, rect_.bottom - rect_.top, form_.ParentOf(c),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)),
                            form_.Host().Instance(), this);
    if (hwnd_)
        form_.Made(*this);
    fresh_ = true;
    Apply(c);
}

// The control is not touched here: when a loaded form object goes, its controls are gone
// before its peers are (Form::Unload detaches them in the ordinary way).
WinControlPeer::~WinControlPeer() {
    if (!hwnd_)
        return;
    form_.Release(*this);  // its last messages go to the system
    if (IsWindow(hwnd_))
        DestroyWindow(hwnd_);
}

std::wstring WinControlPeer::TextOf(const Control& c) {
    return Widen(c.kind() == Kind::Shape || c.kind() == Kind::Line ? c.FullName() : c.Caption());
}

bool WinControlPeer::Shows(const Control& c) const {
    return c.Visible() && !form_.Model().ScrolledAway(c);
}

RECT WinControlPeer::RectOf(const Control& c) const {
    const int dpi = form_.Dpi();
    // Edges are rounded where they stand on the form, so that a control inside a frame lands on
    // the same pixels as it would directly on the form.
    double originX = 0, originY = 0;
    for (const Control* p = c.Container(); p; p = p->Container()) {
        originX += p->Left();
        originY += p->Top();
    }
    const double top = c.Container() ? c.Top() : form_.Model().ScreenTop(c);
    RECT r = ToPixels(originX + c.Left(), originY + top, c.Width(), c.Height(), dpi);
    OffsetRect(&r, -forms::TwipsToPixels(originX, dpi), -forms::TwipsToPixels(originY, dpi));
    if (c.kind() == Kind::Line) {  // a line is one pixel thick
        if (r.bottom <= r.top)
            r.bottom = r.top + 1;
        if (r.right <= r.left)
            r.right = r.left + 1;
    }
    return r;
}

void WinControlPeer::LayOutText(HFONT font, int width, int height, forms::TextFit fit) {
    TextFonts& fonts = form_.Host().Text();
    const TextFonts::Metrics& m = fonts.MetricsOf(font);
    // A label that shows several lines, by its text or by its height, keeps its width and
    // wraps its text to it; one of a single line keeps its text on that line.
    const bool wrap = BreaksLines(text_) || height >= 2 * (m.ascent + m.descent);
    layout_ = LayOut(fonts, font, text_, width, fit, wrap);
    laidWidth_ = width;
    laidFit_ = fit;
}

// What shows of the window that holds the control, in that window's client coordinates.
RECT WinControlPeer::Room() const {
    HWND parent = form_.ParentOf(control_);
    RECT room{-0x10000, -0x10000, 0x10000, 0x10000};
    if (!parent)
        return room;
    GetClientRect(parent, &room);
    for (HWND up = parent; GetWindowLongW(up, GWL_STYLE) & WS_CHILD;) {
        up = GetParent(up);
        RECT client;
        GetClientRect(up, &client);
        MapWindowPoints(up, parent, reinterpret_cast<POINT*>(&client), 2);
        IntersectRect(&room, &room, &client);
    }
    return room;
}

// The label keeps its designed rectangle wherever its text fits. A label of one line widens to
// its text, away from the side its text is aligned to (both sides, centred), but not past what
// shows of the window or frame that holds it, where it would be cut: there its text narrows
// instead. Any label grows down to hold its lines. Names cut short and figures in narrower type
// keep their width. A label in a symbol font shows a picture, which is not to move.
RECT WinControlPeer::Fitted(const Control& c, const RECT& designed, HFONT font) {
    if (c.kind() != Kind::Label || !font) {
        layout_ = TextLayout{};
        laidWidth_ = -1;
        return designed;
    }
    const RECT room = Room();
    // Moved up or down only (a row re-ordered or scrolled), the label is laid out as it was.
    if (laid_.font == font && laid_.text == text_ && laid_.fit == c.Fit() &&
        laid_.border == c.Border() && SameRect(laid_.room, room)) {
        const int dy = designed.top - laid_.designed.top;
        RECT moved = laid_.designed;
        OffsetRect(&moved, 0, dy);
        if (SameRect(moved, designed)) {
            OffsetRect(&laid_.fitted, 0, dy);
            laid_.designed = designed;
            return laid_.fitted;
        }
    }
    const int edge = c.Border() ? kEdge : 0;
    const int width = designed.right - designed.left - 2 * edge;
    const int height = designed.bottom - designed.top - 2 * edge;
    LayOutText(font, width, height, c.Fit());
    RECT r = designed;
    if (!form_.Host().Text().MetricsOf(font).symbol) {
        const int wider = c.Fit() == forms::TextFit::Grow ? layout_.width - width : 0;
        if (wider > 0) {
            if (c.Alignment() == forms::Align::Left) {
                r.right += wider;
            } else if (c.Alignment() == forms::Align::Right) {
                r.left -= wider;
            } else {
                r.left -= wider / 2;
                r.right += wider - wider / 2;
            }
            r.left = std::max(r.left, std::min(room.left, designed.left));
            r.right = std::min(r.right, std::max(room.right, designed.right));
            const int inner = r.right - r.left - 2 * edge;
            LayOutText(font, inner, height,
                       inner < layout_.width ? forms::TextFit::Shrink : c.Fit());
        }
        const int taller = layout_.height - height;
        if (taller > 0)
            r.bottom += taller;
    }
    laid_ = Laid{text_, font, c.Fit(), c.Border(), designed, room, r};
    return r;
}

// Before its window is made, a change to the control costs nothing: the window is made with it.
void WinControlPeer::Apply(const Control& c) {
    if (!hwnd_)
        return;

    std::wstring text = TextOf(c);
    if (text != text_) {
        text_ = text;
        SetWindowTextW(hwnd_, text_.c_str());
    }

    HFONT font = form_.Host().Font(c.GetFont(), form_.Dpi());
    const RECT r = Fitted(c, RectOf(c), font);
    if (!SameRect(r, rect_)) {
        ShowThroughLabelsAgain();  // those it leaves show what it covered no more
        if (r.left != rect_.left || r.top != rect_.top)
            form_.ChildrenMoved();
        rect_ = r;
        SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }

    if (font != font_) {
        font_ = font;
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }

    // A text cut short shows whole as the label's tooltip, unless the label has a tip of its own.
    std::wstring tip = Widen(c.ToolTip());
    if (tip.empty() && layout_.cut)
        tip = text_;
    if (tip != tip_) {
        const std::wstring before = tip_;
        tip_ = tip;
        if (HWND tooltips = form_.Tooltips())
            RegisterTip(tooltips, before);
    }

    if (c.Enabled() != (IsWindowEnabled(hwnd_) != FALSE))
        EnableWindow(hwnd_, c.Enabled());
    if (Shows(c) != shown_) {
        shown_ = Shows(c);
        form_.ChildrenMoved();
        ShowWindow(hwnd_, shown_ ? SW_SHOWNA : SW_HIDE);
    }
    // A screen reader that has read the control hears when its name or value changes (a new
    // measurement changes a bar's share); the system says so itself only of the window's text.
    // A bar's indicator is read with its bar, which tells for both.
    const forms::Accessible said = forms::Describe(c);
    const bool told = !fresh_ && said.role != forms::Role::Indicator;
    if (told && said.name != accName_)
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
    if (told && said.value != accValue_)
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
    accName_ = said.name;
    accValue_ = said.value;
    // A window just made shows what it was made with; after that any change may show, through
    // the transparent labels over it too.
    if (c.kind() != Kind::Button && !fresh_) {
        InvalidateRect(hwnd_, nullptr, TRUE);
        ShowThroughLabelsAgain();
    }
    fresh_ = false;
}

// The transparent labels over this control draw it again with themselves.
void WinControlPeer::ShowThroughLabelsAgain() {
    for (WinControlPeer* o : Overlapping())
        if (o->Model().kind() == Kind::Label && !o->Model().Opaque())
            InvalidateRect(o->hwnd_, nullptr, TRUE);
}

void WinControlPeer::Scroll(HDWP& batch) {
    if (!hwnd_)
        return;
    const RECT r = Fitted(control_, RectOf(control_), font_);
    const bool shows = Shows(control_);
    if (SameRect(r, rect_) && shows == shown_)
        return;
    form_.ChildrenMoved();
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (shows != shown_)
        flags |= shows ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
    ShowThroughLabelsAgain();
    rect_ = r;
    shown_ = shows;
    if (batch)
        batch = DeferWindowPos(batch, hwnd_, nullptr, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, flags);
    if (!batch)  // the batch failed: this window and those after it move one by one
        SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
}

// The other shown controls of the same container whose windows overlap this one's.
std::vector<WinControlPeer*> WinControlPeer::Overlapping() const {
    std::vector<WinControlPeer*> found;
    for (Control* other : form_.Model().Controls()) {
        WinControlPeer* p = form_.PeerOf(other);
        RECT overlap;
        if (p && p != this && p->hwnd_ && p->shown_ && other->Container() == control_.Container() &&
            IntersectRect(&overlap, &p->rect_, &rect_))
            found.push_back(p);
    }
    return found;
}

// A transparent label shows what is beneath it: its container's background and, where they
// overlap it, the controls below it, as they draw themselves. (Its window would otherwise hide
// them: a large type may reach past the label that holds it, into its neighbour's.)
void WinControlPeer::PaintBeneath(HDC dc) {
    std::vector<WinControlPeer*> overlapping = Overlapping();
    if (overlapping.empty())
        return;
    std::vector<WinControlPeer*> below;  // from the top down
    for (HWND w = GetWindow(hwnd_, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
        for (WinControlPeer* p : overlapping)
            if (p->hwnd_ == w)
                below.push_back(p);
    for (auto it = below.rbegin(); it != below.rend(); ++it) {
        const RECT& r = (*it)->rect_;
        const int saved = SaveDC(dc);
        OffsetViewportOrgEx(dc, r.left - rect_.left, r.top - rect_.top, nullptr);
        IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
        SendMessageW((*it)->hwnd_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        RestoreDC(dc, saved);
    }
}

void WinControlPeer::RegisterTip(HWND tooltips, const std::wstring& before) {
    if (!hwnd_)
        return;  // its window, once made, brings its tip
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = form_.Window();
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    ti.lpszText = const_cast<wchar_t*>(tip_.c_str());
    if (before.empty() && !tip_.empty())
        SendMessageW(tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    else if (!before.empty() && tip_.empty())
        SendMessageW(tooltips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    else if (!before.empty())
        SendMessageW(tooltips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

void WinControlPeer::BringToFront() {
    if (hwnd_)
        SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    else
        front_ = form_.NextFront();  // done when the window is made
}

COLORREF WinControlPeer::ContainerColor() const {
    const Control* container = control_.Container();
    const bool high = form_.Host().HighContrast();
    return ToColorRef(container ? forms::LookOf(*container, high).back
                                : forms::BackColorOf(form_.Model(), high));
}

void WinControlPeer::Paint(HDC dc, const RECT& client) {
    const Control& c = control_;
    const forms::Look look = forms::LookOf(c, form_.Host().HighContrast());
    RECT r = client;
    auto fill = [&](COLORREF color, const RECT& area) {
        HBRUSH b = CreateSolidBrush(color);
        FillRect(dc, &area, b);
        DeleteObject(b);
    };
    switch (c.kind()) {
        case Kind::Shape: {
            fill(ToColorRef(look.back), r);
            HBRUSH frame = CreateSolidBrush(ToColorRef(look.outline));
            FrameRect(dc, &r, frame);
            DeleteObject(frame);
            return;
        }
        case Kind::Line:
            fill(ToColorRef(look.fore), r);
            return;
        case Kind::Frame:
            fill(ToColorRef(look.back), r);
            DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
            return;
        case Kind::Picture:
            fill(ToColorRef(look.back), r);
            DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
            if (c.Picture()) {
                const int size = MulDiv(32, form_.Dpi(), 96);
                DrawIconEx(dc, 2, 2, form_.Host().Icon(c.Picture(), size), size, size, 0, nullptr,
                           DI_NORMAL);
            }
            return;
        default:
            break;
    }
    // A label.
    fill(c.Opaque() ? ToColorRef(look.back) : ContainerColor(), r);
    // (Drawing a label takes memory, and nothing it throws may cross a window procedure.)
    if (!c.Opaque())
        Safely([&] { PaintBeneath(dc); });
    if (c.Border()) {
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(look.fore));
    HGDIOBJ old = SelectObject(dc, font_);
    if (MissingSymbol(dc)) {
        // A symbol font without the glyph (Wine's Wingdings lacks most): the form's icon shows
        // the same picture.
        const int size = std::min(r.right - r.left, r.bottom - r.top);
        DrawIconEx(dc, r.left + (r.right - r.left - size) / 2, r.top,
                   form_.Host().Icon(form_.Model().IconId(), size), size, size, 0, nullptr,
                   DI_NORMAL);
    } else {
        // (A window that someone else has sized otherwise has its text laid out for it again.)
        Safely([&] {
            if (r.right - r.left != laidWidth_ && font_)
                LayOutText(font_, r.right - r.left, r.bottom - r.top, laidFit_);
            DrawLayout(dc, layout_, r, c.Alignment());
        });
    }
    SelectObject(dc, old);
}

bool WinControlPeer::MissingSymbol(HDC dc) const {
    if (text_.size() != 1 || !form_.Model().IconId())
        return false;
    TEXTMETRICW tm;
    if (!GetTextMetricsW(dc, &tm) || tm.tmCharSet != SYMBOL_CHARSET)
        return false;
    WORD glyph = 0;
    return GetGlyphIndicesW(dc, text_.c_str(), 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
           glyph == 0xFFFF;
}

void WinControlPeer::Mouse(const Control::MouseHandler& handler, int button, UINT keys, POINT at) {
    if (!handler)
        return;
    const int dpi = form_.Dpi();
    const double x = forms::PixelsToTwips(at.x, dpi);
    const double y = forms::PixelsToTwips(at.y, dpi);
    Control::MouseHandler h = handler;  // the handler may unload the form and this peer
    Safely([&] { h(button, Shift(keys), x, y); });
}

LRESULT WinControlPeer::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        // A control has no frame, border or scroll bar: its whole window is its client area,
        // and there is nothing outside it to paint. (Left to DefWindowProc these two cost more
        // under Wine than painting the control does, and a form shows some thirty controls.)
        case WM_NCCALCSIZE:
            return 0;
        case WM_NCPAINT:
            return 0;
        case WM_ERASEBKGND:
            OnEraseBackground(reinterpret_cast<HDC>(wp));
            return 1;
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_PRINTCLIENT:
            OnPrintClient(reinterpret_cast<HDC>(wp));
            return 0;
        case WM_SETFONT:
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        case WM_COMMAND:  // a button inside a frame: the form handles it
            return SendMessageW(form_.Window(), msg, wp, lp);
        case WM_SETCURSOR:
            if (OnSetCursor())
                return TRUE;
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(static_cast<UINT>(wp), PointOf(lp));
            return 0;
        case WM_LBUTTONDOWN:
            OnButtonDown(forms::kLeftButton, static_cast<UINT>(wp), PointOf(lp));
            return 0;
        case WM_RBUTTONDOWN:
            OnButtonDown(forms::kRightButton, static_cast<UINT>(wp), PointOf(lp));
            return 0;
        case WM_MBUTTONDOWN:
            OnButtonDown(forms::kMiddleButton, static_cast<UINT>(wp), PointOf(lp));
            return 0;
        case WM_LBUTTONUP:
            OnLeftButtonUp(PointOf(lp));
            return 0;
        case WM_CAPTURECHANGED:
            OnCaptureChanged();
            return 0;
        case WM_GETOBJECT: {
            LRESULT object = 0;
            if (AnswerGetObject(hwnd_, wp, lp, object))
                return object;
            break;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

// Within BeginPaint the WM_PAINT under way draws the whole control just after. Otherwise the
// system is erasing ahead of a WM_PAINT to come (a form shown, a control moved): the control is
// drawn whole here, and when the DC is its window's own, the window is validated, which spares
// it that WM_PAINT. Under Wine a WM_PAINT costs as much again as the drawing, and the main
// window shows some thirty controls as it starts.
void WinControlPeer::OnEraseBackground(HDC dc) {
    if (painting_)
        return;
    RECT r;
    GetClientRect(hwnd_, &r);
    Paint(dc, r);
    if (WindowFromDC(dc) == hwnd_)
        ValidateRect(hwnd_, nullptr);
}

void WinControlPeer::OnPaint() {
    PAINTSTRUCT ps;
    painting_ = true;
    HDC dc = BeginPaint(hwnd_, &ps);
    painting_ = false;
    RECT r;
    GetClientRect(hwnd_, &r);
    Paint(dc, r);
    EndPaint(hwnd_, &ps);
}

void WinControlPeer::OnPrintClient(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    Paint(dc, r);
}

// The form's pointer (the hourglass while it measures) first, then the control's own.
bool WinControlPeer::OnSetCursor() {
    form_.MouseOver();
    if (form_.SetPointer())
        return true;
    if (control_.MousePointer() != forms::kCustomPointer)
        return false;
    SetCursor(reinterpret_cast<HCURSOR>(
        form_.Host().Icon(form_.Model().IconId(), GetSystemMetrics(SM_CXCURSOR))));
    return true;
}

void WinControlPeer::OnMouseMove(UINT keys, POINT at) {
    Mouse(control_.MouseMove, Buttons(keys), keys, at);
}

// A left press on a control that takes clicks captures the mouse until the button comes up.
void WinControlPeer::OnButtonDown(int button, UINT keys, POINT at) {
    if (button == forms::kLeftButton && control_.Click) {
        pressed_ = true;
        SetCapture(hwnd_);
    }
    Mouse(control_.MouseDown, button, keys, at);
}

// A click is a press and a release over the control.
void WinControlPeer::OnLeftButtonUp(POINT at) {
    if (!pressed_)
        return;
    pressed_ = false;
    ReleaseCapture();
    RECT r;
    GetClientRect(hwnd_, &r);
    if (PtInRect(&r, at) && control_.Click) {
        std::function<void()> click = control_.Click;
        Safely(click);
    }
}

void WinControlPeer::OnCaptureChanged() {
    pressed_ = false;
}

// A control's window is found through its form's peer, which keeps its controls by window.
// (Kept in the window's own user data, it would cost a call to Wine's server for each control
// made, on top of those that making it takes.)
LRESULT CALLBACK WinControlPeer::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    WinControlPeer* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<WinControlPeer*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            self->form_.Adopt(*self);
        }
    } else {
        HWND top = hwnd;
        while (top && (GetWindowLongW(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
        if (auto* form = reinterpret_cast<WinFormPeer*>(GetWindowLongPtrW(top, GWLP_USERDATA)))
            self = form->PeerOfWindow(hwnd);
    }
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);
    return self->OnMessage(msg, wp, lp);
}

}  // namespace win32
