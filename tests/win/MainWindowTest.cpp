// The main window over the real drives, disks, clock and locale, read back through its windows.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <memory>

#include "Probe.h"
#include "main/FreeAll.h"
#include "win32/RealServices.h"
#include "win32/Utf.h"
#include "win32/WinHost.h"

namespace {

using probe::Child;
using probe::Px;

class RealMainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        window.Show();
        host.DoEvents();
        hwnd = reinterpret_cast<HWND>(window.hWnd());
        for (char letter : services.drives->Letters())
            entries.push_back(win32::Widen(services.drives->Entry(letter)));
    }

    // The pixel top of what stands `twips` into the row of the j-th drive: its labels at 270,
    // its bars at 580.
    static int RowTop(std::size_t j, int twips) {
        return Px(600.0 * static_cast<double>(j) + twips);
    }

    // The row controls that stand at a given top, by their left edge.
    std::vector<Child> RowAt(int top) const {
        std::vector<Child> row;
        for (const Child& c : probe::Children(hwnd))
            if (c.visible && c.rect.top == top)
                row.push_back(c);
        std::sort(row.begin(), row.end(),
                  [](const Child& a, const Child& b) { return a.rect.left < b.rect.left; });
        return row;
    }

    // Drive names from the top row down, with the figure of one column (1 used, 2 free, 3 total).
    std::vector<std::pair<std::wstring, double>> Table(int column) const {
        std::vector<std::pair<std::wstring, double>> rows;
        for (std::size_t j = 0; j < entries.size(); ++j) {
            std::vector<Child> row = RowAt(RowTop(j, 270));
            if (row.size() != 4)
                return {};
            rows.emplace_back(row[0].text, probe::Figure(row[column].text));
        }
        return rows;
    }

    void Command(int bar, int item) {
        HMENU menu = GetMenu(hwnd);
        HMENU sub = item < 0 ? nullptr : GetSubMenu(menu, bar);
        UINT id = sub ? GetMenuItemID(sub, item) : GetMenuItemID(menu, bar);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    }

    win32::WinHost host{GetModuleHandleW(nullptr)};
    win32::RealServices services;
    kelvr::FreeAll window{services.ForMainWindow(host)};
    HWND hwnd = nullptr;
    std::vector<std::wstring> entries;
};

TEST_F(RealMainWindow, SitsAtItsTwipsPlaceWithAHeightForEveryDrive) {
    ASSERT_TRUE(IsWindowVisible(hwnd));
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, Px(300));
    EXPECT_EQ(r.top, 0);
    // (On a screen too small for it, a sizable window is as wide as the system lets it be.)
    EXPECT_EQ(r.right - r.left,
              std::min(Px(300 + 8410) - Px(300), GetSystemMetrics(SM_CXMAXTRACK)));
    const double height =
        std::min(600.0 * static_cast<double>(entries.size()) + 1000, host.Height() - 40.0);
    EXPECT_EQ(r.bottom, Px(height));
    // Every row fits: no scroll bar.
    EXPECT_FALSE(GetWindowLongW(hwnd, GWL_STYLE) & WS_VSCROLL);

    wchar_t caption[256];
    GetWindowTextW(hwnd, caption, 256);
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
        HICON icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, i.which, 0));
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

// A control that the system erases ahead of its WM_PAINT, as when its form shows, is drawn
// there and then and has nothing left to paint; one asked to erase into another DC (a
// picture of it being taken) draws into that DC and leaves its window's painting pending.
TEST_F(RealMainWindow, ControlsAreDrawnWhenErasedAheadOfTheirPaint) {
    const Child* header = probe::Find(probe::Children(hwnd), L"MByte TOTALI");
    ASSERT_NE(header, nullptr);
    HWND h = header->hwnd;
    RECT r;
    GetClientRect(h, &r);
    const POINT at{3, r.bottom / 2};  // left of the centred text, on the background

    HDC screen = GetDC(h);
    HDC picture = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ previous = SelectObject(picture, bitmap);
    const COLORREF magenta = RGB(255, 0, 255);
    HBRUSH brush = CreateSolidBrush(magenta);
    FillRect(picture, &r, brush);
    DeleteObject(brush);

    InvalidateRect(h, nullptr, FALSE);
    SendMessageW(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(picture), 0);
    EXPECT_TRUE(GetUpdateRect(h, nullptr, FALSE)) << "erasing into a picture validated the window";
    const COLORREF drawn = GetPixel(picture, at.x, at.y);
    EXPECT_NE(drawn, magenta) << "nothing drawn into the picture";

    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW);
    EXPECT_FALSE(GetUpdateRect(h, nullptr, FALSE)) << "erased, yet a WM_PAINT still to come";
    EXPECT_EQ(GetPixel(screen, at.x, at.y), drawn);

    SelectObject(picture, previous);
    DeleteObject(bitmap);
    DeleteDC(picture);
    ReleaseDC(h, screen);
}

