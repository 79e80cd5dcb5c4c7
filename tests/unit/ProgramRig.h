// The whole program on fakes: its main window, the information windows and the launcher.
#pragma once

#include <algorithm>

#include "Fakes.h"
#include "main/Program.h"

namespace fakes {

inline const char* const kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline const char* const kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

struct ProgramRig {
    FakeHost host;
    FakeScreen screen;
    FakeClock clock;
    FakeLocale locale;
    std::shared_ptr<FakeDrives> drives = [] {
        auto d = std::make_shared<FakeDrives>();
        d->entries = {"c: [SYSTEM]"};
        return d;
    }();
    std::shared_ptr<FakeDisks> disks = std::make_shared<FakeDisks>();
    FakeFileSystem files;
    FakeRegistry registry;
    FakeShell shell;
    kelvr::Program program{
        kelvr::ProgramServices{host, screen, clock, locale, drives, disks, files, registry, shell}};

    int Realised(const std::string& form) const {
        return static_cast<int>(std::count(host.realised.begin(), host.realised.end(), form));
    }
};

}  // namespace fakes
