// A disk query with a bounded wait: a drive that does not answer in time (an unreachable
// network share can block for a minute) is filed as one that failed, and the window goes on.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "main/DiskQuery.h"

namespace kelvr {

class TimedDiskQuery : public DiskQuery {
  public:
    // `inner` is shared with the queries still running when this object goes.
    TimedDiskQuery(std::shared_ptr<DiskQuery> inner, std::chrono::milliseconds limit);
    ~TimedDiskQuery() override;

    // Runs the inner query off the calling thread and waits for it up to the limit; all zero
    // when it has not answered by then. A drive whose earlier query is still running is not
    // asked again: its answer, should it come within the limit, serves. One caller at a time
    // (the window's thread).
    //
    // One thread runs the queries one after another; a thread whose query outlasts the limit
    // is left to it, and the next drive gets a fresh thread. (A thread for each query would
    // cost a thread's start at each drive, and starting and detaching short-lived threads
    // one after another is not safe with every C++ runtime: MinGW-w64's has crashed on it.)
    DiskFigures Query(const std::string& root) override;

  private:
    struct Pending;
    struct Worker;
    static void Run(const std::shared_ptr<Worker>& worker, DiskQuery& inner);

    std::shared_ptr<DiskQuery> inner_;
    std::chrono::milliseconds limit_;
    std::mutex mutex_;
    struct Asked {
        std::shared_ptr<Pending> pending;
        std::shared_ptr<Worker> worker;
    };
    std::map<std::string, Asked> asked_;  // queries not yet answered, by drive
    std::shared_ptr<Worker> worker_;      // the thread for the next query; idle
};

}  // namespace kelvr
