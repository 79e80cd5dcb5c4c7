#include "sysinfo/SubModuli.h"

#include <vector>

#include "sysinfo/Global.h"

namespace kelvr {

bool ReadRegistryValue(Registry& registry, std::uint32_t root, const std::string& key,
                       const std::string& valueName, std::string& value) {
    RegistryKey handle = 0;
    bool read = false;
    if (registry.OpenKey(root, key, kKeyRead, handle) != 0) {
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
            if (type == kRegSz) {
                value = text;
            } else if (type == kRegDword) {
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

SubModuli::SubModuli(Registry& registry, Shell& shell, const forms::FileSystem& files,
                     std::function<std::uintptr_t()> ownerWindow)
    : registry_(registry), shell_(shell), files_(files), ownerWindow_(std::move(ownerWindow)) {}

void SubModuli::LaunchSysInfoTool() {
    const char* kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    const char* kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
    try {
        std::string path;
        // A first lookup that reads as empty (a value of an unexpected type) or names
        // something other than a plain file (a folder, which the shell would open in a file
        // manager) names no tool: the folder lookup is tried instead. A path that names
        // nothing is handed over as it stands, and the shell fails quietly.
        if (!ReadRegistryValue(registry_, kHkeyLocalMachine, kToolKey, "PATH", path) ||
            path.empty() || (files_.Exists(path) && !files_.IsPlainFile(path))) {
            if (!ReadRegistryValue(registry_, kHkeyLocalMachine, kFolderKey, "MSINFO", path)) {
                Global::SysInfoNotFound = 1;
                return;
            }
            path += "\\MSINFO32.EXE";
            if (!files_.IsPlainFile(path)) {
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
