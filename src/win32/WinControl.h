// A control's child window, as its peer makes, changes, lays out and paints it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "forms/Control.h"
#include "win32/Text.h"

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
    // The window procedure: each message unpacked for its handler.
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    void OnEraseBackground(HDC dc);
    void OnPaint();
    void OnPrintClient(HDC dc);
    // True when the pointer is set.
    bool OnSetCursor();
    // `keys`: the MK_ flags; `at`: in the window's client coordinates.
    void OnMouseMove(UINT keys, POINT at);
    void OnButtonDown(int button, UINT keys, POINT at);
    void OnLeftButtonUp(POINT at);
    void OnCaptureChanged();
    void Paint(HDC dc, const RECT& r);
    std::vector<WinControlPeer*> Overlapping() const;
    void ShowThroughLabelsAgain();
    void PaintBeneath(HDC dc);
    bool MissingSymbol(HDC dc) const;
    void Mouse(const forms::Control::MouseHandler& handler, int button, UINT keys, POINT at);
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
    std::string accName_, accValue_;  // the name and value screen readers have been given
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

}  // namespace win32
