// The main window over the real drives, disks, clock and locale, read back through its windows.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <memory>

#include "Probe.h"
#include "RealProgram.h"
#include "main/FreeAll.h"
#include "win32/RealServices.h"
#include "win32/Utf.h"
#include "win32/WinHost.h"

namespace {

using probe::Px;

// The column headers, in their order, each where its twips put it.
const struct {
    const wchar_t* text;
    int left, width;
} kHeaders[] = {{L"Drive", 135, 2115},
                {L"MByte utilizzati", 2340, 1890},
                {L"MByte disponibili", 4410, 1800},
                {L"MByte TOTALI", 6390, 1755}};

class RealMainWindow : public probe::ShownProgram<> {
  protected:
    void SetUp() override {
        ShownProgram::SetUp();
        for (char letter : services.drives->Letters())
            entries.push_back(win32::Widen(services.drives->Entry(letter)));
    }

    std::vector<std::wstring> entries;
};

TEST_F(RealMainWindow, SitsAtItsTwipsPlaceWithAHeightForEveryDrive) {
    ASSERT_TRUE(IsWindowVisible(main));
    RECT r;
    GetWindowRect(main, &r);
    EXPECT_EQ(r.left, Px(300));
    EXPECT_EQ(r.top, 0);
    // (On a screen too small for it, a sizable window is as wide as the system lets it be.)
    EXPECT_EQ(r.right - r.left,
              std::min(Px(300 + 8410) - Px(300), GetSystemMetrics(SM_CXMAXTRACK)));
    const double height =
        std::min(600.0 * static_cast<double>(entries.size()) + 1000, host.Height() - 40.0);
    EXPECT_EQ(r.bottom, Px(height));
    // Every row fits: no scroll bar.
    EXPECT_FALSE(GetWindowLongW(main, GWL_STYLE) & WS_VSCROLL);

    wchar_t caption[256];
    GetWindowTextW(main, caption, 256);
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t date[16];
    swprintf(date, 16, L"%02d/%02d/%02d", t.wDay, t.wMonth, t.wYear % 100);
    const std::wstring spaces(17, L' ');
    EXPECT_EQ(std::wstring(caption),
              L" Kelvaro  -  Spazio dei Drive" + spaces + L"by QIRVO sas" + spaces + date);
}

// Given as the window is made, at the sizes the system asks for: the task switcher's and the
// caption's.
TEST_F(RealMainWindow, CarriesItsIconAtBothSizes) {
    const struct {
        WPARAM which;
        int size;
    } icons[] = {{ICON_BIG, GetSystemMetrics(SM_CXICON)},
                 {ICON_SMALL, GetSystemMetrics(SM_CXSMICON)}};
    for (const auto& i : icons) {
        HICON icon = reinterpret_cast<HICON>(SendMessageW(main, WM_GETICON, i.which, 0));
        ASSERT_NE(icon, nullptr) << "icon " << i.which;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, i.size) << "icon " << i.which;
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

// The window shows what it draws, with nothing left to paint, and no child windows but
// push buttons (it has none).
TEST_F(RealMainWindow, ShowsWhatItDrawsWithNothingLeftToPaint) {
    probe::Pump();
    EXPECT_FALSE(GetUpdateRect(main, nullptr, FALSE));
    EXPECT_TRUE(probe::Children(main).empty());
    EXPECT_EQ(probe::Unlike(main), 0);
}

// Each control where its twips put it, as a screen reader locates it; the bars' fills as wide
// as the used share of the outline.
TEST_F(RealMainWindow, HeadersRowsAndBarsStandAtTheirTwipsRectangles) {
    const std::vector<probe::Element> read = probe::Read(main);
    for (const auto& h : kHeaders) {
        const probe::Element* e = probe::Named(read, h.text);
        ASSERT_NE(e, nullptr) << "header " << win32::Narrow(h.text);
        EXPECT_EQ(e->rect.left, Px(h.left));
        EXPECT_EQ(e->rect.right, Px(h.left + h.width));
        EXPECT_EQ(e->rect.top, Px(45));
        // Taller where its font is (TextFitTest: no taller than its text needs).
        EXPECT_GE(e->rect.bottom, Px(240));
    }

    const std::vector<probe::Row> table = probe::Table(main);
    ASSERT_EQ(table.size(), entries.size());
    ASSERT_GE(entries.size(), 2u);
    for (std::size_t j = 0; j < table.size(); ++j) {
        const probe::Row& row = table[j];
        SCOPED_TRACE(win32::Narrow(row.name));
        EXPECT_EQ(row.name, entries[j]);  // drive order at start
        const int lefts[] = {45, 2340, 4320, 6300};
        const int widths[] = {2265, 1950, 1950, 1950};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(row.cells[i].left, Px(lefts[i]));
            EXPECT_EQ(row.cells[i].right, Px(lefts[i] + widths[i]));
            EXPECT_EQ(row.cells[i].top, Px(600.0 * static_cast<double>(j) + 270));
        }
        for (const std::wstring& f : row.figures) {  // megabytes with the Italian decimal comma
            ASSERT_GE(f.size(), 4u);
            EXPECT_EQ(f.substr(f.size() - 3, 1), L",") << win32::Narrow(f);
        }
        EXPECT_EQ(row.bar.left, Px(2340));
        EXPECT_EQ(row.bar.right, Px(2340 + 5910));
        EXPECT_EQ(row.bar.top, Px(600.0 * static_cast<double>(j) + 580));
        const double used = probe::Figure(row.figures[0]), total = probe::Figure(row.figures[2]);
        if (total > 0) {
            EXPECT_NEAR(probe::FillWidth(main, row.bar), Px(5910) * used / total, 1.0);
        }
    }
}

TEST_F(RealMainWindow, ShowsAFolderDriveWithItsLabelAndAMissingOneAsZero) {
    ASSERT_NE(std::getenv("KELVR_TEST_DRIVE_D"), nullptr) << "run through scripts/wine-run.sh";
    const std::vector<probe::Row> table = probe::Table(main);
    auto named = [&](const std::wstring& name) {
        return std::find_if(table.begin(), table.end(),
                            [&](const probe::Row& row) { return row.name == name; });
    };
    auto d = named(L"d: [DATI KELVR]");
    ASSERT_NE(d, table.end());
    EXPECT_GT(probe::Figure(d->figures[2]), 0);
    auto e = named(L"e:");
    ASSERT_NE(e, table.end());
    for (const std::wstring& f : e->figures) EXPECT_EQ(f, L"0,00");
}

// A click on each header reaches its handler (the order it gives is tested natively), and the
// window repaints what moved: a click on the column the rows are already in repaints nothing.
TEST_F(RealMainWindow, HeaderClicksSortAndRepaintOnlyWhatMoved) {
    const std::vector<probe::Element> read = probe::Read(main);
    for (int column : {3, 2, 1, 0, 0}) {
        probe::ClickAt(main, probe::Named(read, kHeaders[column].text)->rect);
        EXPECT_EQ(Main().SortColumn, column);
        EXPECT_EQ(probe::Unlike(main), 0) << column;
    }
    EXPECT_EQ(probe::Table(main).front().name, entries.front()) << "drive order again";
    probe::ClickAt(main, probe::Named(read, kHeaders[0].text)->rect);
    EXPECT_FALSE(GetUpdateRect(main, nullptr, FALSE)) << "the same order repainted";
}

// The menu bar as the window's own menu; a unit chosen there moves the check mark and reaches
// the form, which names it in the headers. (The figures and headers of each unit are
// FiguresInEachUnit's and UnitMenuChecksOneItemAndPrefixesTheFigureHeaders', natively.)
TEST_F(RealMainWindow, UnitMenuMovesTheCheckMark) {
    HMENU menu = GetMenu(main);
    ASSERT_EQ(GetMenuItemCount(menu), 4);
    wchar_t text[64];
    const wchar_t* bar[] = {L"&Fine", L"&Unit\u00e0", L"Su Kelv&aro", L"Su &QIRVO"};
    for (int i = 0; i < 4; ++i) {
        GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, bar[i]);
    }
    HMENU units = GetSubMenu(menu, 1);
    auto checked = [&] {
        std::vector<int> on;
        for (int i = 0; i < 3; ++i)
            if (GetMenuState(units, i, MF_BYPOSITION) & MF_CHECKED)
                on.push_back(i);
        return on;
    };
    EXPECT_EQ(checked(), std::vector<int>{1});
    for (const auto& [item, header] :
         {std::pair{0, L"Byte TOTALI"}, std::pair{2, L"GByte TOTALI"}}) {
        probe::MenuCommand(main, 1, item);
        EXPECT_EQ(checked(), std::vector<int>{item});
        EXPECT_NE(probe::Named(probe::Read(main), header), nullptr) << win32::Narrow(header);
    }
}

