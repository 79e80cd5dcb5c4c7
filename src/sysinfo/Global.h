// The program's one piece of shared state.
#pragma once

#include <cstdint>

namespace Global {

// 1 after a run of the system-information launcher that did not reach the shell; cleared and
// read only by the maker window's "? &Sistema" button.
extern std::int16_t SysInfoNotFound;

}  // namespace Global
