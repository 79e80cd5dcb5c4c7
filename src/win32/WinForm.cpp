// A form's peer: its window made, placed and kept in step with the form, its controls drawn,
// and its messages, the mouse's handed on to the control under it.
#include "win32/WinForm.h"

#include <algorithm>
#include <utility>

#include "forms/Accessible.h"
#include "forms/Contrast.h"
#include "forms/Twips.h"
#include "win32/Accessible.h"
#include "win32/PeerCommon.h"
#include "win32/Utf.h"

namespace win32 {

using forms::Control;
using forms::Kind;

namespace {

// Posted to the form's own window: changes wait to be finished (see FinishChanges).
constexpr UINT kFinishChanges = WM_APP + 1;

}  // namespace

WinFormPeer::WinFormPeer(WinHost& host, forms::Form& form)
    : host_(host), form_(form), dpi_(host.Dpi()) {
    style_ = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    exStyle_ = WS_EX_CONTROLPARENT;
    if (form.BorderStyle() == forms::Border::Sizable)
        style_ |= WS_THICKFRAME | (form.MinButton() ? WS_MINIMIZEBOX : 0) |
                  (form.MaxButton() ? WS_MAXIMIZEBOX : 0);
    if (form.BorderStyle() == forms::Border::FixedDialog) {
        style_ |= DS_MODALFRAME;
        exStyle_ |= WS_EX_DLGMODALFRAME;
    }
    BuildMenu();

    RECT outer{0, 0, forms::TwipsToPixels(form.DesignWidth(), dpi_),
               forms::TwipsToPixels(form.DesignHeight(), dpi_)};
    AdjustWindowRectEx(&outer, style_, menu_ != nullptr, exStyle_);
    form.SetOuterSize(forms::PixelsToTwips(outer.right - outer.left, dpi_),
                      forms::PixelsToTwips(outer.bottom - outer.top, dpi_));
    for (Control* c : form.Controls()) AddControl(*c);
}

WinFormPeer::~WinFormPeer() {
    // The window stops answering for the form before its buttons go: destroying them sends it
    // messages, and a screen reader may ask it for the controls then.
    if (hwnd_)
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    stack_.clear();
    controls_.clear();
    if (hwnd_) {
        host_.ModalEnding(hwnd_);
        DestroyWindow(hwnd_);  // and its menu and tooltips with it
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
// with the caption, place and size that Form_Load gave it.
void WinFormPeer::MakeWindow() {
    if (hwnd_)
        return;
    caption_ = Widen(form_.Caption());
    rect_ = ToRect(form_.OnScreen(host_.Dpi(), dpi_));
    // A table too tall for the window it opens in brings a scroll bar: the window is made as
    // much wider, so that the bar covers none of the columns.
    if (form_.ScrollMax() > 0)
        rect_.right += host_.Metric(SM_CXVSCROLL, dpi_);
    HWND owner = form_.ShowInTaskbar() ? nullptr : host_.Owner();
    hwnd_ = CreateWindowExW(exStyle_, L"KelvrForm", caption_.c_str(), style_, rect_.left, rect_.top,
                            rect_.right - rect_.left, rect_.bottom - rect_.top, owner, menu_,
                            host_.Instance(), this);
    if (form_.ShowInTaskbar())
        host_.MainWindowMade(hwnd_);
    RecordPlace();  // the window may not stand quite where the twips asked it to
    // Made on a screen of another scale than the system's (beside a main window moved there):
    // laid out at that screen's DPI, the same size in inches.
    const int dpi = hwnd_ ? host_.WindowDpi(hwnd_) : dpi_;
    if (dpi != dpi_)
        DpiChanged(dpi,
                   {rect_.left, rect_.top, rect_.left + MulDiv(rect_.right - rect_.left, dpi, dpi_),
                    rect_.top + MulDiv(rect_.bottom - rect_.top, dpi, dpi_)});
}

// Given as the window is first created, so that it never shows a default icon.
void WinFormPeer::GiveIcons() {
    if (!form_.IconId())
        return;
    for (const auto& [icon, size] : {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}})
        SendMessageW(
            hwnd_, WM_SETICON, icon,
            reinterpret_cast<LPARAM>(host_.Icon(form_.IconId(), host_.Metric(size, dpi_))));
}

WinControlPeer* WinFormPeer::PeerOf(const Control* c) const {
    // (Found by address, without asking anything of `c`: a screen reader may hold a control
    // that has gone.)
    for (const auto& p : controls_)
        if (&p->Model() == c)
            return p.get();
    return nullptr;
}

// A control that comes later stands below those before it, as a window made after its
// siblings does, until it is brought to the front.
void WinFormPeer::AddControl(Control& control) {
    controls_.push_back(std::make_unique<WinControlPeer>(*this, control, nextId_++));
    stack_.push_back(controls_.back().get());
    if (everShown_)
        controls_.back()->LayOut();
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
    RECT r = ToRect(form.OnScreen(host_.Dpi(), dpi_));
    if (!EqualRect(&r, &rect_) && !placing_) {
        rect_ = r;
        SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (form.ScrollTop() != scrollTop_) {
        scrollTop_ = form.ScrollTop();
        if (everShown_)
            for (const auto& p : controls_)
                if (p->Model().Scrolls())
                    p->LayOut();
    }
    UpdateScrollBar();
    const bool first = form.Visible() && !everShown_;
    if (first) {
        everShown_ = true;
        LayOutAll();
        // As a dialog starts: the focus rectangle and the keys' underlines hidden until the
        // keyboard is used, where the user's setting hides them and the mouse opened the window.
        SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
        // Shown for the first time, the window paints whole: nothing to repaint or to tell.
        dirty_ = RECT{};
        reordered_ = false;
        told_.clear();
    }
    if (form.Visible() != shown_) {
        shown_ = form.Visible();
        const std::optional<int> start = first ? host_.TakeStartShow() : std::nullopt;
        if (!shown_)
            host_.ModalEnding(hwnd_);
        ShowWindow(hwnd_, start ? *start : shown_ ? SW_SHOW : SW_HIDE);
        if (!shown_)
            focusBack_ = nullptr;  // shown again, a modal form starts on its first button
        // Windows may take the first show of the main window for the start-up's show command,
        // which hides it when the program was started hidden: shown again, it stays shown.
        if (shown_ && !IsWindowVisible(hwnd_))
            ShowWindow(hwnd_, SW_SHOW);
        if (shown_)
            UpdateWindow(hwnd_);
    }
    // A new pointer for the form (the hourglass while it measures) shows at once, not at the
    // mouse's next move: the window sets it as for a move. Other changes leave the pointer
    // alone, the system's over the frame as the window is sized included.
    POINT at;
    if (shown_ && form.MousePointer() != pointer_ && GetCursorPos(&at)) {
        pointer_ = form.MousePointer();
        const HWND under = WindowFromPoint(at);
        if (under == hwnd_ || IsChild(hwnd_, under)) {
            const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
            SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                         MAKELPARAM(hit, WM_MOUSEMOVE));
        }
    }
}

void WinFormPeer::LayOutAll() {
    RECT client;
    GetClientRect(hwnd_, &client);
    laidWidth_ = client.right;
    for (const Control* c : form_.LayOutOrder())
        if (WinControlPeer* p = PeerOf(c))
            p->LayOut();
}

void WinFormPeer::LayOutContents(const Control& container) {
    for (const auto& p : controls_)
        if (p->Model().Container() == &container)
            p->LayOut();
}

WinControlPeer* WinFormPeer::ControlAt(POINT at, bool readable) const {
    const Control* container = nullptr;
    WinControlPeer* found = nullptr;
    for (bool deeper = true; deeper;) {
        deeper = false;
        for (WinControlPeer* p : stack_) {
            const Control& c = p->Model();
            if (c.Container() != container || !p->Shown() || !PtInRect(&p->Box(), at) ||
                (readable && forms::Describe(c).role == forms::Role::Indicator))
                continue;
            found = p;
            deeper = IsContainer(c);
            container = &c;
            break;
        }
    }
    return found;
}

RECT WinFormPeer::Room(const Control& c) const {
    RECT room{-0x10000, -0x10000, 0x10000, 0x10000};
    if (hwnd_)
        GetClientRect(hwnd_, &room);
    for (const Control* p = c.Container(); p; p = p->Container())
        if (const WinControlPeer* peer = PeerOf(p))
            IntersectRect(&room, &room, &peer->Box());
    return room;
}

void WinFormPeer::Paint(HDC dc, const RECT& area) const {
    HBRUSH b = CreateSolidBrush(ToColorRef(forms::BackColorOf(form_, host_.HighContrast())));
    FillRect(dc, &area, b);
    DeleteObject(b);
    const PaintContext context{host_, form_, dpi_, host_.HighContrast()};
    PaintLayer(dc, area, nullptr, context);
    // The link that has the keyboard, framed as a focused control is, where the user's setting
    // shows focus rectangles (dots that invert what lies beneath them).
    const WinControlPeer* link = PeerOf(FocusedLink());
    if (link && link->Shown() && !(SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &link->Box());
    }
}

// The controls held by `container` (nullptr: the form itself), from the bottom up, each
// clipped to its box, and a container's contents over it, clipped to it too.
void WinFormPeer::PaintLayer(HDC dc, const RECT& area, const Control* container,
                             const PaintContext& context) const {
    for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
        const WinControlPeer& p = **it;
        const Control& c = p.Model();
        RECT inside;
        if (c.Container() != container || !p.Shown() || c.Kind() == Kind::Button ||
            !IntersectRect(&inside, &p.Box(), &area))
            continue;
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, p.Box().left, p.Box().top, p.Box().right, p.Box().bottom);
        PaintControl(dc, p, context);
        if (IsContainer(c))
            PaintLayer(dc, inside, &c, context);
        RestoreDC(dc, saved);
    }
}

