// Milliseconds since the system started, on every Windows the program runs on.
#pragma once

#include <windows.h>

namespace win32 {

using TickCount64Call = ULONGLONG(WINAPI*)();

// The performance counter's count in milliseconds: 64 bits that never wrap, as
// GetTickCount64 counts, for Windows XP, which lacks that function.
ULONGLONG WINAPI CounterTickCount64();

// The system's GetTickCount64 where there is one, else CounterTickCount64.
TickCount64Call PickTickCount64();

}  // namespace win32
