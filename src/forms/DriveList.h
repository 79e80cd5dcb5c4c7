// The drive list: the machine's drives as entries such as "c: [SYSTEM]", read once when the
// list is made and never refreshed.
#pragma once

#include <string>
#include <vector>

namespace forms {

class DriveSource {
  public:
    virtual ~DriveSource() = default;
    // One entry per drive, in letter order: the letter in lower case, a colon, and the volume
    // label (or a network drive's share) in brackets where there is one.
    virtual std::vector<std::string> Drives() const = 0;
};

class DriveList {
  public:
    explicit DriveList(const DriveSource& source) : entries_(source.Drives()) {}
    int ListCount() const { return static_cast<int>(entries_.size()); }
    const std::string& List(int i) const { return entries_.at(i); }

  private:
    std::vector<std::string> entries_;
};

}  // namespace forms
