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

// Geometry of a drive: clusters of `sectors` × `bytes`, `freeClusters` of `totalClusters` free.
DiskFigures Disk(std::uint32_t sectors, std::uint32_t bytes, std::uint32_t freeClusters,
                 std::uint32_t totalClusters) {
    DiskFigures d;
    d.sectorsPerCluster = sectors;
    d.bytesPerSector = bytes;
    d.freeClusters = freeClusters;
    d.totalClusters = totalClusters;
    return d;
}

// A drive counted in whole mebibytes: clusters of 256 sectors of 4096 bytes.
DiskFigures MiB(std::uint32_t freeMiB, std::uint32_t totalMiB) {
    return Disk(256, 4096, freeMiB, totalMiB);
}

struct MainWindow : ::testing::Test {
    fakes::FakeHost host;
    fakes::FakeScreen screen;
    fakes::FakeClock clock;
    fakes::FakeLocale locale;
    fakes::FakeDrives drives;
    fakes::FakeDisks disks;
    kelvr::MainServices services{host, screen, clock, locale, drives, disks};
    std::unique_ptr<FreeAll> w;

    // Adds a drive entry and the figures its root answers with.
    void AddDrive(const std::string& entry, const DiskFigures& d) {
        drives.entries.push_back(entry);
        disks.figures[entry.substr(0, 1) + ":\\"] = d;
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
        const int n = static_cast<int>(drives.entries.size());
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
    drives.entries = {"a:", "c: [SYSTEM]", "d:"};
    FreeAll& f = Open();
    EXPECT_EQ(f.Left(), 300);
    EXPECT_EQ(f.Top(), 0);
    EXPECT_EQ(f.Width(), 8410);
    EXPECT_EQ(f.Height(), 2800);
    EXPECT_TRUE(f.Visible());
}

TEST_F(MainWindowStartup, HeightGrowsBy600TwipsPerDrive) {
    drives.entries = {"c:"};
    EXPECT_EQ(Open().Height(), 1600);
    drives.entries = {"a:", "b:", "c:", "d:", "e:", "f:", "g:", "h:", "i:", "j:", "k:", "l:"};
    screen.height = 100000;
    EXPECT_EQ(Open().Height(), 8200);
}

TEST_F(MainWindowStartup, OnALowScreenTheWindowStops40TwipsShortOfItsHeight) {
    drives.entries = {"a:", "c:", "d:"};
    screen.height = 2799;
    EXPECT_EQ(Open().Height(), 2759);
    EXPECT_EQ(w->Width(), 8410);

    // A screen exactly as high as the table leaves the table's height.
    screen.height = 2800;
    EXPECT_EQ(Open().Height(), 2800);

    // All 26 letters on a 768-pixel screen.
    drives.entries.clear();
    for (char c = 'a'; c <= 'z'; ++c) drives.entries.push_back(std::string(1, c) + ":");
    screen.height = 768 * 15;
    EXPECT_EQ(Open().Height(), 768 * 15 - 40);
}

TEST_F(MainWindowStartup, CaptionNamesTheProgramTheMakerAndTodaysDate) {
    const std::string gap(17, ' ');
    drives.entries = {"c:"};
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
    drives.entries = {"a:", "c: [SYSTEM]", "d:", "e: [DATI]"};
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
            if (a != &f.SpFree) {
                EXPECT_EQ(c.Width(), model.Width()) << c.FullName();
            }
        }
        EXPECT_FALSE(a->Has(5));
    }
    EXPECT_EQ(f.lbDati[2].GetFont().name, "Courier New");
    EXPECT_EQ(f.lbDati[2].Alignment(), forms::Align::Right);
    EXPECT_EQ(f.SpTot[3].Width(), 5910);
    EXPECT_EQ(f.SpTot[3].BackColor(), forms::Rgb(128, 255, 128));
    EXPECT_EQ(f.SpFree[3].BackColor(), forms::Rgb(255, 128, 128));
}

