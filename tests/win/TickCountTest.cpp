// The milliseconds that MinGW's thread library times its waits with, on every Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include "OlderWindows.h"
#include "win32/TickCount.h"

namespace {

// The system's GetTickCount64 where it has one; on XP, the performance counter's milliseconds,
// which move as the system's do.
TEST(TickCount64, IsTheSystemsOrOnXpThePerformanceCountersMilliseconds) {
    const win32::TickCount64Call system = win32::PickTickCount64();
    ASSERT_NE(system, nullptr);
    EXPECT_NE(system, &win32::CounterTickCount64);
    {
        probe::Lacking lacking(probe::kXpLacks);
        EXPECT_EQ(win32::PickTickCount64(), &win32::CounterTickCount64);
    }
    const ULONGLONG system0 = system(), counter0 = win32::CounterTickCount64();
    Sleep(400);
    const ULONGLONG system1 = system(), counter1 = win32::CounterTickCount64();
    EXPECT_GE(counter1 - counter0, 350u);
    EXPECT_NEAR(static_cast<double>(counter1 - counter0), static_cast<double>(system1 - system0),
                50.0);
}

}  // namespace