// The window draws its controls itself as it first shows: each must be on the screen exactly
// as it draws itself, and nothing may be left to paint.
TEST_F(RealMainWindow, ShowsEveryControlDrawnWithNothingLeftToPaint) {
    const probe::Drawing d = probe::Drawn(hwnd);
    EXPECT_TRUE(d.wrong.empty()) << "drawn otherwise on the screen: " << probe::Names(d.wrong);
    EXPECT_TRUE(d.unpainted.empty()) << "left to paint: " << probe::Names(d.unpainted);
    // Four headers, then a name and three figures for each drive whose row shows (on a screen
    // too small for it, the window ends above its last rows, and a bar may show only where its
    // fill covers it), and bars.
    RECT shown;
    GetClientRect(hwnd, &shown);
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&screen), 2);
    IntersectRect(&shown, &shown, &screen);
    int rows = 0;
    for (std::size_t j = 0; j < entries.size(); ++j) rows += RowTop(j, 580) < shown.bottom;
    EXPECT_GE(rows, 2);
    EXPECT_GT(d.controls, 4 + 4 * rows);
    // Where controls overlap too, the window stands as the system paints it, window by window.
    EXPECT_EQ(probe::ChangedByRepainting(hwnd), 0);
}

TEST_F(RealMainWindow, HeadersRowsAndBarsAreChildWindowsAtTheirTwipsRectangles) {
    const std::vector<Child> children = probe::Children(hwnd);
    struct Expected {
        const wchar_t* text;
        int left, width;
    } headers[] = {{L"Drive", 135, 2115},
                   {L"MByte utilizzati", 2340, 1890},
                   {L"MByte disponibili", 4410, 1800},
                   {L"MByte TOTALI", 6390, 1755}};
    for (const Expected& h : headers) {
        const Child* c = probe::Find(children, h.text);
        ASSERT_NE(c, nullptr) << "header " << win32::Narrow(h.text);
        EXPECT_TRUE(c->visible);
        EXPECT_EQ(c->rect.left, Px(h.left));
        EXPECT_EQ(c->rect.right, Px(h.left + h.width));
        EXPECT_EQ(c->rect.top, Px(45));
        // Taller where its font is (TextFitTest: no taller than its text needs).
        EXPECT_GE(c->rect.bottom, Px(240));
    }

    ASSERT_GE(entries.size(), 2u);
    for (std::size_t j = 0; j < entries.size(); ++j) {
        SCOPED_TRACE(win32::Narrow(entries[j]));
        std::vector<Child> row = RowAt(RowTop(j, 270));
        ASSERT_EQ(row.size(), 4u);
        EXPECT_EQ(row[0].text, entries[j]);  // drive order at start
        const int lefts[] = {45, 2340, 4320, 6300};
        const int widths[] = {2265, 1950, 1950, 1950};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(row[i].rect.left, Px(lefts[i]));
            EXPECT_EQ(row[i].rect.right, Px(lefts[i] + widths[i]));
        }
        for (int i = 1; i < 4; ++i) {  // megabytes with the Italian decimal comma
            const std::wstring& f = row[i].text;
            ASSERT_GE(f.size(), 5u);
            EXPECT_EQ(f.substr(f.size() - 4, 1), L",") << win32::Narrow(f);
            EXPECT_EQ(f.back(), L' ');
        }
        std::vector<Child> bars = RowAt(RowTop(j, 580));
        ASSERT_EQ(bars.size(), 2u);
        for (const Child& b : bars) EXPECT_EQ(b.rect.left, Px(2340));
        const Child& outline = bars[0].text.rfind(L"SpTot", 0) == 0 ? bars[0] : bars[1];
        const Child& fill = &outline == &bars[0] ? bars[1] : bars[0];
        EXPECT_EQ(outline.rect.right, Px(2340 + 5910));
        const double used = probe::Figure(row[1].text), total = probe::Figure(row[3].text);
        if (total > 0) {  // within a pixel of the used share
            EXPECT_NEAR(fill.rect.right - fill.rect.left, Px(5910) * used / total, 1.0);
        }
        // The fill is drawn in front of the outline.
        EXPECT_EQ(ChildWindowFromPointEx(hwnd, POINT{fill.rect.left + 1, fill.rect.top + 1},
                                         CWP_SKIPINVISIBLE) == fill.hwnd,
                  fill.rect.right - fill.rect.left > 1);
    }
}

