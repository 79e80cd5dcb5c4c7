// The real windows read as a screen reader reads them, through Active Accessibility: each
// control's object as AccessibleObjectFromWindow gives it, the form's children in reading
// order before and after a sort, the default actions; and the windows in high contrast.
// (In-process: the tests make the windows themselves, as the other Windows tests do.)
#include <windows.h>

#include <gtest/gtest.h>
#include <ole2.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Modal.h"
#include "Probe.h"
#include "RealProgram.h"
#include "win32/Utf.h"

namespace {

using probe::Child;

// An IAccessible held for the test.
class Object {
  public:
    explicit Object(IAccessible* p = nullptr) : p_(p) {}
    Object(Object&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Object(const Object&) = delete;
    ~Object() {
        if (p_)
            p_->Release();
    }
    IAccessible* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    static Object OfWindow(HWND w) {
        IAccessible* p = nullptr;
        AccessibleObjectFromWindow(w, OBJID_CLIENT, __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&p));
        return Object(p);
    }

    // What a screen reader asks of an object, on one line: role, name, value, description,
    // default action and shortcut, in the form forms::Describe is tested in natively.
    std::wstring Heard() const {
        VARIANT self;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*ask)(VARIANT, BSTR*)) {
            BSTR b = nullptr;
            std::wstring s;
            if ((p_->*ask)(self, &b) == S_OK && b)
                s = b;
            SysFreeString(b);
            return s;
        };
        VARIANT role;
        VariantInit(&role);
        p_->get_accRole(self, &role);
        wchar_t roleText[64] = L"";
        GetRoleTextW(role.vt == VT_I4 ? role.lVal : 0, roleText, 64);
        std::wstring line = std::wstring(roleText) + L": " + text(&IAccessible::get_accName);
        const std::wstring value = text(&IAccessible::get_accValue);
        const std::wstring description = text(&IAccessible::get_accDescription);
        const std::wstring action = text(&IAccessible::get_accDefaultAction);
        const std::wstring shortcut = text(&IAccessible::get_accKeyboardShortcut);
        if (!value.empty())
            line += L" = " + value;
        if (!description.empty())
            line += L" (" + description + L")";
        if (!action.empty())
            line += L" [" + action + (shortcut.empty() ? L"" : L", " + shortcut) + L"]";
        return line;
    }

    LONG Role() const {
        VARIANT self, role;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        VariantInit(&role);
        return p_->get_accRole(self, &role) == S_OK && role.vt == VT_I4 ? role.lVal : 0;
    }
    LONG State() const {
        VARIANT self, state;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        VariantInit(&state);
        return p_->get_accState(self, &state) == S_OK && state.vt == VT_I4 ? state.lVal : 0;
    }
    RECT Location() const {
        VARIANT self;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        long l = 0, t = 0, w = 0, h = 0;
        p_->accLocation(&l, &t, &w, &h, self);
        return RECT{l, t, l + w, t + h};
    }
    HRESULT DoDefaultAction() const {
        VARIANT self;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        return p_->accDoDefaultAction(self);
    }

    // The children as AccessibleChildren lists them.
    std::vector<Object> Children() const {
        long count = 0;
        p_->get_accChildCount(&count);
        std::vector<VARIANT> found(count);
        long got = 0;
        std::vector<Object> out;
        if (count == 0 || FAILED(AccessibleChildren(p_, 0, count, found.data(), &got)))
            return out;
        for (long i = 0; i < got; ++i) {
            IAccessible* a = nullptr;
            if (found[i].vt == VT_DISPATCH && found[i].pdispVal) {
                found[i].pdispVal->QueryInterface(__uuidof(IAccessible),
                                                  reinterpret_cast<void**>(&a));
                found[i].pdispVal->Release();
            }
            out.emplace_back(a);
        }
        return out;
    }

  private:
    IAccessible* p_;
};

std::string Say(const std::wstring& s) {
    return win32::Narrow(s);
}

