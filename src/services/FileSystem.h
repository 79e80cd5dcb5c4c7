// What the forms know of files and folders: whether a plain file exists, a folder's subfolders,
// the system's programs folder, and the name a path comes to once its links are followed.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace services {

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // True when `path` names a plain file: not a folder, not hidden, not a system file.
    virtual bool IsPlainFile(const std::string& path) const = 0;
    // (It may block for as long as the system waits for the path's drive: a share that does
    // not answer holds it up for tens of seconds.)
    // The full paths of the subfolders of `folder`, in the order the system lists them. Links
    // (junctions, symbolic links) are left out, so that following the lists never leads to a
    // folder twice. False when the folder cannot be opened or listed.
    virtual bool Subfolders(const std::string& folder, std::vector<std::string>& out) const = 0;

    // What a search needs of a folder: whether a plain file named `fileName` is there and, when
    // it is not, the subfolders, as Subfolders lists them. `meanwhile` may be called while a
    // large folder is read, so that the caller can let events run. False when the folder
    // cannot be listed. A system that reads a folder in one pass answers both at once; this
    // one asks the two questions in turn.
    virtual bool ListFolder(const std::string& folder, const std::string& fileName,
                            std::vector<std::string>& subfolders, bool& hasFile,
                            const std::function<void()>& meanwhile) const {
        (void)meanwhile;
        const bool separated = !folder.empty() && folder.back() == '\\';
        hasFile = IsPlainFile(folder + (separated ? "" : "\\") + fileName);
        return hasFile || Subfolders(folder, subfolders);
    }

    // The system's folder for programs of this program's bitness. False when the system names
    // none, or none that exists.
    virtual bool ProgramsFolder(std::string& folder) const = 0;
    // The name the system gives `path` once every link and junction on the way is followed,
    // with its letters as stored and without the "\\?\" prefix. False when the path cannot be
    // opened.
    virtual bool FinalPath(const std::string& path, std::string& out) const = 0;
};

}  // namespace services
