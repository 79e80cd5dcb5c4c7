// A form's first show, which draws every control itself instead of leaving each window to
// paint: over controls stacked on each other, it must stand as the system paints the windows.
#include <windows.h>

#include <gtest/gtest.h>

#include "Probe.h"
#include "forms/Form.h"
#include "win32/WinHost.h"

namespace {

using forms::Control;
using forms::Kind;
using forms::Rgb;

// Labels and a frame piled up: a label held by the frame but loaded before it, so that the
// frame's window is made ahead of the labels loaded between them; and a label brought to the
// front as the form loads.
class Stack : public forms::Form {
  public:
    explicit Stack(forms::FormHost& host) : Form(host, "Stack") {
        Design(3600, 2400, forms::Border::FixedSingle, false, false, true, 0);
        SetCaption("Pila");
        Paint(held, 120, 120, 1500, 600, Rgb(255, 0, 0), "dentro");
        held.SetContainer(&frame);
        Paint(under, 0, 0, 1200, 1500, Rgb(0, 0, 255), "sotto");
        frame.Move(360, 360, 2400, 1500);
        frame.SetBackColor(Rgb(0, 160, 0));
        Register(frame);
        Paint(front, 1800, 1080, 1500, 900, Rgb(255, 255, 0), "davanti");
        Paint(last, 2100, 120, 1200, 1800, Rgb(255, 0, 255), "ultima");
    }

  protected:
    void Form_Load() override { front.ZOrder(); }

  private:
    void Paint(Control& c, double l, double t, double w, double h, forms::Color back,
               const char* text) {
        c.Move(l, t, w, h);
        c.SetOpaque(true);
        c.SetBackColor(back);
        c.SetCaption(text);
        Register(c);
    }

    Control held{Kind::Label, "held"};
    Control under{Kind::Label, "under"};
    Control frame{Kind::Frame, "frame"};
    Control front{Kind::Label, "front"};
    Control last{Kind::Label, "last"};
};

TEST(FirstShow, StacksControlsAsTheSystemStacksTheirWindows) {
    win32::WinHost host(GetModuleHandleW(nullptr));
    Stack form(host);
    form.Show();
    host.DoEvents();
    const HWND hwnd = reinterpret_cast<HWND>(form.hWnd());
    const probe::Drawing d = probe::Drawn(hwnd);
    EXPECT_TRUE(d.wrong.empty()) << "drawn otherwise: " << probe::Names(d.wrong);
    EXPECT_TRUE(d.unpainted.empty()) << "left to paint: " << probe::Names(d.unpainted);
    EXPECT_EQ(d.controls, 5);
    EXPECT_EQ(probe::ChangedByRepainting(hwnd), 0);
    form.Unload();
}

}  // namespace
