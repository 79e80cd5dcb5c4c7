// The about and maker windows opened from the real main window's menu, over the real shell,
// registry and file system.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "Modal.h"
#include "Probe.h"
#include "RealProgram.h"
#include "main/Program.h"
#include "win32/Utf.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

namespace {

using probe::Child;
using probe::Px;

const wchar_t* kMakerCaption = L"Informazioni sul produttore del SoftWare";
const wchar_t* kAboutCaption = L" Informazioni su Kelvr";

std::wstring ReadAll(const std::wstring& path) {
    std::ifstream f(win32::Narrow(path), std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return win32::Widen(s.str());
}

// Waits up to five seconds for a file to hold `text`.
bool WaitForText(const std::wstring& path, const std::wstring& text) {
    for (int i = 0; i < 100; ++i) {
        if (ReadAll(path).find(text) != std::wstring::npos)
            return true;
        Sleep(50);
    }
    return false;
}

class RealInfoWindows : public ::testing::Test, protected probe::RealProgram<> {
  protected:
    void SetUp() override {
        program.Main().Show();
        host.DoEvents();
        main = reinterpret_cast<HWND>(program.Main().hWnd());
    }

    // Chooses a command of the menu bar, as the user does; the modal window it opens runs
    // inside this call.
    void MenuBar(int position) {
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(GetMenuItemID(GetMenu(main), position), 0), 0);
    }

    static const Child* Find(const std::vector<Child>& children, const std::wstring& text) {
        return probe::Find(children, text);
    }

    // The rectangle of a child in its form's client area, against twips. A label may have grown
    // from it where its text needs more room at the screen's scale (TextFitTest: no more).
    static void ExpectAt(const Child* c, double left, double top, double width, double height) {
        ASSERT_NE(c, nullptr);
        const std::string name = win32::Narrow(c->text);
        EXPECT_EQ(c->rect.top, Px(top)) << name;
        if (c->cls == L"KelvrControl") {
            EXPECT_LE(c->rect.left, Px(left)) << name;
            EXPECT_GE(c->rect.right, Px(left + width)) << name;
            EXPECT_GE(c->rect.bottom, Px(top + height)) << name;
            return;
        }
        EXPECT_EQ(c->rect.left, Px(left)) << name;
        EXPECT_EQ(c->rect.right, Px(left + width)) << name;
        EXPECT_EQ(c->rect.bottom, Px(top + height)) << name;
    }

    HWND main = nullptr;
};

TEST_F(RealInfoWindows, MakerWindowOpensCentredWithItsTextsAtTheirPlaces) {
    bool checked = false;
    const bool opened = modal::WhileOpen(
        kMakerCaption, L"KelvrForm",
        [&](HWND maker) {
            EXPECT_FALSE(IsWindowEnabled(main)) << "the main window waits";
            RECT r;
            GetWindowRect(maker, &r);
            const int screenW = GetSystemMetrics(SM_CXSCREEN),
                      screenH = GetSystemMetrics(SM_CYSCREEN);
            EXPECT_LE(std::abs(r.left - (screenW - r.right)), 1);
            EXPECT_LE(std::abs(r.top - (screenH - r.bottom)), 1);
            RECT client;
            GetClientRect(maker, &client);
            EXPECT_EQ(client.right, Px(5295));
            EXPECT_EQ(client.bottom, Px(3825));

            const std::vector<Child> children = probe::Children(maker);
            ExpectAt(Find(children, L"QIRVO"), 1170, 90, 1725, 600);
            ExpectAt(Find(children, L"sas"), 2970, 135, 2625, 510);
            ExpectAt(Find(children, L"di Mario Rossi"), 1170, 630, 4335, 510);
            ExpectAt(Find(children, L"C"), 90 + 160, 90 + 0, 600, 780);  // inside Picture1
            ExpectAt(Find(children, L"E-mail:"), 360, 2295, 690, 330);
            ExpectAt(Find(children, L"info@q.example"), 1155, 2295, 1845, 255);
            ExpectAt(Find(children, L"Sito:"), 3090, 2295, 510, 330);
            ExpectAt(Find(children, L"www.q.example"), 3645, 2295, 1605, 255);
            ExpectAt(Find(children, L"&OK"), -180 + 4140, 2655 + 225, 1275, 420);
            ExpectAt(Find(children, L"? &Sistema"), -180 + 4140, 2655 + 630, 1275, 420);
            ExpectAt(Find(children, L"   Borgofinto (ZZ)\n"), 180, 1290, 5010, 330);
            const std::wstring telephones =
                L"   Tel.   0000 000000         Fax.   0000 000001\n   Cell.   000 0000000  ";
            ExpectAt(Find(children, telephones), 225, 1650, 4875, 510);

            // The legal warning in 7-point type.
            const Child* warning = nullptr;
            for (const Child& c : children)
                if (c.text.rfind(L"Il programma", 0) == 0)
                    warning = &c;
            ASSERT_NE(warning, nullptr);
            ExpectAt(warning, -180 + 270, 2655 + 180, 3795, 915);
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(warning->hwnd, WM_GETFONT, 0, 0)),
                       sizeof font, &font);
            EXPECT_EQ(font.lfHeight, -static_cast<LONG>(std::lround(7 * Px(1440) / 72.0)));

            // OK has the focus.
            EXPECT_EQ(GetFocus(), Find(children, L"&OK")->hwnd);

            // Shown whole: its labels and picture as they draw themselves, its buttons painted.
            const probe::Drawing d = probe::Drawn(maker);
            EXPECT_TRUE(d.wrong.empty()) << "drawn otherwise: " << probe::Names(d.wrong);
            EXPECT_TRUE(d.unpainted.empty()) << "left to paint: " << probe::Names(d.unpainted);
            EXPECT_GE(d.controls, 10);
            EXPECT_EQ(probe::ChangedByRepainting(maker), 0);
            checked = true;
            PostMessageW(maker, WM_CLOSE, 0, 0);
        },
        [&] { MenuBar(3); });
    EXPECT_TRUE(opened);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(program.Maker().IsLoaded() && program.Maker().Visible());
}

