// A control as its form's window shows it: the box it takes in the window's client pixels, its
// text laid out for that box, its tooltip and what screen readers were last told of it. Labels,
// shapes, lines, frames and picture boxes have no window: the form's window draws them
// (Painter.h). A push button is a window of its own, Windows' own button, so that it takes the
// keyboard focus, Tab, Enter and Escape as every dialog's buttons do.
#pragma once

#include <windows.h>

#include <string>

#include "forms/Control.h"
#include "win32/Text.h"

namespace win32 {

class WinFormPeer;

class WinControlPeer : public forms::ControlPeer {
  public:
    WinControlPeer(WinFormPeer& form, forms::Control& control, int id);
    ~WinControlPeer() override;
    WinControlPeer(const WinControlPeer&) = delete;
    WinControlPeer& operator=(const WinControlPeer&) = delete;

    // Until its form first shows, a change costs nothing: the form lays every control out then.
    void Apply(const forms::Control& c) override;
    void BringToFront() override;
    // Lays the control out as it stands, at its form's DPI, and has the window repaint what
    // changed; makes a push button's window if it has none yet.
    void LayOut();

    forms::Control& Model() const { return control_; }
    // The control's number in its form: its tooltip's id and its button's command id.
    int Id() const { return id_; }
    // Where it is drawn, in its form's client pixels: its designed rectangle, or more where a
    // label's text needs more room (see LayOutLabel).
    const RECT& Box() const { return drawn_.box; }
    // Its designed top left corner, in its form's client pixels: mouse events count from there.
    POINT Origin() const;
    // Visible, in a container that shows, and not scrolled out of view.
    bool Shown() const { return drawn_.shown; }
    HFONT Font() const { return drawn_.font; }
    // Where a label's text is laid out: its box, but for what lies past the window's edge.
    RECT TextBox() const { return ToRect(label_.Fitted().textBox); }
    const std::wstring& Text() const { return drawn_.text; }
    const forms::TextLayout& Layout() const { return label_.Fitted().layout; }
    // A push button's window; null for any other control.
    HWND Window() const { return hwnd_; }

  private:
    // What the window shows of the control: when any of it changes, its box is repainted.
    struct Drawn {
        std::wstring text;
        RECT box{0, 0, 0, 0};
        bool shown = false;
        HFONT font = nullptr;
        forms::Color fore = 0, back = 0;
        bool opaque = true, border = false, enabled = true;
        forms::Align align = forms::Align::Left;
        int picture = 0;
        bool Same(const Drawn& o) const;
    };

    Drawn Measure(const forms::Control& c);
    RECT DesignedBox(const forms::Control& c) const;
    // Lays a label's text out for its box, and returns the box: the designed one, grown as
    // little as needed where its text in `font` does not fit it.
    RECT LayOutLabel(const forms::Control& c, const std::wstring& text, const RECT& designed,
                     HFONT font);
    void ApplyButton(const Drawn& now);
    void MakeButton(const Drawn& now);
    void TellScreenReaders(const forms::Control& c, bool first, bool moved);
    void UpdateTip();

    WinFormPeer& form_;
    forms::Control& control_;
    const int id_;
    HWND hwnd_ = nullptr;
    bool hadFocus_ = false;  // a button had the focus as it was disabled
    bool laidOut_ = false;
    Drawn drawn_;
    std::string accName_, accValue_;  // as screen readers were last told
    forms::FittedLabelCache label_;   // a label's text, laid out
};

}  // namespace win32
