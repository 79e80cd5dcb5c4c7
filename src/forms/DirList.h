// A directory list that is never shown: its path, and the subfolders of that path. Writing a
// path other than the current one raises Change before the write returns.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "services/FileSystem.h"

namespace forms {

class DirList {
  public:
    explicit DirList(const services::FileSystem& files) : files_(files) {}

    const std::string& Path() const { return path_; }
    // Compared exactly, letter case included: the same path written again raises nothing.
    void SetPath(const std::string& path) {
        if (path == path_)
            return;
        path_ = path;
        listed_ = false;
        if (Change)
            Change();
    }
    // The subfolders are read from the system when first asked for, once per path.
    int ListCount() const { return static_cast<int>(Listed().size()); }
    const std::string& List(int i) const { return Listed().at(i); }

    std::function<void()> Change;

  private:
    // A folder that cannot be listed shows no subfolder.
    const std::vector<std::string>& Listed() const {
        if (!listed_) {
            list_.clear();
            if (!files_.Subfolders(path_, list_))
                list_.clear();
            listed_ = true;
        }
        return list_;
    }

    const services::FileSystem& files_;
    std::string path_;
    mutable std::vector<std::string> list_;
    mutable bool listed_ = false;
};

}  // namespace forms
