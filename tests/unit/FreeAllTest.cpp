#include "main/FreeAll.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Fakes.h"

namespace {

using kelvr::DiskFigures;
using kelvr::FreeAll;

DiskFigures Bytes(std::uint64_t freeBytes, std::uint64_t totalBytes) {
    DiskFigures d;
    d.freeBytes = freeBytes;
    d.totalBytes = totalBytes;
    return d;
}

// A drive counted in whole mebibytes.
DiskFigures MiB(std::uint64_t freeMiB, std::uint64_t totalMiB) {
    return Bytes(freeMiB << 20, totalMiB << 20);
}

struct MainWindow : ::testing::Test {
    fakes::FakeHost host;
    fakes::FakeScreen screen;
    fakes::FakeClock clock;
    fakes::FakeLocale locale;
    std::shared_ptr<fakes::FakeDrives> drives = std::make_shared<fakes::FakeDrives>();
    std::shared_ptr<fakes::FakeDisks> disks = std::make_shared<fakes::FakeDisks>();
    kelvr::MainServices services{host, screen, clock, locale, drives, disks};
    std::unique_ptr<FreeAll> w;

    // Adds a drive entry and the figures its root answers with.
    void AddDrive(const std::string& entry, const DiskFigures& d) {
        drives->entries.push_back(entry);
        disks->figures[entry.substr(0, 1) + ":\\"] = d;
    }

    // Makes the window (which reads the drive list) and shows it, as the runtime does at start.
    FreeAll& Open() {
        w = std::make_unique<FreeAll>(services);
        w->Show();
        return *w;
    }

    static std::vector<forms::ControlArray*> RowArrays(FreeAll& f) {
        return {&f.lbDisco, &f.lbDati, &f.lbFree, &f.lbTota, &f.SpTot, &f.SpFree};
    }

    // Drive numbers from the top row to the bottom one, read off the rows' positions; checks
    // that every row sits on a row position of its own.
    std::vector<int> RowsTopToBottom() {
        const int n = static_cast<int>(drives->entries.size());
        std::vector<int> byRank(n, 0);
        for (int k = 1; k <= n; ++k) {
            const double top = w->lbDisco[k].Top();
            const int rank = static_cast<int>(top - 270) / 600;
            EXPECT_EQ(top, rank * 600 + 270) << "drive " << k;
            if (rank < 0 || rank >= n) {
                ADD_FAILURE() << "drive " << k << " at top " << top;
                continue;
            }
            EXPECT_EQ(byRank[rank], 0) << "two drives at rank " << rank;
            byRank[rank] = k;
            for (forms::ControlArray* a : {&w->lbDati, &w->lbFree, &w->lbTota})
                EXPECT_EQ((*a)[k].Top(), top) << (*a)[k].FullName();
            EXPECT_EQ(w->SpTot[k].Top(), rank * 600 + 580) << "drive " << k;
            EXPECT_EQ(w->SpFree[k].Top(), rank * 600 + 580) << "drive " << k;
        }
        return byRank;
    }

