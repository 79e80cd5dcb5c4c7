// The main window on fakes: its rows, the figures in each unit, the order of each column, the
// rows that scroll, and drives that answer late or never.
#include "main/FreeAll.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Rigs.h"

namespace {

using fakes::Bytes;
using fakes::MiB;
using kelvr::FreeAll;
using services::DiskFigures;

constexpr std::uint64_t kTiB = 1ull << 40;
constexpr std::uint64_t kMaxBytes = ~0ull;  // 2^64 - 1

struct MainWindow : ::testing::Test, fakes::MainRig {
    // Drives "a:", "b:", ... with these figures, in place of any added before.
    void SetDrives(const std::vector<services::DiskFigures>& figures) {
        drives->entries.clear();
        disks->figures.clear();
        char letter = 'a';
        for (const services::DiskFigures& d : figures) AddDrive(std::string(1, letter++) + ":", d);
    }
    // What each drive's row shows: its name, its three figures and its fill's width.
    std::vector<std::string> RowTexts() const {
        std::vector<std::string> out;
        for (int k = 1; k <= w->Drive1.ListCount(); ++k) {
            for (const forms::ControlArray* a : {&w->lbDisco, &w->lbDati, &w->lbFree, &w->lbTota})
                out.push_back((*a)[k].Caption());
            out.push_back(std::to_string(static_cast<long long>(w->SpFree[k].Width() * 1000)));
        }
        return out;
    }
};

// ---------------------------------------------------------------------------------------------
// Start-up: the window's place and size, its caption, and a row for every drive.

TEST_F(MainWindow, IsAsHighAsItsRowsAndStops40TwipsShortOfALowerWorkArea) {
    struct Case {
        int drives;
        double screenHeight, height;
        // The frame, caption and menu bar, as the host finds them; the width they make.
        double frameWidth = 120, frameHeight = 405, width = 8410;
        // What the task bar leaves of the screen (none: all of it); where the window stands.
        std::optional<forms::Area> work = std::nullopt;
        double left = 300, top = 0;
    };
    const Case cases[] = {
        // The headers alone, and 600 twips a drive.
        {0, 11520, 1000},
        {1, 11520, 1600},
        {3, 11520, 2800},
        {12, 1e5, 8200},
        // A screen exactly as high as the table, one twip lower, and every letter on a screen
        // of 768 pixels.
        {3, 2800, 2800},
        {3, 2799, 2759},
        {26, 11520, 11480},
        // The classic frame the twips were designed for, then a thicker one, as Windows 10's
        // at 100 % (16 pixels across, 59 down): the window grows by what it takes past the
        // classic one, to the screen's height less 40 at the most.
        {4, 11520, 3400, 120, 690, 8410},
        {4, 11520, 3595, 240, 885, 8530},
        {26, 11520, 11480, 240, 885, 8530},
        // A task bar 600 twips high at the bottom of the screen: the window stops 40 twips
        // short of it; at the top, the window stands below it; at the left, beside it.
        {26, 11520, 10880, 120, 405, 8410, forms::Area{0, 0, 15360, 10920}},
        {4, 11520, 3400, 120, 405, 8410, forms::Area{0, 600, 15360, 10920}, 300, 600},
        {4, 11520, 3400, 120, 405, 8410, forms::Area{900, 0, 14460, 11520}, 1200, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.drives) + " drives, frame " +
                     std::to_string(static_cast<int>(c.frameHeight)));
        SetDrives(std::vector<services::DiskFigures>(c.drives));
        screen.height = c.screenHeight;
        host.borderWidth = c.frameWidth;
        host.borderHeight = c.frameHeight;
        screen.work = c.work;
        FreeAll& f = Open();
        EXPECT_EQ(f.Height(), c.height);
        EXPECT_EQ(f.Left(), c.left);
        EXPECT_EQ(f.Top(), c.top);
        EXPECT_EQ(f.Width(), c.width);
        EXPECT_TRUE(f.Visible());
        EXPECT_EQ(f.lbDisco.Count(), c.drives + 1);
    }
}