// Lets the windows' messages run (a default action runs from the message loop).
void Pump() {
    for (int i = 0; i < 5; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

class ReadAsAScreenReader : public ::testing::Test, protected probe::RealProgram<> {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        program.Main().Show();
        host.DoEvents();
        main = reinterpret_cast<HWND>(program.Main().hWnd());
    }
    void TearDown() override { CoUninitialize(); }

    // The drive names of the rows, from the top of the window down, as their windows stand.
    std::vector<std::wstring> NamesOnScreen() const {
        std::vector<Child> cells;
        const int left = probe::Px(45);
        for (const Child& c : probe::Children(main))
            if (c.visible && c.rect.left == left)
                cells.push_back(c);
        std::sort(cells.begin(), cells.end(),
                  [](const Child& a, const Child& b) { return a.rect.top < b.rect.top; });
        std::vector<std::wstring> names;
        for (const Child& c : cells) names.push_back(c.text);
        return names;
    }

    HWND main = nullptr;
};

// The headers, then each row: its name, its three figures and its bar, whose value is the used
// share of the figures shown; every object stands where its window does, and each control's
// window gives the same object by itself.
TEST_F(ReadAsAScreenReader, MainWindowHeadersThenEveryRowWithItsBar) {
    Object form = Object::OfWindow(main);
    ASSERT_TRUE(form) << "no object for the main window";
    EXPECT_EQ(form.Role(), ROLE_SYSTEM_CLIENT);
    const std::vector<Object> children = form.Children();
    const std::vector<std::wstring> names = NamesOnScreen();
    ASSERT_EQ(children.size(), 4 + 5 * names.size());
    const wchar_t* headers[] = {
        L"intestazione di colonna: Drive [Ordina, Ctrl+1]",
        L"intestazione di colonna: MByte utilizzati (Ordina per spazio utilizzato) "
        L"[Ordina, Ctrl+2]",
        L"intestazione di colonna: MByte disponibili (Ordina per spazio disponibile) "
        L"[Ordina, Ctrl+3]",
        L"intestazione di colonna: MByte TOTALI (Ordina per capacità totale) [Ordina, Ctrl+4]"};
    wchar_t header[64], text[64], bar[64];
    GetRoleTextW(ROLE_SYSTEM_COLUMNHEADER, header, 64);
    GetRoleTextW(ROLE_SYSTEM_STATICTEXT, text, 64);
    GetRoleTextW(ROLE_SYSTEM_PROGRESSBAR, bar, 64);
    for (int i = 0; i < 4; ++i) {
        std::wstring expected = headers[i];
        expected.replace(0, expected.find(L':'), header);  // the role as this system names it
        EXPECT_EQ(Say(children[i].Heard()), Say(expected));
    }

    const std::vector<Child> windows = probe::Children(main);
    for (std::size_t j = 0; j < names.size(); ++j) {
        std::vector<std::wstring> cells;
        for (int i = 0; i < 4; ++i) {
            const Object& cell = children[4 + 5 * j + i];
            const std::wstring heard = cell.Heard();
            EXPECT_EQ(Say(heard.substr(0, heard.find(L':'))), Say(text));
            cells.push_back(heard.substr(heard.find(L':') + 2));
        }
        EXPECT_EQ(Say(cells[0]), Say(names[j]));
        // The bar: named after the row's drive, its value the used share of the figures shown,
        // in whole percents (a drive with a little used, at the edges, is held off 0 and 100).
        const std::wstring heard = children[4 + 5 * j + 4].Heard();
        const std::wstring prefix = std::wstring(bar) + L": " + names[j] + L" = ";
        ASSERT_EQ(Say(heard.substr(0, prefix.size())), Say(prefix));
        ASSERT_EQ(heard.substr(heard.size() - 2), L" %") << Say(heard);
        const int percent = std::stoi(heard.substr(prefix.size()));
        const double used = probe::Figure(cells[1]), total = probe::Figure(cells[3]);
        EXPECT_NEAR(percent, total > 0 ? used * 100 / total : 0, 1) << Say(heard);
    }
    // Each object is its window's: it stands where a window does, and that window, asked by
    // itself, answers the same.
    for (const Object& o : children) {
        const RECT at = o.Location();
        bool found = false;
        for (const Child& w : windows) {
            RECT r;
            GetWindowRect(w.hwnd, &r);
            if (w.visible && EqualRect(&r, &at) && Object::OfWindow(w.hwnd).Heard() == o.Heard())
                found = true;
        }
        EXPECT_TRUE(found) << Say(o.Heard());
    }
    // Navigation goes the same way: the form's first child is the first header, a child's next
    // sibling the next one read, the last has none after it.
    auto navigate = [](const Object& from, long direction) {
        VARIANT self, to;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        VariantInit(&to);
        IAccessible* a = nullptr;
        if (from->accNavigate(direction, self, &to) == S_OK && to.vt == VT_DISPATCH) {
            to.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&a));
            to.pdispVal->Release();
        }
        return Object(a);
    };
    const Object first = navigate(form, NAVDIR_FIRSTCHILD);
    ASSERT_TRUE(first);
    EXPECT_EQ(Say(first.Heard()), Say(children[0].Heard()));
    for (std::size_t i = 0; i + 1 < children.size(); i += 5) {
        const Object next = navigate(children[i], NAVDIR_NEXT);
        ASSERT_TRUE(next) << i;
        EXPECT_EQ(Say(next.Heard()), Say(children[i + 1].Heard()));
        const Object back = navigate(next, NAVDIR_PREVIOUS);
        ASSERT_TRUE(back) << i;
        EXPECT_EQ(Say(back.Heard()), Say(children[i].Heard()));
    }
    EXPECT_FALSE(navigate(children.back(), NAVDIR_NEXT));
    EXPECT_EQ(Say(navigate(form, NAVDIR_LASTCHILD).Heard()), Say(children.back().Heard()));
    // The fill, asked by itself, is the bar's indicator.
    int fills = 0;
    for (const Child& c : windows)
        if (c.visible && c.text.rfind(L"SpFree(", 0) == 0) {
            Object fill = Object::OfWindow(c.hwnd);
            EXPECT_EQ(fill.Role(), ROLE_SYSTEM_INDICATOR);
            ++fills;
        }
    EXPECT_EQ(fills, static_cast<int>(names.size()));
}

