// The program as an older Windows runs it, through its late-binding seam (win32/LoadWhenNeeded.h).
#pragma once

#include "win32/LoadWhenNeeded.h"

namespace probe {

// What Windows XP lacks of what the program asks for where it can.
inline const char* const kXpLacks[] = {"GetFinalPathNameByHandleW", "FindExInfoBasic",
                                       "GetTickCount64", nullptr};

// While it lives, the program finds `names` missing (none: the system's own answers).
class Lacking {
  public:
    explicit Lacking(const char* const* names) { win32::pretendMissing = names; }
    ~Lacking() { win32::pretendMissing = nullptr; }
    Lacking(const Lacking&) = delete;
    Lacking& operator=(const Lacking&) = delete;
};

// The two ways every test of a fallback runs: as on today's Windows, then as on XP.
inline const char* const* const kSystems[] = {nullptr, kXpLacks};

inline const char* SystemName(const char* const* lacks) {
    return lacks ? "as on Windows XP" : "with every function the system has";
}

}  // namespace probe
