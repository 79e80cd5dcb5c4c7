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
// Other the one with the focus where the row says; or a link with the focus, which opens as it
// does when pressed with the mouse.
TEST(FormKeys, EnterPressesTheDefaultOrFocusedButtonAndEscapeTheCancelOneOrCloses) {
    const struct {
        bool withDefault, withCancel, enter;
        const char* focus;    // null: nothing
        const char* pressed;  // empty: nothing
    } cases[] = {
        {true, true, true, "Other", "OK"},       {false, true, true, "Other", "Other"},
        {false, true, true, nullptr, ""},        {true, true, false, "Other", "Cancel"},
        {true, false, false, "Other", "closed"}, {true, true, true, "link", "link down"},
        {true, true, false, "link", "Cancel"},
    };
    for (const auto& k : cases) {
        fakes::FakeHost host;
        std::string pressed;
        Dialog form(host, pressed);
        forms::Control ok(forms::Kind::Button, "OK"), cancel(forms::Kind::Button, "Cancel"),
            other(forms::Kind::Button, "Other"), link(forms::Kind::Label, "link");
        for (forms::Control* c : {&ok, &cancel, &other}) {
            c->Click = [&pressed, c] { pressed = c->Name(); };
            form.Register(*c);
        }
        form.Register(link);
        link.SetAccessibleRole(forms::Role::Link);
        link.MouseDown = [&pressed](int button, int, double, double) {
            pressed = button == forms::kLeftButton ? "link down" : "link other";
        };
        ok.SetDefault(k.withDefault);
        cancel.SetCancel(k.withCancel);
        forms::Control* focus = !k.focus                         ? nullptr
                                : std::string(k.focus) == "link" ? &link
                                                                 : &other;
        const auto command = form.KeyCommand(k.enter, focus);
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

// Tab goes through the buttons that show and are enabled, in their tab order, then the links,
// and round; Shift+Tab back. From nothing (the window itself) it starts at the first or last.
TEST(FormKeys, TabGoesThroughTheButtonsThenTheLinksThatShow) {
    fakes::FakeHost host;
    forms::Form form(host, "form");
    forms::Control frame(forms::Kind::Frame, "frame"), mail(forms::Kind::Label, "mail"),
        second(forms::Kind::Button, "second"), text(forms::Kind::Label, "text"),
        first(forms::Kind::Button, "first"), site(forms::Kind::Label, "site"),
        off(forms::Kind::Button, "off"), hidden(forms::Kind::Label, "hidden"),
        framed(forms::Kind::Button, "framed");
    for (forms::Control* c : {&frame, &mail, &second, &text, &first, &site, &off, &hidden, &framed})
        form.Register(*c);
    for (forms::Control* c : {&mail, &site, &hidden}) c->SetAccessibleRole(forms::Role::Link);
    first.SetTabIndex(0);
    second.SetTabIndex(1);
    off.SetTabIndex(2);
    off.SetEnabled(false);
    hidden.SetVisible(false);
    framed.SetTabIndex(3);
    framed.SetContainer(&frame);
    frame.SetVisible(false);
    const struct {
        forms::Control* from;
        bool back;
        const char* to;
    } cases[] = {
        {nullptr, false, "first"}, {&first, false, "second"}, {&second, false, "mail"},
        {&mail, false, "site"},    {&site, false, "first"},   {nullptr, true, "site"},
        {&first, true, "site"},    {&mail, true, "second"},   {&text, false, "first"},
    };
    for (const auto& k : cases) {
        const forms::Control* to = form.NextStop(k.from, k.back);
        EXPECT_EQ(to ? to->Name() : "none", k.to) << "row " << &k - cases;
    }
    frame.SetVisible(true);
    EXPECT_EQ(form.NextStop(&second, false), &framed) << "a button in a frame that shows";

    forms::Form none(host, "none");
    forms::Control label(forms::Kind::Label, "label");
    none.Register(label);
    EXPECT_EQ(none.NextStop(nullptr, false), nullptr) << "nothing takes the keyboard";
}

}  // namespace
