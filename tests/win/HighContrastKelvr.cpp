// kelvr.exe as a Windows set to a high-contrast scheme runs it, for the pictures of that
// scheme: Wine changes the system colours but reports no high-contrast scheme
// (SPI_GETHIGHCONTRAST answers none), so here the host is told it in the system's place.
// Everything else is the program as WinMain makes it, over the real services.
#include <windows.h>

#include "RealProgram.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    probe::RealProgram<> kelvr;
    kelvr.host.highContrastSetting = [] { return true; };
    kelvr.host.ReadHighContrast();
    return kelvr.host.Run(kelvr.program.Main());
}