    static std::vector<std::string> Keys(const forms::SortedList& l) {
        std::vector<std::string> out;
        for (int i = 0; i < l.ListCount(); ++i) out.push_back(l.List(i));
        return out;
    }
    static std::vector<int> Tags(const forms::SortedList& l) {
        std::vector<int> out;
        for (int i = 0; i < l.ListCount(); ++i) out.push_back(l.ItemData(i));
        return out;
    }
};

// ---------------------------------------------------------------------------------------------
// Start-up: the window, its rows and its caption.

using MainWindowStartup = MainWindow;

TEST_F(MainWindowStartup, ThreeDrivesMakeAWindow2800TwipsHighAtTheTopLeft) {
    drives->entries = {"a:", "c: [SYSTEM]", "d:"};
    FreeAll& f = Open();
    EXPECT_EQ(f.Left(), 300);
    EXPECT_EQ(f.Top(), 0);
    EXPECT_EQ(f.Width(), 8410);
    EXPECT_EQ(f.Height(), 2800);
    EXPECT_TRUE(f.Visible());
}

TEST_F(MainWindowStartup, HeightGrowsBy600TwipsPerDrive) {
    drives->entries = {"c:"};
    EXPECT_EQ(Open().Height(), 1600);
    drives->entries = {"a:", "b:", "c:", "d:", "e:", "f:", "g:", "h:", "i:", "j:", "k:", "l:"};
    screen.height = 100000;
    EXPECT_EQ(Open().Height(), 8200);
}

TEST_F(MainWindowStartup, OnALowScreenTheWindowStops40TwipsShortOfItsHeight) {
    drives->entries = {"a:", "c:", "d:"};
    screen.height = 2799;
    EXPECT_EQ(Open().Height(), 2759);
    EXPECT_EQ(w->Width(), 8410);

    // A screen exactly as high as the table leaves the table's height.
    screen.height = 2800;
    EXPECT_EQ(Open().Height(), 2800);

    // All 26 letters on a 768-pixel screen.
    drives->entries.clear();
    for (char c = 'a'; c <= 'z'; ++c) drives->entries.push_back(std::string(1, c) + ":");
    screen.height = 768 * 15;
    EXPECT_EQ(Open().Height(), 768 * 15 - 40);
}

TEST_F(MainWindowStartup, CaptionNamesTheProgramTheMakerAndTodaysDate) {
    const std::string gap(17, ' ');
    drives->entries = {"c:"};
    clock.today = {2009, 3, 5};
    EXPECT_EQ(Open().Caption(),
              " Kelvaro  -  Spazio dei Drive" + gap + "by QIRVO sas" + gap + "05/03/09");
    clock.today = {2000, 1, 1};
    EXPECT_EQ(Open().Caption(),
              " Kelvaro  -  Spazio dei Drive" + gap + "by QIRVO sas" + gap + "01/01/00");
    clock.today = {2026, 12, 8};
    EXPECT_EQ(Open().Caption(),
              " Kelvaro  -  Spazio dei Drive" + gap + "by QIRVO sas" + gap + "08/12/26");
}

TEST_F(MainWindowStartup, EachDriveGetsAVisibleRowCopiedFromTheHiddenTemplates) {
    drives->entries = {"a:", "c: [SYSTEM]", "d:", "e: [DATI]"};
    FreeAll& f = Open();
    for (forms::ControlArray* a : RowArrays(f)) {
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
            EXPECT_EQ(c.Alignment(), model.Alignment()) << c.FullName();
            EXPECT_EQ(c.GetFont().name, model.GetFont().name) << c.FullName();
            EXPECT_EQ(c.Fit(), model.Fit()) << c.FullName();
            if (a != &f.SpFree) {
                EXPECT_EQ(c.Width(), model.Width()) << c.FullName();
            }
        }
        EXPECT_FALSE(a->Has(5));
    }
    EXPECT_EQ(f.lbDati[2].GetFont().name, "Courier New");
    EXPECT_EQ(f.lbDati[2].Alignment(), forms::Align::Right);
    // Figures too wide for their cells narrow, names too long are cut short.
    EXPECT_EQ(f.lbTota[1].Fit(), forms::TextFit::Shrink);
    EXPECT_EQ(f.lbDisco[4].Fit(), forms::TextFit::Ellipsis);
    EXPECT_EQ(f.SpTot[3].Width(), 5910);
    EXPECT_EQ(f.SpTot[3].BackColor(), forms::Rgb(128, 255, 128));
    EXPECT_EQ(f.SpFree[3].BackColor(), forms::Rgb(255, 128, 128));
}

TEST_F(MainWindowStartup, EachBarFillIsBroughtInFrontOfItsOutline) {
    drives->entries = {"a:", "c:", "d:"};
    FreeAll& f = Open();
    auto* peer = dynamic_cast<fakes::FakeFormPeer*>(f.Peer());
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(peer->added, 18);  // six controls per drive
    EXPECT_EQ(peer->broughtToFront,
              (std::vector<std::string>{"SpFree(1)", "SpFree(2)", "SpFree(3)"}));
}

TEST_F(MainWindowStartup, StartsInMegabytesInDriveOrder) {
    AddDrive("a:", MiB(0, 0));
    AddDrive("c: [SYSTEM]", MiB(512, 2048));
    AddDrive("d: [DATI]", MiB(100, 100));
    FreeAll& f = Open();

    EXPECT_EQ(f.UnitIndex, 1);
    EXPECT_EQ(f.SortColumn, 0);
    EXPECT_FALSE(f.Mu_param0.Checked());
    EXPECT_TRUE(f.Mu_param1.Checked());
    EXPECT_FALSE(f.Mu_param2.Checked());
    EXPECT_EQ(f.lbDes[0].Caption(), "Drive");
    EXPECT_EQ(f.lbDes[1].Caption(), "MByte utilizzati");
    EXPECT_EQ(f.lbDes[2].Caption(), "MByte disponibili");
    EXPECT_EQ(f.lbDes[3].Caption(), "MByte TOTALI");

    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(f.lbDisco[2].Caption(), "c: [SYSTEM]");
    EXPECT_EQ(f.lbDati[2].Caption(), "1.536,00 ");
    EXPECT_EQ(f.lbFree[2].Caption(), "512,00 ");
    EXPECT_EQ(f.lbTota[2].Caption(), "2.048,00 ");
    EXPECT_EQ(f.lbDisco[3].Caption(), "d: [DATI]");
    EXPECT_EQ(f.lbDati[3].Caption(), "0,00 ");
    EXPECT_EQ(f.lbTota[3].Caption(), "100,00 ");
}

TEST_F(MainWindowStartup, NoDrivesGiveAnEmptyTable) {
    FreeAll& f = Open();
    EXPECT_EQ(f.Height(), 1000);
    EXPECT_EQ(f.lbDisco.Count(), 1);
    EXPECT_EQ(f.cmbDisco.ListCount(), 0);
    EXPECT_TRUE(disks->Queried().empty());
}