// The form's pointer shows as the form sets it, with the mouse at rest over the window: the
// hourglass while it measures, the arrow after; nothing else changes the pointer.
TEST_F(RealMainWindow, PointerChangesShowWithoutAMouseMove) {
    RECT client;
    GetClientRect(main, &client);
    POINT at{client.right / 2, client.bottom - 2};
    ClientToScreen(main, &at);
    SetForegroundWindow(main);
    SetCursorPos(at.x, at.y);
    host.DoEvents();
    ASSERT_EQ(WindowFromPoint(at), main);
    Main().SetMousePointer(forms::kHourglass);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    Main().SetMousePointer(forms::kDefaultPointer);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
    // Any other change leaves the pointer as it is: the system's sizing pointer, say.
    SetCursor(LoadCursor(nullptr, IDC_SIZENS));
    Main().SetCaption(Main().Caption() + " ");
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_SIZENS));
}

// The tooltips come with the mouse: the real pointer is moved over a header, as a user would.
// Each tool answers over its control's rectangle.
TEST_F(RealMainWindow, FigureHeadersCarryTheirTooltipsOnceTheMouseComes) {
    const std::vector<probe::Element> read = probe::Read(main);
    const probe::Element* total = probe::Named(read, L"MByte TOTALI");
    ASSERT_NE(total, nullptr);
    const HWND tips =
        probe::MouseTo(main, {total->rect.left + 4, (total->rect.top + total->rect.bottom) / 2});
    ASSERT_NE(tips, nullptr);

    // Besides the three headers, only names cut short carry a tip: their whole text.
    const std::vector<probe::Tool> tools = probe::Tools(tips);
    EXPECT_GE(tools.size(), 3u);
    int headers = 0;
    for (const probe::Tool& t : tools) {
        const auto over = std::find_if(read.begin(), read.end(), [&](const probe::Element& e) {
            return EqualRect(&e.rect, &t.rect);
        });
        ASSERT_NE(over, read.end()) << win32::Narrow(t.text);
        if (over->role == ROLE_SYSTEM_COLUMNHEADER) {
            ++headers;
            EXPECT_NE(over->heard.find(L"(" + t.text + L")"), std::wstring::npos)
                << win32::Narrow(over->heard);
        } else {
            EXPECT_NE(std::find(entries.begin(), entries.end(), t.text), entries.end())
                << win32::Narrow(t.text);
        }
    }
    EXPECT_EQ(headers, 3);

    // The mouse moves on along the header and rests there: its tip pops up. (A tip of a name
    // that the pointer rested on as the window opened may show first.)
    EXPECT_EQ(probe::TipOnRest(main, total->rect), L"Ordina per capacit\u00e0 totale");
}

