// The shell, as the launcher and the maker window's links open programs and addresses.
#pragma once

#include <cstdint>
#include <string>

namespace services {

class Shell {
  public:
    virtual ~Shell() = default;
    // Opens `file` (a program, a "mailto:" link, a web address) with the default verb, owned by
    // the window `owner`, in `directory`, shown with `show`. The result is not looked at, and
    // may come after this returns.
    virtual void Execute(std::uintptr_t owner, const std::string& file,
                         const std::string& directory, int show) = 0;
};

}  // namespace services