TEST_F(MainWindowStartup, FineUnloadsTheWindow) {
    AddDrive("c:", MiB(1, 2));
    FreeAll& f = Open();
    ASSERT_TRUE(f.IsLoaded());
    f.Mu_end.Click();
    EXPECT_FALSE(f.IsLoaded());
    EXPECT_FALSE(f.Visible());
}

TEST_F(MainWindowStartup, MenuItemsAndHeadersReachTheirHandlers) {
    AddDrive("c:", MiB(1, 2));
    FreeAll& f = Open();
    int about = 0, maker = 0;
    f.ShowAbout = [&] { ++about; };
    f.ShowMaker = [&] { ++maker; };
    f.Mu_Progr.Click();
    EXPECT_EQ(about, 1);
    EXPECT_EQ(maker, 0);
    f.Mu_Qirvo.Click();
    EXPECT_EQ(maker, 1);

    f.Mu_param0.Click();
    EXPECT_EQ(f.UnitIndex, 0);
    f.Mu_param2.Click();
    EXPECT_EQ(f.UnitIndex, 2);
    for (int i = 0; i < 4; ++i) {
        f.lbDes[i].Click();
        EXPECT_EQ(f.SortColumn, i);
    }
    // Only the three figure headers carry tips; the drive header sorts all the same.
    EXPECT_EQ(f.lbDes[0].ToolTip(), "");
    EXPECT_EQ(f.lbDes[3].ToolTip(), "Ordina per capacità totale");
}

// ---------------------------------------------------------------------------------------------
// Measurement: the disk query, the drive table and the sort keys.

using DriveMeasurement = MainWindow;

TEST_F(DriveMeasurement, EveryDriveIsAskedOnceAMeasurementByItsRoot) {
    drives->entries = {"c: [SYSTEM]", "a:", "z: [\\\\server\\share]"};
    FreeAll& f = Open();
    auto asked = [&] {
        std::vector<std::string> q = disks->Queried();
        std::sort(q.begin(), q.end());
        return q;
    };
    EXPECT_EQ(asked(), (std::vector<std::string>{"a:\\", "c:\\", "z:\\"}));
    f.Mu_param_Click(0);
    EXPECT_EQ(asked(), (std::vector<std::string>{"a:\\", "a:\\", "c:\\", "c:\\", "z:\\", "z:\\"}));
    // Drive numbers follow the list, not the letters.
    EXPECT_EQ(f.DriveName[1], "c: [SYSTEM]");
    EXPECT_EQ(f.DriveName[3], "z: [\\\\server\\share]");
}

TEST_F(DriveMeasurement, HourglassShowsWhileTheWindowWaitsForTheDrives) {
    AddDrive("a:", MiB(0, 0));
    AddDrive("c:", MiB(1, 2));
    w = std::make_unique<FreeAll>(services);
    std::vector<int> pointers;
    host.duringWait = [&] { pointers.push_back(w->MousePointer()); };
    w->Show();
    w->Mu_param_Click(2);
    // One wait a measurement, for all drives at once, bounded as a whole.
    EXPECT_EQ(pointers, (std::vector<int>{11, 11}));
    EXPECT_EQ(w->MousePointer(), 0);
    ASSERT_EQ(host.waitLimits.size(), 2u);
    for (auto limit : host.waitLimits) {
        EXPECT_LE(limit, FreeAll::kDriveWait);
        EXPECT_GT(limit, FreeAll::kDriveWait - std::chrono::milliseconds(500));
    }
}

TEST_F(DriveMeasurement, OneDriveFilesOneItemTaggedOneInEveryList) {
    AddDrive("c: [SYSTEM]", MiB(256, 1024));
    FreeAll& f = Open();
    for (const forms::SortedList* l : {&f.cmbDisco, &f.cmbDati, &f.cmbFree, &f.cmbTota}) {
        ASSERT_EQ(l->ListCount(), 1);
        EXPECT_EQ(l->ItemData(0), 1);
    }
    EXPECT_EQ(f.cmbDisco.List(0), "c: [SYSTEM]");
    EXPECT_EQ(f.cmbDati.List(0), "00.000.000.000.768,00 ");
    EXPECT_EQ(f.cmbFree.List(0), "00.000.000.000.256,00 ");
    EXPECT_EQ(f.cmbTota.List(0), "00.000.000.001.024,00 ");
    EXPECT_DOUBLE_EQ(f.SpaceUsed[1], 768);
    EXPECT_DOUBLE_EQ(f.SpaceFree[1], 256);
    EXPECT_DOUBLE_EQ(f.SpaceTotal[1], 1024);
}

