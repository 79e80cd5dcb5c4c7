// A form's window and its controls' child windows.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "forms/Form.h"
#include "win32/Text.h"
#include "win32/WinHost.h"

namespace win32 {

class WinFormPeer;

class WinControlPeer : public forms::ControlPeer {
  public:
    WinControlPeer(WinFormPeer& form, forms::Control& control);
    ~WinControlPeer() override;
    void Apply(const forms::Control& c) override;
    void BringToFront() override;
    // Moves the window where its form's scroll puts it (showing or hiding it), as part of
    // `batch`; on its own when the batch has failed (null).
    void Scroll(HDWP& batch);
    // Makes the control's window, as the control stands, unless it is made.
    void MakeWindow();
    // When the control was brought to the front before its window was made (0: not).
    int Front() const { return front_; }
    // Tells the form's tooltips of a change of this control's tip from `before`.
    void RegisterTip(HWND tooltips, const std::wstring& before);

    HWND Window() const { return hwnd_; }
    forms::Control& Model() const { return control_; }
    WinFormPeer& FormPeer() const { return form_; }
    int Id() const { return id_; }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  private:
    static std::wstring TextOf(const forms::Control& c);
    RECT RectOf(const forms::Control& c) const;
    // Whether the control's window is to show: visible, and not scrolled out of view.
    bool Shows(const forms::Control& c) const;
    // A label's rectangle `r` grown, as little as needed, where its text in `font` does not fit
    // it; its text is laid out for it.
    RECT Fitted(const forms::Control& c, const RECT& r, HFONT font);
    void LayOutText(HFONT font, int width, int height, forms::TextFit fit);
    RECT Room() const;
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void Paint(HDC dc, const RECT& r);
    std::vector<WinControlPeer*> Overlapping() const;
    void ShowThroughLabelsAgain();
    void PaintBeneath(HDC dc);
    bool MissingSymbol(HDC dc) const;
    void Mouse(const forms::Control::MouseHandler& handler, int button, WPARAM wp, LPARAM lp);
    COLORREF ContainerColor() const;

    WinFormPeer& form_;
    forms::Control& control_;
    HWND hwnd_ = nullptr;
    int id_;
    bool pressed_ = false;
    bool painting_ = false;  // in WM_PAINT's BeginPaint
    // What was last applied, so that an unchanged property costs nothing.
    std::wstring text_;
    RECT rect_{-1, -1, -1, -1};
    bool shown_ = false;
    bool fresh_ = false;  // made with what the control holds, not yet applied
    int front_ = 0;
    HFONT font_ = nullptr;
    std::wstring tip_;
    // A label's text as laid out for its box, and what it was laid out from.
    TextLayout layout_;
    int laidWidth_ = -1;
    forms::TextFit laidFit_ = forms::TextFit::Grow;
    struct Laid {
        std::wstring text;
        HFONT font = nullptr;
        forms::TextFit fit = forms::TextFit::Grow;
        bool border = false;
        RECT designed{0, 0, 0, 0}, room{0, 0, 0, 0}, fitted{0, 0, 0, 0};
    } laid_;
};

class WinFormPeer : public forms::FormPeer {
  public:
    WinFormPeer(WinHost& host, forms::Form& form);
    ~WinFormPeer() override;
    void Apply(const forms::Form& form) override;
    void AddControl(forms::Control& control) override;
    void MenuChanged(const forms::MenuItem& item) override;
    std::uintptr_t Handle() override;

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

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  private:
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void BuildMenu();
    void AddMenuItems(HMENU menu, const forms::MenuItem& item);
    void Command(int id);
    void MakeWindow();
    void GiveIcons();
    void RecordPlace();
    void UpdateScrollBar();
    void ScrollRows(int rows);
    int PageRows() const;
    bool ScrollKey(WPARAM key);
    void ScrollBar(WPARAM wp);
    void Wheel(int delta);
    void DpiChanged(int dpi, const RECT& suggested);
    void MakeControlWindows();
    void ShowAndDraw();
    void DrawControls(HDC dc, const forms::Control* container);
    forms::Control* Button(bool isDefault) const;

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
    SCROLLINFO bar_{0, 0, 0, -1, 0, 0, 0};  // the scroll bar, as last set (nMax -1: not yet)
    std::vector<WinControlPeer*> order_;    // the controls in the order they came
    std::unordered_map<HWND, WinControlPeer*> byWindow_;
    std::vector<WinControlPeer*> made_;  // the controls whose windows are made, in that order
};

}  // namespace win32
