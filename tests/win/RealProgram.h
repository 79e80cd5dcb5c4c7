// The whole program over the real services, made as WinMain makes it, for the tests that drive
// its windows; `Files` is the file system it is given.
#pragma once

#include <windows.h>

#include "main/Program.h"
#include "win32/RealServices.h"
#include "win32/WinHost.h"

namespace probe {

template <class Files = win32::WinFileSystem>
struct RealProgram {
    win32::WinHost host{GetModuleHandleW(nullptr)};
    win32::RealServices services;
    Files files;
    kelvr::Program program{services.ForProgram(host, host, files)};
};

}  // namespace probe