TEST_F(DriveMeasurement, SpaceIsScaledToTheUnitAndKeyedWithItsPattern) {
    AddDrive("c:", Bytes(268435456, 1073741824));  // 1 GiB, 256 MiB free
    FreeAll& f = Open();

    f.Mu_param_Click(0);
    EXPECT_DOUBLE_EQ(f.SpaceTotal[1], 1073741824.0);
    EXPECT_DOUBLE_EQ(f.SpaceFree[1], 268435456.0);
    EXPECT_DOUBLE_EQ(f.SpaceUsed[1], 805306368.0);
    EXPECT_EQ(f.cmbTota.List(0), "00.000.000.001.073.741.824 ");
    EXPECT_EQ(f.cmbFree.List(0), "00.000.000.000.268.435.456 ");
    EXPECT_EQ(f.cmbDati.List(0), "00.000.000.000.805.306.368 ");

    f.Mu_param_Click(2);
    EXPECT_DOUBLE_EQ(f.SpaceTotal[1], 1.0);
    EXPECT_DOUBLE_EQ(f.SpaceFree[1], 0.25);
    EXPECT_DOUBLE_EQ(f.SpaceUsed[1], 0.75);
    EXPECT_EQ(f.cmbTota.List(0), "00.000.000.000.001,00 ");
    EXPECT_EQ(f.cmbFree.List(0), "00.000.000.000.000,25 ");
    EXPECT_EQ(f.cmbDati.List(0), "00.000.000.000.000,75 ");

    locale.seps = {".", ","};
    f.Mu_param_Click(1);
    EXPECT_EQ(f.cmbTota.List(0), "00,000,000,001,024.00 ");
    EXPECT_EQ(f.lbTota[1].Caption(), "1,024.00 ");
}

TEST_F(DriveMeasurement, DriveWithoutMediumIsFiledAsZeroAndSortsFirst) {
    AddDrive("a:", MiB(0, 0));  // also the answer of the fake for an unknown root
    AddDrive("c:", MiB(10240, 20480));
    AddDrive("d:", MiB(1024, 5120));
    drives->entries.push_back("e:");  // unknown root: all four figures 0
    FreeAll& f = Open();

    EXPECT_EQ(f.SpaceTotal[1], 0);
    EXPECT_EQ(f.SpaceFree[4], 0);
    EXPECT_EQ(f.SpaceUsed[4], 0);
    for (const forms::SortedList* l : {&f.cmbDati, &f.cmbFree, &f.cmbTota}) {
        ASSERT_EQ(l->ListCount(), 4);
        EXPECT_EQ(l->List(0), "00.000.000.000.000,00 ");
        EXPECT_EQ((std::set<int>{l->ItemData(0), l->ItemData(1)}), (std::set<int>{1, 4}))
            << "the two empty drives lead " << l->List(1);
    }
    EXPECT_EQ(f.lbDati[1].Caption(), "0,00 ");
    EXPECT_EQ(f.lbFree[1].Caption(), "0,00 ");
    EXPECT_EQ(f.lbTota[1].Caption(), "0,00 ");
    EXPECT_EQ(f.SpFree[1].Width(), 0);
    EXPECT_EQ(f.SpFree[4].Width(), 0);

    f.Mu_param_Click(0);
    EXPECT_EQ(f.cmbTota.List(0), "00.000.000.000.000.000.000 ");
    EXPECT_EQ(f.lbDati[1].Caption(), "0 ");
    EXPECT_EQ(f.lbFree[1].Caption(), "0 ");
    EXPECT_EQ(f.lbTota[1].Caption(), "0 ");
    EXPECT_EQ(f.SpFree[1].Width(), 0);

    f.Mu_param_Click(2);
    EXPECT_EQ(f.lbTota[4].Caption(), "0,00 ");
    for (int column = 1; column <= 3; ++column) {
        f.lbDes_Click(column);
        const std::vector<int> rows = RowsTopToBottom();
        EXPECT_EQ((std::set<int>{rows[0], rows[1]}), (std::set<int>{1, 4})) << column;
    }
}

TEST_F(DriveMeasurement, VolumesOfAnySizeUpTo2To64BytesShowTheirFullSize) {
    const std::uint64_t tib = 1ull << 40;
    AddDrive("c:", Bytes(3 * tib, 20 * tib));                    // more than 2^32 clusters of 4 KiB
    AddDrive("d:", Bytes(0, 1ull << 60));                        // full
    AddDrive("e:", Bytes(~0ull, ~0ull));                         // 2^64 - 1, all free
    AddDrive("f:", Bytes(8796093022208ull, 17592186040320ull));  // 8 TiB of almost 16
    FreeAll& f = Open();
    f.Mu_param_Click(0);
    EXPECT_EQ(f.lbTota[1].Caption(), "21.990.232.555.520 ");
    EXPECT_EQ(f.lbFree[1].Caption(), "3.298.534.883.328 ");
    EXPECT_EQ(f.lbDati[1].Caption(), "18.691.697.672.192 ");
    EXPECT_EQ(f.lbTota[2].Caption(), "1.152.921.504.606.846.976 ");
    EXPECT_EQ(f.lbDati[2].Caption(), "1.152.921.504.606.846.976 ");
    EXPECT_EQ(f.lbTota[3].Caption(), "18.446.744.073.709.551.616 ");  // as a 64-bit float
    EXPECT_EQ(f.lbDati[3].Caption(), "0 ");
    EXPECT_EQ(f.lbDati[4].Caption(), "8.796.093.018.112 ");
    EXPECT_EQ(f.SpFree[2].Width(), 5910);  // nothing free: full
    EXPECT_EQ(f.SpFree[3].Width(), 0);

    f.Mu_param_Click(1);
    EXPECT_EQ(f.lbTota[1].Caption(), "20.971.520,00 ");
    EXPECT_EQ(f.lbTota[4].Caption(), "16.777.216,00 ");
    f.Mu_param_Click(2);
    EXPECT_EQ(f.lbTota[2].Caption(), "1.073.741.824,00 ");
    for (int column = 1; column <= 3; ++column) {
        f.lbDes_Click(column);
        const std::vector<int> bySize = column == 1   ? std::vector<int>{3, 4, 1, 2}
                                        : column == 2 ? std::vector<int>{2, 1, 4, 3}
                                                      : std::vector<int>{4, 1, 2, 3};
        EXPECT_EQ(RowsTopToBottom(), bySize) << column;
    }
}

