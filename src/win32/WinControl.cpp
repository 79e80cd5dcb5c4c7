// A control's peer: its place and text in its form's window, laid out as the control says, and
// a push button's own window.
#include "win32/WinControl.h"

#include "forms/Accessible.h"
#include "forms/Twips.h"
#include "win32/PeerCommon.h"
#include "win32/Utf.h"
#include "win32/WinForm.h"

namespace win32 {

using forms::Control;
using forms::Kind;

// DrawEdge's sunken edge: two lines of one pixel on each side.
constexpr int kEdge = 2;

bool WinControlPeer::Drawn::Same(const Drawn& o) const {
    return text == o.text && EqualRect(&box, &o.box) && shown == o.shown && font == o.font &&
           fore == o.fore && back == o.back && opaque == o.opaque && border == o.border &&
           enabled == o.enabled && align == o.align && picture == o.picture;
}

WinControlPeer::WinControlPeer(WinFormPeer& form, Control& control, int id)
    : form_(form), control_(control), id_(id) {
    control.Attach(this);
}

// The control is not touched here: when a loaded form object goes, its controls are gone
// before its peers are (Form::Unload detaches them in the ordinary way).
WinControlPeer::~WinControlPeer() {
    if (hwnd_ && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
}

POINT WinControlPeer::Origin() const {
    const RECT r = DesignedBox(control_);
    return POINT{r.left, r.top};
}

RECT WinControlPeer::DesignedBox(const Control& c) const {
    return ToRect(form_.Model().PixelBox(c, form_.Dpi()));
}

// The label's text and box, as forms::FitLabel makes them.
RECT WinControlPeer::LayOutLabel(const Control& c, const std::wstring& text, const RECT& designed,
                                 HFONT font) {
    if (c.Kind() != Kind::Label || !font) {
        label_.Clear();
        return designed;
    }
    auto edges = [](const RECT& r) { return forms::Edges{r.left, r.top, r.right, r.bottom}; };
    const forms::FittedLabel& fitted =
        label_.Fit(form_.Host().FontCache(), font, text, edges(designed), edges(form_.Room(c)),
                   c.Fit(), c.Alignment(), c.HasBorder() ? kEdge : 0);
    return ToRect(fitted.box);
}

WinControlPeer::Drawn WinControlPeer::Measure(const Control& c) {
    Drawn now;
    // A shape's or line's caption is no text of the window's.
    if (c.Kind() != Kind::Shape && c.Kind() != Kind::Line)
        now.text = Composed(Widen(c.Caption()));
    const WinControlPeer* container = form_.PeerOf(c.Container());
    now.shown = c.Visible() && !form_.Model().ScrolledAway(c) && (!container || container->Shown());
    now.font = form_.Host().Font(c.GetFont(), form_.Dpi());
    now.fore = c.ForeColor();
    now.back = c.BackColor();
    now.opaque = c.Opaque();
    now.border = c.HasBorder();
    now.enabled = c.Enabled();
    now.align = c.Alignment();
    now.picture = c.Picture();
    now.box = LayOutLabel(c, now.text, DesignedBox(c), now.font);
    return now;
}

void WinControlPeer::Apply(const Control&) {
    if (form_.EverShown())
        LayOut();
}

void WinControlPeer::LayOut() {
    const Control& c = control_;
    const Drawn before = drawn_;
    const bool first = !laidOut_;
    const Drawn now = Measure(c);
    laidOut_ = true;
    drawn_ = now;
    const bool moved = first || !EqualRect(&before.box, &now.box) || before.shown != now.shown;
    if (c.Kind() == Kind::Button) {
        ApplyButton(first ? Drawn{} : before);
    } else if (first || !before.Same(now)) {
        if (!first && before.shown)
            form_.Repaint(before.box);
        if (now.shown)
            form_.Repaint(now.box);
    }
    // What a container holds stands where it does and shows when it does.
    if (IsContainer(c) && !first && moved)
        form_.LayOutContents(c);
    UpdateTip();
    TellScreenReaders(c, first, moved);
}

void WinControlPeer::MakeButton(const Drawn& now) {
    form_.Host().LoadCommonControls();  // for the themed button of common controls 6
    const RECT& r = now.box;
    const DWORD style = WS_CHILD | WS_TABSTOP |
                        (control_.IsDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) |
                        (now.shown ? WS_VISIBLE : 0) | (now.enabled ? 0 : WS_DISABLED);
    hwnd_ = CreateWindowExW(0, L"BUTTON", now.text.c_str(), style, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, form_.Window(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)),
                            form_.Host().Instance(), nullptr);
    if (hwnd_)
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(now.font), FALSE);
}

void WinControlPeer::ApplyButton(const Drawn& before) {
    const Drawn& now = drawn_;
    if (!hwnd_) {
        MakeButton(now);
        return;
    }
    if (now.text != before.text)
        SetWindowTextW(hwnd_, now.text.c_str());
    if (now.font != before.font)
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(now.font), TRUE);
    if (!EqualRect(&now.box, &before.box))
        SetWindowPos(hwnd_, nullptr, now.box.left, now.box.top, now.box.right - now.box.left,
                     now.box.bottom - now.box.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (now.enabled != before.enabled) {
        // A button disabled while it has the focus (while the task it started runs) would leave
        // the keyboard with no window at all, and its keys unheard: the form's window takes the
        // focus meanwhile, and the button takes it back once enabled again.
        if (!now.enabled) {
            hadFocus_ = GetFocus() == hwnd_;
            if (hadFocus_)
                SetFocus(form_.Window());
        }
        EnableWindow(hwnd_, now.enabled);
        if (now.enabled && hadFocus_ && (!GetFocus() || GetFocus() == form_.Window()))
            SetFocus(hwnd_);
    }
    if (now.shown != before.shown)
        ShowWindow(hwnd_, now.shown ? SW_SHOWNA : SW_HIDE);
}

// A text cut short shows whole as the label's tooltip, unless the label has a tip of its own.
void WinControlPeer::UpdateTip() {
    std::wstring tip = Widen(control_.ToolTip());
    if (tip.empty() && label_.Fitted().layout.cut)
        tip = drawn_.text;
    form_.SetTip(*this, tip);
}

// A screen reader that has read the control hears when it moves (a sort, a scroll) and when its
// name or value changes (a new measurement changes a bar's share). A bar's indicator is read
// with its bar, which tells for both.
void WinControlPeer::TellScreenReaders(const Control& c, bool first, bool moved) {
    const forms::Accessible said = forms::Describe(c);
    const bool told = !first && said.role != forms::Role::Indicator;
    if (told && moved)
        form_.ChildrenMoved();
    if (told && said.name != accName_)
        form_.Tell(EVENT_OBJECT_NAMECHANGE, c);
    if (told && said.value != accValue_)
        form_.Tell(EVENT_OBJECT_VALUECHANGE, c);
    accName_ = said.name;
    accValue_ = said.value;
}

void WinControlPeer::BringToFront() {
    form_.Raise(*this);
}

}  // namespace win32
