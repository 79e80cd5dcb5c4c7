// The about and maker windows opened from the real main window's menu, over the real shell,
// registry and file system.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>

#include "Modal.h"
#include "Probe.h"
#include "RealProgram.h"
#include "main/Program.h"
#include "win32/Utf.h"
#include "win32/WinForm.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

namespace {

using probe::Element;
using probe::Px;

using modal::kMakerCaption;

class RealInfoWindows : public probe::ShownProgram<> {
  protected:
    // The control a screen reader names so, as it stands in its form's client area, against
    // twips. A label may have grown from them where its text needs more room at the screen's
    // scale (TextFitTest: no more); a push button stands exactly there.
    static void ExpectAt(const std::vector<Element>& read, const std::wstring& name, double left,
                         double top, double width, double height) {
        // (The pictures are named after what they show: the label is looked for.)
        const auto e = std::find_if(read.begin(), read.end(), [&](const Element& x) {
            return x.name == name && x.role != ROLE_SYSTEM_GRAPHIC;
        });
        ASSERT_NE(e, read.end()) << win32::Narrow(name);
        const std::string said = win32::Narrow(e->heard);
        EXPECT_TRUE(e->Shows()) << said;
        EXPECT_EQ(e->rect.top, Px(top)) << said;
        if (e->role != ROLE_SYSTEM_PUSHBUTTON) {
            EXPECT_LE(e->rect.left, Px(left)) << said;
            EXPECT_GE(e->rect.right, Px(left + width)) << said;
            EXPECT_GE(e->rect.bottom, Px(top + height)) << said;
            return;
        }
        EXPECT_EQ(e->rect.left, Px(left)) << said;
        EXPECT_EQ(e->rect.right, Px(left + width)) << said;
        EXPECT_EQ(e->rect.bottom, Px(top + height)) << said;
    }

    // The font the first text drawn within `r` of a form is drawn in.
    static LOGFONTW FontWithin(HWND form, const RECT& r) {
        for (const probe::DrawnText& t : probe::TextsDrawn(form)) {
            RECT inside;
            if (IntersectRect(&inside, &t.box, &r))
                return t.font;
        }
        return LOGFONTW{};
    }
};

TEST_F(RealInfoWindows, MakerWindowOpensCentredWithItsTextsAtTheirPlaces) {
    EXPECT_TRUE(modal::InMaker(main, [&](HWND maker) {
        EXPECT_FALSE(IsWindowEnabled(main)) << "the main window waits";
        RECT r;
        GetWindowRect(maker, &r);
        const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
        EXPECT_LE(std::abs(r.left - (screenW - r.right)), 1);
        EXPECT_LE(std::abs(r.top - (screenH - r.bottom)), 1);
        RECT client;
        GetClientRect(maker, &client);
        EXPECT_EQ(client.right, Px(5295));
        EXPECT_EQ(client.bottom, Px(3825));

        const std::vector<Element> read = probe::Read(maker);
        ExpectAt(read, L"QIRVO", 1170, 90, 1725, 600);
        ExpectAt(read, L"sas", 2970, 135, 2625, 510);
        ExpectAt(read, L"di Mario Rossi", 1170, 630, 4335, 510);
        ExpectAt(read, L"Borgofinto (ZZ)", 180, 1290, 5010, 330);
        ExpectAt(read, L"Tel. 0000 000000 Fax. 0000 000001 Cell. 000 0000000", 225, 1650, 4875,
                 510);
        ExpectAt(read, L"E-mail:", 360, 2295, 690, 330);
        ExpectAt(read, L"info@q.example", 1155, 2295, 1845, 255);
        ExpectAt(read, L"Sito:", 3090, 2295, 510, 330);
        ExpectAt(read, L"www.q.example", 3645, 2295, 1605, 255);
        ExpectAt(read, L"OK", -180 + 4140, 2655 + 225, 1275, 420);
        ExpectAt(read, L"? Sistema", -180 + 4140, 2655 + 630, 1275, 420);
        // The hand, inside Picture1 (read second, after the picture box it is in).
        ASSERT_GE(read.size(), 2u);
        EXPECT_EQ(read[1].depth, 1);
        EXPECT_EQ(read[1].rect.top, Px(90 + 0));
        EXPECT_EQ(read[1].rect.left, Px(90 + 160));

        // The legal warning in 7-point type.
        const Element* warning = nullptr;
        for (const Element& e : read)
            if (e.name.rfind(L"Il programma", 0) == 0)
                warning = &e;
        ASSERT_NE(warning, nullptr);
        EXPECT_EQ(warning->depth, 1);
        ExpectAt(read, warning->name, -180 + 270, 2655 + 180, 3795, 915);
        EXPECT_EQ(FontWithin(maker, warning->rect).lfHeight,
                  -static_cast<LONG>(std::lround(7 * Px(1440) / 72.0)));

        // OK has the focus. A button disabled with the focus (as "? Sistema" is while it
        // searches) leaves it to the window, whose keys (Escape) still work, and takes it
        // back as it is enabled.
        const std::vector<probe::Child> buttons = probe::Children(maker);
        EXPECT_EQ(GetFocus(), probe::Find(buttons, L"&OK")->hwnd);
        SetFocus(probe::Find(buttons, L"? &Sistema")->hwnd);
        program.Maker().cmdInfoSys.SetEnabled(false);
        EXPECT_EQ(GetFocus(), maker);
        program.Maker().cmdInfoSys.SetEnabled(true);
        EXPECT_EQ(GetFocus(), probe::Find(buttons, L"? &Sistema")->hwnd);
        // Left for another window and active again, it gives the focus back to the button
        // that had it, as a dialog does.
        HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, nullptr,
                                     nullptr, nullptr, nullptr);
        SetActiveWindow(other);
        EXPECT_NE(GetFocus(), probe::Find(buttons, L"? &Sistema")->hwnd);
        SetActiveWindow(maker);
        EXPECT_EQ(GetFocus(), probe::Find(buttons, L"? &Sistema")->hwnd);
        DestroyWindow(other);

        // Shown whole, with nothing left to paint.
        EXPECT_EQ(probe::Unlike(maker), 0);
    }));
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(program.Maker().IsLoaded() && program.Maker().Visible());
}