// A header's default action sorts, once the screen reader has its answer; the rows are then
// read in their new order on the screen. Text and bars have no action.
TEST_F(ReadAsAScreenReader, AHeadersDefaultActionSortsAndTheRowsAreReadInTheNewOrder) {
    Object form = Object::OfWindow(main);
    ASSERT_TRUE(form);
    for (int column : {3, 1, 2, 0}) {
        std::vector<Object> children = form.Children();
        ASSERT_GT(children.size(), 4u);
        const std::vector<std::wstring> before = NamesOnScreen();
        ASSERT_EQ(children[column].DoDefaultAction(), S_OK);
        EXPECT_EQ(NamesOnScreen(), before) << "nothing runs before the answer";
        Pump();
        EXPECT_EQ(program.Main().SortColumn, column);
        std::vector<std::wstring> read;
        for (const Object& o : form.Children())
            if (o.Role() == ROLE_SYSTEM_PROGRESSBAR) {
                const std::wstring heard = o.Heard();
                const std::size_t name = heard.find(L": ") + 2;
                read.push_back(heard.substr(name, heard.rfind(L" = ") - name));
            }
        EXPECT_EQ(read, NamesOnScreen()) << "column " << column;
    }
    std::vector<Object> children = form.Children();
    EXPECT_EQ(children[4].DoDefaultAction(), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(children[8].DoDefaultAction(), DISP_E_MEMBERNOTFOUND);
}

// What screen readers are told, as a hook of their own hears it (the client objects only: the
// system tells of a window's new text itself, for the window object).
struct Told {
    DWORD event;
    HWND hwnd;
};
std::vector<Told>* told = nullptr;

void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (told && object == OBJID_CLIENT && child == CHILDID_SELF)
        told->push_back({event, hwnd});
}

