// Text as the labels make, lay out and draw it, read back from pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Probe.h"
#include "RealProgram.h"
#include "forms/Twips.h"
#include "win32/Utf.h"

namespace {

using probe::Ink;
using probe::ScreenDpi;

// At 125 % and up every font of the windows (FreeAll, frmAbout, InfQirvo) is within a pixel of
// the height its points call for, made on a screen of any scale; at 100 % MS Sans Serif stays
// the bitmap face it is.
TEST(Fonts, AreAsHighAsTheirPointsCallForOnEveryScale) {
    const forms::Font fonts[] = {{"MS Sans Serif", 8.25},
                                 {"MS Sans Serif", 12, true},
                                 {"Courier New", 9},
                                 {"Arial", 11.25},
                                 {"Arial", 11.25, true, false, true},
                                 {"Arial", 8.25},
                                 {"Arial", 7},
                                 {"Garamond", 26.25, true},
                                 {"Garamond", 24, true},
                                 {"Garamond", 20.25, true},
                                 {"Wingdings", 48}};
    win32::WinHost host(GetModuleHandleW(nullptr));
    for (const forms::Font& f : fonts)
        for (int dpi : {120, 144, 192})
            EXPECT_NEAR(host.FontCache().MetricsOf(host.Font(f, dpi)).em,
                        std::lround(f.size * dpi / 72), 1)
                << f.name << " " << f.size << (f.bold ? " bold" : "") << " at " << dpi << " DPI";
    HDC dc = GetDC(nullptr);
    for (int i = 0; i < 2 && ScreenDpi() == 96; ++i) {
        HGDIOBJ old = SelectObject(dc, host.Font(fonts[i], 96));
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, old);
        EXPECT_EQ(tm.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE), 0) << fonts[i].size;
        EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, std::lround(fonts[i].size * 96 / 72));
    }
    ReleaseDC(nullptr, dc);
}

// On the screen, a drive's name in the main window (inside its cell's sunken edge) is as many
// times higher than the same name in the font made for 100 % as the scale is, less a tenth.
TEST(MainWindow, DrawsTheDriveNamesAtTheirScale) {
    probe::RealProgram<> p;
    kelvr::FreeAll& main = p.program.Main();
    main.Show();
    p.host.DoEvents();
    int k = 1;
    while (k < main.lbDisco.Count() && main.lbDisco[k].Caption().rfind("d: [", 0) != 0) ++k;
    ASSERT_LT(k, main.lbDisco.Count()) << "no drive D: with a label (scripts/wine-env.sh)";
    const forms::Control& cell = main.lbDisco[k];
    const int dpi = ScreenDpi();
    const forms::PixelRect r = forms::TwipsRectToPixels(cell.Left(), cell.Top() - main.ScrollTop(),
                                                        cell.Width(), cell.Height(), dpi);
    HWND form = reinterpret_cast<HWND>(main.hWnd());
    RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC screen = GetDCEx(form, nullptr, DCX_CACHE);
    const RECT shown = Ink(r.width - 4, r.height - 4, [&](HDC dc) {
        BitBlt(dc, 0, 0, r.width - 4, r.height - 4, screen, r.left + 2, r.top + 2, SRCCOPY);
    });
    ReleaseDC(form, screen);
    const std::wstring name = win32::Widen(cell.Caption());
    const RECT at100 = Ink(400, 100, [&](HDC dc) {
        SelectObject(dc, p.host.Font(cell.GetFont(), 96));
        TextOutW(dc, 10, 10, name.c_str(), static_cast<int>(name.size()));
    });
    EXPECT_GE(shown.bottom - shown.top, 0.9 * dpi / 96 * (at100.bottom - at100.top))
        << cell.Caption() << " at " << dpi << " DPI";
    main.Unload();
}