// Drawn off the screen and shown at once, so that nothing flickers as what lies beneath a
// control is drawn before it.
void WinFormPeer::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    const RECT area = ps.rcPaint;
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (dc && w > 0 && h > 0) {
        HDC off = CreateCompatibleDC(dc);
        HBITMAP bitmap = off ? CreateCompatibleBitmap(dc, w, h) : nullptr;
        if (bitmap) {
            HGDIOBJ old = SelectObject(off, bitmap);
            SetViewportOrgEx(off, -area.left, -area.top, nullptr);
            Safely([&] { Paint(off, area); });
            SetViewportOrgEx(off, 0, 0, nullptr);
            BitBlt(dc, area.left, area.top, w, h, off, 0, 0, SRCCOPY);
            SelectObject(off, old);
            DeleteObject(bitmap);
        } else {
            Safely([&] { Paint(dc, area); });
        }
        if (off)
            DeleteDC(off);
    }
    EndPaint(hwnd_, &ps);
}

void WinFormPeer::Repaint(const RECT& r) {
    if (!hwnd_ || !everShown_ || IsRectEmpty(&r))
        return;
    UnionRect(&dirty_, &dirty_, &r);
    Pending();
}

// The control is drawn over its siblings, and found first under the mouse.
void WinFormPeer::Raise(WinControlPeer& peer) {
    stack_.erase(std::remove(stack_.begin(), stack_.end(), &peer), stack_.end());
    stack_.insert(stack_.begin(), &peer);
    if (peer.Shown())
        Repaint(peer.Box());
}