// A sort that moves the rows is told once, as a new order of the form's children, and one
// that moves nothing is not told; a new measurement is told only of what it changed: a drive's
// used figure and its bar's share, then its name on its cell and its bar.
TEST_F(ReadAsAScreenReader, ScreenReadersAreToldOfWhatChanges) {
    std::vector<Told> heard;
    told = &heard;
    const HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_REORDER, EVENT_OBJECT_VALUECHANGE, nullptr, Hear,
                        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    // What was told since the last call: each event with the objects' names, in order.
    auto since = [&] {
        Pump();
        std::vector<std::string> said;
        for (const Told& t : heard) {
            const char* what = t.event == EVENT_OBJECT_REORDER       ? "reorder"
                               : t.event == EVENT_OBJECT_NAMECHANGE  ? "name"
                               : t.event == EVENT_OBJECT_VALUECHANGE ? "value"
                                                                     : nullptr;
            const Object o = Object::OfWindow(t.hwnd);
            if (what)
                said.push_back(std::string(what) + " " +
                               (t.hwnd == main ? "form"
                                : o            ? Say(o.Heard())
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
        const std::vector<std::wstring> before = NamesOnScreen();
        ASSERT_EQ(form.Children()[column].DoDefaultAction(), S_OK);
        const std::vector<std::string> said = since();
        const bool reordered = NamesOnScreen() != before;
        moved += reordered;
        EXPECT_EQ(said,
                  reordered ? std::vector<std::string>{"reorder form"} : std::vector<std::string>{})
            << "column " << column;
    }
    EXPECT_GT(moved, 0) << "no sort moved the rows: nothing was tried";

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

// The maker window: its logo, its texts, its links that open as a mouse press does; the
// buttons are the system's own.
TEST_F(ReadAsAScreenReader, MakerWindowLogoTextsAndLinksThatOpen) {
    std::vector<std::string> heard;
    std::string opened;
    const bool ran = modal::WhileOpen(
        L"Informazioni sul produttore del SoftWare", L"KelvrForm",
        [&](HWND maker) {
            Object form = Object::OfWindow(maker);
            ASSERT_TRUE(form);
            for (const Object& o : form.Children()) {
                heard.push_back(Say(o.Heard()));
                const LONG role = o.Role();
                if (role == ROLE_SYSTEM_LINK) {
                    EXPECT_TRUE(o.State() & STATE_SYSTEM_LINKED);
                    EXPECT_EQ(o.DoDefaultAction(), S_OK);
                    Pump();
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
            PostMessageW(maker, WM_CLOSE, 0, 0);
        },
        [&] { SendMessageW(main, WM_COMMAND, GetMenuItemID(GetMenu(main), 3), 0); });
    ASSERT_TRUE(ran);
    wchar_t graphic[64], text[64], link[64];
    GetRoleTextW(ROLE_SYSTEM_GRAPHIC, graphic, 64);
    GetRoleTextW(ROLE_SYSTEM_STATICTEXT, text, 64);
    GetRoleTextW(ROLE_SYSTEM_LINK, link, 64);
    ASSERT_GE(heard.size(), 12u);
    EXPECT_EQ(heard[0], Say(graphic) + ": QIRVO");
    EXPECT_EQ(heard[1], Say(text) + ": QIRVO");
    EXPECT_EQ(heard[6], Say(text) + ": Tel. 0000 000000 Fax. 0000 000001 Cell. 000 0000000");
    EXPECT_EQ(heard[8], Say(link) + ": info@q.example [Apri]");
    EXPECT_EQ(heard[10], Say(link) + ": www.q.example [Apri]");
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
        Pump();
    }

    // The colours a window's pixels are in, and how many of each.
    static std::vector<std::pair<COLORREF, int>> Colours(HWND w) {
        std::vector<std::pair<COLORREF, int>> out;
        for (DWORD p : probe::Picture(w)) {
            const COLORREF c = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
            auto it = std::find_if(out.begin(), out.end(), [&](auto& e) { return e.first == c; });
            if (it == out.end())
                out.emplace_back(c, 1);
            else
                ++it->second;
        }
        return out;
    }
    static int Count(const std::vector<std::pair<COLORREF, int>>& colours, COLORREF c) {
        for (const auto& e : colours)
            if (e.first == c)
                return e.second;
        return 0;
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
    const std::vector<Child> children = probe::Children(main);
    int cells = 0, bars = 0;
    for (const Child& c : children) {
        if (!c.visible)
            continue;
        const auto colours = Colours(c.hwnd);
        const std::string name = Say(c.text);
        if (c.text.rfind(L"SpTot(", 0) == 0) {
            ++bars;
            EXPECT_GT(Count(colours, RGB(128, 255, 128)) + Count(colours, RGB(255, 128, 128)), 0)
                << name;
            // Its edge: the first and last rows and columns of its window.
            const std::vector<DWORD> p = probe::OwnPicture(c.hwnd);
            RECT r;
            GetClientRect(c.hwnd, &r);
            EXPECT_EQ(p[0] & 0xFFFFFF, 0xFFFFFFu) << name;
            EXPECT_EQ(p[(r.bottom - 1) * r.right + r.right - 1] & 0xFFFFFF, 0xFFFFFFu) << name;
            continue;
        }
        if (c.text.rfind(L"Sp", 0) == 0)
            continue;
        ++cells;
        // On the window colour, the most of its pixels, with its text in the text colour.
        const auto most =
            std::max_element(colours.begin(), colours.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; });
        EXPECT_EQ(most->first, kWindow) << name;
        if (c.text.find_first_not_of(L' ') != std::wstring::npos) {
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
    const bool ran = modal::WhileOpen(
        L"Informazioni sul produttore del SoftWare", L"KelvrForm",
        [&](HWND maker) {
            open_ = maker;
            Switch(true);
            const std::vector<Child> children = probe::Children(maker);
            for (const wchar_t* link : {L"info@q.example", L"www.q.example"}) {
                const auto colours = Colours(probe::Find(children, link)->hwnd);
                EXPECT_GT(Count(colours, kLink), 0) << Say(link);
                EXPECT_EQ(Count(colours, kText), 0) << Say(link);
            }
            for (const wchar_t* label : {L"QIRVO", L"sas", L"E-mail:", L"Sito:"}) {
                const auto colours = Colours(probe::Find(children, label)->hwnd);
                EXPECT_GT(Count(colours, kText), 0) << Say(label);
                EXPECT_GT(Count(colours, kWindow), 0) << Say(label);
                EXPECT_EQ(Count(colours, RGB(224, 224, 224)), 0) << Say(label);
            }
            Switch(false);
            open_ = nullptr;
            PostMessageW(maker, WM_CLOSE, 0, 0);
        },
        [&] { SendMessageW(main, WM_COMMAND, GetMenuItemID(GetMenu(main), 3), 0); });
    EXPECT_TRUE(ran);
}

}  // namespace