TEST_F(MainWindow, CaptionNamesTheProgramTheMakerAndTodaysDate) {
    clock.today = {2009, 3, 5};
    const std::string gap(17, ' ');
    EXPECT_EQ(Open().Caption(),
              " Kelvaro  -  Spazio dei Drive" + gap + "by QIRVO sas" + gap + "05/03/09");
}

TEST_F(MainWindow, EachDriveGetsAVisibleRowCopiedFromTheHiddenTemplatesItsFillInFront) {
    SetDrives(std::vector<services::DiskFigures>(4));
    FreeAll& f = Open();
    for (forms::ControlArray* a :
         {&f.lbDisco, &f.lbDati, &f.lbFree, &f.lbTota, &f.SpTot, &f.SpFree}) {
        ASSERT_EQ(a->Count(), 5);  // the template and one member per drive
        const forms::Control& model = (*a)[0];
        EXPECT_FALSE(model.Visible()) << model.FullName();
        for (int k = 1; k <= 4; ++k) {
            const forms::Control& c = (*a)[k];
            EXPECT_TRUE(c.Visible()) << c.FullName();
            EXPECT_EQ(c.Index(), k);
            EXPECT_EQ(c.Left(), model.Left()) << c.FullName();
            EXPECT_EQ(c.Height(), model.Height()) << c.FullName();
            EXPECT_EQ(c.BackColor(), model.BackColor()) << c.FullName();
            EXPECT_EQ(c.ForeColor(), model.ForeColor()) << c.FullName();
            EXPECT_EQ(c.Alignment(), model.Alignment()) << c.FullName();
            EXPECT_EQ(c.GetFont().name, model.GetFont().name) << c.FullName();
            EXPECT_EQ(c.Fit(), model.Fit()) << c.FullName();
            if (a != &f.SpFree) {
                EXPECT_EQ(c.Width(), model.Width()) << c.FullName();
            }
        }
    }
    // Figures too wide for their cells narrow, names too long are cut short.
    EXPECT_EQ(f.lbTota[1].Fit(), forms::TextFit::Shrink);
    EXPECT_EQ(f.lbDisco[4].Fit(), forms::TextFit::Ellipsis);
    // The cells are written in the window's colours, the text's and the background's together,
    // each in a sunken edge.
    for (const forms::Control* cell : {&f.lbDisco[2], &f.lbDati[2], &f.lbFree[2], &f.lbTota[2]}) {
        EXPECT_EQ(cell->BackColor(), forms::kWindowBackground) << cell->FullName();
        EXPECT_EQ(cell->ForeColor(), forms::kWindowText) << cell->FullName();
        EXPECT_TRUE(cell->HasBorder()) << cell->FullName();
    }
    EXPECT_EQ(f.SpTot[3].BackColor(), forms::Rgb(128, 255, 128));
    EXPECT_EQ(f.SpFree[3].BackColor(), forms::Rgb(255, 128, 128));
    // Each bar's fill is brought in front of its outline.
    auto* peer = static_cast<fakes::FakeFormPeer*>(f.Peer());  // FakeHost realises its forms so
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(peer->added, 24);  // six controls per drive
    EXPECT_EQ(peer->broughtToFront,
              (std::vector<std::string>{"SpFree(1)", "SpFree(2)", "SpFree(3)", "SpFree(4)"}));
}

// ---------------------------------------------------------------------------------------------
// The menu.

TEST_F(MainWindow, MenuOpensTheOtherWindowsAndFineUnloads) {
    FreeAll& f = Open();
    int about = 0, maker = 0;
    f.ShowAbout = [&] { ++about; };
    f.ShowMaker = [&] { ++maker; };
    f.Mu_Progr.Click();
    EXPECT_EQ(about, 1);
    EXPECT_EQ(maker, 0);
    f.Mu_Qirvo.Click();
    EXPECT_EQ(about, 1);
    EXPECT_EQ(maker, 1);
    f.Mu_end.Click();
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_FALSE(f.Visible());
}

