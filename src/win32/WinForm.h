// A form's window and its controls' child windows.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "forms/Form.h"
#include "win32/WinControl.h"
#include "win32/WinHost.h"

namespace win32 {

class WinFormPeer : public forms::FormPeer {
  public:
    WinFormPeer(WinHost& host, forms::Form& form);
    ~WinFormPeer() override;
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
    // The form's tooltips; nullptr until the mouse has come over the form.
    HWND Tooltips() const { return tooltip_; }
    // The mouse is over the form or one of its controls: the tooltips are made if not yet.
    void MouseOver();
    // The window that holds a control: its frame's or picture box's, or the form's.
    HWND ParentOf(const forms::Control& c) const;
    WinControlPeer* PeerOf(const forms::Control* c) const;
    // The peer whose window `w` is; nullptr for another window.
    WinControlPeer* PeerOfWindow(HWND w) const;
    // The controls' windows: Adopt files one of the controls' own class as it is created
    // (WM_NCCREATE), for PeerOfWindow; Made records each one made, in the order they are made;
    // Release forgets a control's window as it goes.
    void Adopt(WinControlPeer& peer);
    void Made(WinControlPeer& peer);
    void Release(WinControlPeer& peer);
    int NextControlId() { return nextId_++; }
    int NextFront() { return ++fronts_; }
    // Whether the form has been shown: its controls have their windows from then on.
    bool Shown() const { return everShown_; }
    // Sets the pointer the form asks for while the mouse is over it; false for the default.
    bool SetPointer() const;
    // A control has moved, or shown or hidden: screen readers hear once, when the change is
    // over, that the form's children may stand in a new order.
    void ChildrenMoved();

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  private:
    // The window procedure: each message unpacked for its handler.
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnGetDefId() const;
    void OnClose();
    void OnPlaced();  // moved or sized
    void OnScrollBar(int request);
    void OnWheel(int delta);
    bool OnKeyDown(UINT key);
    void OnColorsChanged();
    void OnDpiChanged(int dpi, const RECT& suggested);
    void OnEndSession(bool ending);
    void OnEraseBackground(HDC dc);
    bool OnSetCursor(int hitTest);
    // `keys`: the MK_ flags; `at`: in the window's client coordinates.
    void OnMouseMove(UINT keys, POINT at);
    void OnChildrenMoved();
    void MakeWindow();
    void GiveIcons();
    void RecordPlace();
    void DpiChanged(int dpi, const RECT& suggested);
    // Menus, commands and tooltips (WinFormCommands.cpp).
    void BuildMenu();
    void AddMenuItems(HMENU menu, const forms::MenuItem& item);
    void OnCommand(int id);
    forms::Control* Button(bool isDefault) const;
    // Scrolling (WinFormScroll.cpp).
    void UpdateScrollBar();
    void ScrollRows(int rows);
    int PageRows() const;
    bool ScrollKey(UINT key);
    void ScrollBar(int request);
    void Wheel(int delta);
    // The first show (WinFormShow.cpp).
    void MakeControlWindows();
    void ShowAndDraw();
    void DrawControls(HDC dc, const forms::Control* container);

    WinHost& host_;
    forms::Form& form_;
    int dpi_;
    DWORD style_ = 0, exStyle_ = 0;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    HMENU menu_ = nullptr;
    std::map<const forms::Control*, std::unique_ptr<WinControlPeer>> controls_;
    std::map<int, forms::MenuItem*> menuIds_;
    std::map<const forms::MenuItem*, int> menuItems_;
    int nextId_ = 100;
    RECT rect_{-1, -1, -1, -1};
    std::wstring caption_;
    bool shown_ = false;
    bool everShown_ = false;
    int fronts_ = 0;
    double scrollTop_ = 0;                  // the form's ScrollTop, as last applied
    int wheel_ = 0;                         // wheel turns not yet come to a notch
    bool placing_ = false;                  // the form is being told where its window is
    bool reorderPosted_ = false;            // ChildrenMoved's notice is on its way
    SCROLLINFO bar_{0, 0, 0, -1, 0, 0, 0};  // the scroll bar, as last set (nMax -1: not yet)
    std::vector<WinControlPeer*> order_;    // the controls in the order they came
    std::unordered_map<HWND, WinControlPeer*> byWindow_;
    std::vector<WinControlPeer*> made_;  // the controls whose windows are made, in that order
};

}  // namespace win32
