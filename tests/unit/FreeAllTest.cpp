#include <gtest/gtest.h>

#include "Fakes.h"
#include "main/FreeAll.h"

namespace {

struct MainWindow : ::testing::Test {
    fakes::FakeHost host;
    fakes::FakeScreen screen;
    fakes::FakeClock clock;
    fakes::FakeLocale locale;
    fakes::FakeDrives drives;
    fakes::FakeDisks disks;
    kelvr::MainServices services{host, screen, clock, locale, drives, disks};
};

TEST_F(MainWindow, ThreeDrivesMakeAWindow2800TwipsHigh) {
    drives.entries = {"a:", "c: [SYSTEM]", "d:"};
    kelvr::FreeAll w(services);
    w.Show();
    EXPECT_EQ(w.Left(), 300);
    EXPECT_EQ(w.Top(), 0);
    EXPECT_EQ(w.Width(), 8410);
    EXPECT_EQ(w.Height(), 2800);
}

}  // namespace
