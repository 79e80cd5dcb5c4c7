// The real windows read as a screen reader reads them, through Active Accessibility: the form's
// object, its children in reading order before and after a sort, each where it is drawn and
// found there again by a hit test, the default actions and what screen readers are told; and
// the windows in high contrast. (In-process: the tests make the windows themselves, as the
// other Windows tests do; keyboard-test.sh reads kelvr.exe from another process.)
#include <windows.h>

#include <gtest/gtest.h>
#include <ole2.h>
#include <oleacc.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "Modal.h"
#include "Probe.h"
#include "RealProgram.h"
#include "forms/Accessible.h"
#include "win32/Utf.h"
#include "win32/WinControl.h"

namespace {

using probe::Object;

std::string Say(const std::wstring& s) {
    return win32::Narrow(s);
}

class ReadAsAScreenReader : public probe::ShownProgram<> {
  protected:
    // The drive names of the rows, from the top of the window down, where the form draws them.
    std::vector<std::wstring> NamesOnScreen() {
        kelvr::FreeAll& m = program.Main();
        std::vector<std::pair<LONG, std::wstring>> rows;
        for (int k = 1; k < m.lbDisco.Count(); ++k) {
            const auto* peer = static_cast<const win32::WinControlPeer*>(m.lbDisco[k].Peer());
            rows.emplace_back(peer->Box().top, win32::Widen(m.lbDisco[k].Caption()));
        }
        std::sort(rows.begin(), rows.end());
        std::vector<std::wstring> names;
        for (const auto& r : rows) names.push_back(r.second);
        return names;
    }
};

// The headers, then each row from the top of the window down: its name, its three figures and
// its bar, named after its drive, with a value; every object located where its control is drawn
// and found there by a hit test; navigation in the same order. (What each control says, header
// and bar alike, is HeadersThenEachRowInItsPlaceScrolledOrNot's, natively: a header here is read
// whole, for its role, name, description, action and shortcut as served.)
TEST_F(ReadAsAScreenReader, MainWindowHeadersThenEveryRowWithItsBar) {
    Object form = Object::OfWindow(main);
    ASSERT_TRUE(form) << "no object for the main window";
    EXPECT_EQ(form.Role(), ROLE_SYSTEM_CLIENT);
    const std::vector<Object> children = form.Children();
    const std::vector<std::wstring> names = NamesOnScreen();
    ASSERT_EQ(children.size(), 4 + 5 * names.size());
    EXPECT_EQ(Say(children[1].Heard()),
              Say(probe::RoleText(ROLE_SYSTEM_COLUMNHEADER) +
                  L": MByte utilizzati (Ordina per spazio utilizzato) [Ordina, Ctrl+2]"));

    const std::wstring text = probe::RoleText(ROLE_SYSTEM_STATICTEXT);
    for (std::size_t j = 0; j < names.size(); ++j) {
        EXPECT_EQ(Say(children[4 + 5 * j].Heard()), Say(text + L": " + names[j]));
        for (int i = 1; i < 4; ++i)
            EXPECT_EQ(children[4 + 5 * j + i].Role(), ROLE_SYSTEM_STATICTEXT);
        // The bar: named after the row's drive, its value in percents.
        const std::wstring heard = children[4 + 5 * j + 4].Heard();
        const std::wstring prefix =
            probe::RoleText(ROLE_SYSTEM_PROGRESSBAR) + L": " + names[j] + L" = ";
        EXPECT_EQ(Say(heard.substr(0, prefix.size())), Say(prefix));
        EXPECT_EQ(heard.substr(heard.size() - 2), L" %") << Say(heard);
    }
    // Each object is found where it says it stands, and is neither hidden nor out of view.
    for (const Object& o : children) {
        const RECT at = o.Location();
        ASSERT_FALSE(IsRectEmpty(&at)) << Say(o.Heard());
        VARIANT hit;
        VariantInit(&hit);
        ASSERT_EQ(form->accHitTest((at.left + at.right) / 2, (at.top + at.bottom) / 2, &hit), S_OK);
        const Object found = Object::Of(hit);
        ASSERT_TRUE(found) << Say(o.Heard());
        EXPECT_EQ(Say(found.Heard()), Say(o.Heard()));
        EXPECT_EQ(o.State() & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN), 0);
    }
    // Navigation goes the same way: the form's first child is the first header, a child's next
    // sibling the next one read, the last has none after it.
    const Object first = form.Navigate(NAVDIR_FIRSTCHILD);
    ASSERT_TRUE(first);
    EXPECT_EQ(Say(first.Heard()), Say(children[0].Heard()));
    for (std::size_t i = 0; i + 1 < children.size(); i += 5) {
        const Object next = children[i].Navigate(NAVDIR_NEXT);
        ASSERT_TRUE(next) << i;
        EXPECT_EQ(Say(next.Heard()), Say(children[i + 1].Heard()));
        const Object back = next.Navigate(NAVDIR_PREVIOUS);
        ASSERT_TRUE(back) << i;
        EXPECT_EQ(Say(back.Heard()), Say(children[i].Heard()));
    }
    EXPECT_FALSE(children.back().Navigate(NAVDIR_NEXT));
    EXPECT_EQ(Say(form.Navigate(NAVDIR_LASTCHILD).Heard()), Say(children.back().Heard()));
    // Off the controls, the hit test finds the form itself; outside it, nothing.
    RECT client;
    GetClientRect(main, &client);
    POINT corner{client.right - 1, client.bottom - 1};
    ClientToScreen(main, &corner);
    VARIANT hit;
    VariantInit(&hit);
    EXPECT_EQ(form->accHitTest(corner.x, corner.y, &hit), S_OK);
    EXPECT_TRUE(hit.vt == VT_I4 && hit.lVal == CHILDID_SELF);
    EXPECT_EQ(form->accHitTest(corner.x + 50, corner.y + 50, &hit), S_FALSE);
    // A drawn control takes neither the focus nor a selection.
    EXPECT_EQ(children[0]->get_accFocus(&hit), S_FALSE);
    EXPECT_EQ(hit.vt, VT_EMPTY);
    EXPECT_EQ(children[0]->get_accSelection(&hit), S_FALSE);
    // Nor has it help of its own, as the form says of it.
    wchar_t junk[] = L"junk";
    BSTR help = junk;
    EXPECT_EQ(form->get_accHelp(Object::Id(1), &help), S_FALSE);
    EXPECT_EQ(help, nullptr);
    // A question about a child that is not there fails, and leaves nothing where the answer
    // would have gone, whatever the caller's variable held.
    VARIANT past;
    past.vt = VT_I4;
    past.lVal = static_cast<LONG>(children.size()) + 1;
    for (auto ask : {&IAccessible::get_accName, &IAccessible::get_accValue,
                     &IAccessible::get_accDescription, &IAccessible::get_accDefaultAction,
                     &IAccessible::get_accKeyboardShortcut, &IAccessible::get_accHelp}) {
        BSTR b = junk;
        EXPECT_TRUE(FAILED((form.operator->()->*ask)(past, &b)));
        EXPECT_EQ(b, nullptr);
    }
    for (auto ask : {&IAccessible::get_accRole, &IAccessible::get_accState}) {
        VARIANT v;
        v.vt = VT_I4;
        v.lVal = 7;
        EXPECT_TRUE(FAILED((form.operator->()->*ask)(past, &v)));
        EXPECT_EQ(v.vt, VT_EMPTY);
    }
    long l = 1, t = 1, w = 1, h = 1;
    EXPECT_TRUE(FAILED(form->accLocation(&l, &t, &w, &h, past)));
    EXPECT_EQ(l | t | w | h, 0);
    // A hidden control, as an event would name it (the row models, made to be copied), is
    // invisible.
    kelvr::FreeAll& m = program.Main();
    const Object model = form.Child(forms::EventId(m, m.lbDisco[0]));
    ASSERT_TRUE(model);
    EXPECT_NE(model.State() & STATE_SYSTEM_INVISIBLE, 0);
}

