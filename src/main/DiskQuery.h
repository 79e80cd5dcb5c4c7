// The disk query: the cluster geometry and counts of one drive.
#pragma once

#include <cstdint>
#include <string>

namespace kelvr {

struct DiskFigures {
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t bytesPerSector = 0;
    std::uint32_t freeClusters = 0;
    std::uint32_t totalClusters = 0;
};

class DiskQuery {
  public:
    virtual ~DiskQuery() = default;
    // Figures of the drive whose root is `root` ("c:\"); all zero when the drive cannot be
    // measured (no medium, unreachable, missing).
    virtual DiskFigures Query(const std::string& root) = 0;
};

}  // namespace kelvr
