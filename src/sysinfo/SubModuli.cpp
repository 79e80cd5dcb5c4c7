#include "sysinfo/SubModuli.h"

#include <memory>
#include <mutex>
#include <vector>

#include "sysinfo/Global.h"

namespace kelvr {

bool ReadRegistryValue(services::Registry& registry, std::uint32_t root, const std::string& key,
                       const std::string& valueName, std::string& value) {
    services::RegistryKey handle = 0;
    bool read = false;
    if (registry.OpenKey(root, key, services::kKeyRead, handle) != 0) {
        value.clear();
    } else {
        std::vector<char> buffer(kRegistryBufferSize, '\0');
        std::uint32_t size = kRegistryBufferSize;
        std::uint32_t type = 0;
        if (registry.QueryValue(handle, valueName, type, buffer.data(), size) != 0) {
            value.clear();
        } else if (size == 0) {
            registry.CloseKey(handle);
            throw EmptyRegistryValue();
        } else {
            const std::size_t length = buffer[size - 1] == '\0' ? size - 1 : size;
            const std::string text(buffer.data(), length);
            if (type == services::kRegSz) {
                value = text;
            } else if (type == services::kRegDword) {
                // The value's bytes, least significant first, as one number.
                std::uint64_t number = 0;
                for (std::size_t i = text.size(); i-- > 0;)
                    number = (number << 8) | static_cast<unsigned char>(text[i]);
                value = std::to_string(number);
            }
            read = true;
        }
    }
    registry.CloseKey(handle);
    return read;
}

namespace {
// A drive's path (C:\...) or a share's (\\server\...): one that names the same place whatever
// the program's current folder.
bool IsFullPath(const std::string& path) {
    const char drive = static_cast<char>(path.empty() ? 0 : path[0] | 0x20);
    return (path.size() >= 3 && drive >= 'a' && drive <= 'z' && path[1] == ':' &&
            (path[2] == '\\' || path[2] == '/')) ||
           path.rfind("\\\\", 0) == 0;
}
}  // namespace

SubModuli::SubModuli(forms::FormHost& host, services::Registry& registry, services::Shell& shell,
                     const services::FileSystem& files, std::function<std::uintptr_t()> ownerWindow)
    : host_(host),
      registry_(registry),
      shell_(shell),
      files_(files),
      ownerWindow_(std::move(ownerWindow)) {}

namespace {
// A test's answer, shared with the thread that asks it, which may outlive both the wait and the
// launcher. Guarded by `mutex`.
struct Answer {
    std::mutex mutex;
    forms::FormHost* waiting = nullptr;  // the host while the window waits: told of the answer
    bool in = false;
    bool value = false;
};
}  // namespace

// A test still blocked when the program ends is inside the system's call, and ends with the
// process.
std::optional<bool> SubModuli::Ask(std::function<bool()> test) {
    auto answer = std::make_shared<Answer>();
    answer->waiting = &host_;
    const bool started = host_.RunAside([answer, test = std::move(test)] {
        const bool value = test();
        std::lock_guard<std::mutex> lock(answer->mutex);
        answer->value = value;
        answer->in = true;
        if (answer->waiting)
            answer->waiting->Post([] {});  // the wait looks at the answer again
    });
    if (started)
        host_.WaitFor(
            [&answer] {
                std::lock_guard<std::mutex> lock(answer->mutex);
                return answer->in;
            },
            std::chrono::steady_clock::now() + kFileWait);
    std::lock_guard<std::mutex> lock(answer->mutex);
    answer->waiting = nullptr;
    return answer->in ? std::optional<bool>(answer->value) : std::nullopt;
}

void SubModuli::LaunchSysInfoTool() {
    const char* kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    const char* kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
    const services::FileSystem& files = files_;
    try {
        // Each value is the text as Windows reads it, up to its first NUL (an installer may pad
        // a value with more); one of another type reads as empty.
        std::string path;
        auto read = [this, &path](const char* key, const char* name) {
            path.clear();
            const bool found =
                ReadRegistryValue(registry_, services::kHkeyLocalMachine, key, name, path);
            path = path.substr(0, path.find('\0'));
            return found;
        };
        // A first lookup names the tool only where it names a plain file. One that reads as
        // empty (a value of an unexpected type, or NULs alone), names nothing (a value left
        // behind by a tool since moved: the shell would fail quietly, and the click would do
        // nothing at all) or names a folder (which the shell would open in a file manager)
        // names no tool: the folder lookup is tried instead. So does one whose test has not
        // answered in time: what it names is unknown, and is not launched unchecked.
        bool named = read(kToolKey, "PATH") && !path.empty();
        if (named) {
            const std::optional<bool> plain =
                Ask([&files, path] { return files.IsPlainFile(path); });
            if (host_.Ending())
                return;
            named = plain.value_or(false);
        }
        if (!named) {
            // Only a full path is looked in: an empty one (as a value of another type leaves
            // it) or a relative one would name a file wherever the program was started from,
            // perhaps a folder that others may write to.
            if (!read(kFolderKey, "MSINFO") || !IsFullPath(path)) {
                Global::SysInfoNotFound = 1;
                return;
            }
            path += "\\MSINFO32.EXE";
            const std::optional<bool> plain =
                Ask([&files, path] { return files.IsPlainFile(path); });
            if (host_.Ending())
                return;
            if (!plain.value_or(false)) {
                Global::SysInfoNotFound = 1;
                return;
            }
        }
        shell_.Execute(ownerWindow_(), path, "c:\\", 1);
    } catch (...) {
        Global::SysInfoNotFound = 1;
    }
}

}  // namespace kelvr
