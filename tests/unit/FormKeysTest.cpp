// A form's keyboard: Enter and Escape, as in a dialog, and Tab's order through its buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Fakes.h"
#include "forms/Form.h"

namespace {

// A form whose close box, or Escape where there is no cancel button, only says so.
struct Dialog : forms::Form {
    Dialog(forms::FormHost& host, std::string& pressed) : Form(host, "dialog"), pressed(pressed) {}
    void QueryClose() override { pressed = "closed"; }
    std::string& pressed;
};

// Three buttons, OK the default one where the row says, Cancel the cancel one likewise, and
// Other the one with the focus where the row says.
TEST(FormKeys, EnterPressesTheDefaultOrFocusedButtonAndEscapeTheCancelOneOrCloses) {
    const struct {
        bool withDefault, withCancel, enter, focus;
        const char* pressed;  // empty: nothing
    } cases[] = {
        {true, true, true, true, "OK"},       {false, true, true, true, "Other"},
        {false, true, true, false, ""},       {true, true, false, true, "Cancel"},
        {true, false, false, true, "closed"},
    };
    for (const auto& k : cases) {
        fakes::FakeHost host;
        std::string pressed;
        Dialog form(host, pressed);
        forms::Control ok(forms::Kind::Button, "OK"), cancel(forms::Kind::Button, "Cancel"),
            other(forms::Kind::Button, "Other");
        for (forms::Control* c : {&ok, &cancel, &other}) {
            c->Click = [&pressed, c] { pressed = c->Name(); };
            form.Register(*c);
        }
        ok.SetDefault(k.withDefault);
        cancel.SetCancel(k.withCancel);
        const auto command = form.KeyCommand(k.enter, k.focus ? &other : nullptr);
        if (command)
            command();
        EXPECT_EQ(pressed, k.pressed) << (k.enter ? "Enter" : "Escape") << " in row " << &k - cases;
    }
}

// The push buttons' windows are laid out, and so made, last and in their tab order (buttons of
// one tab index as they came), so that Tab goes through them in that order; the rest as they
// came, containers before what they hold.
TEST(FormKeys, ButtonsAreLaidOutLastInTheirTabOrder) {
    fakes::FakeHost host;
    forms::Form form(host, "form");
    forms::Control second(forms::Kind::Button, "second"), frame(forms::Kind::Frame, "frame"),
        first(forms::Kind::Button, "first"), label(forms::Kind::Label, "label"),
        alsoSecond(forms::Kind::Button, "alsoSecond");
    second.SetTabIndex(2);
    first.SetTabIndex(1);
    alsoSecond.SetTabIndex(2);
    for (forms::Control* c : {&second, &frame, &first, &label, &alsoSecond}) form.Register(*c);
    std::vector<std::string> order;
    for (const forms::Control* c : form.LayOutOrder()) order.push_back(c->Name());
    EXPECT_EQ(order, (std::vector<std::string>{"frame", "label", "first", "second", "alsoSecond"}));
}

}  // namespace