// What screen readers are told, as a hook of their own hears it, of the form's client objects:
// the form's own (CHILDID_SELF) and its controls'.
struct Told {
    DWORD event;
    HWND hwnd;
    LONG child;
};
std::vector<Told>* told = nullptr;

void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (told && object == OBJID_CLIENT)
        told->push_back({event, hwnd, child});
}

// A header's default action sorts, once the screen reader has its answer; the rows are then
// read in their new order on the screen. A sort that moves the rows is told once, as a new order
// of the form's children, and one that moves nothing is not told; a new measurement is told only of
// what it changed: a drive's used figure and its bar's share, then its name on its cell and its
// bar.
TEST_F(ReadAsAScreenReader, ScreenReadersAreToldOfWhatChanges) {
    std::vector<Told> heard;
    told = &heard;
    const HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_REORDER, EVENT_OBJECT_VALUECHANGE, nullptr, Hear,
                        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    // What was told since the last call: each event with the objects' names, in order.
    auto since = [&] {
        probe::Pump();
        std::vector<std::string> said;
        for (const Told& t : heard) {
            const char* what = t.event == EVENT_OBJECT_REORDER       ? "reorder"
                               : t.event == EVENT_OBJECT_NAMECHANGE  ? "name"
                               : t.event == EVENT_OBJECT_VALUECHANGE ? "value"
                                                                     : nullptr;
            IAccessible* a = nullptr;
            VARIANT child;
            VariantInit(&child);
            if (t.child != CHILDID_SELF)
                AccessibleObjectFromEvent(t.hwnd, OBJID_CLIENT, t.child, &a, &child);
            const Object o(a);
            const bool self = child.vt == VT_I4 && child.lVal == CHILDID_SELF;
            if (what)
                said.push_back(std::string(what) + " " +
                               (t.child == CHILDID_SELF && t.hwnd == main ? "form"
                                : o && self                               ? Say(o.Heard())
                                                                          : "?"));
        }
        heard.clear();
        return said;
    };
    since();
    Object form = Object::OfWindow(main);
    ASSERT_TRUE(form);
    int moved = 0;
    for (int column : {3, 1, 2, 0, 0}) {
        SCOPED_TRACE("column " + std::to_string(column));
        const std::vector<std::wstring> before = NamesOnScreen();
        ASSERT_EQ(form.Children()[column].DoDefaultAction(), S_OK);
        EXPECT_EQ(NamesOnScreen(), before) << "nothing runs before the answer";
        const std::vector<std::string> said = since();
        EXPECT_EQ(program.Main().SortColumn, column);
        const bool reordered = NamesOnScreen() != before;
        moved += reordered;
        EXPECT_EQ(said, reordered ? std::vector<std::string>{"reorder form"}
                                  : std::vector<std::string>{});
        std::vector<std::wstring> read;
        for (const Object& o : form.Children())
            if (o.Role() == ROLE_SYSTEM_PROGRESSBAR) {
                const std::wstring bar = o.Heard();
                const std::size_t name = bar.find(L": ") + 2;
                read.push_back(bar.substr(name, bar.rfind(L" = ") - name));
            }
        EXPECT_EQ(read, NamesOnScreen());
    }
    EXPECT_GT(moved, 0) << "no sort moved the rows: nothing was tried";
    // A control without an action (a text) answers as the interface asks.
    EXPECT_EQ(form.Children()[4].DoDefaultAction(), DISP_E_MEMBERNOTFOUND);

    kelvr::FreeAll& m = program.Main();
    const auto k = static_cast<std::int16_t>(
        std::find_if(m.SpaceTotal.begin(), m.SpaceTotal.end(), [](double t) { return t > 0; }) -
        m.SpaceTotal.begin());
    ASSERT_LT(k, static_cast<int>(m.SpaceTotal.size()));
    m.SpaceUsed[k] = m.SpaceUsed[k] < m.SpaceTotal[k] / 2 ? m.SpaceTotal[k] * 0.75 : 0;
    m.ShowOrdered();
    std::vector<std::string> said = since();
    ASSERT_EQ(said.size(), 2u) << testing::PrintToString(said);
    std::string figure = m.lbDati[k].Caption();
    figure.pop_back();  // the blank that keeps it off the column's edge
    EXPECT_EQ(said[0].rfind("name ", 0), 0u) << said[0];
    EXPECT_NE(said[0].find(figure), std::string::npos) << said[0];
    EXPECT_EQ(said[1].rfind("value ", 0), 0u) << said[1];
    EXPECT_NE(said[1].find(" = " + kelvr::FreeAll::UsedShare(m.SpaceUsed[k], m.SpaceTotal[k])),
              std::string::npos)
        << said[1];
    m.DriveName[k] += " RINOMINATO";
    m.ShowOrdered();
    said = since();
    ASSERT_EQ(said.size(), 2u) << testing::PrintToString(said);
    EXPECT_NE(said[0].find("RINOMINATO"), std::string::npos) << said[0];
    EXPECT_NE(said[1].find("RINOMINATO"), std::string::npos) << said[1];

    UnhookWinEvent(hook);
    told = nullptr;
}

