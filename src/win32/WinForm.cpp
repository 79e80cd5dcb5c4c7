#include "win32/WinForm.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "forms/Twips.h"
#include "win32/Utf.h"

namespace win32 {

using forms::Control;
using forms::Kind;

namespace {

// Runs an event handler of the portable code; nothing it throws may cross a window procedure.
template <class F>
void Safely(F&& f) {
    try {
        f();
    } catch (...) {
        OutputDebugStringW(L"Kelvr: an event handler failed\n");
    }
}

RECT ToPixels(double left, double top, double width, double height, int dpi) {
    forms::PixelRect p = forms::TwipsRectToPixels(left, top, width, height, dpi);
    return RECT{p.left, p.top, p.left + p.width, p.top + p.height};
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

int Buttons(WPARAM wp) {
    return ((wp & MK_LBUTTON) ? forms::kLeftButton : 0) |
           ((wp & MK_RBUTTON) ? forms::kRightButton : 0) |
           ((wp & MK_MBUTTON) ? forms::kMiddleButton : 0);
}

int Shift(WPARAM wp) {
    return ((wp & MK_SHIFT) ? 1 : 0) | ((wp & MK_CONTROL) ? 2 : 0) |
           ((GetKeyState(VK_MENU) < 0) ? 4 : 0);
}

// DrawEdge's sunken edge: two lines of one pixel on each side.
constexpr int kEdge = 2;

// Whether the text breaks into lines (a break at its very end starts none).
bool BreaksLines(const std::wstring& text) {
    const std::size_t last = text.find_last_not_of(L"\r\n");
    return last != std::wstring::npos && text.find_first_of(L"\r\n") < last;
}

bool CursorOver(HWND hwnd) {
    POINT pt;
    if (!GetCursorPos(&pt))
        return false;
    HWND under = WindowFromPoint(pt);
    return under && (under == hwnd || IsChild(hwnd, under));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Controls

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
        ShowWindow(hwnd_, shown_ ? SW_SHOWNA : SW_HIDE);
    }
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
    return ToColorRef(container ? container->BackColor() : form_.Model().BackColor());
}

void WinControlPeer::Paint(HDC dc, const RECT& client) {
    const Control& c = control_;
    RECT r = client;
    auto fill = [&](COLORREF color, const RECT& area) {
        HBRUSH b = CreateSolidBrush(color);
        FillRect(dc, &area, b);
        DeleteObject(b);
    };
    switch (c.kind()) {
        case Kind::Shape: {
            fill(ToColorRef(c.BackColor()), r);
            HBRUSH frame = CreateSolidBrush(RGB(0, 0, 0));
            FrameRect(dc, &r, frame);
            DeleteObject(frame);
            return;
        }
        case Kind::Line:
            fill(ToColorRef(forms::kButtonText), r);
            return;
        case Kind::Frame:
            fill(ToColorRef(c.BackColor()), r);
            DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
            return;
        case Kind::Picture:
            fill(ToColorRef(c.BackColor()), r);
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
    fill(c.Opaque() ? ToColorRef(c.BackColor()) : ContainerColor(), r);
    // (Drawing a label takes memory, and nothing it throws may cross a window procedure.)
    if (!c.Opaque())
        Safely([&] { PaintBeneath(dc); });
    if (c.Border()) {
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(c.ForeColor()));
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

void WinControlPeer::Mouse(const Control::MouseHandler& handler, int button, WPARAM wp, LPARAM lp) {
    if (!handler)
        return;
    const int dpi = form_.Dpi();
    const double x = forms::PixelsToTwips(GET_X_LPARAM(lp), dpi);
    const double y = forms::PixelsToTwips(GET_Y_LPARAM(lp), dpi);
    Control::MouseHandler h = handler;  // the handler may unload the form and this peer
    Safely([&] { h(button, Shift(wp), x, y); });
}

LRESULT WinControlPeer::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        // A control has no frame, border or scroll bar: its whole window is its client area,
        // and there is nothing outside it to paint. (Left to DefWindowProc these two cost more
        // under Wine than painting the control does, and a form shows some thirty controls.)
        case WM_NCCALCSIZE:
            return 0;
        case WM_NCPAINT:
            return 0;
        case WM_ERASEBKGND:
            // Within BeginPaint the WM_PAINT under way draws the whole control just after.
            // Otherwise the system is erasing ahead of a WM_PAINT to come (a form shown, a
            // control moved): the control is drawn whole here, and when the DC is its window's
            // own, the window is validated, which spares it that WM_PAINT. Under Wine a
            // WM_PAINT costs as much again as the drawing, and the main window shows some
            // thirty controls as it starts.
            if (!painting_) {
                RECT r;
                GetClientRect(hwnd_, &r);
                HDC dc = reinterpret_cast<HDC>(wp);
                Paint(dc, r);
                if (WindowFromDC(dc) == hwnd_)
                    ValidateRect(hwnd_, nullptr);
            }
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            painting_ = true;
            HDC dc = BeginPaint(hwnd_, &ps);
            painting_ = false;
            RECT r;
            GetClientRect(hwnd_, &r);
            Paint(dc, r);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT r;
            GetClientRect(hwnd_, &r);
            Paint(reinterpret_cast<HDC>(wp), r);
            return 0;
        }
        case WM_SETFONT:
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        case WM_COMMAND:  // a button inside a frame: the form handles it
            return SendMessageW(form_.Window(), msg, wp, lp);
        case WM_SETCURSOR:
            form_.MouseOver();
            if (form_.SetPointer())
                return TRUE;
            if (control_.MousePointer() == forms::kCustomPointer) {
                SetCursor(reinterpret_cast<HCURSOR>(
                    form_.Host().Icon(form_.Model().IconId(), GetSystemMetrics(SM_CXCURSOR))));
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            Mouse(control_.MouseMove, Buttons(wp), wp, lp);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            const int button = msg == WM_LBUTTONDOWN   ? forms::kLeftButton
                               : msg == WM_RBUTTONDOWN ? forms::kRightButton
                                                       : forms::kMiddleButton;
            if (button == forms::kLeftButton && control_.Click) {
                pressed_ = true;
                SetCapture(hwnd_);
            }
            Mouse(control_.MouseDown, button, wp, lp);
            return 0;
        }
        case WM_LBUTTONUP:
            if (pressed_) {
                pressed_ = false;
                ReleaseCapture();
                RECT r;
                GetClientRect(hwnd_, &r);
                POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                if (PtInRect(&r, pt) && control_.Click) {
                    std::function<void()> click = control_.Click;
                    Safely(click);
                }
            }
            return 0;
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

// A control's window is found through its form's peer, which keeps its controls by window.
// (Kept in the window's own user data, it would cost a call to Wine's server for each control
// made, a third of the time that making it takes.)
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
    return self->Handle(msg, wp, lp);
}

// ---------------------------------------------------------------------------------------------
// Forms

WinFormPeer::WinFormPeer(WinHost& host, forms::Form& form)
    : host_(host), form_(form), dpi_(host.Dpi()) {
    style_ = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    exStyle_ = WS_EX_CONTROLPARENT;
    switch (form.BorderStyle()) {
        case forms::Border::Sizable:
            style_ |= WS_THICKFRAME;
            if (form.MinButton())
                style_ |= WS_MINIMIZEBOX;
            if (form.MaxButton())
                style_ |= WS_MAXIMIZEBOX;
            break;
        case forms::Border::FixedSingle:
            break;
        case forms::Border::FixedDialog:
            style_ |= DS_MODALFRAME;
            exStyle_ |= WS_EX_DLGMODALFRAME;
            break;
    }
    BuildMenu();

    const int dpi = dpi_;
    RECT outer{0, 0, forms::TwipsToPixels(form.DesignWidth(), dpi),
               forms::TwipsToPixels(form.DesignHeight(), dpi)};
    AdjustWindowRectEx(&outer, style_, menu_ != nullptr, exStyle_);
    form.SetOuterSize(forms::PixelsToTwips(outer.right - outer.left, dpi),
                      forms::PixelsToTwips(outer.bottom - outer.top, dpi));
    for (Control* c : form.Controls()) AddControl(*c);
}

WinFormPeer::~WinFormPeer() {
    controls_.clear();
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);  // and its menu with it
    } else if (menu_) {
        DestroyMenu(menu_);
    }
    host_.WindowGone(form_);
}

