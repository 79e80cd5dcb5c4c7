// SubModuli: the registry reader and the launcher of the system-information tool.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "forms/Runtime.h"
#include "services/FileSystem.h"
#include "services/Registry.h"
#include "services/Shell.h"

namespace kelvr {

// Raised by ReadRegistryValue for a value that reports zero bytes: there is nothing to trim.
class EmptyRegistryValue : public std::runtime_error {
  public:
    EmptyRegistryValue() : std::runtime_error("registry value of zero bytes") {}
};

constexpr std::size_t kRegistryBufferSize = 1024;

// Reads a value under `key` of `root`. A string value is returned without its terminating
// NUL; a DWORD value as its number in decimal; a value of another type leaves `value` as it
// was. False, with `value` emptied, when the key or the value cannot be read (a value longer
// than 1024 bytes included). The key is opened for reading only.
bool ReadRegistryValue(services::Registry& registry, std::uint32_t root, const std::string& key,
                       const std::string& valueName, std::string& value);

class SubModuli {
  public:
    // `ownerWindow` gives the maker window's handle, loading that window hidden if need be.
    SubModuli(forms::FormHost& host, services::Registry& registry, services::Shell& shell,
              const services::FileSystem& files, std::function<std::uintptr_t()> ownerWindow);

    // Starts the tool found through the registry, or sets Global::SysInfoNotFound to 1. Does
    // neither when the program ends while it waits for a file test.
    void LaunchSysInfoTool();

    // The longest the window waits for each test of a file the registry names: a file on a
    // share that does not answer holds up the test for as long as the system waits for the
    // share. The same as the main window's bound on its drives.
    static constexpr std::chrono::milliseconds kFileWait{2000};

  private:
    // Asks `test` on a thread of its own and waits for its answer up to kFileWait, the window
    // painting and answering the system meanwhile. Nothing when no answer came in time (or no
    // thread could be started); an answer that comes later is dropped.
    std::optional<bool> Ask(std::function<bool()> test);

    forms::FormHost& host_;
    services::Registry& registry_;
    services::Shell& shell_;
    const services::FileSystem& files_;
    std::function<std::uintptr_t()> ownerWindow_;
};

}  // namespace kelvr