// The maker window: its logo, its links that open as a mouse press does, its notice and buttons
// grouped; the buttons are the system's own. (What each control says: MakerWindowRead.)
TEST_F(ReadAsAScreenReader, MakerWindowLogoTextsAndLinksThatOpen) {
    std::vector<std::string> heard;
    std::string opened;
    ASSERT_TRUE(modal::InMaker(main, [&](HWND maker) {
        Object form = Object::OfWindow(maker);
        ASSERT_TRUE(form);
        for (const Object& o : form.Children()) {
            heard.push_back(Say(o.Heard()));
            const LONG role = o.Role();
            if (role == ROLE_SYSTEM_LINK) {
                EXPECT_TRUE(o.State() & STATE_SYSTEM_LINKED);
                EXPECT_EQ(o.DoDefaultAction(), S_OK);
                probe::Pump();
                opened += program.Maker().LinkTarget + " ";
            }
            if (role == ROLE_SYSTEM_GROUPING) {
                EXPECT_EQ(o.Children().size(), 3u) << "the notice and two buttons";
            }
            if (role == ROLE_SYSTEM_GRAPHIC) {
                const std::vector<Object> hand = o.Children();
                ASSERT_EQ(hand.size(), 1u);
                EXPECT_EQ(Say(hand[0].Heard()), Say(o.Heard()));
            }
        }
    }));
    ASSERT_GE(heard.size(), 12u);
    EXPECT_EQ(heard[0], Say(probe::RoleText(ROLE_SYSTEM_GRAPHIC)) + ": QIRVO");
    EXPECT_EQ(heard[8], Say(probe::RoleText(ROLE_SYSTEM_LINK)) + ": info@q.example [Apri]");
    EXPECT_EQ(opened, "mailto:info@q.example www.q.example ");
}

