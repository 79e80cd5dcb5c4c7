// A form's window: one window per form, which draws the form's labels, shapes, lines, frames
// and picture boxes itself, finds the control under the mouse and hands it its events, and
// holds the form's tooltips. Push buttons are child windows of it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "forms/Form.h"
#include "win32/Painter.h"
#include "win32/WinControl.h"
#include "win32/WinHost.h"

namespace win32 {

class WinFormPeer : public forms::FormPeer {
  public:
    WinFormPeer(WinHost& host, forms::Form& form);
    ~WinFormPeer() override;
    WinFormPeer(const WinFormPeer&) = delete;
    WinFormPeer& operator=(const WinFormPeer&) = delete;

    void Apply(const forms::Form& form) override;
    void AddControl(forms::Control& control) override;
    void MenuChanged(const forms::MenuItem& item) override;
    std::uintptr_t Hwnd() override;

    // The form's window; nullptr until it is made (see MakeWindow).
    HWND Window() const { return hwnd_; }
    WinHost& Host() const { return host_; }
    forms::Form& Model() const { return form_; }
    // The dots per inch the form's window is laid out at: its screen's.
    int Dpi() const { return dpi_; }
    // Whether the form has been shown: its controls are laid out from then on.
    bool EverShown() const { return everShown_; }
    WinControlPeer* PeerOf(const forms::Control* c) const;
    // The controls from the topmost down: the order they are found under the mouse in, and
    // drawn in backwards.
    const std::vector<WinControlPeer*>& Stack() const { return stack_; }

    // The shown control at `at` (client pixels), the topmost there, and within a frame or
    // picture box what it holds before itself; null over the form's own background. As a
    // screen reader finds it (`readable`), a bar's indicator is passed over for its bar.
    WinControlPeer* ControlAt(POINT at, bool readable = false) const;
    // What shows of the window and of the containers that hold `c`, in client pixels: where a
    // label may grow.
    RECT Room(const forms::Control& c) const;
    // Draws the form, its background and every control but the push buttons, from the bottom
    // up, into `dc` (in client pixels), as much as lies in `area`.
    void Paint(HDC dc, const RECT& area) const;

    // What the controls' peers ask of the window as their controls change. The window repaints
    // and screen readers hear once the change is over (FinishChanges).
    void Repaint(const RECT& r);
    void LayOutContents(const forms::Control& container);
    void Raise(WinControlPeer& peer);
    void SetTip(const WinControlPeer& peer, const std::wstring& tip);
    // A control has moved, or shown or hidden: the children stand in a new order.
    void ChildrenMoved();
    void Tell(DWORD event, const forms::Control& c);
    // Invalidates what the changes since the last call left to repaint and tells screen readers
    // of them. The host calls it as each message to its windows has been handled.
    void FinishChanges();

    // The drawn link that has the keyboard focus (the window itself has it); null for none.
    const forms::Control* FocusedLink() const {
        return link_ && GetFocus() == hwnd_ ? link_ : nullptr;
    }
    // Sent by the message loop with a key pressed in the form's modal window (the key's code),
    // before the dialog manager, which knows only the buttons' windows, sees it; nonzero when
    // the form took it.
    static constexpr UINT kDialogKey = WM_APP + 2;

    // The mouse is over the form: the tooltips are made if not yet.
    void MouseOver();
    // Sets the pointer the form asks for while the mouse is over it; false for the default.
    bool SetPointer() const;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  private:
    // The window procedure: each message unpacked for its handler.
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnGetDefId() const;
    bool OnKeyDown(UINT key);
    bool OnDialogKey(UINT key);
    void OnColorsChanged();
    void OnPaint();
    bool OnSetCursor(HWND over, int hitTest);
    // `keys`: the MK_ flags; `at`: in client pixels.
    void OnMouseMove(UINT keys, POINT at);
    void OnButtonDown(int button, UINT keys, POINT at);
    void OnLeftButtonUp(POINT at);
    LRESULT OnButtonColor(HDC dc, HWND button);
    void MakeWindow();
    void GiveIcons();
    void RecordPlace();
    void DpiChanged(int dpi, const RECT& suggested);
    void LayOutAll();
    void PaintLayer(HDC dc, const RECT& area, const forms::Control* container,
                    const PaintContext& context) const;
    void Mouse(const forms::Control::MouseHandler& handler, int button, UINT keys, POINT at,
               const WinControlPeer* over);
    // Menus, commands and tooltips (WinFormCommands.cpp).
    void BuildMenu();
    void AddMenuItems(HMENU menu, const forms::MenuItem& item);
    void OnCommand(int id);
    // Scrolling (WinFormScroll.cpp).
    void UpdateScrollBar();
    bool ScrollKey(UINT key);
    void ScrollBar(int request);
    void Wheel(int delta);

    WinHost& host_;
    forms::Form& form_;
    int dpi_;
    DWORD style_ = 0, exStyle_ = 0;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    HMENU menu_ = nullptr;
    std::vector<std::unique_ptr<WinControlPeer>> controls_;  // as they came: the tab order
    std::vector<WinControlPeer*> stack_;                     // from the topmost down
    std::vector<std::pair<int, forms::MenuItem*>> menuIds_;  // the menu items' command ids
    // Each control's tooltip, by the control's id, and where it answers the mouse.
    struct Tip {
        std::wstring text;
        RECT rect;
    };
    std::vector<std::pair<int, Tip>> tips_;
    int nextId_ = 100;
    RECT rect_{-1, -1, -1, -1};
    std::wstring caption_;
    bool shown_ = false;                       // shown now
    bool everShown_ = false;                   // shown at some time
    const forms::Control* pressed_ = nullptr;  // pressed with the left button, for its click
    double scrollTop_ = 0;                     // the form's ScrollTop, as last applied
    int pointer_ = forms::kDefaultPointer;     // the form's MousePointer, likewise
    HWND focusBack_ = nullptr;                 // the button to focus as the window is active
    const forms::Control* link_ = nullptr;     // the link Tab came to last, while it has it
    bool placing_ = false;                     // the form is being told where its window is
    int laidWidth_ = -1;                       // the client area's width, as laid out for
    SCROLLINFO bar_{0, 0, 0, -1, 0, 0, 0};     // the scroll bar, as last set (nMax -1: not yet)
    // Changes not yet finished: what to repaint, and what to tell screen readers.
    RECT dirty_{0, 0, 0, 0};
    bool reordered_ = false;
    std::vector<std::pair<DWORD, const forms::Control*>> told_;
    bool finishPosted_ = false;

    void Pending();
    // Sends the tooltip control `message` (TTM_ADDTOOLW, ...) about the control `id`'s tool.
    void SendTool(UINT message, int id, Tip& tip) const;
};

}  // namespace win32
