// The start-up log of the programs kelvr_start_bench starts: when KELVR_STEPS_LOG names a file,
// a program appends to it one line, its name and then milliseconds, once its window is painted.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace bench {

// Milliseconds since this process was created, on the clock the creation time is kept on.
inline double SinceCreation() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    ULARGE_INTEGER c, n;
    c.LowPart = created.dwLowDateTime;
    c.HighPart = created.dwHighDateTime;
    n.LowPart = now.dwLowDateTime;
    n.HighPart = now.dwHighDateTime;
    return static_cast<double>(n.QuadPart - c.QuadPart) / 10000.0;
}

inline void AppendStartLog(const char* format, ...) {
    const char* path = std::getenv("KELVR_STEPS_LOG");
    if (!path)
        return;
    std::FILE* f = std::fopen(path, "a");
    if (!f)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(f, format, args);
    va_end(args);
    std::fclose(f);
}

}  // namespace bench
