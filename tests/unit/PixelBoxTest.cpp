// Where a form's window stands on the screen, and a control in its client area, in pixels.
#include <gtest/gtest.h>

#include <vector>

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
        EXPECT_EQ((std::vector<int>{r.left, r.top, r.width, r.height}),
                  (std::vector<int>{k.left, k.top, k.width, k.height}))
            << k.c.Name() << " at " << k.scrollTop;
    }
}

// A form 6,000 twips tall scrolled by 300, moved to 1,000.5, 500, 4,000 by 3,000 twips, and
// scrolled as far as it goes, then placed: where its twips put it, it keeps them, however they
// round; elsewhere its place counts at the system's DPI (96, 15 twips a pixel) and its size and
// client area at the window's (144, 10 twips a pixel); minimised, it keeps all but its state.
// Placed taller, it scrolls no further than what is left.
TEST(PixelBox, AFormFollowsItsWindowButKeepsTheTwipsThatPutItThere) {
    fakes::FakeHost host;
    forms::Control row(forms::Kind::Label, "row");
    forms::Form form(host, "form");
    form.Register(row);
    row.SetScrolls(true);
    row.Move(0, 0, 1000, 6000);
    form.SetScrollArea(0, 300, 0);
    using forms::kMaximized;
    using forms::kMinimized;
    using forms::kNormal;
    const struct {
        int dpi, state;
        forms::PixelRect outer;
        int clientWidth, clientHeight;
        double left, top, width, height, clientTwips, scrollTop;
    } cases[] = {
        {96, kNormal, {67, 33, 266, 200}, 250, 180, 1000.5, 500, 4000, 3000, 2700, 3000},
        {96, kNormal, {100, 40, 266, 200}, 250, 220, 1500, 600, 3990, 3000, 3300, 2700},
        {144, kNormal, {67, 33, 400, 300}, 380, 270, 1000.5, 500, 4000, 3000, 2700, 3000},
        {144, kNormal, {200, 80, 450, 360}, 430, 330, 3000, 1200, 4500, 3600, 3300, 2700},
        {96, kMinimized, {-32000, -32000, 160, 24}, 0, 0, 1000.5, 500, 4000, 3000, 3000, 3000},
        {96, kMaximized, {-8, -8, 1296, 1000}, 1280, 940, -120, -120, 19440, 15000, 14100, 0},
    };
    for (const auto& k : cases) {
        form.Move(1000.5, 500, 4000, 3000);
        form.ScrollTo(1e6);
        ASSERT_EQ(form.ScrollTop(), 3000);
        form.PlacedAt(k.outer, k.clientWidth, k.clientHeight, k.state, 96, k.dpi);
        const std::string at = "at " + std::to_string(k.outer.left) + "," +
                               std::to_string(k.outer.top) + ", " + std::to_string(k.dpi) + " DPI";
        EXPECT_EQ(form.WindowState(), k.state) << at;
        EXPECT_EQ(form.Left(), k.left) << at;
        EXPECT_EQ(form.Top(), k.top) << at;
        EXPECT_EQ(form.Width(), k.width) << at;
        EXPECT_EQ(form.Height(), k.height) << at;
        EXPECT_EQ(form.ClientHeight(), k.clientTwips) << at;
        EXPECT_EQ(form.ScrollTop(), k.scrollTop) << at;
        if (k.state != kMinimized) {
            EXPECT_TRUE(form.OnScreen(96, k.dpi) == k.outer) << at;
        }
    }
}

}  // namespace
