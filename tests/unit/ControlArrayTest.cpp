// A control array's new member, made from member 0 as the forms runtime makes it.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "forms/Form.h"

namespace {

struct Model : forms::Form {
    explicit Model(forms::FormHost& host)
        : Form(host, "Model"), buttons(*this, forms::Kind::Button, "b") {}
    forms::ControlArray buttons;
};

// It copies every property of member 0 but its name and index, its handlers, and its being the
// default or the cancel button; it stays in member 0's container and starts hidden.
TEST(ControlArray, ANewMemberCopiesMemberZeroButWhatMakesItAMember) {
    fakes::FakeHost host;
    Model form(host);
    forms::Control frame(forms::Kind::Frame, "f");
    forms::Control& model = form.buttons.Add(0);
    model.SetContainer(&frame);
    model.Move(10, 20, 30, 40);
    model.SetCaption("OK");
    model.SetEnabled(false);
    model.SetFontBold(true);
    model.SetToolTip("tip");
    model.SetDefault(true);
    model.SetCancel(true);
    model.Click = [] {};

    const forms::Control& copy = form.buttons.Load(1);
    EXPECT_EQ(copy.Index(), 1);
    EXPECT_EQ(copy.FullName(), "b(1)");
    EXPECT_EQ(copy.Container(), &frame);
    EXPECT_EQ(copy.Left() + copy.Top() + copy.Width() + copy.Height(), 100);
    EXPECT_EQ(copy.Caption(), "OK");
    EXPECT_FALSE(copy.Enabled());
    EXPECT_TRUE(copy.GetFont().bold);
    EXPECT_EQ(copy.ToolTip(), "tip");
    EXPECT_FALSE(copy.Visible());
    EXPECT_FALSE(copy.IsDefault());
    EXPECT_FALSE(copy.IsCancel());
    EXPECT_FALSE(copy.Click);
}

}  // namespace