TEST_F(RealInfoWindows, AboutWindowFollowsTheMainWindowAndOpensTheMakerAboveIt) {
    // Moved as the user moves it, onto a monitor of another scale: the form learns where its
    // window went from the window, and the about window, made at the system's scale, opens
    // beside it all the same. (Wine has one scale for all its screen: the move is sent as
    // Windows sends it.)
    const int other = probe::ScreenDpi() == 96 ? 144 : 96;
    RECT now;
    GetWindowRect(main, &now);
    RECT moved{Px(1500), Px(900),
               Px(1500) + MulDiv(now.right - now.left, other, probe::ScreenDpi()),
               Px(900) + MulDiv(now.bottom - now.top, other, probe::ScreenDpi())};
    SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&moved));
    bool makerOpened = false;
    const bool opened = modal::WhileOpen(
        modal::kAboutCaption, L"KelvrForm",
        [&](HWND about) {
            // The main window owns it: it stays in front of the main window, and the main
            // window, brought back from the task bar, brings it back with it.
            EXPECT_EQ(GetLastActivePopup(main), about);
            RECT r;
            GetWindowRect(about, &r);
            EXPECT_EQ(r.left, Px(1500 + 20));
            EXPECT_EQ(r.top, Px(900 + 400));
            RECT client;
            GetClientRect(about, &client);
            EXPECT_EQ(client.right, Px(5340));
            EXPECT_EQ(client.bottom, Px(3090));

            const std::vector<Element> read = probe::Read(about);
            ExpectAt(read, L"Kelvr", 870, 270, 2400, 435);
            ExpectAt(read, L"Versione 9.1.23", 3345, 300, 1860, 225);
            ExpectAt(read, L"by QIRVO sas di Mario Rossi", 2580, 45, 2625, 270);
            ExpectAt(read,
                     L"Espone lo spazio occupato, libero e totale dei Drive "
                     L"E' possibile ordinare in modo crescente le colonne "
                     L"facendo click con il tasto sinistro del mouse sulla sua intestazione",
                     315, 720, 4695, 1305);
            ExpectAt(read, L"OK", -90 + 3975, 2025 + 150, 1395, 435);
            ExpectAt(read, L"System Info...", -90 + 3990, 2025 + 600, 1380, 435);
            const std::vector<probe::Child> buttons = probe::Children(about);

            // The credit line opens the maker window above; closing it returns here.
            makerOpened = modal::WhileOpen(
                kMakerCaption, L"KelvrForm",
                [&](HWND maker) {
                    EXPECT_EQ(GetLastActivePopup(main), maker);
                    EXPECT_FALSE(IsWindowEnabled(about));
                    EXPECT_EQ(GetForegroundWindow(), maker);
                    PostMessageW(maker, WM_CLOSE, 0, 0);
                },
                [&] {
                    probe::ClickAt(about, probe::Named(read, L"by QIRVO sas di Mario Rossi")->rect);
                });
            EXPECT_TRUE(IsWindowVisible(about));
            EXPECT_TRUE(IsWindowEnabled(about));
            // Escape closes it, as its OK button is also its cancel button.
            PostMessageW(probe::Find(buttons, L"OK")->hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
        },
        [&] { probe::MenuCommand(main, 2); });
    EXPECT_TRUE(opened);
    EXPECT_TRUE(makerOpened);
    EXPECT_TRUE(IsWindowEnabled(main));
}