TEST_F(DriveMeasurement, MoreFreeThanTotalShowsNothingUsed) {
    AddDrive("c:", MiB(300, 200));
    AddDrive("d:", MiB(50, 100));
    FreeAll& f = Open();
    EXPECT_EQ(f.SpaceUsed[1], 0);
    EXPECT_EQ(f.lbDati[1].Caption(), "0,00 ");
    EXPECT_EQ(f.lbFree[1].Caption(), "300,00 ");
    EXPECT_EQ(f.lbTota[1].Caption(), "200,00 ");
    EXPECT_EQ(f.SpFree[1].Width(), 0);
    EXPECT_EQ(f.cmbDati.List(0), "00.000.000.000.000,00 ");
    EXPECT_EQ(f.cmbDati.ItemData(0), 1);
    f.Mu_param_Click(0);
    EXPECT_EQ(f.lbDati[1].Caption(), "0 ");
}

TEST_F(DriveMeasurement, EqualFreeSpaceGivesTwoEqualKeysEachWithItsDrive) {
    AddDrive("c:", MiB(100, 400));
    AddDrive("d:", MiB(100, 300));
    AddDrive("e:", MiB(50, 300));
    FreeAll& f = Open();
    EXPECT_EQ(Keys(f.cmbFree),
              (std::vector<std::string>{"00.000.000.000.050,00 ", "00.000.000.000.100,00 ",
                                        "00.000.000.000.100,00 "}));
    EXPECT_EQ(f.cmbFree.ItemData(0), 3);
    EXPECT_EQ((std::set<int>{f.cmbFree.ItemData(1), f.cmbFree.ItemData(2)}), (std::set<int>{1, 2}));
    EXPECT_EQ(f.cmbTota.ItemData(2), 1);
    EXPECT_EQ((std::set<int>{f.cmbTota.ItemData(0), f.cmbTota.ItemData(1)}), (std::set<int>{2, 3}));

    f.lbDes_Click(2);
    const std::vector<int> rows = RowsTopToBottom();
    EXPECT_EQ(rows[0], 3);
    EXPECT_EQ((std::set<int>{rows[1], rows[2]}), (std::set<int>{1, 2}));
}

TEST_F(DriveMeasurement, UnitChangeRefilesEveryDriveOnceInTheNewUnit) {
    AddDrive("a:", MiB(0, 0));
    AddDrive("c:", MiB(512, 1024));
    AddDrive("d:", MiB(2048, 4096));
    FreeAll& f = Open();

    f.Mu_param_Click(2);
    EXPECT_EQ(Keys(f.cmbTota),
              (std::vector<std::string>{"00.000.000.000.000,00 ", "00.000.000.000.001,00 ",
                                        "00.000.000.000.004,00 "}));
    EXPECT_EQ(Keys(f.cmbFree),
              (std::vector<std::string>{"00.000.000.000.000,00 ", "00.000.000.000.000,50 ",
                                        "00.000.000.000.002,00 "}));
    EXPECT_EQ(Keys(f.cmbDati), Keys(f.cmbFree));
    EXPECT_EQ(Tags(f.cmbTota), (std::vector<int>{1, 2, 3}));

    f.Mu_param_Click(0);
    EXPECT_EQ(Keys(f.cmbTota), (std::vector<std::string>{"00.000.000.000.000.000.000 ",
                                                         "00.000.000.001.073.741.824 ",
                                                         "00.000.000.004.294.967.296 "}));
    EXPECT_EQ(Keys(f.cmbDisco), (std::vector<std::string>{"a:", "c:", "d:"}));
    EXPECT_EQ(Tags(f.cmbDisco), (std::vector<int>{1, 2, 3}));

    // The unit already chosen measures again, and still files each drive once.
    f.Mu_param_Click(0);
    f.Mu_param_Click(0);
    for (const forms::SortedList* l : {&f.cmbDisco, &f.cmbDati, &f.cmbFree, &f.cmbTota}) {
        EXPECT_EQ(l->ListCount(), 3);
        std::vector<int> tags = Tags(*l);
        std::sort(tags.begin(), tags.end());
        EXPECT_EQ(tags, (std::vector<int>{1, 2, 3}));
    }
    EXPECT_EQ(disks->Queried().size(), 15u);  // at start and at each of four choices
}

