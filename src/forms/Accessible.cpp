#include "forms/Accessible.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace forms {

namespace {

Role RoleOf(const Control& c) {
    if (c.AccessibleRole() != Role::Automatic)
        return c.AccessibleRole();
    switch (c.Kind()) {
        case Kind::Label:
            return Role::Text;
        case Kind::Button:
            return Role::Button;
        case Kind::Frame:
            return Role::Grouping;
        case Kind::Line:
            return Role::Separator;
        case Kind::Shape:
        case Kind::Picture:
            return Role::Graphic;
    }
    return Role::Text;
}

// Text as one line: line breaks and runs of blanks become one blank, none at either end; a
// button's "&" that marks its access key goes ("&&" is an "&").
std::string OneLine(const std::string& text, bool accessKeys) {
    std::string out;
    bool blank = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (accessKeys && ch == '&') {
            if (i + 1 == text.size())
                break;
            ch = text[++i];
        }
        if (ch == ' ' || ch == '\n' || ch == '\r' || ch == '\t') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += ch;
    }
    return out;
}

}  // namespace

Accessible Describe(const Control& c) {
    Accessible a;
    a.role = RoleOf(c);
    const bool named = !c.AccessibleName().empty();
    // A shape's or line's caption is no text of the window's.
    const bool hasText = c.Kind() != Kind::Shape && c.Kind() != Kind::Line;
    a.name = OneLine(named     ? c.AccessibleName()
                     : hasText ? c.Caption()
                               : std::string(),
                     !named && c.Kind() == Kind::Button);
    a.value = c.AccessibleValue();
    a.description = c.ToolTip();
    if (a.role == Role::ColumnHeader)
        a.defaultAction = "Ordina";
    else if (a.role == Role::Link)
        a.defaultAction = "Apri";
    if (!a.defaultAction.empty())
        a.shortcut = c.AccessibleShortcut();
    return a;
}

bool DoDefaultAction(Control& c) {
    if (Describe(c).defaultAction.empty() || !c.Enabled())
        return false;
    if (c.Click) {
        auto click = c.Click;  // the handler may unload the form, and the control with it
        click();
        return true;
    }
    if (c.MouseDown) {
        auto down = c.MouseDown;
        down(kLeftButton, 0, c.Width() / 2, c.Height() / 2);
        return true;
    }
    return false;
}

long StateOf(const Control& c, bool onScreen, bool focused) {
    bool visible = c.Visible();
    for (const Control* up = c.Container(); up; up = up->Container())
        visible = visible && up->Visible();
    long state = 0;
    if (!visible)
        state |= kInvisible;
    else if (!onScreen)
        state |= kOffscreen;
    const Role role = RoleOf(c);
    if (role == Role::Link)
        state |= kLinked | kFocusable | (focused ? kFocused : 0L);
    else if (role != Role::ColumnHeader)
        state |= kReadOnly;
    return state;
}

std::vector<Control*> ReadingOrder(const Form& form, const Control* container) {
    // (By their places in the form: a scroll moves the rows together, and never past the
    // headers, which stay.)
    std::vector<Control*> shown;
    for (Control* c : form.Controls())
        if (c->Container() == container && c->Visible() && RoleOf(*c) != Role::Indicator)
            shown.push_back(c);
    std::stable_sort(shown.begin(), shown.end(), [&](const Control* a, const Control* b) {
        const double ta = a->Top(), tb = b->Top();
        return ta != tb ? ta < tb : a->Left() < b->Left();
    });
    return shown;
}

Control* ChildOf(const Form& form, const Control* container, long id) {
    if (id < 0)
        return container ? nullptr : FromEventId(form, id);
    const std::vector<Control*> children = ReadingOrder(form, container);
    return id >= 1 && static_cast<std::size_t>(id) <= children.size() ? children[id - 1] : nullptr;
}

Control* Beside(const std::vector<Control*>& siblings, const Control* c, int step) {
    const auto it = std::find(siblings.begin(), siblings.end(), c);
    if (!c || it == siblings.end())
        return nullptr;
    const std::ptrdiff_t at = (it - siblings.begin()) + step;
    return at >= 0 && at < std::ssize(siblings) ? siblings[at] : nullptr;
}

// Counted from -1 down, in the order the controls came to the form, which never changes.
long EventId(const Form& form, const Control& c) {
    const auto& all = form.Controls();
    const auto it = std::find(all.begin(), all.end(), &c);
    return -static_cast<long>(it - all.begin()) - 1;
}

Control* FromEventId(const Form& form, long id) {
    const auto& all = form.Controls();
    if (id >= 0 || static_cast<std::size_t>(-(id + 1)) >= all.size())
        return nullptr;
    return all[static_cast<std::size_t>(-(id + 1))];
}

}  // namespace forms
