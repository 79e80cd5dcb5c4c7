// Twenty-six drives on a screen too low for them: the main window is as high as the screen
// lets it be, a scroll bar comes, and the keys, the wheel and the bar bring every row into
// view below the headers, which stay.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Probe.h"
#include "main/FreeAll.h"
#include "win32/RealServices.h"
#include "win32/Utf.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

namespace {

using probe::Px;

class AllLetters : public services::DriveSource {
  public:
    std::vector<char> Letters() const override {
        std::vector<char> letters;
        for (char c = 'a'; c <= 'z'; ++c) letters.push_back(c);
        return letters;
    }
    std::string Entry(char letter) const override {
        return std::string(1, letter) + ": [DISCO " + static_cast<char>(letter - 'a' + 'A') + "]";
    }
};

class HalfFull : public services::DiskQuery {
  public:
    services::DiskFigures Query(const std::string&) override { return {1ull << 30, 1ull << 31}; }
};

class ManyDrives : public ::testing::Test {
  protected:
    void SetUp() override {
        window.Show();
        hwnd = reinterpret_cast<HWND>(window.hWnd());
    }

    static std::wstring Name(char letter) { return win32::Widen(AllLetters().Entry(letter)); }
    // Whether a drive's row, its bar included, shows wholly in the client area, below the
    // headers; a screen reader reads it either way, as off the screen when it is not.
    bool InView(char letter) {
        const probe::Element* e = probe::Named(probe::Read(hwnd), Name(letter));
        if (!e)
            return false;
        RECT client;
        GetClientRect(hwnd, &client);
        const bool in = e->rect.top >= Px(270) && e->rect.top + Px(600) <= client.bottom;
        EXPECT_EQ(e->Shows(), e->rect.top >= Px(270) && e->rect.top < client.bottom)
            << win32::Narrow(e->heard);
        return in && e->Shows();
    }
    void Key(WPARAM key) { SendMessageW(hwnd, WM_KEYDOWN, key, 0); }
    bool HeadersStay() {
        const probe::Element* h = probe::Named(probe::Read(hwnd), L"MByte TOTALI");
        return h && h->Shows() && h->rect.top == Px(45);
    }

    win32::WinHost host{GetModuleHandleW(nullptr)};
    win32::RealServices real;
    kelvr::FreeAll window{[this] {
        kelvr::Services s = real.For(host);
        s.drives = std::make_shared<AllLetters>();
        s.disks = std::make_shared<HalfFull>();
        return s;
    }()};
    HWND hwnd = nullptr;
};

TEST_F(ManyDrives, EveryRowCanBeBroughtIntoViewByKeysWheelAndBar) {
    ASSERT_GT(26 * 600 + 1000, host.Height()) << "the screen is high enough for every row";
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_STYLE) & WS_VSCROLL);
    // The window is widened for the bar: no column is under it (where the screen is wide
    // enough for the window: the system holds a window to the screen's width).
    RECT client, outer;
    GetClientRect(hwnd, &client);
    GetWindowRect(hwnd, &outer);
    if (outer.right - outer.left < GetSystemMetrics(SM_CXMAXTRACK)) {
        EXPECT_GE(client.right, Px(6300 + 1950));
    }
    EXPECT_TRUE(InView('a'));
    EXPECT_FALSE(InView('z'));

    EXPECT_EQ(probe::Read(hwnd).size(), 4u + 26 * 5) << "every row is read";

    Key(VK_END);
    EXPECT_TRUE(InView('z'));
    EXPECT_FALSE(InView('a')) << "a row scrolled under the headers shows";
    EXPECT_TRUE(HeadersStay());
    // What shows is what the window draws: the rows moved, the headers in their place.
    EXPECT_EQ(probe::Unlike(hwnd), 0);

    Key(VK_HOME);
    EXPECT_TRUE(InView('a'));
    EXPECT_FALSE(InView('z'));
    for (int i = 0; i < 26 && !InView('z'); ++i) Key(VK_DOWN);
    EXPECT_TRUE(InView('z'));
    for (int i = 0; i < 3; ++i) Key(VK_PRIOR);
    EXPECT_TRUE(InView('a'));

    for (int i = 0; i < 26 && !InView('z'); ++i)
        SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_TRUE(InView('z'));
    for (int i = 0; i < 26 && !InView('a'); ++i)
        SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_TRUE(InView('a'));

    SendMessageW(hwnd, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_TRUE(InView('z'));
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(hwnd, SB_VERT, &si));
    EXPECT_EQ(si.nPos + static_cast<int>(si.nPage) - 1, si.nMax) << "the bar is not at its end";
    SendMessageW(hwnd, WM_VSCROLL, SB_PAGEUP, 0);
    SendMessageW(hwnd, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_FALSE(InView('z'));
    EXPECT_TRUE(HeadersStay());

    // Sorted again, the rows keep the scroll: the row that sorts last is the one in view.
    window.lbDes_Click(0);
    SendMessageW(hwnd, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_TRUE(InView('z'));

    // Made lower, then higher again: the rows in view follow, and the last one never leaves
    // room below it, as the window never scrolls further than the last row.
    RECT r;
    GetWindowRect(hwnd, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    SetWindowPos(hwnd, nullptr, 0, 0, width, height / 2, SWP_NOMOVE | SWP_NOZORDER);
    Key(VK_END);
    EXPECT_TRUE(InView('z'));
    const double lowScroll = window.ScrollTop();
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_LT(window.ScrollTop(), lowScroll);
    EXPECT_EQ(window.ScrollTop(), window.ScrollMax());
    EXPECT_TRUE(InView('z'));
    GetWindowRect(hwnd, &r);
    EXPECT_NEAR(window.Height(), (r.bottom - r.top) * 1440.0 / probe::ScreenDpi(), 0.01);
}

// A notch of the wheel scrolls the lines the user's mouse setting says, three to a row, or a
// page where it says a screen at a time.
TEST_F(ManyDrives, TheWheelScrollsAsTheMouseSettingSays) {
    UINT saved = 3;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &saved, 0));
    struct Restore {
        UINT lines;
        ~Restore() { SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, lines, nullptr, 0); }
    } restore{saved};
    // Low enough that a page is less than the scroll's whole length.
    RECT r;
    GetWindowRect(hwnd, &r);
    SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, (r.bottom - r.top) / 2,
                 SWP_NOMOVE | SWP_NOZORDER);
    const int page = window.PageSteps();
    ASSERT_GT(page, 2);
    ASSERT_GT(window.ScrollMax(), page * window.ScrollStep());
    const struct {
        UINT lines;
        std::vector<int> rows;  // scrolled down after each notch
    } cases[] = {
        {3, {1, 2}}, {6, {2, 4}}, {1, {0, 0, 1, 1}}, {0, {0, 0}}, {WHEEL_PAGESCROLL, {page}}};
    for (const auto& c : cases) {
        ASSERT_TRUE(SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, c.lines, nullptr, 0));
        Key(VK_HOME);
        for (std::size_t n = 0; n < c.rows.size(); ++n) {
            SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
            EXPECT_EQ(window.ScrollTop(), c.rows[n] * window.ScrollStep())
                << c.lines << " lines a notch, after " << n + 1 << " notches";
        }
    }
}

}  // namespace
