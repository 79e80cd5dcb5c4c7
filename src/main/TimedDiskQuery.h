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

    // Runs the inner query on a thread of its own and waits for it up to the limit; all zero
    // when it has not answered by then. A drive whose earlier query is still running is not
    // asked again: its answer, should it come within the limit, serves.
    DiskFigures Query(const std::string& root) override;

private:
    struct Pending;
    std::shared_ptr<DiskQuery> inner_;
    std::chrono::milliseconds limit_;
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Pending>> pending_;
};

}  // namespace kelvr