TEST_F(RealInfoWindows, AboutWindowFollowsTheMainWindowAndOpensTheMakerAboveIt) {
    // Moved as the user moves it: the form learns where its window went from the window.
    SetWindowPos(main, nullptr, Px(1500), Px(900), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    bool makerOpened = false;
    const bool opened = modal::WhileOpen(
        kAboutCaption, L"KelvrForm",
        [&](HWND about) {
            RECT r;
            GetWindowRect(about, &r);
            EXPECT_EQ(r.left, Px(1500 + 20));
            EXPECT_EQ(r.top, Px(900 + 400));
            RECT client;
            GetClientRect(about, &client);
            EXPECT_EQ(client.right, Px(5340));
            EXPECT_EQ(client.bottom, Px(3090));

            const std::vector<Child> children = probe::Children(about);
            ExpectAt(Find(children, L"Kelvr"), 870, 270, 2400, 435);
            ExpectAt(Find(children, L"Versione 9.1.23"), 3345, 300, 1860, 225);
            ExpectAt(Find(children, L"by QIRVO sas di Mario Rossi"), 2580, 45, 2625, 270);
            ExpectAt(Find(children,
                          L"Espone lo spazio occupato, libero e totale dei Drive\n\n"
                          L"E' possibile ordinare in modo crescente le colonne\n"
                          L"facendo click con il tasto sinistro del mouse sulla\n"
                          L"sua intestazione"),
                     315, 720, 4695, 1305);
            ExpectAt(Find(children, L"OK"), -90 + 3975, 2025 + 150, 1395, 435);
            ExpectAt(Find(children, L"&System Info..."), -90 + 3990, 2025 + 600, 1380, 435);

            // The credit line opens the maker window above; closing it returns here.
            makerOpened = modal::WhileOpen(
                kMakerCaption, L"KelvrForm",
                [&](HWND maker) {
                    EXPECT_FALSE(IsWindowEnabled(about));
                    EXPECT_EQ(GetForegroundWindow(), maker);
                    PostMessageW(maker, WM_CLOSE, 0, 0);
                },
                [&] { probe::Click(Find(children, L"by QIRVO sas di Mario Rossi")->hwnd); });
            EXPECT_TRUE(IsWindowVisible(about));
            EXPECT_TRUE(IsWindowEnabled(about));
            // Escape closes it, as its OK button is also its cancel button.
            PostMessageW(Find(children, L"OK")->hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
        },
        [&] { MenuBar(2); });
    EXPECT_TRUE(opened);
    EXPECT_TRUE(makerOpened);
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(RealInfoWindows, LinksHandTheirAddressesToTheShell) {
    const char* stub = std::getenv("KELVR_STUB_LAUNCHER");
    const char* log = std::getenv("KELVR_LAUNCH_LOG");
    ASSERT_TRUE(stub && log) << "run through ctest: the stub browser and mailer are set there";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring stubPath = win32::Widen(stub);
    for (const wchar_t* value : {L"Browsers", L"Mailers"})
        RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(stubPath.c_str()),
                       static_cast<DWORD>((stubPath.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    const std::wstring launches = probe::FromUnix(log);
    DeleteFileW(launches.c_str());

    modal::WhileOpen(
        kMakerCaption, L"KelvrForm",
        [&](HWND maker) {
            const std::vector<Child> children = probe::Children(maker);
            HWND mail = Find(children, L"info@q.example")->hwnd;
            HWND site = Find(children, L"www.q.example")->hwnd;
            // A right-button press opens the mail link just as a left one does.
            SendMessageW(mail, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 8));
            SendMessageW(mail, WM_RBUTTONUP, 0, MAKELPARAM(10, 8));
            SendMessageW(site, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 8));
            SendMessageW(site, WM_LBUTTONUP, 0, MAKELPARAM(10, 8));
            PostMessageW(maker, WM_CLOSE, 0, 0);
        },
        [&] { MenuBar(3); });
    EXPECT_TRUE(WaitForText(launches, L"mailto:info@q.example"))
        << win32::Narrow(ReadAll(launches));
    EXPECT_TRUE(WaitForText(launches, L"www.q.example")) << win32::Narrow(ReadAll(launches));
}

TEST_F(RealInfoWindows, HoverLightsALinkOnlyInsideItsMargins) {
    modal::WhileOpen(
        kMakerCaption, L"KelvrForm",
        [&](HWND maker) {
            const std::vector<Child> children = probe::Children(maker);
            HWND mail = Find(children, L"info@q.example")->hwnd;
            auto weight = [&] {
                LOGFONTW f{};
                GetObjectW(reinterpret_cast<HFONT>(SendMessageW(mail, WM_GETFONT, 0, 0)), sizeof f,
                           &f);
                return std::make_pair(f.lfWeight, f.lfUnderline);
            };
            SendMessageW(mail, WM_MOUSEMOVE, 0, MAKELPARAM(Px(900), Px(120)));
            EXPECT_EQ(weight(), std::make_pair(LONG{FW_BOLD}, BYTE{1}));
            SendMessageW(mail, WM_MOUSEMOVE, 0, MAKELPARAM(Px(1845) - 1, Px(120)));
            EXPECT_EQ(weight(), std::make_pair(LONG{FW_NORMAL}, BYTE{0}));
            PostMessageW(maker, WM_CLOSE, 0, 0);
        },
        [&] { MenuBar(3); });
}

}  // namespace
