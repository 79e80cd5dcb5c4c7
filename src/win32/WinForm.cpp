// A form's peer: its window made, placed and kept in step with the form, and its messages.
#include "win32/WinForm.h"

#include <algorithm>

#include "forms/Contrast.h"
#include "forms/Twips.h"
#include "win32/Accessible.h"
#include "win32/PeerCommon.h"
#include "win32/Utf.h"

namespace win32 {

using forms::Control;
using forms::Kind;

namespace {

// Posted to the form's own window: its controls have moved (see ChildrenMoved).
constexpr UINT kChildrenMoved = WM_APP + 1;

bool CursorOver(HWND hwnd) {
    POINT pt;
    if (!GetCursorPos(&pt))
        return false;
    HWND under = WindowFromPoint(pt);
    return under && (under == hwnd || IsChild(hwnd, under));
}

}  // namespace

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

std::uintptr_t WinFormPeer::Hwnd() {
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

WinControlPeer* WinFormPeer::PeerOfWindow(HWND w) const {
    auto it = byWindow_.find(w);
    return it == byWindow_.end() ? nullptr : it->second;
}

void WinFormPeer::Adopt(WinControlPeer& peer) {
    byWindow_[peer.Window()] = &peer;
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

LRESULT WinFormPeer::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wp));
            return 0;
        case DM_GETDEFID:
            return OnGetDefId();
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_MOVE:
        case WM_SIZE:
            OnPlaced();
            break;
        case WM_VSCROLL:
            OnScrollBar(LOWORD(wp));
            return 0;
        case WM_MOUSEWHEEL:
            OnWheel(GET_WHEEL_DELTA_WPARAM(wp));
            return 0;
        case WM_KEYDOWN:
            if (OnKeyDown(static_cast<UINT>(wp)))
                return 0;
            break;
        case WM_DPICHANGED:
            OnDpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_ENDSESSION:
            OnEndSession(wp != FALSE);
            return 0;
        case WM_ERASEBKGND:
            OnEraseBackground(reinterpret_cast<HDC>(wp));
            return 1;
        case WM_SETCURSOR:
            if (OnSetCursor(LOWORD(lp)))
                return TRUE;
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(static_cast<UINT>(wp), PointOf(lp));
            return 0;
        case WM_SETTINGCHANGE:
            if (wp == SPI_SETHIGHCONTRAST)
                OnColorsChanged();
            break;
        case WM_SYSCOLORCHANGE:
            OnColorsChanged();
            break;
        case WM_GETOBJECT: {
            LRESULT object = 0;
            if (AnswerGetObject(hwnd_, wp, lp, object))
                return object;
            break;
        }
        case kChildrenMoved:
            OnChildrenMoved();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

// A sort moves every row, a scroll shows and hides them: the notice is posted, so that it
// comes once, after the change, however many windows it moved.
void WinFormPeer::ChildrenMoved() {
    if (hwnd_ && everShown_ && !reorderPosted_)
        reorderPosted_ = PostMessageW(hwnd_, kChildrenMoved, 0, 0) != FALSE;
}

void WinFormPeer::OnChildrenMoved() {
    reorderPosted_ = false;
    NotifyWinEvent(EVENT_OBJECT_REORDER, hwnd_, OBJID_CLIENT, CHILDID_SELF);
}

// Asked for by the dialog manager's keyboard handling: the default button's id.
LRESULT WinFormPeer::OnGetDefId() const {
    for (const auto& p : controls_)
        if (p.second->Model().kind() == Kind::Button && p.second->Model().IsDefault())
            return MAKELRESULT(p.second->Id(), DC_HASDEFID);
    return 0;
}

void WinFormPeer::OnClose() {
    Safely([this] { form_.QueryClose(); });
}

void WinFormPeer::OnPlaced() {
    Safely([this] { RecordPlace(); });
}

void WinFormPeer::OnScrollBar(int request) {
    Safely([&] { ScrollBar(request); });
}

void WinFormPeer::OnWheel(int delta) {
    Safely([&] { Wheel(delta); });
}

// True when the form took the key, or the key scrolled the rows.
bool WinFormPeer::OnKeyDown(UINT key) {
    bool taken = false;
    const auto keyDown = form_.KeyDown;  // the handler may unload the form
    if (keyDown)
        Safely([&] { taken = keyDown(static_cast<int>(key), KeyShift()); });
    if (!taken)
        Safely([&] { taken = ScrollKey(key); });
    return taken;
}

// A high-contrast scheme chosen or left, or the system colours changed: every window of the
// form is drawn again in the colours that now hold.
void WinFormPeer::OnColorsChanged() {
    host_.ReadHighContrast();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void WinFormPeer::OnDpiChanged(int dpi, const RECT& suggested) {
    Safely([&] { DpiChanged(dpi, suggested); });
}

// Nothing to save: the program ends at once, whatever it was waiting for. This peer may be gone
// when the call returns.
void WinFormPeer::OnEndSession(bool ending) {
    if (ending)
        Safely([this] { host_.EndSession(); });
}

void WinFormPeer::OnEraseBackground(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    HBRUSH b = CreateSolidBrush(ToColorRef(forms::BackColorOf(form_, host_.HighContrast())));
    FillRect(dc, &r, b);
    DeleteObject(b);
}

// True when the pointer is set.
bool WinFormPeer::OnSetCursor(int hitTest) {
    MouseOver();
    return hitTest == HTCLIENT && SetPointer();
}

void WinFormPeer::OnMouseMove(UINT keys, POINT at) {
    if (!form_.MouseMove)
        return;
    const int dpi = dpi_;
    auto handler = form_.MouseMove;
    const double x = forms::PixelsToTwips(at.x, dpi);
    const double y = forms::PixelsToTwips(at.y, dpi);
    Safely([&] { handler(Buttons(keys), Shift(keys), x, y); });
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
    return self->OnMessage(msg, wp, lp);
}

}  // namespace win32
