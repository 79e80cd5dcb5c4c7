// The drive list: the machine's drives as entries such as "c: [SYSTEM]". Its drives are read
// once, when it is filled, and never refreshed; an entry may come later than its drive (a
// drive slow to name itself shows its letter alone until then).
#pragma once

#include <string>
#include <vector>

namespace forms {

// A drive's entry before the drive has named itself: "x:".
inline std::string LetterEntry(char letter) {
    return std::string(1, letter) + ":";
}

class DriveList {
  public:
    void Fill(std::vector<std::string> entries) { entries_ = std::move(entries); }
    int ListCount() const { return static_cast<int>(entries_.size()); }
    const std::string& List(int i) const { return entries_.at(i); }
    void SetList(int i, const std::string& entry) { entries_.at(i) = entry; }

  private:
    std::vector<std::string> entries_;
};

}  // namespace forms