// Each run of a label's line, drawn alone where DrawLayout puts it, inks its place from edge to
// edge, so that text measured otherwise than drawn (Arabic, shaped) shows as a gap; a character
// past the 16-bit range that no font at hand has (none has U+1F4BE under Wine) is one missing
// glyph, as U+0378 is, not two; a line cut short ends with the ellipsis where it is read last.
TEST(LabelText, IsDrawnAsItIsStoredInEveryScript) {
    const std::wstring arabic = L"\u0627\u0644\u0645\u0633\u062A\u0643\u0634\u0641\u0627\u062A";
    const std::wstring hebrew[] = {L"\u05E9\u05DC\u05D5\u05DD", L"\u05E2\u05D5\u05DC\u05DD",
                                   L"\u05E1\u05E4\u05E8"};
    const struct {
        forms::Font font;
        std::wstring text;
        int ems;  // the label's width
        bool rtl, cut;
    } cases[] = {
        {{"Arial", 8.25}, L"Disco \U0001F4BE A", 40, false, false},
        {{}, L"c: [" + arabic + L"]", 40, false, false},
        {{}, hebrew[0] + L" [" + hebrew[1] + L"]", 40, true, false},
        {{}, hebrew[0] + L" " + hebrew[1] + L" " + hebrew[2], 5, true, true},
    };
    win32::WinHost host(GetModuleHandleW(nullptr));
    for (const auto& c : cases) {
        SCOPED_TRACE(win32::Narrow(c.text));
        HFONT font = host.Font(c.font, ScreenDpi());
        const int em = host.FontCache().MetricsOf(font).em, slack = std::max(2, em / 2);
        const forms::TextLayout layout =
            forms::LayOut(host.FontCache(), font, c.text, c.ems * em,
                          c.cut ? forms::TextFit::Ellipsis : forms::TextFit::Grow, false);
        ASSERT_EQ(layout.lines.size(), 1u);
        const forms::TextLine& line = layout.lines[0];
        EXPECT_EQ(line.rtl, c.rtl);
        EXPECT_EQ(layout.cut, c.cut);
        std::wstring joined;
        std::vector<RECT> inks;
        int floppies = 0;  // runs of the floppy disk alone
        for (const forms::TextRun& run : line.runs) {
            joined += run.text;
            floppies += run.text == L"\U0001F4BE";
            forms::TextLayout alone{{line}};
            alone.lines[0].runs = {run};
            const RECT box{20, 20, 20 + line.width, 60 + em * 2};
            inks.push_back(Ink(line.width + 40, 80 + em * 2, [&](HDC dc) {
                DrawLayout(dc, host.FontCache(), alone, box, forms::Align::Left);
            }));
            const int left = 20 + (line.rtl ? line.width - run.x - run.width : run.x);
            if (run.text.front() == L' ' || run.text.back() == L' ')
                continue;
            EXPECT_LE(std::abs(inks.back().left - left), slack) << win32::Narrow(run.text);
            EXPECT_LE(std::abs(inks.back().right - left - run.width), slack)
                << win32::Narrow(run.text);
            if (run.text == L"\U0001F4BE" && run.font == font) {
                const RECT missing = Ink(200, 100, [&](HDC dc) {
                    SelectObject(dc, font);
                    TextOutW(dc, 10, 10, L"\u0378", 1);
                });
                EXPECT_EQ(inks.back().right - inks.back().left, missing.right - missing.left);
            }
        }
        EXPECT_EQ(floppies, c.text.find(L"\U0001F4BE") != std::wstring::npos ? 1 : 0);
        if (!c.cut) {
            EXPECT_EQ(joined, c.text);
            continue;
        }
        EXPECT_EQ(c.text.substr(0, joined.size() - 3) + L"...", joined);
        for (std::size_t i = 0; i + 1 < inks.size(); ++i) {
            if (inks[i].right > inks[i].left) {  // not a space
                EXPECT_TRUE(c.rtl ? inks.back().right <= inks[i].left
                                  : inks.back().left >= inks[i].right);
            }
        }
    }
}

}  // namespace
