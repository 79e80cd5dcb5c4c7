// The real services in one bundle, made once and given to the program: by WinMain, and by the
// tests and benchmarks that run the program, or its main window, as WinMain does.
#pragma once

#include <memory>

#include "main/Services.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

namespace win32 {

struct RealServices {
    WinClock clock;
    WinLocale locale;
    // Asked on threads of their own: shared with the queries still running when the windows go.
    std::shared_ptr<WinDriveSource> drives = std::make_shared<WinDriveSource>();
    std::shared_ptr<WinDiskQuery> disks = std::make_shared<WinDiskQuery>();
    WinFileSystem files;
    WinRegistry registry;
    WinShell shell;

    // The windows' services: these, with `host` realising the windows and lending its screen.
    kelvr::Services For(WinHost& host) { return For(host, host, files); }
    // The same with another host in front of the real one (a benchmark's, timing it), or
    // another file system (a test's, in front of the real one).
    kelvr::Services For(forms::FormHost& host, const forms::Screen& screen,
                        const services::FileSystem& fileSystem) {
        return {host, screen, clock, locale, drives, disks, fileSystem, registry, shell};
    }
};

}  // namespace win32