std::uintptr_t WinFormPeer::Handle() {
    MakeWindow();
    return reinterpret_cast<std::uintptr_t>(hwnd_);
}

// The form's window is made when the form first shows, or when its handle is first asked for,
// with the caption, place and size that Form_Load gave it: under Wine each change to a window
// after it is made costs about as much again as making it.
void WinFormPeer::MakeWindow() {
    if (hwnd_)
        return;
    caption_ = Widen(form_.Caption());
    rect_ = ToPixels(form_.Left(), form_.Top(), form_.Width(), form_.Height(), dpi_);
    // A table too tall for the window it opens in brings a scroll bar: the window is made as
    // much wider, so that the bar covers none of the columns.
    if (form_.ScrollMax() > 0)
        rect_.right += host_.Metric(SM_CXVSCROLL, dpi_);
    HWND owner = form_.ShowInTaskbar() ? nullptr : host_.Owner();
    hwnd_ = CreateWindowExW(exStyle_, L"KelvrForm", caption_.c_str(), style_, rect_.left, rect_.top,
                            rect_.right - rect_.left, rect_.bottom - rect_.top, owner, menu_,
                            host_.Instance(), this);
    RecordPlace();  // the window may not stand quite where the twips asked it to
    // Made on a screen of another scale than the system's (beside a main window moved there):
    // laid out at that screen's DPI, the same size in inches.
    const int dpi = hwnd_ ? host_.WindowDpi(hwnd_) : dpi_;
    if (dpi != dpi_) {
        RECT scaled = rect_;
        scaled.right = scaled.left + MulDiv(rect_.right - rect_.left, dpi, dpi_);
        scaled.bottom = scaled.top + MulDiv(rect_.bottom - rect_.top, dpi, dpi_);
        DpiChanged(dpi, scaled);
    }
}