TEST_F(DriveMeasurement, AllKeysOfAListHaveOneLengthFromEmptyTo64BitDrives) {
    AddDrive("a:", MiB(0, 0));
    AddDrive("b:", Bytes(512, 512));
    AddDrive("c:", Bytes(10000000000000ull, 20000000000000ull));  // 20 TB
    AddDrive("d:", Bytes(~0ull, ~0ull));
    FreeAll& f = Open();
    for (int unit = 0; unit < 3; ++unit) {
        f.Mu_param_Click(unit);
        for (const forms::SortedList* l : {&f.cmbDati, &f.cmbFree, &f.cmbTota}) {
            ASSERT_EQ(l->ListCount(), 4);
            for (int i = 1; i < 4; ++i)
                EXPECT_EQ(l->List(i).size(), l->List(0).size())
                    << "unit " << unit << ": '" << l->List(i) << "' and '" << l->List(0) << "'";
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The ordered table: row places, column sort, the bar, and the unit menu.

using OrderedTable = MainWindow;

TEST_F(OrderedTable, RowsAreStacked600TwipsApart) {
    for (char c : std::string("acdefg")) AddDrive(std::string(1, c) + ":", MiB(1, 2));
    FreeAll& f = Open();
    for (int k = 1; k <= 6; ++k) {
        const int j = k - 1;
        for (forms::ControlArray* a : {&f.lbDisco, &f.lbDati, &f.lbFree, &f.lbTota})
            EXPECT_EQ((*a)[k].Top(), 270 + 600 * j) << (*a)[k].FullName();
        EXPECT_EQ(f.SpTot[k].Top(), 580 + 600 * j);
        EXPECT_EQ(f.SpFree[k].Top(), 580 + 600 * j);
        // Only tops move: lefts, widths and heights stay as designed.
        for (forms::ControlArray* a : RowArrays(f)) {
            EXPECT_EQ((*a)[k].Left(), (*a)[0].Left()) << (*a)[k].FullName();
            EXPECT_EQ((*a)[k].Height(), (*a)[0].Height()) << (*a)[k].FullName();
        }
        EXPECT_EQ(f.lbTota[k].Width(), 1950);
        EXPECT_EQ(f.SpTot[k].Width(), 5910);
    }
    EXPECT_EQ(f.lbDisco[6].Top(), 3270);
    EXPECT_EQ(f.SpTot[6].Top(), 3580);
}

TEST_F(OrderedTable, EachHeaderOrdersTheRowsByItsColumn) {
    // used 200, 90, 50; free 100, 10, 150; total 300, 100, 200
    AddDrive("a:", MiB(100, 300));
    AddDrive("b:", MiB(10, 100));
    AddDrive("c:", MiB(150, 200));
    FreeAll& f = Open();
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{1, 2, 3}));
    f.lbDes_Click(1);
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{3, 2, 1}));
    f.lbDes_Click(2);
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{2, 1, 3}));
    f.lbDes_Click(3);
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{2, 3, 1}));
    f.lbDes_Click(3);
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{2, 3, 1}));
    f.lbDes_Click(0);
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{1, 2, 3}));
    // A header click re-orders without measuring again.
    EXPECT_EQ(disks->Queried().size(), 3u);
}

TEST_F(OrderedTable, RowsBelongToTheirDriveWhereverTheyMove) {
    AddDrive("a:", MiB(100, 300));
    AddDrive("b:", MiB(10, 100));
    AddDrive("c:", MiB(150, 200));
    FreeAll& f = Open();
    f.lbDes_Click(2);
    EXPECT_EQ(f.lbDisco[2].Caption(), "b:");
    EXPECT_EQ(f.lbDisco[2].Top(), 270);
    EXPECT_EQ(f.lbDati[2].Caption(), "90,00 ");
    EXPECT_EQ(f.lbFree[2].Caption(), "10,00 ");
    EXPECT_EQ(f.lbTota[2].Caption(), "100,00 ");
    EXPECT_EQ(f.SpFree[2].Top(), 580);
    EXPECT_EQ(f.lbDisco[3].Caption(), "c:");
    EXPECT_EQ(f.lbDisco[3].Top(), 1470);
    EXPECT_EQ(f.lbDati[3].Caption(), "50,00 ");
    EXPECT_EQ(f.SpFree[3].Width(), 1477.5);
}

TEST_F(OrderedTable, SortColumnSurvivesAUnitChange) {
    AddDrive("a:", MiB(100, 300));
    AddDrive("b:", MiB(10, 100));
    AddDrive("c:", MiB(150, 200));
    FreeAll& f = Open();
    f.lbDes_Click(3);
    f.Mu_param_Click(2);
    EXPECT_EQ(f.SortColumn, 3);
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(f.lbTota[1].Caption(), "0,29 ");
    f.lbDes_Click(1);
    f.Mu_param_Click(0);
    EXPECT_EQ(f.SortColumn, 1);
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(f.lbDati[2].Caption(), "94.371.840 ");
}