// Moved to a screen of another scale, the window lays itself out again at that screen's DPI,
// in the place the system suggests. (Wine sends no WM_DPICHANGED: it is sent here as Windows
// sends it.)
TEST_F(RealMainWindow, LaysItselfOutAgainAtTheDpiOfItsNewScreen) {
    // (Scales at which the window still fits the test's screen, which Wine holds it to.)
    const int screenDpi = probe::ScreenDpi();
    int dpi = screenDpi;
    for (int next : {144, 96, 120, screenDpi}) {
        if (next == dpi)
            continue;
        SCOPED_TRACE(next);
        RECT now;
        GetWindowRect(main, &now);
        RECT suggested{now.left + 10, now.top + 10,
                       now.left + 10 + MulDiv(now.right - now.left, next, dpi),
                       now.top + 10 + MulDiv(now.bottom - now.top, next, dpi)};
        SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(next, next),
                     reinterpret_cast<LPARAM>(&suggested));
        dpi = next;
        RECT r;
        GetWindowRect(main, &r);
        EXPECT_TRUE(EqualRect(&r, &suggested));
        const probe::Element* header = probe::Named(probe::Read(main), L"MByte TOTALI");
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->rect.left, Px(6390, dpi));
        EXPECT_EQ(header->rect.right, Px(6390 + 1755, dpi));
        EXPECT_EQ(header->rect.top, Px(45, dpi));
        const std::vector<probe::Row> table = probe::Table(main);
        ASSERT_FALSE(table.empty());
        EXPECT_EQ(table[0].cells[3].right, Px(6300 + 1950, dpi));
        // The figures in Courier New 9 pt at the new scale.
        int figures = 0;
        for (const probe::DrawnText& t : probe::TextsDrawn(main))
            if (t.box.right <= table[0].cells[3].right && t.box.left >= table[0].cells[3].left &&
                t.box.top >= table[0].cells[3].top && t.box.bottom <= table[0].cells[3].bottom) {
                ++figures;
                EXPECT_STREQ(t.font.lfFaceName, L"Courier New");
                EXPECT_EQ(t.font.lfHeight, -MulDiv(9, dpi, 72));
            }
        EXPECT_GT(figures, 0);
        // The form's properties read the window where it now is: its size in its twips, its
        // place in the twips of the system's scale, which every window's place shares.
        EXPECT_NEAR(Main().Left(), (suggested.left * 1440.0) / screenDpi, 1);
        EXPECT_NEAR(Main().Width(), ((suggested.right - suggested.left) * 1440.0) / dpi, 1);
        // Once the paints it has asked for are done, it shows what it draws.
        EXPECT_EQ(probe::Unlike(main), 0);
    }
}