// Given as the window is first created, before Wine makes its window on the X display, which
// then takes them at once instead of a default icon replaced twice afterwards.
void WinFormPeer::GiveIcons() {
    if (!form_.IconId())
        return;
    SendMessageW(
        hwnd_, WM_SETICON, ICON_BIG,
        reinterpret_cast<LPARAM>(host_.Icon(form_.IconId(), host_.Metric(SM_CXICON, dpi_))));
    SendMessageW(
        hwnd_, WM_SETICON, ICON_SMALL,
        reinterpret_cast<LPARAM>(host_.Icon(form_.IconId(), host_.Metric(SM_CXSMICON, dpi_))));
}

// The tooltips are made when the mouse first comes over the form (the system asks the window
// under it for its pointer before it passes on the move): a window that is never pointed at
// does without them, and the main window shows the sooner.
void WinFormPeer::MouseOver() {
    if (tooltip_)
        return;
    host_.CommonControls();
    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, host_.Instance(), nullptr);
    if (!tooltip_)
        return;
    for (const auto& p : controls_) p.second->RegisterTip(tooltip_, std::wstring());
}

HWND WinFormPeer::ParentOf(const Control& c) const {
    WinControlPeer* container = PeerOf(c.Container());
    return container ? container->Window() : hwnd_;
}

WinControlPeer* WinFormPeer::PeerOf(const Control* c) const {
    auto it = controls_.find(c);
    return it == controls_.end() ? nullptr : it->second.get();
}

