// kelvr.exe as a Windows set to a high-contrast scheme runs it, for the pictures of that
// scheme: Wine changes the system colours but reports no high-contrast scheme
// (SPI_GETHIGHCONTRAST answers none), so here the host is told it in the system's place.
// Everything else is the program as WinMain makes it, over the real services.
#include <windows.h>

#include "main/Program.h"
#include "win32/RealServices.h"
#include "win32/WinHost.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    win32::WinHost host(instance);
    host.highContrastSetting = [] { return true; };
    host.ReadHighContrast();
    win32::RealServices services;
    kelvr::Program program(services.For(host));
    return host.Run(program.Main());
}