void WinFormPeer::ChildrenMoved() {
    if (!everShown_)
        return;
    reordered_ = true;
    Pending();
}

void WinFormPeer::Tell(DWORD event, const Control& c) {
    if (!everShown_)
        return;
    const auto said = std::make_pair(event, &c);
    if (std::find(told_.begin(), told_.end(), said) == told_.end())
        told_.push_back(said);
    Pending();
}

// Changes made outside this window's own messages (a task posted from a drive's thread, a
// screen reader's default action) are finished by a message of their own.
void WinFormPeer::Pending() {
    if (hwnd_ && !finishPosted_)
        finishPosted_ = PostMessageW(hwnd_, kFinishChanges, 0, 0) != FALSE;
}

// A sort moves every row, a scroll shows and hides them: the window repaints what changed
// once, and screen readers hear of it once, after the change, however many controls it moved.
void WinFormPeer::FinishChanges() {
    if (!hwnd_)
        return;
    if (!IsRectEmpty(&dirty_))
        InvalidateRect(hwnd_, &dirty_, FALSE);
    dirty_ = RECT{};
    const auto told = std::exchange(told_, {});
    for (const auto& t : told)
        NotifyWinEvent(t.first, hwnd_, OBJID_CLIENT, forms::EventId(form_, *t.second));
    if (reordered_) {
        reordered_ = false;
        NotifyWinEvent(EVENT_OBJECT_REORDER, hwnd_, OBJID_CLIENT, CHILDID_SELF);
    }
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
    if (state != forms::kMinimized)
        rect_ = r;
    placing_ = true;
    form_.PlacedAt({r.left, r.top, r.right - r.left, r.bottom - r.top}, client.right, client.bottom,
                   state, host_.Dpi(), dpi_);
    placing_ = false;
    UpdateScrollBar();
    // A label that ran past the window's edge, or now does, lays its text out again in what
    // shows of it. (The scroll bar may have come or gone meanwhile, and the width with it.)
    GetClientRect(hwnd_, &client);
    if (everShown_ && client.right != laidWidth_)
        LayOutAll();
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
    if (everShown_)
        LayOutAll();
    RecordPlace();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

bool WinFormPeer::SetPointer() const {
    if (form_.MousePointer() != forms::kHourglass)
        return false;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    return true;
}

LRESULT WinFormPeer::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // The tooltips hear of the mouse from the window itself: a tool that subclassed the window
    // for that would take the subclass away from all the others as it is deleted.
    if (tooltip_ && msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
        MSG relayed{hwnd_, msg, wp, lp, 0, {}};
        SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wp));
            return 0;
        case DM_GETDEFID:
            return OnGetDefId();
        case kDialogKey:
            return OnDialogKey(static_cast<UINT>(wp));
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (const WinControlPeer* p = PeerOf(link_))  // its focus rectangle comes or goes
                Repaint(p->Box());
            if (msg == WM_KILLFOCUS && IsChild(hwnd_, reinterpret_cast<HWND>(wp)))
                link_ = nullptr;  // a button has taken the focus from the link
            break;
        case WM_CLOSE:
            form_.QueryClose();
            return 0;
        case WM_MOVE:
        case WM_SIZE:
            RecordPlace();
            break;
        case WM_VSCROLL:
            ScrollBar(LOWORD(wp));
            return 0;
        case WM_MOUSEWHEEL:
            Wheel(GET_WHEEL_DELTA_WPARAM(wp));
            return 0;
        case WM_KEYDOWN:
            if (OnKeyDown(static_cast<UINT>(wp)))
                return 0;
            break;
        case WM_ACTIVATE:
            // As a dialog does: the button that had the focus as the window was left takes it
            // back as the window is active again.
            if (LOWORD(wp) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                focusBack_ = focus && IsChild(hwnd_, focus) ? focus : nullptr;
            } else if (!HIWORD(wp) && focusBack_ && IsChild(hwnd_, focusBack_) &&
                       IsWindowEnabled(focusBack_) && IsWindowVisible(focusBack_)) {
                SetFocus(focusBack_);
                return 0;
            }
            break;
        case WM_DPICHANGED:
            DpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_ENDSESSION:
            // Nothing to save: the program ends at once, whatever it was waiting for, and this
            // peer may be gone when the call returns.
            if (wp)
                host_.EndSession();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT draws the background with the rest
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_PRINTCLIENT: {
            // A themed push button asks for what lies behind it each time it paints: only as
            // much as the picture's clipping lets through is drawn.
            const HDC dc = reinterpret_cast<HDC>(wp);
            RECT area;
            if (GetClipBox(dc, &area) == ERROR)
                GetClientRect(hwnd_, &area);
            Paint(dc, area);
            return 0;
        }
        case WM_CTLCOLORBTN:
            return OnButtonColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_SETCURSOR:
            if (OnSetCursor(reinterpret_cast<HWND>(wp), LOWORD(lp)))
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
            pressed_ = nullptr;
            return 0;
        case WM_SETTINGCHANGE:
            if (wp == SPI_SETHIGHCONTRAST)
                OnColorsChanged();
            break;
        case WM_SYSCOLORCHANGE:
            OnColorsChanged();
            // The push buttons, common controls, hear of it only from their parent.
            for (HWND child = GetWindow(hwnd_, GW_CHILD); child;
                 child = GetWindow(child, GW_HWNDNEXT))
                SendMessageW(child, WM_SYSCOLORCHANGE, wp, lp);
            break;
        case WM_GETOBJECT: {
            LRESULT object = 0;
            if (AnswerGetObject(hwnd_, wp, lp, object)) {
                host_.ScreenReaderCame();
                return object;
            }
            break;
        }
        case kFinishChanges:
            finishPosted_ = false;
            return 0;  // Proc finishes them
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

