#include "win32/TickCount.h"

#include "win32/LoadWhenNeeded.h"

namespace win32 {

ULONGLONG WINAPI CounterTickCount64() {
    LARGE_INTEGER frequency, count;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 ||
        !QueryPerformanceCounter(&count))
        return GetTickCount();  // no counter: 32 bits, the most the system counts then
    // In two steps, so that the product cannot overflow however long the system has run.
    const auto f = static_cast<ULONGLONG>(frequency.QuadPart);
    const auto c = static_cast<ULONGLONG>(count.QuadPart);
    return c / f * 1000 + c % f * 1000 / f;
}

TickCount64Call PickTickCount64() {
    const auto system = LoadWhenNeeded<TickCount64Call>(L"kernel32.dll", "GetTickCount64");
    return system ? system : CounterTickCount64;
}

}  // namespace win32