TEST_F(OrderedTable, DrivesFrom500GBTo1_5PBSortNumericallyInEveryUnit) {
    // Sizes chosen so that keys of fewer digits than the figures would misorder them: in
    // bytes 500 GB against 1 TB, in megabytes 1 TB against 20 TB, in gigabytes 900,000 GiB
    // against 1,500,000 GiB. Half of each drive is free.
    const std::uint64_t gib = 1ull << 30;
    AddDrive("a:", Bytes(499999997952ull, 1000000000000ull));  // 1 TB
    AddDrive("b:", Bytes(10000000000000ull, 20000000000000ull));
    AddDrive("c:", Bytes(250000000000ull, 500000000000ull));
    AddDrive("d:", Bytes(750000 * gib, 1500000 * gib));
    AddDrive("e:", Bytes(450000 * gib, 900000 * gib));
    AddDrive("f:", MiB(0, 0));  // no medium
    FreeAll& f = Open();
    const std::vector<int> bySize{6, 3, 1, 2, 5, 4};
    for (int unit : {0, 1, 2}) {
        f.Mu_param_Click(unit);
        for (int column = 1; column <= 3; ++column) {
            f.lbDes_Click(column);
            EXPECT_EQ(RowsTopToBottom(), bySize) << "unit " << unit << ", column " << column;
        }
    }
    f.Mu_param_Click(1);
    EXPECT_EQ(f.lbTota[1].Caption(), "953.674,32 ");
    EXPECT_EQ(f.lbTota[2].Caption(), "19.073.486,33 ");
    f.Mu_param_Click(2);
    EXPECT_EQ(f.lbTota[4].Caption(), "1.500.000,00 ");
    EXPECT_EQ(f.lbTota[5].Caption(), "900.000,00 ");
    f.Mu_param_Click(0);
    EXPECT_EQ(f.lbTota[2].Caption(), "20.000.000.000.000 ");
    EXPECT_EQ(f.lbTota[3].Caption(), "500.000.000.000 ");
}

TEST_F(OrderedTable, BarFillShowsTheUsedShareOfTheOutline) {
    AddDrive("a:", MiB(0, 700));    // full
    AddDrive("b:", MiB(700, 700));  // empty
    AddDrive("c:", MiB(350, 700));  // half
    AddDrive("d:", MiB(600, 700));  // one seventh used
    FreeAll& f = Open();
    EXPECT_EQ(f.SpFree[1].Width(), 5910);
    EXPECT_EQ(f.SpFree[1].Width(), f.SpTot[1].Width());
    EXPECT_EQ(f.SpFree[2].Width(), 0);
    EXPECT_EQ(f.SpFree[3].Width(), 2955);
    EXPECT_NEAR(f.SpFree[4].Width(), 5910.0 / 7, 1e-3);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(f.SpFree[k].Left(), f.SpTot[k].Left());
        EXPECT_EQ(f.SpTot[k].Width(), 5910);
    }

    // The same share in every unit.
    f.Mu_param_Click(2);
    EXPECT_EQ(f.SpFree[3].Width(), 2955);
    f.Mu_param_Click(0);
    EXPECT_EQ(f.SpFree[1].Width(), 5910);
    EXPECT_NEAR(f.SpFree[4].Width(), 5910.0 / 7, 1e-3);
}

TEST_F(OrderedTable, ByteFiguresAreWholeGroupedNumbers) {
    AddDrive("c:", Bytes(268439552, 1073741824));  // 1 GiB, 256 MiB and 4 KiB free
    FreeAll& f = Open();
    f.Mu_param_Click(0);
    EXPECT_EQ(f.lbTota[1].Caption(), "1.073.741.824 ");
    EXPECT_EQ(f.lbFree[1].Caption(), "268.439.552 ");
    EXPECT_EQ(f.lbDati[1].Caption(), "805.302.272 ");
    f.Mu_param_Click(1);
    EXPECT_EQ(f.lbFree[1].Caption(), "256,00 ");  // 256 MiB and 4 KiB
    EXPECT_EQ(f.lbDati[1].Caption(), "768,00 ");
}

TEST_F(OrderedTable, UnitMenuChecksOneItemAndPrefixesTheFigureHeaders) {
    AddDrive("c:", MiB(1, 2));
    FreeAll& f = Open();
    struct Expected {
        int unit;
        const char* prefix;
    };
    for (const Expected& e :
         {Expected{0, ""}, Expected{2, "G"}, Expected{1, "M"}, Expected{2, "G"}, Expected{0, ""}}) {
        f.Mu_param_Click(e.unit);
        EXPECT_EQ(f.UnitIndex, e.unit);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(f.Mu_param[i]->Checked(), i == e.unit) << i;
        EXPECT_EQ(f.lbDes[0].Caption(), "Drive");
        EXPECT_EQ(f.lbDes[1].Caption(), std::string(e.prefix) + "Byte utilizzati");
        EXPECT_EQ(f.lbDes[2].Caption(), std::string(e.prefix) + "Byte disponibili");
        EXPECT_EQ(f.lbDes[3].Caption(), std::string(e.prefix) + "Byte TOTALI");
    }
}