// Asked for by the dialog manager's keyboard handling: the default button's id.
LRESULT WinFormPeer::OnGetDefId() const {
    const WinControlPeer* p = PeerOf(form_.DefaultButton());
    return p ? MAKELRESULT(p->Id(), DC_HASDEFID) : 0;
}

// True when the form took the key, or the key scrolled the rows.
bool WinFormPeer::OnKeyDown(UINT key) {
    const auto keyDown = form_.KeyDown;  // the handler may unload the form, and this peer
    const HWND hwnd = hwnd_;
    if (keyDown && (keyDown(static_cast<int>(key), KeyShift()) ||
                    GetWindowLongPtrW(hwnd, GWLP_USERDATA) != reinterpret_cast<LONG_PTR>(this)))
        return true;
    return ScrollKey(key);
}

// A high-contrast scheme chosen or left, or the system colours changed: the form is drawn
// again in the colours that now hold.
void WinFormPeer::OnColorsChanged() {
    host_.ReadHighContrast();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// What shows around a push button's face is what the window draws beneath it.
LRESULT WinFormPeer::OnButtonColor(HDC dc, HWND button) {
    forms::Color back = forms::BackColorOf(form_, host_.HighContrast());
    for (const auto& p : controls_)
        if (p->Window() == button && p->Model().Container())
            back = forms::LookOf(*p->Model().Container(), host_.HighContrast()).back;
    SetDCBrushColor(dc, ToColorRef(back));
    return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
}

// The form's pointer (the hourglass while it measures) over the whole window, buttons too;
// elsewhere the pointer of the control under the mouse.
bool WinFormPeer::OnSetCursor(HWND over, int hitTest) {
    MouseOver();
    if (hitTest != HTCLIENT)
        return false;
    if (SetPointer())
        return true;
    POINT at;
    if (over != hwnd_ || !GetCursorPos(&at) || !ScreenToClient(hwnd_, &at))
        return false;
    const WinControlPeer* p = ControlAt(at);
    if (!p || p->Model().MousePointer() != forms::kCustomPointer)
        return false;
    SetCursor(
        reinterpret_cast<HCURSOR>(host_.Icon(form_.IconId(), host_.Metric(SM_CXCURSOR, dpi_))));
    return true;
}

// `at` is in client pixels: the handler has it in twips from the top left corner of the
// control under the mouse, or of the client area.
void WinFormPeer::Mouse(const Control::MouseHandler& handler, int button, UINT keys, POINT at,
                        const WinControlPeer* over) {
    if (!handler)
        return;
    const POINT origin = over ? over->Origin() : POINT{0, 0};
    Control::MouseHandler h = handler;  // the handler may unload the form and this peer
    h(button, Shift(keys), forms::PixelsToTwips(at.x - origin.x, dpi_),
      forms::PixelsToTwips(at.y - origin.y, dpi_));
}

void WinFormPeer::OnMouseMove(UINT keys, POINT at) {
    const WinControlPeer* p = ControlAt(at);
    Mouse(p ? p->Model().MouseMove : form_.MouseMove, Buttons(keys), keys, at, p);
}

// A left press on a control that takes clicks captures the mouse until the button comes up.
void WinFormPeer::OnButtonDown(int button, UINT keys, POINT at) {
    const WinControlPeer* p = ControlAt(at);
    if (!p)
        return;
    if (button == forms::kLeftButton && p->Model().Click) {
        pressed_ = &p->Model();
        SetCapture(hwnd_);
    }
    Mouse(p->Model().MouseDown, button, keys, at, p);
}

// A click is a press and a release over the same control.
void WinFormPeer::OnLeftButtonUp(POINT at) {
    const Control* pressed = pressed_;
    if (!pressed)
        return;
    ReleaseCapture();
    pressed_ = nullptr;
    const WinControlPeer* p = ControlAt(at);
    if (p && &p->Model() == pressed && pressed->Click) {
        std::function<void()> click = pressed->Click;  // it may unload the form and this peer
        click();
    }
}

// What changed while a message was handled is finished as it returns: the window repaints it
// and screen readers hear of it before anything else happens. The handlers run the program's
// portable code: nothing it throws may cross a window procedure.
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
    LRESULT result = 0;
    Safely([&] {
        result = self->OnMessage(msg, wp, lp);
        // The handler may have unloaded the form, and this peer with it.
        if (auto* still = reinterpret_cast<WinFormPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
            still->FinishChanges();
    });
    return result;
}

}  // namespace win32