TEST_F(MainWindowStartup, EachBarFillIsBroughtInFrontOfItsOutline) {
    drives.entries = {"a:", "c:", "d:"};
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
    EXPECT_TRUE(disks.queried.empty());
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

TEST_F(DriveMeasurement, DrivesAreQueriedInListOrderByTheirRoot) {
    drives.entries = {"c: [SYSTEM]", "a:", "z: [\\\\server\\share]"};
    FreeAll& f = Open();
    EXPECT_EQ(disks.queried, (std::vector<std::string>{"c:\\", "a:\\", "z:\\"}));
    f.Mu_param_Click(0);
    EXPECT_EQ(disks.queried,
              (std::vector<std::string>{"c:\\", "a:\\", "z:\\", "c:\\", "a:\\", "z:\\"}));
    // Drive numbers follow the list, not the letters.
    EXPECT_EQ(f.DriveName[1], "c: [SYSTEM]");
    EXPECT_EQ(f.DriveName[3], "z: [\\\\server\\share]");
}

TEST_F(DriveMeasurement, HourglassShowsDuringEachQueryOnly) {
    AddDrive("a:", MiB(0, 0));
    AddDrive("c:", MiB(1, 2));
    AddDrive("d:", MiB(3, 4));
    w = std::make_unique<FreeAll>(services);
    disks.pointerOf = [this] { return w->MousePointer(); };
    w->Show();
    EXPECT_EQ(disks.pointers, (std::vector<int>{11, 11, 11}));
    EXPECT_EQ(w->MousePointer(), 0);

    w->Mu_param_Click(2);
    EXPECT_EQ(disks.pointers, (std::vector<int>(6, 11)));
    EXPECT_EQ(w->MousePointer(), 0);
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
    AddDrive("c:", Disk(8, 512, 65536, 262144));  // 1 GiB, 256 MiB free
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
    drives.entries.push_back("e:");  // unknown root: all four figures 0
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

TEST_F(DriveMeasurement, ClusterCountsOf2To31OrMoreGiveTheirFullCapacity) {
    // 4 KiB clusters: 2^31 of them are 8 TiB, 2^32 - 1 almost 16 TiB.
    AddDrive("c:", Disk(8, 512, 0x80000000u, 0x80000000u));
    AddDrive("d:", Disk(8, 512, 0x80000000u, 0xFFFFFFFFu));
    FreeAll& f = Open();
    f.Mu_param_Click(0);
    EXPECT_DOUBLE_EQ(f.SpaceTotal[1], 8796093022208.0);
    EXPECT_DOUBLE_EQ(f.SpaceFree[1], 8796093022208.0);
    EXPECT_DOUBLE_EQ(f.SpaceUsed[1], 0.0);
    EXPECT_EQ(f.lbTota[1].Caption(), "8.796.093.022.208 ");
    EXPECT_DOUBLE_EQ(f.SpaceTotal[2], 17592186040320.0);
    EXPECT_DOUBLE_EQ(f.SpaceUsed[2], 17592186040320.0 - 8796093022208.0);
    EXPECT_EQ(f.lbTota[2].Caption(), "17.592.186.040.320 ");
    EXPECT_EQ(f.lbDati[2].Caption(), "8.796.093.018.112 ");

    f.Mu_param_Click(1);
    EXPECT_EQ(f.lbTota[1].Caption(), "8.388.608,00 ");
    EXPECT_EQ(f.lbFree[2].Caption(), "8.388.608,00 ");
    EXPECT_EQ(f.lbTota[2].Caption(), "16.777.216,00 ");
    EXPECT_EQ(f.lbDati[1].Caption(), "0,00 ");
    f.lbDes_Click(3);
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{1, 2}));
}

TEST_F(DriveMeasurement, ByteCountsBeyond64BitsSaturateInsteadOfWrapping) {
    // (2^32 - 1)^3 bytes do not fit in 64 bits; wrapped, they would read as a few gigabytes.
    AddDrive("c:", Disk(0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0xFFFFFFFFu));
    AddDrive("d:", Disk(2, 4096, 0, 2441406250u));  // 20 TB
    FreeAll& f = Open();
    f.Mu_param_Click(0);
    EXPECT_DOUBLE_EQ(f.SpaceTotal[1], 18446744073709551615.0);
    EXPECT_EQ(f.cmbTota.List(1), "18.446.744.073.709.551.616 ");
    EXPECT_EQ(f.cmbTota.ItemData(1), 1);
    EXPECT_EQ(f.cmbTota.List(0), "00.000.020.000.000.000.000 ");
    EXPECT_EQ(f.SpFree[1].Width(), 5910);  // nothing free: full
    f.lbDes_Click(3);
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{2, 1}));
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
    EXPECT_EQ(disks.queried.size(), 15u);  // at start and at each of four choices
}

TEST_F(DriveMeasurement, AllKeysOfAListHaveOneLengthFromEmptyTo64BitDrives) {
    AddDrive("a:", MiB(0, 0));
    AddDrive("b:", Disk(1, 512, 1, 1));                       // 512 bytes
    AddDrive("c:", Disk(2, 4096, 1220703125u, 2441406250u));  // 20 TB
    AddDrive("d:", Disk(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu));
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
    EXPECT_EQ(disks.queried.size(), 3u);
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

TEST_F(OrderedTable, DriveNamesSortWithoutRegardToCase) {
    // Entries of one letter, so that their labels decide; by byte value "Zeta" and "Beta"
    // would come before "alfa".
    drives.entries = {"x: [Zeta]", "x: [alfa]", "x: [Beta]"};
    FreeAll& f = Open();
    EXPECT_EQ(RowsTopToBottom(), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(f.lbDisco[2].Caption(), "x: [alfa]");
    EXPECT_EQ(f.lbDisco[2].Top(), 270);
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
    AddDrive("a:", Disk(1, 4096, 122070312, 244140625));       // 1 TB
    AddDrive("b:", Disk(2, 4096, 1220703125u, 2441406250u));   // 20 TB
    AddDrive("c:", Disk(1, 512, 488281250, 976562500));        // 500 GB
    AddDrive("d:", Disk(256, 4096, 768000000u, 1536000000u));  // 1,500,000 GiB
    AddDrive("e:", Disk(256, 4096, 460800000u, 921600000u));   // 900,000 GiB
    AddDrive("f:", MiB(0, 0));                                 // no medium
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
    AddDrive("c:", Disk(8, 512, 65537, 262144));
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

}  // namespace
