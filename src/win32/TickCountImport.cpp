// GetTickCount64 for MinGW's thread library, as the program's own import. winpthreads, which
// std::mutex and the guards of static locals stand on, times its waits with GetTickCount64, a
// function Windows has only from Vista on: imported, it would keep the program from loading on
// XP. The import's slot is defined here, so that the linker takes no import from kernel32 for
// it; it leads to the system's function where there is one, else to the performance counter's
// milliseconds. Any other call to GetTickCount64 in the exe goes through this slot too.
#include <windows.h>

#include <atomic>

#include "win32/TickCount.h"

#if defined(__MINGW32__) && defined(__i386__)
namespace {
// Chosen at the first call; threads that race to choose choose alike.
std::atomic<win32::TickCount64Call> chosen{nullptr};

ULONGLONG WINAPI TickCount64() {
    win32::TickCount64Call call = chosen.load(std::memory_order_relaxed);
    if (!call) {
        call = win32::PickTickCount64();
        chosen.store(call, std::memory_order_relaxed);
    }
    return call();
}
}  // namespace

// The import slot's own name: stdcall, no arguments, on 32-bit x86.
extern "C" win32::TickCount64Call kelvrTickCount64Slot __asm__("__imp__GetTickCount64@0");
win32::TickCount64Call kelvrTickCount64Slot = TickCount64;
#endif
