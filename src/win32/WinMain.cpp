// The program's entry: the real services, the main window, the message loop.
#include <windows.h>

#include "main/FreeAll.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // A drive without a medium fails its query quietly instead of asking the user to insert one.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    win32::WinHost host(instance);
    win32::WinClock clock;
    win32::WinLocale locale;
    win32::WinDrives drives;
    win32::WinDiskQuery disks;
    kelvr::FreeAll main(kelvr::MainServices{host, host, clock, locale, drives, disks});
    return host.Run(main);
}
