#include "main/TimedDiskQuery.h"

#include <condition_variable>
#include <thread>

namespace kelvr {

struct TimedDiskQuery::Pending {
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    DiskFigures figures;
};

TimedDiskQuery::TimedDiskQuery(std::shared_ptr<DiskQuery> inner, std::chrono::milliseconds limit)
    : inner_(std::move(inner)), limit_(limit) {}

// Queries still running keep what they use alive on their own; they are not waited for.
TimedDiskQuery::~TimedDiskQuery() = default;

DiskFigures TimedDiskQuery::Query(const std::string& root) {
    std::shared_ptr<Pending> pending;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = pending_.find(root);
        if (it != pending_.end()) {
            pending = it->second;
        } else {
            pending = std::make_shared<Pending>();
            pending_[root] = pending;
            std::thread([inner = inner_, pending, root] {
                DiskFigures figures = inner->Query(root);
                std::lock_guard<std::mutex> lock(pending->mutex);
                pending->figures = figures;
                pending->done = true;
                pending->answered.notify_all();
            }).detach();
        }
    }

    std::unique_lock<std::mutex> lock(pending->mutex);
    const bool done = pending->answered.wait_for(lock, limit_, [&] { return pending->done; });
    const DiskFigures figures = done ? pending->figures : DiskFigures{};
    lock.unlock();
    if (done) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = pending_.find(root);
        if (it != pending_.end() && it->second == pending) pending_.erase(it);
    }
    return figures;
}

}  // namespace kelvr
