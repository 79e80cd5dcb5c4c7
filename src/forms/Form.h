// A form: a window designed in twips, holding its controls and menu. Its behaviour lives in
// handlers of the subclass; a peer made by the host applies its properties to a real window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/Control.h"
#include "forms/Menu.h"
#include "forms/Runtime.h"
#include "forms/Twips.h"

namespace forms {

enum class Border { Sizable, FixedSingle, FixedDialog };

// Modifier keys, as key and mouse events report them.
enum ShiftMask : int { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };

// A window's state, as the forms number it.
enum WindowState : int { kNormal = 0, kMinimized = 1, kMaximized = 2 };

// Where a form's window stands, as its peer finds it after a move or a change of size: the
// outer place and size and the client area's size, all in twips, and the state.
struct Placement {
    double left, top, width, height;
    double clientWidth, clientHeight;
    int state;
};

class FormPeer {
  public:
    virtual ~FormPeer() = default;
    // Applies caption, position, size, visibility and mouse pointer.
    virtual void Apply(const Form& form) = 0;
    // Realises a control that was loaded after the form.
    virtual void AddControl(Control& control) = 0;
    virtual void MenuChanged(const MenuItem& item) = 0;
    // The window's handle, as the form's hWnd gives it; the window is made if it is not yet.
    virtual std::uintptr_t Hwnd() = 0;
};

class Form {
  public:
    Form(FormHost& host, std::string name);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    const std::string& Name() const { return name_; }

    // Load makes the window (hidden) and runs Form_Load; it does nothing when loaded already.
    void Load();
    void Show();
    // Shows the form modally: returns when it has been unloaded or hidden.
    void ShowModal();
    void Hide();
    // Destroys the window. The owner of the form object makes a fresh one for the next load,
    // so that every opening starts from the design.
    void Unload();
    bool IsLoaded() const { return loaded_; }
    bool Visible() const { return visible_; }
    // The window handle; asking for it loads the form without showing it.
    std::uintptr_t hWnd();

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& text);
    // Outer position and size in twips.
    double Left() const { return left_; }
    double Top() const { return top_; }
    double Width() const { return width_; }
    double Height() const { return height_; }
    void Move(double left, double top, double width, double height);
    void Move(double left, double top) { Move(left, top, width_, height_); }
    // Set by the host when it realises the form: the outer size of the designed inner area.
    void SetOuterSize(double width, double height);
    // Set by the peer when the window has been moved or sized other than by Move (by the
    // user, by the system): the properties follow the window, and nothing is applied back.
    // While the window is minimised its place and size stay those it had before.
    void Placed(const Placement& p);
    // Where the form's window stands on the screen, in pixels. The screen is one plane of
    // pixels, whatever the scale of each of its monitors: the place counts in twips at one scale
    // for all windows, the system's `systemDpi`, as the screen's own size does, so that a window
    // placed beside another lands there on any monitor. The size counts at the window's own
    // `dpi`: a form keeps its twips on a screen of any scale.
    PixelRect OnScreen(int systemDpi, int dpi) const;
    // The window stands at `outer` (screen pixels) with a client area of `clientWidth` by
    // `clientHeight` pixels, in `state`: the form is Placed there. Where the window stands where
    // OnScreen puts it, the form keeps its own twips, which the pixels would round.
    void PlacedAt(const PixelRect& outer, int clientWidth, int clientHeight, int state,
                  int systemDpi, int dpi);
    int WindowState() const { return state_; }
    // The client area's height, twips: as Move leaves it (the height less the frame the host
    // found) until the window is placed.
    double ClientHeight() const { return clientHeight_; }
    // What the window's frame, caption and menu bar take of its outer width and height, twips,
    // as the host found them.
    double FrameWidth() const { return frameWidth_; }
    double FrameHeight() const { return frameHeight_; }