// Made narrower than its columns, the window shows each header's text whole in what shows of
// it, and every figure with all its digits; widened again, as designed.
TEST_F(RealMainWindow, ANarrowWindowShowsTheTextOfItsCutColumnsWhole) {
    RECT r;
    GetWindowRect(main, &r);
    auto textsReach = [&] {
        LONG right = 0;
        for (const probe::DrawnText& t : probe::TextsDrawn(main))
            if (!IsRectEmpty(&t.ink))
                right = std::max(right, t.ink.right);
        return right;
    };
    const LONG designed = textsReach();
    SetWindowPos(main, nullptr, 0, 0, Px(7000), r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(main, &client);
    const LONG narrow = textsReach();
    EXPECT_LE(narrow, client.right);
    EXPECT_NE(probe::Named(probe::Read(main), L"MByte TOTALI"), nullptr);
    // Made lower, scrolled to its last row and made high again, it loses its scroll bar: the
    // texts are laid out again for the width the bar leaves.
    SetWindowPos(main, nullptr, 0, 0, Px(7000), (r.bottom - r.top) / 2, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(GetWindowLongW(main, GWL_STYLE) & WS_VSCROLL);
    SendMessageW(main, WM_KEYDOWN, VK_END, 0);
    SetWindowPos(main, nullptr, 0, 0, Px(7000), r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_FALSE(GetWindowLongW(main, GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(textsReach(), narrow);
    SetWindowPos(main, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(textsReach(), designed);
    EXPECT_EQ(probe::Unlike(main), 0);
}

// Desktop bars at the top and the left of a screen too low for the rows: the window opens in
// what they leave (the system's work area, set here as a desktop bar sets it), and scrolls.
TEST(MainWindowBesideDesktopBars, OpensWithinTheWorkArea) {
    struct WorkArea {
        RECT was{};
        WorkArea() { SystemParametersInfoW(SPI_GETWORKAREA, 0, &was, 0); }
        ~WorkArea() { SystemParametersInfoW(SPI_SETWORKAREA, 0, &was, 0); }
    } screen;
    RECT work{screen.was.left + Px(900), screen.was.top + Px(600), screen.was.right, Px(2400)};
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETWORKAREA, 0, &work, 0));
    probe::RealProgram<> p;
    p.program.Main().Show();
    const HWND hwnd = reinterpret_cast<HWND>(p.program.Main().hWnd());
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.top, work.top);
    EXPECT_NEAR(r.left, work.left + Px(300), 1);
    EXPECT_LE(r.bottom, work.bottom);
    EXPECT_GE(r.bottom, work.bottom - Px(40) - 1);
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_STYLE) & WS_VSCROLL);
}

// The separators the user has set, as the figures are written with them: none at all for the
// grouping (the figures then stand ungrouped), or characters beyond ASCII.
TEST(UserSeparators, AreTheOnesTheUserSet) {
    struct Kept {
        wchar_t decimal[8] = L"", thousands[8] = L"";
        Kept() {
            GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
            GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousands, 8);
        }
        ~Kept() {
            SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal);
            SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousands);
        }
    } kept;
    const struct {
        const wchar_t *decimal, *thousands;
        services::NumberSeparators read;
    } settings[] = {
        {L",", L".", {",", "."}},
        {L",", L"", {",", ""}},
        {L",", L"\u00A0", {",", "\xC2\xA0"}},
        {L"\u066B", L"\u066C", {"\xD9\xAB", "\xD9\xAC"}},
    };
    for (const auto& s : settings) {
        ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, s.decimal));
        ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, s.thousands));
        const services::NumberSeparators read = win32::WinLocale().Separators();
        EXPECT_EQ(read.decimal, s.read.decimal);
        EXPECT_EQ(read.thousands, s.read.thousands);
    }
}

TEST_F(RealMainWindow, FineDestroysTheWindow) {
    probe::MenuCommand(main, 0);
    EXPECT_FALSE(Main().IsLoaded());
    EXPECT_FALSE(IsWindow(main));
}

}  // namespace