// Megabytes at start; each choice checks its item alone and names the unit in the headers.
TEST_F(MainWindow, UnitMenuChecksOneItemAndPrefixesTheFigureHeaders) {
    FreeAll& f = Open();
    struct Choice {
        int unit;  // -1: none yet, as at start
        int checked;
        const char* prefix;
    };
    for (const Choice& c : {Choice{-1, 1, "M"}, Choice{0, 0, ""}, Choice{2, 2, "G"},
                            Choice{1, 1, "M"}, Choice{2, 2, "G"}, Choice{0, 0, ""}}) {
        SCOPED_TRACE(c.unit);
        if (c.unit >= 0)
            f.Mu_param[c.unit]->Click();
        for (int i = 0; i < 3; ++i) EXPECT_EQ(f.Mu_param[i]->Checked(), i == c.checked) << i;
        EXPECT_EQ(f.lbDes[0].Caption(), "Drive");
        EXPECT_EQ(f.lbDes[1].Caption(), std::string(c.prefix) + "Byte utilizzati");
        EXPECT_EQ(f.lbDes[2].Caption(), std::string(c.prefix) + "Byte disponibili");
        EXPECT_EQ(f.lbDes[3].Caption(), std::string(c.prefix) + "Byte TOTALI");
    }
}

// ---------------------------------------------------------------------------------------------
// Measurement: what is asked, what each row shows, and the order of the rows.

// At start and at every unit choice, the chosen unit included; a header click only re-orders.
TEST_F(MainWindow, EachMeasurementAsksEveryDriveOnceByItsRootAndFilesItOnce) {
    drives->entries = {"c: [SYSTEM]", "a:", "z: [\\\\server\\share]"};
    FreeAll& f = Open();
    f.Mu_param_Click(0);
    f.Mu_param_Click(0);
    f.lbDes_Click(2);
    std::vector<std::string> asked = disks->Queried();
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{"a:\\", "a:\\", "a:\\", "c:\\", "c:\\", "c:\\",
                                               "z:\\", "z:\\", "z:\\"}));
    for (const forms::SortedList* l : {&f.cmbDisco, &f.cmbDati, &f.cmbFree, &f.cmbTota}) {
        std::vector<int> tags = Tags(*l);
        std::sort(tags.begin(), tags.end());
        EXPECT_EQ(tags, (std::vector<int>{1, 2, 3}));
    }
    // Drives are numbered in the order of the list, not of their letters.
    EXPECT_EQ(f.lbDisco[1].Caption(), "c: [SYSTEM]");
    EXPECT_EQ(f.lbDisco[3].Caption(), "z: [\\\\server\\share]");
}

// One wait a measurement, for all drives at once, bounded as a whole.
TEST_F(MainWindow, HourglassShowsWhileTheWindowWaitsForTheDrives) {
    SetDrives({MiB(0, 0), MiB(1, 2)});
    std::vector<int> pointers;
    host.duringWait = [&] { pointers.push_back(w->MousePointer()); };
    Open().Mu_param_Click(2);
    EXPECT_EQ(pointers, (std::vector<int>{forms::kHourglass, forms::kHourglass}));
    EXPECT_EQ(w->MousePointer(), forms::kDefaultPointer);
    ASSERT_EQ(host.waitLimits.size(), 2u);
    for (auto limit : host.waitLimits) {
        EXPECT_LE(limit, FreeAll::kDriveWait);
        EXPECT_GT(limit, FreeAll::kDriveWait - std::chrono::milliseconds(500));
    }
}