    // Scrolling. The controls that scroll (Control::Scrolls) keep their places in the form's
    // coordinates; on the screen they stand ScrollTop() higher, and those it takes above
    // `areaTop` (under the controls that stay) are hidden. ScrollTop goes by whole steps, so
    // that nothing shows cut in half; it is at most what brings the lowest scrolling control,
    // and `bottomMargin` below it, into the client area. Where every scrolling control fits,
    // nothing scrolls, whatever the margin.
    void SetScrollArea(double areaTop, double step, double bottomMargin);
    bool Scrolls() const { return step_ > 0; }
    double ScrollStep() const { return step_; }
    double ScrollAreaTop() const { return areaTop_; }
    double ScrollTop() const { return scrollTop_; }
    double ScrollMax() const;
    // Rounded to a step and held within 0 and ScrollMax().
    void ScrollTo(double top);
    // The steps the client area holds below the controls that stay: a page, at least one.
    int PageSteps() const;
    // The scroll bar, in steps: it runs from 0 to `max`, a `page` of it shows at a time, the
    // first from `pos`; at the bottom, the page ends at `max`.
    struct ScrollBarSteps {
        int max, page, pos;
    };
    ScrollBarSteps ScrollBar() const;
    // What the scroll bar's arrows, page areas and ends ask for, and the keys that do as they do.
    enum class ScrollBy { LineUp, LineDown, PageUp, PageDown, Top, Bottom };
    void Scroll(ScrollBy by);
    // A turn of the mouse wheel, of `delta` (120 a notch, positive away from the user), where
    // the user's mouse setting scrolls `lines` lines of text a notch (kWheelPage: a screen at a
    // time). It scrolls three lines to a row (a row is about as high as three lines), so that
    // the usual setting of three scrolls a row a notch; set to a screen at a time, a notch
    // scrolls a page. Finer wheels, and settings that are not whole rows, add up to a row first.
    static constexpr unsigned kWheelPage = ~0u;
    void Wheel(int delta, unsigned lines);
    // Where a control stands on the screen, in the form's client area, and whether it is
    // scrolled out of view.
    double ScreenTop(const Control& c) const;
    bool ScrolledAway(const Control& c) const;
    // Where a control stands in the client area, in pixels at `dpi`: its edges are rounded where
    // they stand on the form, so that a control inside a frame lands on the same pixels as it
    // would directly on the form. A line is one pixel thick.
    PixelRect PixelBox(const Control& c, int dpi) const;
    int MousePointer() const { return mousePointer_; }
    void SetMousePointer(int code);

    // Design: set by the subclass's constructor.
    double DesignWidth() const { return designWidth_; }    // inner area, twips
    double DesignHeight() const { return designHeight_; }  // inner area, twips
    Border BorderStyle() const { return border_; }
    bool MinButton() const { return minButton_; }
    bool MaxButton() const { return maxButton_; }
    bool ShowInTaskbar() const { return showInTaskbar_; }
    int IconId() const { return iconId_; }
    Color BackColor() const { return backColor_; }
    const std::vector<Control*>& Controls() const { return controls_; }
    // The controls in the order their windows are laid out: as they came, containers before
    // what they hold, and the push buttons last, in their tab order, which the order their
    // windows are made in gives the keyboard.
    std::vector<Control*> LayOutOrder() const;
    // The buttons Enter and Escape press (Control::IsDefault, Control::IsCancel); null for none.
    Control* DefaultButton() const;
    Control* CancelButton() const;
    const std::vector<MenuItem*>& MenuBar() const { return menuBar_; }

    // Mouse events on the form's own background, in twips.
    Control::MouseHandler MouseMove;
    // A key pressed while the form has the keyboard: its key code (the system's virtual-key
    // code: '1' for the key 1) and the modifiers held (kShiftMask | kCtrlMask | kAltMask).
    // True when the form has taken the key.
    std::function<bool(int key, int shift)> KeyDown;
    // What Enter (`enter`) or Escape does, as in a dialog: Enter opens `focused`, the control
    // that has the keyboard focus, where it is a link, and else presses the default button, or
    // else `focused`; Escape presses the cancel button, or else closes the window, as its close
    // box does. Empty where it does nothing. Handed back to be run, not run here: it may unload
    // the form.
    std::function<void()> KeyCommand(bool enter, Control* focused);
    // Where Tab (Shift+Tab: `back`) takes the keyboard from `from`: through the push buttons in
    // their tab order, then the links as they came, those that show and are enabled, round and
    // round; from anywhere else to the first (last). Null where nothing takes the keyboard.
    Control* NextStop(const Control* from, bool back) const;
    // Runs when the user asks to close the window (its close box); unloads it by default.
    virtual void QueryClose() { Unload(); }

    // Called by controls and menu items of this form.
    void Register(Control& c);
    void NotifyMenu(const MenuItem& item);
    FormPeer* Peer() const { return peer_.get(); }

  protected:
    virtual void Form_Load() {}
    virtual void Form_Unload() {}

    void Design(double innerWidth, double innerHeight, Border border, bool minButton,
                bool maxButton, bool showInTaskbar, int iconId, Color backColor = kButtonFace);
    void AddMenu(MenuItem& item) { menuBar_.push_back(&item); }
    FormHost& host_;

  private:
    void Changed();

    std::string name_;
    std::string caption_;
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    double clientHeight_ = 0, frameWidth_ = 0, frameHeight_ = 0;
    int state_ = kNormal;
    double areaTop_ = 0, step_ = 0, bottomMargin_ = 0, scrollTop_ = 0;
    int wheel_ = 0;  // wheel turns not yet come to a row, in thirds of the wheel's units
    int mousePointer_ = kDefaultPointer;
    double designWidth_ = 0, designHeight_ = 0;
    Border border_ = Border::Sizable;
    bool minButton_ = true, maxButton_ = true, showInTaskbar_ = true;
    int iconId_ = 0;
    Color backColor_ = kButtonFace;
    bool loaded_ = false;
    bool visible_ = false;
    std::vector<Control*> controls_;
    std::vector<MenuItem*> menuBar_;
    std::unique_ptr<FormPeer> peer_;
};

}  // namespace forms
