// The program's windows on fakes, each made as the program makes it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Fakes.h"
#include "main/FreeAll.h"
#include "sysinfo/Global.h"

namespace fakes {

// Every service, faked. The launcher's flag starts clear, as in a program just started.
struct Services {
    Services() { Global::SysInfoNotFound = 0; }
    // Threads held back go on while what they use is still there.
    ~Services() { host.gates.Drain(); }
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    FakeHost host;
    FakeScreen screen;
    FakeClock clock;
    FakeLocale locale;
    std::shared_ptr<FakeDrives> drives = std::make_shared<FakeDrives>();
    std::shared_ptr<FakeDisks> disks = std::make_shared<FakeDisks>();
    FakeFileSystem files;
    FakeRegistry registry;
    FakeShell shell;
};

// A drive's figures: free and total bytes, or whole mebibytes.
inline kelvr::DiskFigures Bytes(std::uint64_t freeBytes, std::uint64_t totalBytes) {
    kelvr::DiskFigures d;
    d.freeBytes = freeBytes;
    d.totalBytes = totalBytes;
    return d;
}
inline kelvr::DiskFigures MiB(std::uint64_t freeMiB, std::uint64_t totalMiB) {
    return Bytes(freeMiB << 20, totalMiB << 20);
}

// The main window, made afresh by each Open.
struct MainRig : Services {
    std::unique_ptr<kelvr::FreeAll> w;

    // Adds a drive entry and the figures its root answers with.
    void AddDrive(const std::string& entry, kelvr::DiskFigures figures = {}) {
        drives->entries.push_back(entry);
        disks->figures[entry.substr(0, 1) + ":\\"] = figures;
    }

    // Makes the window (which reads the drive list) and shows it, as the program does at start.
    kelvr::FreeAll& Open() {
        w = std::make_unique<kelvr::FreeAll>(
            kelvr::MainServices{host, screen, clock, locale, drives, disks});
        w->Show();
        return *w;
    }

    // Drive numbers from the top row to the bottom one, read off the rows' positions; checks
    // that every drive's cells and bar stand on one row position of its own.
    std::vector<int> RowsTopToBottom() const {
        const int n = w->Drive1.ListCount();
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
            for (const forms::ControlArray* a : {&w->lbDati, &w->lbFree, &w->lbTota})
                EXPECT_EQ((*a)[k].Top(), top) << (*a)[k].FullName();
            for (const forms::ControlArray* a : {&w->SpTot, &w->SpFree})
                EXPECT_EQ((*a)[k].Top(), top + 310) << (*a)[k].FullName();
        }
        return byRank;
    }

    // The keys of a sort list in order, and the drive each is tagged with.
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

}  // namespace fakes
