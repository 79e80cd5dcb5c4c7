// A path named as the folders and files along it are stored, part by part.
#pragma once

#include <string>

namespace services {

// Gives `name`, the name of `part` in `folder` as it is stored, letters as on disk; false where
// the folder has no such entry, or where the entry is a link or junction.
using StoredName = bool (*)(const std::string& folder, const std::string& part, std::string& name);

// A drive's full path ("C:\Folder\File") named as stored: its drive letter in capitals, then each
// part as `stored` names it in the folder named so far ("C:" for the root's), without empty
// parts; the root alone keeps its backslash. False for a path that is no drive's, for a part
// with a wildcard (which would name any entry that matches), and where `stored` fails.
bool StoredPath(const std::string& full, StoredName stored, std::string& out);

}  // namespace services