TEST_F(RealMainWindow, ShowsAFolderDriveWithItsLabelAndAMissingOneAsZero) {
    ASSERT_NE(std::getenv("KELVR_TEST_DRIVE_D"), nullptr) << "run through scripts/wine-run.sh";
    const auto table = Table(3);
    auto named = [&](const std::wstring& name) {
        return std::find_if(table.begin(), table.end(),
                            [&](const auto& row) { return row.first == name; });
    };
    auto d = named(L"d: [DATI KELVR]");
    ASSERT_NE(d, table.end());
    EXPECT_GT(d->second, 0);
    auto e = named(L"e:");
    ASSERT_NE(e, table.end());
    std::vector<Child> row = RowAt(RowTop(static_cast<std::size_t>(e - table.begin()), 270));
    for (int i = 1; i < 4; ++i) EXPECT_EQ(row[i].text, L"0,00 ");
    for (const Child& b : RowAt(RowTop(static_cast<std::size_t>(e - table.begin()), 580))) {
        if (b.text.rfind(L"SpFree", 0) == 0) {
            EXPECT_EQ(b.rect.right, b.rect.left);
        }
    }
}

TEST_F(RealMainWindow, HeaderClicksOrderTheRowsAscending) {
    const std::vector<Child> children = probe::Children(hwnd);
    const wchar_t* headers[] = {L"Drive", L"MByte utilizzati", L"MByte disponibili",
                                L"MByte TOTALI"};
    for (int column : {3, 2, 1, 0}) {
        SCOPED_TRACE(column);
        probe::Click(probe::Find(children, headers[column])->hwnd);
        const auto table = Table(column == 0 ? 3 : column);
        ASSERT_EQ(table.size(), entries.size());
        for (std::size_t j = 1; j < table.size(); ++j) {
            if (column == 0)
                EXPECT_EQ(table[j].first, entries[j]);
            else
                EXPECT_LE(table[j - 1].second, table[j].second);
        }
    }
}

TEST_F(RealMainWindow, UnitMenuMovesTheCheckMarkAndRemeasures) {
    HMENU menu = GetMenu(hwnd);
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
    const auto megabytes = Table(3);

    Command(1, 0);  // "&Byte"
    EXPECT_EQ(checked(), std::vector<int>{0});
    const std::vector<Child> children = probe::Children(hwnd);
    for (const wchar_t* h : {L"Byte utilizzati", L"Byte disponibili", L"Byte TOTALI"})
        EXPECT_NE(probe::Find(children, h), nullptr) << win32::Narrow(h);
    const auto bytes = Table(3);
    ASSERT_EQ(bytes.size(), megabytes.size());
    for (std::size_t j = 0; j < bytes.size(); ++j) {
        EXPECT_EQ(bytes[j].first, megabytes[j].first);
        EXPECT_NEAR(bytes[j].second / 1048576.0, megabytes[j].second, 0.006);
        const std::wstring figure = RowAt(RowTop(j, 270))[3].text;
        EXPECT_EQ(figure.find(L','), std::wstring::npos) << win32::Narrow(figure);
    }

    Command(1, 2);  // "&GigaByte"
    EXPECT_EQ(checked(), std::vector<int>{2});
    EXPECT_NE(probe::Find(probe::Children(hwnd), L"GByte TOTALI"), nullptr);
}

struct TooltipSearch {
    HWND owner;
    HWND tips;
};

BOOL CALLBACK FindTooltips(HWND h, LPARAM lp) {
    auto* search = reinterpret_cast<TooltipSearch*>(lp);
    wchar_t cls[64];
    GetClassNameW(h, cls, 64);
    if (wcscmp(cls, TOOLTIPS_CLASSW) == 0 && GetWindow(h, GW_OWNER) == search->owner)
        search->tips = h;
    return TRUE;
}

HWND TooltipsOf(HWND form) {
    TooltipSearch search{form, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindTooltips, reinterpret_cast<LPARAM>(&search));
    return search.tips;
}