// Used, free and total space: whole bytes grouped by thousands, binary megabytes and gigabytes
// with two decimals, each followed by a space, with the user's separators (Italian unless said);
// full 64-bit byte counts, and nothing used where a drive reports more free space than capacity.
TEST_F(MainWindow, FiguresInEachUnit) {
    struct Case {
        services::DiskFigures drive;
        int unit;
        const char *used, *free, *total;
        services::NumberSeparators seps = {",", "."};
    };
    const services::DiskFigures gib = Bytes(268439552, 1073741824);  // 256 MiB and 4 KiB free
    const services::DiskFigures large =
        Bytes(3 * kTiB, 20 * kTiB);  // more than 2^32 clusters of 4 KiB
    const Case cases[] = {
        {gib, 0, "805.302.272 ", "268.439.552 ", "1.073.741.824 "},
        {gib, 1, "768,00 ", "256,00 ", "1.024,00 "},
        {gib, 2, "0,75 ", "0,25 ", "1,00 "},
        {MiB(0, 0), 0, "0 ", "0 ", "0 "},
        {MiB(0, 0), 1, "0,00 ", "0,00 ", "0,00 "},
        {MiB(300, 200), 0, "0 ", "314.572.800 ", "209.715.200 "},
        {MiB(300, 200), 1, "0,00 ", "300,00 ", "200,00 "},
        {large, 0, "18.691.697.672.192 ", "3.298.534.883.328 ", "21.990.232.555.520 "},
        {large, 1, "17.825.792,00 ", "3.145.728,00 ", "20.971.520,00 "},
        {large, 2, "17.408,00 ", "3.072,00 ", "20.480,00 "},
        {Bytes(0, 1ull << 60), 0, "1.152.921.504.606.846.976 ", "0 ", "1.152.921.504.606.846.976 "},
        {Bytes(8796093022208ull, 17592186040320ull), 0, "8.796.093.018.112 ", "8.796.093.022.208 ",
         "17.592.186.040.320 "},
        // 2^64 - 1 as a 64-bit float.
        {Bytes(kMaxBytes, kMaxBytes), 0, "0 ", "18.446.744.073.709.551.616 ",
         "18.446.744.073.709.551.616 "},
        {Bytes(kMaxBytes, kMaxBytes), 2, "0,00 ", "17.179.869.184,00 ", "17.179.869.184,00 "},
        // A block short of 2^60 and of 2^64 bytes: hundredths that carry into every digit.
        {Bytes((1ull << 60) - 4096, 1ull << 60), 1, "0,00 ", "1.099.511.627.776,00 ",
         "1.099.511.627.776,00 "},
        {Bytes((1ull << 60) - 4096, 1ull << 60), 2, "0,00 ", "1.073.741.824,00 ",
         "1.073.741.824,00 "},
        {Bytes(1ull << 63, kMaxBytes - 4095), 1, "8.796.093.022.208,00 ", "8.796.093.022.208,00 ",
         "17.592.186.044.416,00 "},
        {Bytes(1ull << 63, kMaxBytes - 4095), 2, "8.589.934.592,00 ", "8.589.934.592,00 ",
         "17.179.869.184,00 "},
        {gib, 1, "768.00 ", "256.00 ", "1,024.00 ", {".", ","}},
        {gib, 0, "805,302,272 ", "268,439,552 ", "1,073,741,824 ", {".", ","}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.total) + " in unit " + std::to_string(c.unit));
        SetDrives({c.drive});
        locale.seps = c.seps;
        FreeAll& f = Open();
        f.Mu_param_Click(c.unit);
        EXPECT_EQ(f.lbDati[1].Caption(), c.used);
        EXPECT_EQ(f.lbFree[1].Caption(), c.free);
        EXPECT_EQ(f.lbTota[1].Caption(), c.total);
    }
}

// The fill covers the used share of the outline's 5910 twips, in every unit.
TEST_F(MainWindow, BarFillIsTheUsedShareOfTheOutline) {
    struct Case {
        services::DiskFigures drive;
        double fill;
    };
    const Case cases[] = {
        {MiB(0, 700), 5910},               // full
        {MiB(700, 700), 0},                // empty
        {MiB(350, 700), 2955},             // half
        {MiB(600, 700), 5910.0 / 7},       // one seventh used
        {MiB(0, 0), 0},                    // no medium
        {MiB(300, 200), 0},                // more free than total
        {Bytes(0, 1ull << 60), 5910},      // full, 2^60 bytes
        {Bytes(kMaxBytes, kMaxBytes), 0},  // empty, 2^64 - 1 bytes
    };
    std::vector<services::DiskFigures> figures;
    for (const Case& c : cases) figures.push_back(c.drive);
    SetDrives(figures);
    FreeAll& f = Open();
    for (int unit : {0, 1, 2}) {
        f.Mu_param_Click(unit);
        for (int k = 1; k <= static_cast<int>(std::size(cases)); ++k) {
            EXPECT_NEAR(f.SpFree[k].Width(), cases[k - 1].fill, 1e-3)
                << "drive " << k << ", unit " << unit;
            EXPECT_EQ(f.SpFree[k].Left(), f.SpTot[k].Left());
            EXPECT_EQ(f.SpTot[k].Width(), 5910);
        }
    }
}

