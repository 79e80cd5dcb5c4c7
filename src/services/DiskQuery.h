// The disk query: the capacity of one drive and the space on it that its user may fill.
#pragma once

#include <cstdint>
#include <string>

namespace services {

struct DiskFigures {
    std::uint64_t freeBytes = 0;   // available to the user (less than free where quotas apply)
    std::uint64_t totalBytes = 0;  // capacity, as the user sees it
};

class DiskQuery {
  public:
    virtual ~DiskQuery() = default;
    // Figures of the drive whose root is `root` ("c:\"); all zero when the drive cannot be
    // measured (no medium, unreachable, missing). A drive that does not answer may keep the
    // caller waiting for long.
    virtual DiskFigures Query(const std::string& root) = 0;
};

}  // namespace services
