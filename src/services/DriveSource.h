// The machine's drives: their letters, and each drive's name as the drive list shows it.
#pragma once

#include <string>
#include <vector>

namespace services {

class DriveSource {
  public:
    virtual ~DriveSource() = default;
    // The letters of the machine's drives, in lower case and letter order. Answers at once:
    // no drive is asked anything.
    virtual std::vector<char> Letters() const = 0;
    // The entry of one drive: its letter in lower case, a colon, and the volume label (or a
    // network drive's share) in brackets where there is one. A drive that does not answer
    // may keep the caller waiting for long.
    virtual std::string Entry(char letter) const = 0;
};

}  // namespace services
