// The program's windows on fakes, each made as the program makes it: the main window alone, the
// maker window alone with the launcher it holds, and the whole program, through which the
// about window opens (it stands beside the main window and opens the maker window).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Fakes.h"
#include "info/InfQirvo.h"
#include "info/frmAbout.h"
#include "main/FreeAll.h"
#include "main/Program.h"
#include "sysinfo/Global.h"
#include "sysinfo/SubModuli.h"

namespace fakes {

inline const char* const kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline const char* const kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

// Every service, faked. The launcher's flag starts clear, as in a program just started. The
// drives' and files' queries pass the host's gates, which hold them back only where a test says.
struct Services {
    Services() {
        Global::SysInfoNotFound = 0;
        drives->gates = disks->gates = files.gates = &host.gates;
    }
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

    // As the windows take them.
    kelvr::Services Bundle() {
        return {host, screen, clock, locale, drives, disks, files, registry, shell};
    }
};

// A drive's figures: free and total bytes, or whole mebibytes.
inline services::DiskFigures Bytes(std::uint64_t freeBytes, std::uint64_t totalBytes) {
    services::DiskFigures d;
    d.freeBytes = freeBytes;
    d.totalBytes = totalBytes;
    return d;
}
inline services::DiskFigures MiB(std::uint64_t freeMiB, std::uint64_t totalMiB) {
    return Bytes(freeMiB << 20, totalMiB << 20);
}

// Checks that every launch was made as the maker window makes a link's: owned by `owner`, in the
// root of drive C:, shown normally.
inline void ExpectLaunchedAsLinks(const FakeShell& shell, std::uintptr_t owner) {
    for (const FakeShell::Launch& l : shell.launches) {
        EXPECT_EQ(l.owner, owner) << l.file;
        EXPECT_EQ(l.directory, "c:\\") << l.file;
        EXPECT_EQ(l.show, 1) << l.file;
    }
}

// The main window, made afresh by each Open.
struct MainRig : Services {
    std::unique_ptr<kelvr::FreeAll> w;

    // Adds a drive entry and the figures its root answers with.
    void AddDrive(const std::string& entry, services::DiskFigures figures = {}) {
        drives->entries.push_back(entry);
        disks->figures[entry.substr(0, 1) + ":\\"] = figures;
    }

    // Makes the window (which reads the drive list) and shows it, as the program does at start.
    kelvr::FreeAll& Open() {
        w = std::make_unique<kelvr::FreeAll>(Bundle());
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

// The maker window and the launcher it holds. As in the program, the launcher's owner is the
// maker window, which the launcher loads hidden when it is not loaded yet.
struct MakerRig : Services {
    std::unique_ptr<kelvr::InfQirvo> w;
    kelvr::SubModuli launcher{host, registry, shell, files, [this] { return Maker().hWnd(); }};

    // The maker window as it stands, or a new one.
    kelvr::InfQirvo& Maker() {
        if (!w)
            w = std::make_unique<kelvr::InfQirvo>(Bundle(), launcher);
        return *w;
    }
    kelvr::InfQirvo& Open() {
        Maker().Show();
        return *w;
    }
};

// The whole program: its main window, and the about and maker windows opened from its menu.
struct ProgramRig : Services {
    kelvr::Program program{Bundle()};

    ProgramRig() { program.Main().Show(); }

    // Opens the about window from the main window's menu, running `act` while it is open.
    void WhileAboutOpen(const std::function<void(kelvr::frmAbout&)>& act) {
        host.duringModal = [act](forms::Form& f) {
            if (f.Name() == "frmAbout")
                act(static_cast<kelvr::frmAbout&>(f));
        };
        program.Main().Mu_Progr_Click();
    }

    // How many times `form` has been made.
    int Realised(const std::string& form) const {
        return static_cast<int>(std::count(host.realised.begin(), host.realised.end(), form));
    }
};

}  // namespace fakes
