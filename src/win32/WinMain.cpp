// The program's entry: the real services, the windows, the message loop.
#include <windows.h>

#include <memory>

#include "main/Program.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // A drive without a medium fails its query quietly instead of asking the user to insert one.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    win32::WinHost host(instance);
    win32::WinClock clock;
    win32::WinLocale locale;
    win32::WinFileSystem files;
    win32::WinRegistry registry;
    win32::WinShell shell;
    kelvr::Program program(
        kelvr::ProgramServices{host, host, clock, locale, std::make_shared<win32::WinDrives>(),
                               std::make_shared<win32::WinDiskQuery>(), files, registry, shell});
    // Returning ends the process, and with it a maker window loaded hidden by the launcher and
    // the threads of drives that never answered.
    return host.Run(program.Main());
}
