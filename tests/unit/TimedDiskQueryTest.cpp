#include "main/TimedDiskQuery.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "Fakes.h"
#include "main/FreeAll.h"

using namespace std::chrono_literals;

namespace {

// A disk query that answers at once for "c:\" and never, until released, for "n:\", as an
// unreachable network share.
class HangingDisks : public kelvr::DiskQuery {
  public:
    kelvr::DiskFigures Query(const std::string& root) override {
        ++calls;
        {
            std::lock_guard<std::mutex> lock(mutex);
            threads.insert(std::this_thread::get_id());
        }
        if (root == "n:\\") {
            std::unique_lock<std::mutex> lock(mutex);
            released.wait(lock, [&] { return release; });
            return {8, 512, 1, 2};
        }
        return {8, 512, 100, 200};
    }
    void Release() {
        std::lock_guard<std::mutex> lock(mutex);
        release = true;
        released.notify_all();
    }
    std::atomic<int> calls{0};
    std::set<std::thread::id> threads;  // the threads that ran the queries
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
};

struct TimedQuery : ::testing::Test {
    void TearDown() override { disks->Release(); }
    std::shared_ptr<HangingDisks> disks = std::make_shared<HangingDisks>();
};

TEST_F(TimedQuery, ADriveThatAnswersIsMeasuredOnItsFirstCall) {
    kelvr::TimedDiskQuery query(disks, 2000ms);
    const auto start = std::chrono::steady_clock::now();
    const kelvr::DiskFigures f = query.Query("c:\\");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(f.freeClusters, 100u);
    EXPECT_EQ(f.totalClusters, 200u);
    EXPECT_EQ(disks->calls, 1);
}

TEST_F(TimedQuery, OneThreadOffTheCallersRunsEveryQueryWhileNoDriveHangs) {
    {
        kelvr::TimedDiskQuery query(disks, 2000ms);
        for (int i = 0; i < 500; ++i) {
            const kelvr::DiskFigures f = query.Query(i % 2 ? "c:\\" : "d:\\");
            ASSERT_EQ(f.totalClusters, 200u) << i;
        }
    }
    EXPECT_EQ(disks->calls, 500);
    ASSERT_EQ(disks->threads.size(), 1u);
    EXPECT_NE(*disks->threads.begin(), std::this_thread::get_id());
    // The idle thread has ended with its owner: only this test holds the inner query now.
    EXPECT_EQ(disks.use_count(), 1);
}

TEST_F(TimedQuery, ADriveThatNeverAnswersIsFiledAsZeroAfterTheLimit) {
    kelvr::TimedDiskQuery query(disks, 200ms);
    const auto start = std::chrono::steady_clock::now();
    const kelvr::DiskFigures f = query.Query("n:\\");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 200ms);
    EXPECT_LT(waited, 2000ms);
    EXPECT_EQ(f.sectorsPerCluster, 0u);
    EXPECT_EQ(f.totalClusters, 0u);
    // The next drive is measured as usual.
    EXPECT_EQ(query.Query("c:\\").totalClusters, 200u);
}

TEST_F(TimedQuery, AHangingDriveIsNotAskedAgainWhileItsQueryRuns) {
    kelvr::TimedDiskQuery query(disks, 100ms);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(query.Query("n:\\").totalClusters, 0u);
    EXPECT_EQ(disks->calls, 1);
    // Once it answers, its answer serves the next measurement, and then it is asked afresh.
    disks->Release();
    EXPECT_EQ(query.Query("n:\\").totalClusters, 2u);
    EXPECT_EQ(query.Query("n:\\").totalClusters, 2u);
    EXPECT_EQ(disks->calls, 2);
}

TEST_F(TimedQuery, OutlivesItsOwnerWhileAQueryStillRuns) {
    {
        kelvr::TimedDiskQuery query(disks, 50ms);
        EXPECT_EQ(query.Query("n:\\").totalClusters, 0u);
    }
    disks->Release();  // the abandoned query ends after its owner: nothing it uses is gone
    for (int i = 0; i < 100 && disks.use_count() > 1; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(disks.use_count(), 1);
}

TEST_F(TimedQuery, AWindowWithADeadShareIsMeasuredInBoundedTimeWithTheShareAsZero) {
    fakes::FakeHost host;
    fakes::FakeScreen screen;
    fakes::FakeClock clock;
    fakes::FakeLocale locale;
    fakes::FakeDrives drives;
    drives.entries = {"c: [SYSTEM]", "n: [\\\\server\\share]"};
    kelvr::TimedDiskQuery query(disks, 300ms);
    kelvr::FreeAll window({host, screen, clock, locale, drives, query});
    const auto start = std::chrono::steady_clock::now();
    window.Show();  // measures in megabytes
    EXPECT_EQ(window.lbTota[1].Caption(), "0,78 ");  // 200 clusters of 4096 bytes
    EXPECT_EQ(window.lbTota[2].Caption(), "0,00 ");
    window.Mu_param_Click(0);  // and again in bytes: the dead share is not asked twice
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3000ms);
    EXPECT_EQ(window.lbTota[1].Caption(), "819.200 ");
    EXPECT_EQ(window.lbTota[2].Caption(), "0 ");
    EXPECT_EQ(window.MousePointer(), 0);
    EXPECT_EQ(disks->calls, 3);  // c: twice, n: once
}

}  // namespace