// Wine's shell hands what it opens to the stub browser and mailer, which write it down in the
// file named by the returned path, empty at first; empty when ctest has not set them.
std::wstring StubLaunches() {
    const char* stub = std::getenv("KELVR_STUB_LAUNCHER");
    const char* log = std::getenv("KELVR_LAUNCH_LOG");
    HKEY key;
    if (!stub || !log ||
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return L"";
    const std::wstring stubPath = win32::Widen(stub);
    for (const wchar_t* value : {L"Browsers", L"Mailers"})
        RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(stubPath.c_str()),
                       static_cast<DWORD>((stubPath.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    const std::wstring launches = probe::FromUnix(log);
    DeleteFileW(launches.c_str());
    return launches;
}

// Whether the stub browser or mailer writes `address` down in `launches` within five seconds.
::testing::AssertionResult Opened(const std::wstring& launches, const std::string& address) {
    if (probe::Until([&] { return probe::FileBytes(launches).find(address) != std::string::npos; },
                     5000, 50) >= 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "opened only: " << probe::FileBytes(launches);
}

TEST_F(RealInfoWindows, LinksHandTheirAddressesToTheShell) {
    const std::wstring launches = StubLaunches();
    ASSERT_FALSE(launches.empty())
        << "run through ctest: the stub browser and mailer are set there";
    EXPECT_TRUE(modal::InMaker(main, [&](HWND maker) {
        const std::vector<Element> read = probe::Read(maker);
        // A right-button press opens the mail link just as a left one does.
        probe::ClickAt(maker, probe::Named(read, L"info@q.example")->rect, WM_RBUTTONDOWN);
        probe::ClickAt(maker, probe::Named(read, L"www.q.example")->rect);
    }));
    EXPECT_TRUE(Opened(launches, "mailto:info@q.example"));
    EXPECT_TRUE(Opened(launches, "www.q.example"));
}

// Tab goes on from the buttons to the links, and round again. The link that has the focus is
// framed by a focus rectangle, and is the focus and focused to a screen reader; Enter, or the
// space bar, opens it. (The keys are handed to the form as the message loop hands them on,
// before the dialog manager: keyboard-test.sh types them.)
TEST_F(RealInfoWindows, TabReachesTheLinksWhichEnterOrSpaceOpens) {
    const std::wstring launches = StubLaunches();
    ASSERT_FALSE(launches.empty())
        << "run through ctest: the stub browser and mailer are set there";
    const wchar_t *mail = L"info@q.example", *site = L"www.q.example";
    EXPECT_TRUE(modal::InMaker(main, [&](HWND maker) {
        const std::vector<DWORD> unframed = probe::OwnPicture(maker);
        const RECT mailBox = probe::Named(probe::Read(maker), mail)->rect;
        const struct {
            UINT key;
            const wchar_t* focus;  // a button's text, or a link's name
        } steps[] = {{VK_TAB, L"? &Sistema"}, {VK_TAB, mail},   {VK_RETURN, mail},
                     {VK_TAB, site},          {VK_SPACE, site}, {VK_TAB, L"&OK"},
                     {VK_TAB, L"? &Sistema"}, {VK_TAB, mail}};
        for (const auto& s : steps) {
            SendMessageW(maker, win32::WinFormPeer::kDialogKey, s.key, 0);
            const std::wstring focus = GetFocus() == maker
                                           ? probe::Object::OfWindow(maker).FocusName()
                                           : probe::Text(GetFocus());
            EXPECT_EQ(focus, s.focus) << "step " << &s - steps;
            for (const Element& e : probe::Read(maker))
                if (e.role == ROLE_SYSTEM_LINK) {
                    EXPECT_EQ((e.state & STATE_SYSTEM_FOCUSED) != 0, e.name == s.focus)
                        << win32::Narrow(e.heard) << ", step " << &s - steps;
                }
            if (&s != &steps[1])
                continue;
            // Framed: what differs from the picture without the focus is the link's edge.
            const std::vector<DWORD> framed = probe::OwnPicture(maker);
            RECT client;
            GetClientRect(maker, &client);
            long edge = 0, elsewhere = 0;
            for (int y = 0; y < client.bottom; ++y)
                for (int x = 0; x < client.right; ++x) {
                    if (framed[y * client.right + x] == unframed[y * client.right + x])
                        continue;
                    const bool onEdge = x >= mailBox.left && x < mailBox.right &&
                                        y >= mailBox.top && y < mailBox.bottom &&
                                        (x == mailBox.left || x == mailBox.right - 1 ||
                                         y == mailBox.top || y == mailBox.bottom - 1);
                    ++(onEdge ? edge : elsewhere);
                }
            EXPECT_GT(edge, 0) << "the focus rectangle";
            EXPECT_EQ(elsewhere, 0) << "pixels changed away from the link's edge";
        }
        // A button given the focus, as a click gives it, takes it from the link: with the focus
        // back on the window (where a disabled button leaves it), no link has it, and Enter is
        // the dialog manager's again.
        SetFocus(FindWindowExW(maker, nullptr, L"Button", L"&OK"));
        SetFocus(maker);
        EXPECT_NE(probe::Object::OfWindow(maker).FocusName(), mail);
        EXPECT_EQ(SendMessageW(maker, win32::WinFormPeer::kDialogKey, VK_RETURN, 0), 0);
    }));
    EXPECT_TRUE(Opened(launches, "mailto:info@q.example"));
    EXPECT_TRUE(Opened(launches, "www.q.example"));
}

TEST_F(RealInfoWindows, HoverLightsALinkOnlyInsideItsMargins) {
    EXPECT_TRUE(modal::InMaker(main, [&](HWND maker) {
        const RECT mail = probe::Named(probe::Read(maker), L"info@q.example")->rect;
        auto weight = [&] {
            const LOGFONTW f = FontWithin(maker, mail);
            return std::make_pair(f.lfWeight, f.lfUnderline);
        };
        // In the label's own pixels, from its top left corner.
        auto move = [&](int x, int y) {
            SendMessageW(maker, WM_MOUSEMOVE, 0, MAKELPARAM(mail.left + x, mail.top + y));
        };
        move(Px(900), Px(120));
        EXPECT_EQ(weight(), std::make_pair(LONG{FW_BOLD}, BYTE{1}));
        move(Px(1845) - 1, Px(120));
        EXPECT_EQ(weight(), std::make_pair(LONG{FW_NORMAL}, BYTE{0}));
        // Over the telephone lines above it, which set every link plain again.
        move(Px(900), Px(120));
        move(Px(900), -Px(200));
        EXPECT_EQ(weight(), std::make_pair(LONG{FW_NORMAL}, BYTE{0}));
    }));
}

}  // namespace
