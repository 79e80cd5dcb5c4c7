// The real services in one bundle, made once and given to the program: by WinMain, and by the
// tests and benchmarks that run the program, or its main window, as WinMain does.
#pragma once

#include <memory>

#include "main/FreeAll.h"
#include "main/Program.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

namespace win32 {

struct RealServices {
    WinClock clock;
    WinLocale locale;
    // Asked on threads of their own: shared with the queries still running when the windows go.
    std::shared_ptr<WinDrives> drives = std::make_shared<WinDrives>();
    std::shared_ptr<WinDiskQuery> disks = std::make_shared<WinDiskQuery>();
    WinFileSystem files;
    WinRegistry registry;
    WinShell shell;

    // The program's services: these, with `host` realising the windows and lending its screen.
    kelvr::ProgramServices ForProgram(WinHost& host) { return ForProgram(host, host, files); }
    // The same with another host in front of the real one (a benchmark's, timing it), or
    // another file system (a test's, in front of the real one).
    kelvr::ProgramServices ForProgram(forms::FormHost& host, const forms::Screen& screen,
                                      const forms::FileSystem& fileSystem) {
        return {host, screen, clock, locale, drives, disks, fileSystem, registry, shell};
    }
    // The main window's alone.
    kelvr::MainServices ForMainWindow(WinHost& host) {
        return {host, host, clock, locale, drives, disks};
    }
};

}  // namespace win32
