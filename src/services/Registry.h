// The registry, as the launcher reads it.
#pragma once

#include <cstdint>
#include <string>

namespace services {

using RegistryKey = std::uintptr_t;

constexpr std::uint32_t kHkeyLocalMachine = 0x80000002u;
constexpr std::uint32_t kKeyRead = 0x20019u;  // read control, query value, enumerate, notify
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;

// A thin view of the registry functions: results are Windows error codes, 0 for success.
class Registry {
  public:
    virtual ~Registry() = default;
    virtual long OpenKey(std::uint32_t root, const std::string& name, std::uint32_t access,
                         RegistryKey& key) = 0;
    // Reads up to `size` bytes of the value into `buffer`; `size` becomes the bytes written (or
    // needed, when the buffer is too small).
    virtual long QueryValue(RegistryKey key, const std::string& name, std::uint32_t& type,
                            char* buffer, std::uint32_t& size) = 0;
    virtual void CloseKey(RegistryKey key) = 0;
};

}  // namespace services
