// What the forms know of files and folders: whether a plain file exists, and a folder's
// subfolders.
#pragma once

#include <string>
#include <vector>

namespace forms {

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // True when `path` names a plain file: not a folder, not hidden, not a system file.
    virtual bool IsPlainFile(const std::string& path) const = 0;
    // The full paths of the subfolders of `folder`, in the order the system lists them. Links
    // (junctions, symbolic links) are left out, so that following the lists never leads to a
    // folder twice. False when the folder cannot be opened or listed.
    virtual bool Subfolders(const std::string& folder, std::vector<std::string>& out) const = 0;
};

}  // namespace forms
