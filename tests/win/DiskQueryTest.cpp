// The bounded disk query over the real disks and the C++ runtime's threads under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "main/TimedDiskQuery.h"
#include "win32/WinServices.h"

using namespace std::chrono_literals;

namespace {

// Answers at once, but takes 30 ms over "s:\" (a slow drive, past the limit the tests set).
class SlowDrive : public kelvr::DiskQuery {
  public:
    kelvr::DiskFigures Query(const std::string& root) override {
        if (root == "s:\\")
            Sleep(30);
        return {8, 512, 1, 2};
    }
};

// Starting and detaching a thread for each query crashed here about once in a hundred
// queries (MinGW-w64's threads under Wine): the measurements of a session are many.
TEST(RealTimedDiskQuery, ThousandsOfMeasurementsInARowAllAnswer) {
    win32::WinDiskQuery direct;
    const kelvr::DiskFigures expected = direct.Query("c:\\");
    ASSERT_GT(expected.totalClusters, 0u);
    kelvr::TimedDiskQuery query(std::make_shared<win32::WinDiskQuery>(), 2000ms);
    for (int i = 0; i < 3000; ++i) {
        const kelvr::DiskFigures f = query.Query("c:\\");
        ASSERT_EQ(f.totalClusters, expected.totalClusters) << i;
        ASSERT_EQ(f.sectorsPerCluster, expected.sectorsPerCluster) << i;
    }
}

// A drive past the limit, again and again: its threads are let go and end while fresh ones
// start for the next drive.
TEST(RealTimedDiskQuery, SlowDrivesAmongFastOnesNeverBreakIt) {
    kelvr::TimedDiskQuery query(std::make_shared<SlowDrive>(), 10ms);
    int slowAnswered = 0;
    for (int i = 0; i < 200; ++i) {
        slowAnswered += query.Query("s:\\").totalClusters == 2;
        ASSERT_EQ(query.Query("c:\\").totalClusters, 2u) << i;
    }
    // Each slow query that ran out of time was asked no more until it had answered.
    EXPECT_LT(slowAnswered, 200);
}

}  // namespace
