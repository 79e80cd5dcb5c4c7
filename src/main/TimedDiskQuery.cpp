#include "main/TimedDiskQuery.h"

#include <condition_variable>
#include <thread>

namespace kelvr {

// One drive's query and, once it has come, its answer.
struct TimedDiskQuery::Pending {
    std::string root;
    bool done = false;
    DiskFigures figures;
};

// A thread that runs the queries it is handed, one at a time. Its fields are guarded by `mutex`.
struct TimedDiskQuery::Worker {
    std::mutex mutex;
    std::condition_variable changed;  // a query handed over or answered, or `stop` set
    std::shared_ptr<Pending> job;     // the query to run or running; null when idle
    bool stop = false;                // the thread ends once idle
    std::thread thread;
};

void TimedDiskQuery::Run(const std::shared_ptr<Worker>& w, DiskQuery& inner) {
    std::unique_lock<std::mutex> lock(w->mutex);
    for (;;) {
        w->changed.wait(lock, [&] { return w->job || w->stop; });
        if (!w->job)
            return;
        const std::shared_ptr<Pending> job = w->job;
        lock.unlock();
        const DiskFigures figures = inner.Query(job->root);
        lock.lock();
        job->figures = figures;
        job->done = true;
        w->job = nullptr;
        w->changed.notify_all();
    }
}

TimedDiskQuery::TimedDiskQuery(std::shared_ptr<DiskQuery> inner, std::chrono::milliseconds limit)
    : inner_(std::move(inner)), limit_(limit) {}

// The idle thread is ended and waited for. Threads still in a query are not: they keep what
// they use alive on their own and end when their query does.
TimedDiskQuery::~TimedDiskQuery() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!worker_)
        return;
    std::unique_lock<std::mutex> lock(worker_->mutex);
    worker_->stop = true;
    worker_->changed.notify_all();
    const bool idle = !worker_->job;
    lock.unlock();
    if (idle)
        worker_->thread.join();
    else
        worker_->thread.detach();
}

DiskFigures TimedDiskQuery::Query(const std::string& root) {
    std::shared_ptr<Pending> pending;
    std::shared_ptr<Worker> worker;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = asked_.find(root);
        if (it != asked_.end()) {
            pending = it->second.pending;
            worker = it->second.worker;
        } else {
            if (!worker_) {
                worker_ = std::make_shared<Worker>();
                worker_->thread = std::thread([w = worker_, inner = inner_] { Run(w, *inner); });
            }
            worker = worker_;
            pending = std::make_shared<Pending>();
            pending->root = root;
            asked_[root] = Asked{pending, worker};
            std::lock_guard<std::mutex> lock(worker->mutex);
            worker->job = pending;
            worker->changed.notify_all();
        }
    }

    std::unique_lock<std::mutex> lock(worker->mutex);
    const bool done = worker->changed.wait_for(lock, limit_, [&] { return pending->done; });
    const DiskFigures figures = done ? pending->figures : DiskFigures{};
    bool abandoned = false;
    if (!done && !worker->stop) {
        // Stuck in this drive: the thread ends once its query does (it is let go while it
        // cannot yet have ended), and the next drive gets a fresh one.
        worker->stop = true;
        worker->thread.detach();
        abandoned = true;
    }
    lock.unlock();

    std::lock_guard<std::mutex> guard(mutex_);
    if (abandoned && worker_ == worker)
        worker_.reset();
    if (done) {
        auto it = asked_.find(root);
        if (it != asked_.end() && it->second.pending == pending)
            asked_.erase(it);
    }
    return figures;
}

}  // namespace kelvr