// ---------------------------------------------------------------------------------------------
// High contrast. Wine reports no high-contrast scheme (SPI_GETHIGHCONTRAST answers none): the
// test answers in its place, changes the system colours as choosing a scheme does, and tells
// the windows that the setting changed; from there on the path is the one the system's
// notice takes.

class HighContrast : public ReadAsAScreenReader {
  protected:
    static constexpr COLORREF kWindow = RGB(0, 0, 0);
    static constexpr COLORREF kText = RGB(255, 255, 255);
    static constexpr COLORREF kLink = RGB(255, 255, 0);

    void TearDown() override {
        Switch(false);
        ReadAsAScreenReader::TearDown();
    }

    // Chooses (or leaves) the scheme: black windows, white text, yellow links.
    void Switch(bool on) {
        if (on == switched_)
            return;
        const int which[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HOTLIGHT};
        if (on) {
            for (int i = 0; i < 3; ++i) saved_[i] = GetSysColor(which[i]);
            const COLORREF scheme[] = {kWindow, kText, kLink};
            SetSysColors(3, which, scheme);
        } else {
            SetSysColors(3, which, saved_);
        }
        switched_ = on;
        host.highContrastSetting = [on] { return on; };
        for (HWND w : {main, open_})
            if (w)
                SendMessageW(w, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        probe::Pump();
    }

    // The colours of a form's pixels within `r` (client pixels), and how many of each.
    static std::map<COLORREF, int> Colours(HWND form, const RECT& r) {
        std::map<COLORREF, int> out;
        RECT client;
        GetClientRect(form, &client);
        const std::vector<DWORD> picture = probe::Picture(form);
        for (int y = std::max(r.top, 0L); y < std::min(r.bottom, client.bottom); ++y)
            for (int x = std::max(r.left, 0L); x < std::min(r.right, client.right); ++x) {
                const DWORD p = picture[static_cast<std::size_t>(y) * client.right + x];
                ++out[RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF)];
            }
        return out;
    }
    static int Count(const std::map<COLORREF, int>& colours, COLORREF c) {
        const auto it = colours.find(c);
        return it == colours.end() ? 0 : it->second;
    }