// ---------------------------------------------------------------------------------------------
// A table taller than its window scrolls below the headers, by whole rows.

TEST_F(OrderedTable, RowsScrollByWholeRowsUntilTheLastOneShowsAndNoFurther) {
    for (char c = 'a'; c <= 'z'; ++c) AddDrive(std::string(1, c) + ":", MiB(1, 2));
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
    // The rows re-ordered stay where the scroll puts their places.
    f.lbDes_Click(1);
    RowsTopToBottom();

    // A window made high enough for all, or for all but the margin below the last row:
    // nothing is left to scroll.
    f.Placed({300, 0, 8410, 16500, 8295, 15820, forms::kNormal});
    EXPECT_EQ(f.ScrollMax(), 0);
    f.Placed({300, 0, 8410, 16500, 8295, 15819, forms::kNormal});
    EXPECT_EQ(f.ScrollMax(), 600);
    f.Placed({300, 0, 8410, 17000, 8295, 16000, forms::kMaximized});
    EXPECT_EQ(f.ScrollMax(), 0);
    f.ScrollTo(f.ScrollTop());
    EXPECT_EQ(f.ScrollTop(), 0);
    EXPECT_FALSE(f.ScrolledAway(f.lbDisco[9]));

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
    bool operator==(const Filed& o) const {
        for (int i = 0; i < 4; ++i)
            if (keys[i] != o.keys[i] || tags[i] != o.tags[i] || rows[i] != o.rows[i])
                return false;
        return texts == o.texts;
    }
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
        for (int k = 1; k <= 4; ++k)
            for (forms::ControlArray* a : {&w->lbDisco, &w->lbDati, &w->lbFree, &w->lbTota})
                f.texts.push_back((*a)[k].Caption());
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
            drives->gates = disks->gates = &host.gates;
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
            EXPECT_TRUE(now == inTime);
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
    disks->gates = &host.gates;
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
    // Caught up: the next measurement waits for it again.
    f.Mu_param_Click(1);
    EXPECT_EQ(asked("n:\\"), 2);
    EXPECT_EQ(host.waitsAnswered.back(), true);
    EXPECT_EQ(f.lbTota[2].Caption(), "10.240,00 ");
}

TEST_F(SlowDrives, ADriveSlowToNameItselfIsListedByItsLetterAndMeasuredOnceNamed) {
    AddDrive("c: [SYSTEM]", MiB(1, 2));
    AddDrive("d: [DATI]", MiB(3, 4));
    drives->gates = &host.gates;
    host.gates.Hold("entry d");
    FreeAll& f = Open();
    EXPECT_EQ(f.Drive1.List(1), "d:");
    EXPECT_EQ(f.lbDisco[2].Caption(), "d:");
    EXPECT_EQ(Keys(f.cmbDisco), (std::vector<std::string>{"c: [SYSTEM]", "d:"}));
    EXPECT_EQ(disks->Queried(), std::vector<std::string>{"c:\\"});  // d: waits behind its name
    host.gates.Release("entry d");
    host.RunPosted();
    EXPECT_EQ(f.Drive1.List(1), "d: [DATI]");
    EXPECT_EQ(f.lbDisco[2].Caption(), "d: [DATI]");
    EXPECT_EQ(f.lbTota[2].Caption(), "4,00 ");
    EXPECT_EQ(Keys(f.cmbDisco), (std::vector<std::string>{"c: [SYSTEM]", "d: [DATI]"}));
}

TEST_F(SlowDrives, NoThreadToAskOnShowsEveryDriveAsZeroWithoutWaiting) {
    AddDrive("c: [SYSTEM]", MiB(1, 2));
    host.threads = false;
    FreeAll& f = Open();
    EXPECT_EQ(f.lbDisco[1].Caption(), "c:");
    EXPECT_EQ(f.lbTota[1].Caption(), "0,00 ");
    // Asked again at the next choice, once threads can be had.
    host.threads = true;
    f.Mu_param_Click(1);
    EXPECT_EQ(f.lbDisco[1].Caption(), "c: [SYSTEM]");
    EXPECT_EQ(f.lbTota[1].Caption(), "2,00 ");
}

TEST_F(SlowDrives, AnswersAfterTheWindowHasGoneAreDropped) {
    AddDrive("c:", MiB(1, 2));
    disks->gates = &host.gates;
    host.gates.Hold("c:\\");
    Open().Mu_end_Click();
    host.gates.Release("c:\\");
    host.RunPosted();
    EXPECT_EQ(w->lbTota[1].Caption(), "0,00 ");

    host.gates.Hold("c:\\");
    Open();
    host.RunPosted();
    w.reset();
    host.gates.Release("c:\\");
    EXPECT_EQ(host.RunPosted(), 0);  // nothing is posted once the window has gone
}

}  // namespace
