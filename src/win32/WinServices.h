// The system's services as the windows ask for them: clock, locale, drives, disk query, files,
// registry and shell. The drives and the disk query are asked on threads of their own and may
// block. Beside them, how the program's code runs on the system's threads and callbacks.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>

#include "services/Clock.h"
#include "services/DiskQuery.h"
#include "services/DriveSource.h"
#include "services/FileSystem.h"
#include "services/Locale.h"
#include "services/Registry.h"
#include "services/Shell.h"

namespace win32 {

// Runs the portable code's `f`, where nothing it throws may get past: out of a window procedure,
// a posted task or a thread's function. A failure is only told to a debugger, as `failed`.
template <class F>
inline void Safely(F&& f, const wchar_t* failed = L"Kelvr: an event handler failed\n") {
    try {
        f();
    } catch (...) {
        OutputDebugStringW(failed);
    }
}

// Runs `work` on a thread of the system's, with `stack` bytes of stack reserved (0: as the exe
// says); false where no thread can be had. Not a std::thread: it is let go as it starts and
// cleans up after itself, with nothing of the C++ runtime's thread library to keep for it.
bool RunOnThread(std::function<void()> work, std::size_t stack);

class WinClock : public services::Clock {
  public:
    services::Date Today() const override;
};

class WinLocale : public services::Locale {
  public:
    services::NumberSeparators Separators() const override;
};

// The drives of GetLogicalDrives, named as the drive list shows them. A removable drive is
// not asked for its label, so that an empty floppy or card reader is never touched; a network
// drive shows its share, read from the local connection table rather than from the server.
class WinDriveSource : public services::DriveSource {
  public:
    std::vector<char> Letters() const override;
    std::string Entry(char letter) const override;
};

class WinDiskQuery : public services::DiskQuery {
  public:
    services::DiskFigures Query(const std::string& root) override;
};

// Files and folders through the W functions; paths of MAX_PATH or more are handed over in
// their long form ("\\?\C:\..."), so depth is no limit.
class WinFileSystem : public services::FileSystem {
  public:
    ~WinFileSystem() override;
    bool IsPlainFile(const std::string& path) const override;
    bool Subfolders(const std::string& folder, std::vector<std::string>& out) const override;
    // One pass over the folder answers both questions. With `meanwhile`, the folder is opened
    // on a thread of its own and `meanwhile` runs every 10 ms until it is open, then every 512
    // entries.
    bool ListFolder(const std::string& folder, const std::string& fileName,
                    std::vector<std::string>& subfolders, bool& hasFile,
                    const std::function<void()>& meanwhile) const override;
    // CSIDL_PROGRAM_FILES, through shell32, loaded when first asked for.
    bool ProgramsFolder(std::string& folder) const override;
    // Where the system cannot follow links (XP), a path through a link or junction cannot be
    // opened.
    bool FinalPath(const std::string& path, std::string& out) const override;

  private:
    struct Opener;
    // FindFirstFileExW on the opener's thread while the caller's thread runs `meanwhile`.
    HANDLE OpenMeanwhile(const std::wstring& pattern, WIN32_FIND_DATAW& found,
                         const std::function<void()>& meanwhile) const;
    mutable std::shared_ptr<Opener> opener_;  // made at the first listing with `meanwhile`
    mutable bool opening_ = false;            // a listing waits for the opener
};

// The predefined key whose 32-bit value is `root` (services::kHkeyLocalMachine, say), as the SDK
// defines it: sign-extended in a 64-bit program, where Windows takes no other handle for it.
// Null for a value that is no predefined key.
HKEY RegistryRoot(std::uint32_t root);

// The registry through the A functions, as the system-information tool's values are ANSI;
// string values reach the program as UTF-8.
class WinRegistry : public services::Registry {
  public:
    long OpenKey(std::uint32_t root, const std::string& name, std::uint32_t access,
                 services::RegistryKey& key) override;
    long QueryValue(services::RegistryKey key, const std::string& name, std::uint32_t& type,
                    char* buffer, std::uint32_t& size) override;
    void CloseKey(services::RegistryKey key) override;
};

// Opens through ShellExecuteExW on a thread of its own, which ends once the shell has answered.
class WinShell : public services::Shell {
  public:
    void Execute(std::uintptr_t owner, const std::string& file, const std::string& directory,
                 int show) override;
};

}  // namespace win32
