// Where a control stands in its form's client area, in pixels.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "forms/Form.h"

namespace {

// At 144 DPI a pixel is 10 twips. A control inside a frame is rounded where it stands on the
// form, not frame and control each on their own (14 + 14 twips make 3 pixels, not 1 + 1); a
// line of no height is one pixel high; what a scrolled frame holds moves with it, whether or
// not it scrolls itself.
TEST(PixelBox, EdgesAreRoundedWhereTheyStandOnTheForm) {
    fakes::FakeHost host;
    forms::Control frame(forms::Kind::Frame, "frame"), inside(forms::Kind::Label, "inside"),
        line(forms::Kind::Line, "line");
    forms::Form form(host, "form");
    for (forms::Control* c : {&frame, &inside, &line}) form.Register(*c);
    form.Placed({0, 0, 3000, 1000, 3000, 1000, forms::kNormal});
    form.SetScrollArea(0, 200, 0);
    frame.Move(14, 14, 1000, 1000);
    frame.SetScrolls(true);
    inside.SetContainer(&frame);
    inside.Move(14, 14, 100, 100);
    line.Move(0, 50, 100, 0);
    const struct {
        const forms::Control& c;
        double scrollTop;
        int left, top, width, height;
    } cases[] = {
        {frame, 0, 1, 1, 100, 100},     {inside, 0, 3, 3, 10, 10},     {line, 0, 0, 5, 10, 1},
        {frame, 200, 1, -19, 100, 100}, {inside, 200, 3, -17, 10, 10}, {line, 200, 0, 5, 10, 1},
    };
    for (const auto& k : cases) {
        form.ScrollTo(k.scrollTop);
        ASSERT_EQ(form.ScrollTop(), k.scrollTop);
        const forms::PixelRect r = form.PixelBox(k.c, 144);
        EXPECT_EQ(r.left, k.left) << k.c.Name() << " at " << k.scrollTop;
        EXPECT_EQ(r.top, k.top) << k.c.Name() << " at " << k.scrollTop;
        EXPECT_EQ(r.width, k.width) << k.c.Name() << " at " << k.scrollTop;
        EXPECT_EQ(r.height, k.height) << k.c.Name() << " at " << k.scrollTop;
    }
}

}  // namespace