    HWND open_ = nullptr;
    bool switched_ = false;
    COLORREF saved_[3] = {};
};

// The main window: cells, headers and the window in the scheme's colours; the bars keep their
// red and green and are edged in the text colour. Left again, the window is as it was.
TEST_F(HighContrast, MainWindowTakesTheSchemesColoursAndGoesBackAfter) {
    const std::vector<DWORD> before = probe::Picture(main);
    Switch(true);
    ASSERT_TRUE(host.HighContrast());
    int cells = 0, bars = 0;
    for (const probe::Element& e : probe::Read(main)) {
        if (!e.Shows())
            continue;
        const auto colours = Colours(main, e.rect);
        const std::string name = Say(e.heard);
        if (e.role == ROLE_SYSTEM_PROGRESSBAR) {
            ++bars;
            EXPECT_GT(Count(colours, RGB(128, 255, 128)) + Count(colours, RGB(255, 128, 128)), 0)
                << name;
            // Its edge: the corners of its left side (its right may lie past the screen's edge).
            for (const LONG y : {e.rect.top, e.rect.bottom - 1}) {
                const RECT corner{e.rect.left, y, e.rect.left + 1, y + 1};
                EXPECT_EQ(Count(Colours(main, corner), kText), 1) << name << ", corner at " << y;
            }
            continue;
        }
        ++cells;
        // On the window colour, the most of its pixels, with its text in the text colour.
        const auto most =
            std::max_element(colours.begin(), colours.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        EXPECT_EQ(most->first, kWindow) << name;
        if (!e.name.empty()) {
            EXPECT_GT(Count(colours, kText), 0) << name;
        }
    }
    EXPECT_GT(cells, 4);
    EXPECT_GT(bars, 0);
    Switch(false);
    EXPECT_FALSE(host.HighContrast());
    EXPECT_EQ(probe::Picture(main), before) << "outside high contrast nothing changes";
}

// The maker window on black: its texts in white, its links in the hyperlink colour.
TEST_F(HighContrast, MakerWindowLinksInTheHyperlinkColour) {
    EXPECT_TRUE(modal::InMaker(main, [&](HWND maker) {
        open_ = maker;
        Switch(true);
        const std::vector<probe::Element> read = probe::Read(maker);
        for (const wchar_t* link : {L"info@q.example", L"www.q.example"}) {
            const auto colours = Colours(maker, probe::Named(read, link)->rect);
            EXPECT_GT(Count(colours, kLink), 0) << Say(link);
            EXPECT_EQ(Count(colours, kText), 0) << Say(link);
        }
        for (const wchar_t* label : {L"QIRVO", L"sas", L"E-mail:", L"Sito:"}) {
            const probe::Element* e = probe::Named(read, label, ROLE_SYSTEM_STATICTEXT);
            ASSERT_NE(e, nullptr) << Say(label);
            const auto colours = Colours(maker, e->rect);
            EXPECT_GT(Count(colours, kText), 0) << Say(label);
            EXPECT_GT(Count(colours, kWindow), 0) << Say(label);
            EXPECT_EQ(Count(colours, RGB(224, 224, 224)), 0) << Say(label);
        }
        Switch(false);
        open_ = nullptr;
    }));
}

}  // namespace