void WinFormPeer::AddControl(Control& control) {
    auto peer = std::make_unique<WinControlPeer>(*this, control);
    order_.push_back(peer.get());
    controls_[&control] = std::move(peer);
}

// Until the form first shows, its controls' windows wait: Form_Load loads and fills the rows,
// and each window is then made once, as it first shows, instead of being made and then changed.
// They are made in the controls' order, which is the tab order, and those brought to the front
// meanwhile are brought there again in turn.
void WinFormPeer::MakeControlWindows() {
    for (WinControlPeer* p : order_) p->MakeWindow();
    std::vector<WinControlPeer*> fronts;
    for (WinControlPeer* p : order_)
        if (p->Front())
            fronts.push_back(p);
    std::sort(fronts.begin(), fronts.end(), [](const WinControlPeer* a, const WinControlPeer* b) {
        return a->Front() < b->Front();
    });
    for (WinControlPeer* p : fronts) p->BringToFront();
}

void WinFormPeer::Apply(const forms::Form& form) {
    if (!hwnd_) {
        if (!form.Visible())
            return;  // the window is made with what the form holds when it first shows
        MakeWindow();
    }
    std::wstring caption = Widen(form.Caption());
    if (caption != caption_) {
        caption_ = caption;
        SetWindowTextW(hwnd_, caption_.c_str());
    }
    RECT r = ToPixels(form.Left(), form.Top(), form.Width(), form.Height(), dpi_);
    if (!SameRect(r, rect_) && !placing_) {
        rect_ = r;
        SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (form.ScrollTop() != scrollTop_) {
        // The rows are moved all at once: the system then repaints them once, together.
        scrollTop_ = form.ScrollTop();
        HDWP batch = BeginDeferWindowPos(static_cast<int>(order_.size()));
        for (WinControlPeer* p : order_)
            if (p->Model().Scrolls())
                p->Scroll(batch);
        if (batch)
            EndDeferWindowPos(batch);
    }
    UpdateScrollBar();
    const bool first = form.Visible() && !everShown_;
    if (first) {
        everShown_ = true;
        MakeControlWindows();
    }
    if (form.Visible() != shown_) {
        shown_ = form.Visible();
        const std::optional<int> start = first ? host_.StartShow() : std::nullopt;
        if (first && !start) {
            ShowAndDraw();
        } else {
            ShowWindow(hwnd_, start ? *start : shown_ ? SW_SHOW : SW_HIDE);
            if (shown_)
                UpdateWindow(hwnd_);
        }
    }
    if (shown_ && CursorOver(hwnd_) && !SetPointer())
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

// The window was moved or sized (by the user, the system, or the program itself): the form's
// properties follow it. Where it stands where the form's own twips put it, the form keeps them.
void WinFormPeer::RecordPlace() {
    if (!hwnd_ || placing_)
        return;
    RECT r, client;
    GetWindowRect(hwnd_, &r);
    GetClientRect(hwnd_, &client);
    const int state = IsIconic(hwnd_)   ? forms::kMinimized
                      : IsZoomed(hwnd_) ? forms::kMaximized
                                        : forms::kNormal;
    forms::Placement p{form_.Left(),
                       form_.Top(),
                       form_.Width(),
                       form_.Height(),
                       forms::PixelsToTwips(client.right, dpi_),
                       forms::PixelsToTwips(client.bottom, dpi_),
                       state};
    const RECT asPlaced = ToPixels(form_.Left(), form_.Top(), form_.Width(), form_.Height(), dpi_);
    if (state != forms::kMinimized)
        rect_ = r;
    if (state != forms::kMinimized && !SameRect(r, asPlaced)) {
        p.left = forms::PixelsToTwips(r.left, dpi_);
        p.top = forms::PixelsToTwips(r.top, dpi_);
        p.width = forms::PixelsToTwips(r.right - r.left, dpi_);
        p.height = forms::PixelsToTwips(r.bottom - r.top, dpi_);
    }
    placing_ = true;
    form_.Placed(p);
    if (state != forms::kMinimized)
        form_.ScrollTo(form_.ScrollTop());  // a taller window may leave less to scroll
    placing_ = false;
    UpdateScrollBar();
}

// The bar counts in rows (the form's scroll steps): its page is the rows the client area
// holds below the controls that stay; the system hides it when there is nothing to scroll.
void WinFormPeer::UpdateScrollBar() {
    if (!hwnd_ || !form_.Scrolls())
        return;
    const double step = form_.ScrollStep();
    const int page =
        std::max(1, static_cast<int>((form_.ClientHeight() - form_.ScrollAreaTop()) / step));
    const int last = static_cast<int>(std::lround(form_.ScrollMax() / step));
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = last + page - 1;
    si.nPage = static_cast<UINT>(page);
    si.nPos = static_cast<int>(std::lround(form_.ScrollTop() / step));
    if (si.nMax == bar_.nMax && si.nPage == bar_.nPage && si.nPos == bar_.nPos)
        return;
    bar_ = si;
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
}

// Scrolls by `rows` rows (up when negative).
void WinFormPeer::ScrollRows(int rows) {
    form_.ScrollTo(form_.ScrollTop() + rows * form_.ScrollStep());
}

int WinFormPeer::PageRows() const {
    return std::max(
        1, static_cast<int>((form_.ClientHeight() - form_.ScrollAreaTop()) / form_.ScrollStep()));
}

bool WinFormPeer::ScrollKey(WPARAM key) {
    if (!form_.Scrolls())
        return false;
    switch (key) {
        case VK_UP:
            ScrollRows(-1);
            return true;
        case VK_DOWN:
            ScrollRows(1);
            return true;
        case VK_PRIOR:
            ScrollRows(-PageRows());
            return true;
        case VK_NEXT:
            ScrollRows(PageRows());
            return true;
        case VK_HOME:
            form_.ScrollTo(0);
            return true;
        case VK_END:
            form_.ScrollTo(form_.ScrollMax());
            return true;
        default:
            return false;
    }
}

void WinFormPeer::ScrollBar(WPARAM wp) {
    switch (LOWORD(wp)) {
        case SB_LINEUP:
            ScrollRows(-1);
            break;
        case SB_LINEDOWN:
            ScrollRows(1);
            break;
        case SB_PAGEUP:
            ScrollRows(-PageRows());
            break;
        case SB_PAGEDOWN:
            ScrollRows(PageRows());
            break;
        case SB_TOP:
            form_.ScrollTo(0);
            break;
        case SB_BOTTOM:
            form_.ScrollTo(form_.ScrollMax());
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(hwnd_, SB_VERT, &si);
            form_.ScrollTo(si.nTrackPos * form_.ScrollStep());
            break;
        }
        default:
            break;
    }
}

// A notch of the wheel scrolls a row (a row is about as high as the three lines of text a
// notch scrolls elsewhere); finer wheels add up to a notch first.
void WinFormPeer::Wheel(int delta) {
    if (!form_.Scrolls())
        return;
    wheel_ += delta;
    const int rows = wheel_ / WHEEL_DELTA;
    wheel_ -= rows * WHEEL_DELTA;
    ScrollRows(-rows);
}

// The window has moved to a screen of another scale (or the scale has changed): everything is
// laid out again at the new DPI, in the place the system suggests.
void WinFormPeer::DpiChanged(int dpi, const RECT& suggested) {
    if (dpi <= 0 || dpi == dpi_)
        return;
    dpi_ = dpi;
    GiveIcons();
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (WinControlPeer* p : order_) p->Apply(p->Model());
    RecordPlace();
    // Drawn whole again, once every control is in its new place.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The form's first show. Shown the usual way, the window would have the system erase and paint
// each control's window in turn, each through a DC and calls to the window server of its own:
// under Wine some 0.3 ms a control, with some thirty in the main window. Instead the window is
// shown without a redraw, its frame and background are drawn at once, and then every control
// through one DC of the form's, from the bottom of the z-order up. Nothing is left to paint.
void WinFormPeer::ShowAndDraw() {
    SendMessageW(hwnd_, WM_SHOWWINDOW, TRUE, 0);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    HDC dc = GetDCEx(hwnd_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);  // over the controls
    if (!dc) {
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        return;
    }
    DrawControls(dc, nullptr);
    ReleaseDC(hwnd_, dc);
}

// Draws the shown controls held by `container` (nullptr: the form itself) into the form's
// `dc`, from the bottom of the z-order up, each clipped to its window, and containers before
// what they hold. The windows were all just made, each below those made before it, and those
// brought to the front then raised in turn: their z-order is known here without asking the
// system for it (under Wine each question is a call to its server).
// Push buttons, which the system draws, are left to paint themselves, as after a plain show.
void WinFormPeer::DrawControls(HDC dc, const Control* container) {
    std::vector<WinControlPeer*> bottomUp;
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
        if (!(*it)->Front() && (*it)->Model().Container() == container)
            bottomUp.push_back(*it);
    const std::size_t raised = bottomUp.size();
    for (WinControlPeer* p : made_)
        if (p->Front() && p->Model().Container() == container)
            bottomUp.push_back(p);
    std::sort(
        bottomUp.begin() + raised, bottomUp.end(),
        [](const WinControlPeer* a, const WinControlPeer* b) { return a->Front() < b->Front(); });
    for (WinControlPeer* p : bottomUp) {
        const HWND w = p->Window();
        if (!w || !(GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE))
            continue;
        if (p->Model().kind() == Kind::Button) {
            RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
            continue;
        }
        RECT r;
        GetClientRect(w, &r);
        POINT origin{0, 0};
        MapWindowPoints(w, hwnd_, &origin, 1);
        const int saved = SaveDC(dc);
        SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
        IntersectClipRect(dc, 0, 0, r.right, r.bottom);
        SendMessageW(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        DrawControls(dc, &p->Model());
        RestoreDC(dc, saved);
    }
}

WinControlPeer* WinFormPeer::PeerOfWindow(HWND w) const {
    auto it = byWindow_.find(w);
    return it == byWindow_.end() ? nullptr : it->second;
}

void WinFormPeer::Adopt(WinControlPeer& peer) {
    byWindow_[peer.Window()] = &peer;
}

void WinFormPeer::Made(WinControlPeer& peer) {
    made_.push_back(&peer);
}

void WinFormPeer::Release(WinControlPeer& peer) {
    byWindow_.erase(peer.Window());
    made_.erase(std::remove(made_.begin(), made_.end(), &peer), made_.end());
}

bool WinFormPeer::SetPointer() const {
    if (form_.MousePointer() != forms::kHourglass)
        return false;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    return true;
}

void WinFormPeer::BuildMenu() {
    if (form_.MenuBar().empty())
        return;
    menu_ = CreateMenu();
    for (const forms::MenuItem* item : form_.MenuBar()) AddMenuItems(menu_, *item);
}

void WinFormPeer::AddMenuItems(HMENU menu, const forms::MenuItem& item) {
    std::wstring caption = Widen(item.Caption());
    if (!item.Items().empty()) {
        HMENU popup = CreatePopupMenu();
        for (const forms::MenuItem* child : item.Items()) AddMenuItems(popup, *child);
        AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), caption.c_str());
        return;
    }
    const int id = NextControlId();
    menuIds_[id] = const_cast<forms::MenuItem*>(&item);
    menuItems_[&item] = id;
    AppendMenuW(menu, MF_STRING | (item.Checked() ? MF_CHECKED : 0), id, caption.c_str());
}

void WinFormPeer::MenuChanged(const forms::MenuItem& item) {
    auto it = menuItems_.find(&item);
    if (it == menuItems_.end())
        return;
    CheckMenuItem(menu_, it->second, MF_BYCOMMAND | (item.Checked() ? MF_CHECKED : MF_UNCHECKED));
}

Control* WinFormPeer::Button(bool isDefault) const {
    for (const auto& p : controls_) {
        Control& c = p.second->Model();
        if (c.kind() == Kind::Button && (isDefault ? c.IsDefault() : c.IsCancel()))
            return &c;
    }
    return nullptr;
}

void WinFormPeer::Command(int id) {
    std::function<void()> handler;
    if (id == IDOK || id == IDCANCEL) {
        // Enter presses the default button, or else the button that has the focus; Escape
        // presses the cancel button, or else closes the window as its close box does.
        Control* b = Button(id == IDOK);
        if (!b && id == IDOK) {
            for (const auto& p : controls_)
                if (p.second->Window() == GetFocus() && p.second->Model().kind() == Kind::Button)
                    b = &p.second->Model();
        }
        if (b)
            handler = b->Click;
        else if (id == IDCANCEL)
            handler = [this] { form_.QueryClose(); };
    } else if (auto m = menuIds_.find(id); m != menuIds_.end()) {
        handler = m->second->Click;
    } else {
        for (const auto& p : controls_)
            if (p.second->Id() == id)
                handler = p.second->Model().Click;
    }
    // The handler may unload the form, and with it this peer: nothing of it is touched after.
    if (handler)
        Safely(handler);
}

LRESULT WinFormPeer::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            Command(LOWORD(wp));
            return 0;
        case DM_GETDEFID:
            for (const auto& p : controls_)
                if (p.second->Model().kind() == Kind::Button && p.second->Model().IsDefault())
                    return MAKELRESULT(p.second->Id(), DC_HASDEFID);
            return 0;
        case WM_CLOSE:
            Safely([this] { form_.QueryClose(); });
            return 0;
        case WM_MOVE:
        case WM_SIZE:
            Safely([this] { RecordPlace(); });
            break;
        case WM_VSCROLL:
            Safely([&] { ScrollBar(wp); });
            return 0;
        case WM_MOUSEWHEEL:
            Safely([&] { Wheel(GET_WHEEL_DELTA_WPARAM(wp)); });
            return 0;
        case WM_KEYDOWN: {
            bool taken = false;
            Safely([&] { taken = ScrollKey(wp); });
            if (taken)
                return 0;
            break;
        }
        case WM_DPICHANGED:
            Safely([&] { DpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp)); });
            return 0;
        case WM_ENDSESSION:
            // Nothing to save: the program ends at once, whatever it was waiting for. This
            // peer may be gone when the call returns.
            if (wp)
                Safely([this] { host_.EndSession(); });
            return 0;
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(hwnd_, &r);
            HBRUSH b = CreateSolidBrush(ToColorRef(form_.BackColor()));
            FillRect(reinterpret_cast<HDC>(wp), &r, b);
            DeleteObject(b);
            return 1;
        }
        case WM_SETCURSOR:
            MouseOver();
            if (LOWORD(lp) == HTCLIENT && SetPointer())
                return TRUE;
            break;
        case WM_MOUSEMOVE:
            if (form_.MouseMove) {
                const int dpi = dpi_;
                auto handler = form_.MouseMove;
                const double x = forms::PixelsToTwips(GET_X_LPARAM(lp), dpi);
                const double y = forms::PixelsToTwips(GET_Y_LPARAM(lp), dpi);
                Safely([&] { handler(Buttons(wp), Shift(wp), x, y); });
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK WinFormPeer::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* self = static_cast<WinFormPeer*>(cs->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) {
            self->hwnd_ = hwnd;
            self->GiveIcons();
        }
    }
    auto* self = reinterpret_cast<WinFormPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);
    return self->Handle(msg, wp, lp);
}

}  // namespace win32
