// The whole program over the real services, made as WinMain makes it, for the tests that drive
// its windows; `Files` is the file system it is given.
#pragma once

#include <windows.h>

#include <memory>

#include "main/Program.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

namespace probe {

template <class Files = win32::WinFileSystem>
struct RealProgram {
    win32::WinHost host{GetModuleHandleW(nullptr)};
    win32::WinClock clock;
    win32::WinLocale locale;
    Files files;
    win32::WinRegistry registry;
    win32::WinShell shell;
    kelvr::Program program{
        kelvr::ProgramServices{host, host, clock, locale, std::make_shared<win32::WinDrives>(),
                               std::make_shared<win32::WinDiskQuery>(), files, registry, shell}};
};

}  // namespace probe
