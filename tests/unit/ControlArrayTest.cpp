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
    // Every property away from its default, each to a value of its own.
    model.Move(10, 20, 30, 40);
    model.SetCaption("OK");
    model.SetEnabled(false);
    model.SetFont({"Arial", 9, true, true, true});
    model.SetForeColor(forms::Rgb(1, 2, 3));
    model.SetBackColor(forms::Rgb(4, 5, 6));
    model.SetOpaque(false);
    model.SetAlignment(forms::Align::Center);
    model.SetBorder(true);
    model.SetFit(forms::TextFit::Shrink);
    model.SetToolTip("tip");
    model.SetMousePointer(forms::kCustomPointer);
    model.SetPicture(7);
    model.SetTabIndex(8);
    model.SetScrolls(true);
    model.SetAccessibleRole(forms::Role::Link);
    model.SetAccessibleName("name");
    model.SetAccessibleValue("value");
    model.SetAccessibleShortcut("Ctrl+1");
    model.SetDefault(true);
    model.SetCancel(true);
    model.Click = [] {};

    const forms::Control& copy = form.buttons.Load(1);
    EXPECT_EQ(copy.Index(), 1);
    EXPECT_EQ(copy.FullName(), "b(1)");
    EXPECT_EQ(copy.Container(), &frame);
    EXPECT_EQ(copy.Left(), 10);
    EXPECT_EQ(copy.Top(), 20);
    EXPECT_EQ(copy.Width(), 30);
    EXPECT_EQ(copy.Height(), 40);
    EXPECT_EQ(copy.Caption(), "OK");
    EXPECT_FALSE(copy.Enabled());
    EXPECT_EQ(copy.GetFont().name, "Arial");
    EXPECT_EQ(copy.GetFont().size, 9);
    EXPECT_TRUE(copy.GetFont().bold && copy.GetFont().italic && copy.GetFont().underline);
    EXPECT_EQ(copy.ForeColor(), forms::Rgb(1, 2, 3));
    EXPECT_EQ(copy.BackColor(), forms::Rgb(4, 5, 6));
    EXPECT_FALSE(copy.Opaque());
    EXPECT_EQ(copy.Alignment(), forms::Align::Center);
    EXPECT_TRUE(copy.HasBorder());
    EXPECT_EQ(copy.Fit(), forms::TextFit::Shrink);
    EXPECT_EQ(copy.ToolTip(), "tip");
    EXPECT_EQ(copy.MousePointer(), forms::kCustomPointer);
    EXPECT_EQ(copy.Picture(), 7);
    EXPECT_EQ(copy.TabIndex(), 8);
    EXPECT_TRUE(copy.Scrolls());
    EXPECT_EQ(copy.AccessibleRole(), forms::Role::Link);
    EXPECT_EQ(copy.AccessibleName(), "name");
    EXPECT_EQ(copy.AccessibleValue(), "value");
    EXPECT_EQ(copy.AccessibleShortcut(), "Ctrl+1");
    EXPECT_FALSE(copy.Visible());
    EXPECT_FALSE(copy.IsDefault());
    EXPECT_FALSE(copy.IsCancel());
    EXPECT_FALSE(copy.Click);
}

}  // namespace