// Each header orders the rows ascending by its column, in every unit, and the order stays through
// a change of unit; drives of equal figures keep their order in the list. Each row keeps its
// drive's texts wherever it moves.
TEST_F(MainWindow, EachHeaderOrdersTheRowsByItsColumnInEveryUnit) {
    struct Case {
        const char* name;
        std::vector<services::DiskFigures> drives;  // "a:", "b:", ...: the drive column's order
        std::vector<int> byUsed, byFree, byTotal;
    };
    const std::uint64_t gib = 1ull << 30, nine = 9000000000000000000ull;
    const Case cases[] = {
        // used 200, 90, 50; free 100, 10, 150; total 300, 100, 200
        {"Megabytes",
         {MiB(100, 300), MiB(10, 100), MiB(150, 200)},
         {3, 2, 1},
         {2, 1, 3},
         {2, 3, 1}},
        // Two drives without medium and equal figures; equal to two decimals in gigabytes too.
        {"EmptyAndEqual",
         {MiB(0, 0), MiB(100, 400), MiB(100, 300), MiB(50, 300), MiB(0, 0)},
         {1, 5, 3, 4, 2},
         {1, 5, 4, 2, 3},
         {1, 5, 3, 4, 2}},
        // Keys of fewer digits than the figures would misorder these: in bytes 500 GB against
        // 1 TB, in megabytes 1 TB against 20 TB, in gigabytes 900,000 GiB against 1,500,000 GiB.
        // Half of each drive is free.
        {"TerabytesToPetabytes",
         {Bytes(499999997952ull, 1000000000000ull), Bytes(10000000000000ull, 20000000000000ull),
          Bytes(250000000000ull, 500000000000ull), Bytes(750000 * gib, 1500000 * gib),
          Bytes(450000 * gib, 900000 * gib), MiB(0, 0)},
         {6, 3, 1, 2, 5, 4},
         {6, 3, 1, 2, 5, 4},
         {6, 3, 1, 2, 5, 4}},
        // 9 * 10^18 bytes (19 digits) against 2^64 (20): in megabytes 13 digits against 14.
        {"UpTo2To64Bytes",
         {Bytes(kMaxBytes, kMaxBytes), Bytes(0, nine), Bytes(nine, kMaxBytes), Bytes(0, kMaxBytes)},
         {1, 2, 3, 4},
         {2, 4, 3, 1},
         {2, 1, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetDrives(c.drives);
        FreeAll& f = Open();
        std::vector<int> byName(c.drives.size());
        for (std::size_t i = 0; i < byName.size(); ++i) byName[i] = static_cast<int>(i) + 1;
        EXPECT_EQ(RowsTopToBottom(), byName) << "at start";
        const std::vector<std::string> texts = RowTexts();
        const std::vector<int>* orders[] = {&byName, &c.byUsed, &c.byFree, &c.byTotal};
        for (int column : {3, 1, 2, 0}) {
            f.lbDes_Click(column);
            for (int unit : {0, 2, 1}) {
                f.Mu_param_Click(unit);
                EXPECT_EQ(RowsTopToBottom(), *orders[column])
                    << "column " << column << ", unit " << unit;
            }
            EXPECT_EQ(RowTexts(), texts) << "column " << column;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// A table taller than its window scrolls below the headers, by whole rows.

TEST_F(MainWindow, RowsScrollByWholeRowsUntilTheLastOneShowsAndNoFurther) {
    SetDrives(std::vector<services::DiskFigures>(26, MiB(1, 2)));
    FreeAll& f = Open();
    // A client area of 10,800 twips: 720 pixels at 96 DPI. The last bar ends at 15,820.
    f.Placed({300, 0, 8410, 11480, 8295, 10800, forms::kNormal});
    EXPECT_EQ(f.ScrollMax(), 5400);  // nine rows, the last of them with its margin in view
    struct Case {
        double to, expected;
    };
    for (const Case& c : {Case{-600, 0}, Case{250, 0}, Case{400, 600}, Case{1e6, 5400},
                          Case{5399, 5400}, Case{3000, 3000}}) {
        f.ScrollTo(c.to);
        EXPECT_EQ(f.ScrollTop(), c.expected) << c.to;
    }
    f.ScrollTo(5400);
    // Rows keep their places in the table; on the screen the last one ends in the client area,
    // those above the first shown are hidden, and the headers stay.
    EXPECT_EQ(f.lbDisco[26].Top(), 25 * 600 + 270);
    EXPECT_LE(f.ScreenTop(f.SpTot[26]) + f.SpTot[26].Height(), 10800);
    EXPECT_EQ(f.ScreenTop(f.lbDisco[10]), 270);
    EXPECT_FALSE(f.ScrolledAway(f.lbDisco[10]));
    EXPECT_TRUE(f.ScrolledAway(f.lbDisco[9]));
    EXPECT_TRUE(f.ScrolledAway(f.SpFree[9]));
    EXPECT_EQ(f.ScreenTop(f.lbDes[3]), 45);
    EXPECT_FALSE(f.ScrolledAway(f.lbDes[3]));

    // A window made high enough for all, or for all but the margin below the last row:
    // nothing is left to scroll.
    f.Placed({300, 0, 8410, 16500, 8295, 15820, forms::kNormal});
    EXPECT_EQ(f.ScrollMax(), 0);
    f.Placed({300, 0, 8410, 16500, 8295, 15819, forms::kNormal});
    EXPECT_EQ(f.ScrollMax(), 600);
    f.Placed({300, 0, 8410, 16000, 8295, 15250, forms::kNormal});
    EXPECT_EQ(f.ScrollMax(), 1200);  // the margin below the last row takes one row more
    f.Placed({300, 0, 8410, 17000, 8295, 16000, forms::kMaximized});
    EXPECT_EQ(f.ScrollMax(), 0);
    f.ScrollTo(f.ScrollTop());
    EXPECT_EQ(f.ScrollTop(), 0);
    EXPECT_FALSE(f.ScrolledAway(f.lbDisco[9]));

    // The bar's arrows, page areas and ends, from row 10: a page is the rows the client area
    // holds below the headers, four in 2,830 twips (a client area of five rows' height).
    f.Placed({300, 0, 8410, 3780, 8295, 3100, forms::kNormal});
    EXPECT_EQ(f.PageSteps(), 4);
    // Its bar, in rows: a page of four, from row 10; its range ends with the page that shows
    // at the bottom, rows 22 to 25.
    f.ScrollTo(6000);
    EXPECT_EQ(f.ScrollBar().max, 25);
    EXPECT_EQ(f.ScrollBar().page, 4);
    EXPECT_EQ(f.ScrollBar().pos, 10);
    using By = forms::Form::ScrollBy;
    const struct {
        By by;
        double expected;
    } requests[] = {{By::LineUp, 5400},   {By::LineDown, 6600}, {By::PageUp, 3600},
                    {By::PageDown, 8400}, {By::Top, 0},         {By::Bottom, 13200}};
    for (const auto& r : requests) {
        f.ScrollTo(6000);
        f.Scroll(r.by);
        EXPECT_EQ(f.ScrollTop(), r.expected) << static_cast<int>(r.by);
    }
    // The wheel, from row 10, a notch (120) away from the user scrolling up: three lines of the
    // user's setting to a row, part-notches and single lines adding up to one; a screen at a
    // time, a page a notch; a setting past any table, to the end.
    const struct {
        unsigned lines;
        std::vector<std::pair<int, double>> turns;  // each turn's delta and the top after it
    } wheels[] = {
        {3, {{120, 5400}, {-120, 6000}}},
        {3, {{60, 6000}, {60, 5400}}},
        {1, {{-120, 6000}, {-120, 6000}, {-120, 6600}}},
        {forms::Form::kWheelPage, {{-120, 8400}}},
        {1000, {{-120, 13200}}},
    };
    for (const auto& w : wheels) {
        f.ScrollTo(6000);
        for (const auto& [delta, top] : w.turns) {
            f.Wheel(delta, w.lines);
            EXPECT_EQ(f.ScrollTop(), top) << w.lines << " lines a notch, a turn of " << delta;
        }
    }

    drives->entries.resize(3);
    EXPECT_EQ(Open().ScrollMax(), 0);  // three drives fit the designed window
}

// ---------------------------------------------------------------------------------------------
// Drives that answer late or never: the window waits for all of them at once, files what has
// come and the rest as it comes, exactly as if it had come in time.

using SlowDrives = MainWindow;

// What the window has filed and shows: the four lists' keys and tags, the rows from the top
// down in every column's order, and each row's texts.
struct Filed {
    std::vector<std::string> keys[4];
    std::vector<int> tags[4];
    std::vector<int> rows[4];
    std::vector<std::string> texts;
};

TEST_F(SlowDrives, LateAnswersInEveryOrderAreFiledAsIfTheyHadComeInTime) {
    // Equal keys in every column, so that the order of filing shows in the lists.
    auto addDrives = [&] {
        drives->entries.clear();
        disks->figures.clear();
        AddDrive("a: [UNO]", MiB(100, 400));
        AddDrive("b:", MiB(300, 400));
        AddDrive("c: [TRE]", MiB(100, 300));
        AddDrive("d: [QUATTRO]", MiB(200, 300));
    };
    auto filed = [&] {
        Filed f;
        const forms::SortedList* lists[] = {&w->cmbDisco, &w->cmbDati, &w->cmbFree, &w->cmbTota};
        for (int i = 0; i < 4; ++i) {
            f.keys[i] = Keys(*lists[i]);
            f.tags[i] = Tags(*lists[i]);
        }
        const std::uint8_t column = w->SortColumn;
        for (int c = 0; c < 4; ++c) {
            w->lbDes_Click(c);
            f.rows[c] = RowsTopToBottom();
        }
        w->lbDes_Click(column);
        f.texts = RowTexts();
        return f;
    };
    addDrives();
    Open().Mu_param_Click(0);
    const Filed inTime = filed();

    struct Case {
        std::vector<std::string> held;  // gates: "x:\\" a drive's figures, "entry x" its name
        int column;                     // the column sorted by while the answers come
    };
    const Case cases[] = {
        {{"c:\\"}, 2},
        {{"entry b"}, 0},
        {{"a:\\", "c:\\", "entry d"}, 3},
        {{"entry a", "entry b", "d:\\", "entry c"}, 1},
    };
    for (const Case& c : cases) {
        std::vector<std::string> order = c.held;
        std::sort(order.begin(), order.end());
        do {
            std::string trace;
            for (const std::string& g : order) trace += g + " ";
            SCOPED_TRACE(trace);
            addDrives();
            for (const std::string& g : c.held) host.gates.Hold(g);
            FreeAll& f = Open();
            f.Mu_param_Click(0);
            f.lbDes_Click(c.column);
            for (int k = 1; k <= 4; ++k) {
                const std::string letter = drives->entries[k - 1].substr(0, 1);
                bool entryHeld = false, figuresHeld = false;
                for (const std::string& g : c.held) {
                    entryHeld |= g == "entry " + letter;
                    figuresHeld |= g == letter + ":\\";
                }
                if (entryHeld) {
                    EXPECT_EQ(f.lbDisco[k].Caption(), letter + ":");
                }
                if (entryHeld || figuresHeld) {
                    EXPECT_EQ(f.lbTota[k].Caption(), "0 ") << k;
                }
            }
            for (const std::string& g : order) {
                host.gates.Release(g);
                host.RunPosted();
                EXPECT_EQ(f.SortColumn, c.column);
                RowsTopToBottom();  // every row at a place of its own
            }
            const Filed now = filed();
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(now.keys[i], inTime.keys[i]);
                EXPECT_EQ(now.tags[i], inTime.tags[i]);
                EXPECT_EQ(now.rows[i], inTime.rows[i]);
            }
            EXPECT_EQ(now.texts, inTime.texts);
        } while (std::next_permutation(order.begin(), order.end()));
    }
}

TEST_F(SlowDrives, ADriveStillToAnswerIsFiledAsZeroAtOnceAndNotAskedAgain) {
    AddDrive("c:", MiB(1, 2048));
    AddDrive("n: [\\\\server\\share]", MiB(5, 10240));
    host.gates.Hold("n:\\");
    FreeAll& f = Open();
    f.Mu_param_Click(0);
    f.Mu_param_Click(2);
    // The first wait ran its whole bound for n:; the others did not wait for it.
    EXPECT_EQ(host.waitsAnswered, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(f.lbTota[1].Caption(), "2,00 ");
    EXPECT_EQ(f.lbTota[2].Caption(), "0,00 ");
    auto asked = [&](const std::string& root) {
        const std::vector<std::string> q = disks->Queried();
        return std::count(q.begin(), q.end(), root);
    };
    EXPECT_EQ(asked("c:\\"), 3);
    EXPECT_EQ(asked("n:\\"), 1);

    // Its answer comes: filed in the unit of the moment, and the rows ordered again.
    f.lbDes_Click(3);
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{2, 1}));
    host.gates.Release("n:\\");
    EXPECT_GE(host.RunPosted(), 1);
    EXPECT_EQ(f.lbTota[2].Caption(), "10,00 ");
    EXPECT_EQ(f.lbDati[1].Caption(), "2,00 ");
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{1, 2}));
    // Caught up: the next measurement asks it again and waits for it again; hung again, it shows
    // zero, not what it answered before.
    host.gates.Hold("n:\\");
    f.Mu_param_Click(1);
    EXPECT_EQ(asked("n:\\"), 2);
    EXPECT_EQ(host.waitsAnswered.back(), false);
    EXPECT_EQ(f.lbTota[2].Caption(), "0,00 ");
}

TEST_F(SlowDrives, ADriveSlowToNameItselfIsListedByItsLetterAndMeasuredOnceNamed) {
    AddDrive("c: [SYSTEM]", MiB(1, 2));
    AddDrive("d: [DATI]", MiB(3, 4));
    host.gates.Hold("entry d");
    FreeAll& f = Open();
    EXPECT_EQ(f.Drive1.List(1), "d:");
    EXPECT_EQ(Keys(f.cmbDisco), (std::vector<std::string>{"c: [SYSTEM]", "d:"}));
    EXPECT_EQ(disks->Queried(), std::vector<std::string>{"c:\\"});  // d: waits behind its name
    host.gates.Release("entry d");
    host.RunPosted();
    EXPECT_EQ(f.Drive1.List(1), "d: [DATI]");
    EXPECT_EQ(f.lbTota[2].Caption(), "4,00 ");
}

TEST_F(SlowDrives, NoThreadToAskOnShowsEveryDriveAsZeroWithoutWaiting) {
    AddDrive("c: [SYSTEM]", MiB(1, 2));
    host.threads = false;
    FreeAll& f = Open();
    EXPECT_EQ(f.lbDisco[1].Caption(), "c:");
    EXPECT_EQ(f.lbTota[1].Caption(), "0,00 ");
    EXPECT_EQ(host.waitsAnswered, std::vector<bool>{true}) << "no wait of the whole bound";
    // Asked again at the next choice, once threads can be had.
    host.threads = true;
    f.Mu_param_Click(1);
    EXPECT_EQ(f.lbDisco[1].Caption(), "c: [SYSTEM]");
    EXPECT_EQ(f.lbTota[1].Caption(), "2,00 ");
}

TEST_F(SlowDrives, AnswersAfterTheWindowHasGoneAreDropped) {
    AddDrive("c:", MiB(1, 2));
    host.gates.Hold("c:\\");
    Open().Mu_end_Click();
    host.gates.Release("c:\\");
    host.RunPosted();
    EXPECT_EQ(w->lbTota[1].Caption(), "0,00 ");

    // Gone with its name's answer posted and its figures still to come: the answer posted runs
    // after the window has gone, and nothing more is posted.
    host.gates.Hold("c:\\");
    Open();
    w.reset();
    host.RunPosted();
    host.gates.Release("c:\\");
    EXPECT_EQ(host.RunPosted(), 0);
}

}  // namespace
