// The program's entry: the real services, the windows, the message loop.
#include <windows.h>

#include <cstdlib>

#include "main/Program.h"
#include "win32/RealServices.h"
#include "win32/WinHost.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // A drive without a medium fails its query quietly instead of asking the user to insert one.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    win32::WinHost host(instance);
    win32::RealServices services;
    kelvr::Program program(services.For(host));
    // Returning ends the process, and with it a maker window loaded hidden by the launcher and
    // the threads of drives that never answered.
    return host.Run(program.Main());
}

#if defined(__GLIBCXX__)
// libstdc++'s default terminate handler prints the uncaught exception's demangled type to
// stderr, which a windowed program does not have, and brings the whole C++ demangler into the
// exe with it. The program ends the same way without the message.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
#endif