// Runs the window's messages until `done` holds or `limitMs` have gone.
template <class F>
bool PumpUntil(F done, DWORD limitMs = 3000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limitMs)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
    return true;
}

// The tooltips come with the mouse: the real pointer is moved over a header, as a user would.
TEST_F(RealMainWindow, FigureHeadersCarryTheirTooltipsOnceTheMouseComes) {
    const std::vector<Child> children = probe::Children(hwnd);
    const Child* total = probe::Find(children, L"MByte TOTALI");
    ASSERT_NE(total, nullptr);
    SetForegroundWindow(hwnd);
    RECT r;
    GetWindowRect(total->hwnd, &r);
    SetCursorPos(r.left + 4, (r.top + r.bottom) / 2);
    ASSERT_TRUE(PumpUntil([&] { return TooltipsOf(hwnd) != nullptr; }));
    HWND tips = TooltipsOf(hwnd);

    // Besides the three headers, only names cut short carry a tip: their whole text.
    const int tools = static_cast<int>(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
    EXPECT_GE(tools, 3);
    for (int i = 0; i < tools; ++i) {
        wchar_t buf[128] = {};
        TOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.lpszText = buf;
        ASSERT_TRUE(SendMessageW(tips, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&ti)));
        const std::wstring text = probe::Text(reinterpret_cast<HWND>(ti.uId));
        if (text.find(L"Byte") == std::wstring::npos) {
            EXPECT_EQ(std::wstring(buf), text);
            EXPECT_NE(std::find(entries.begin(), entries.end(), text), entries.end());
        }
    }
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"MByte utilizzati", L"Ordina per spazio utilizzato"},
        {L"MByte disponibili", L"Ordina per spazio disponibile"},
        {L"MByte TOTALI", L"Ordina per capacit\u00e0 totale"}};
    for (const auto& e : expected) {
        wchar_t buf[128] = {};
        TOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = hwnd;
        ti.uId = reinterpret_cast<UINT_PTR>(probe::Find(children, e.first)->hwnd);
        ti.lpszText = buf;
        SendMessageW(tips, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&ti));
        EXPECT_STREQ(buf, e.second);
    }

    // The mouse moves on along the header and rests there: its tip pops up.
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(tips) != FALSE; }));
    wchar_t buf[128] = {};
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.lpszText = buf;
    EXPECT_TRUE(SendMessageW(tips, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&ti)));
    EXPECT_EQ(ti.uId, reinterpret_cast<UINT_PTR>(total->hwnd));
    EXPECT_STREQ(buf, L"Ordina per capacit\u00e0 totale");
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
        GetWindowRect(hwnd, &now);
        RECT suggested{now.left + 10, now.top + 10,
                       now.left + 10 + MulDiv(now.right - now.left, next, dpi),
                       now.top + 10 + MulDiv(now.bottom - now.top, next, dpi)};
        SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(next, next),
                     reinterpret_cast<LPARAM>(&suggested));
        dpi = next;
        RECT r;
        GetWindowRect(hwnd, &r);
        EXPECT_TRUE(EqualRect(&r, &suggested));
        const std::vector<Child> children = probe::Children(hwnd);
        const Child* header = probe::Find(children, L"MByte TOTALI");
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->rect.left, Px(6390, dpi));
        EXPECT_EQ(header->rect.right, Px(6390 + 1755, dpi));
        EXPECT_EQ(header->rect.top, Px(45, dpi));
        std::vector<Child> row = RowAt(Px(270, dpi));
        ASSERT_EQ(row.size(), 4u);
        EXPECT_EQ(row[3].rect.right, Px(6300 + 1950, dpi));
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(row[3].hwnd, WM_GETFONT, 0, 0)),
                   sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -MulDiv(9, dpi, 72));  // Courier New 9 pt
        // The form's properties read the window where it now is, in its twips.
        EXPECT_NEAR(window.Left(), (suggested.left * 1440.0) / dpi, 1);
        EXPECT_NEAR(window.Width(), ((suggested.right - suggested.left) * 1440.0) / dpi, 1);
        // Once the paints it has asked for are done, it stands as it draws itself.
        RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        EXPECT_EQ(probe::ChangedByRepainting(hwnd), 0);
    }
}

TEST_F(RealMainWindow, FineDestroysTheWindow) {
    Command(0, -1);
    EXPECT_FALSE(window.IsLoaded());
    EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
