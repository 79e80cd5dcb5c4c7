// Functions of DLLs that the program needs only now and then, loaded when first asked for.
// Every DLL in the import table is loaded and initialised before WinMain runs: the common
// controls, the registry's, the shell's and the network's DLLs would lengthen every start-up,
// for what only some runs need. A function that not every Windows has is found here too, so
// that the program still loads where it is missing and takes its fallback there.
#pragma once

#include <windows.h>

#include <cstring>

namespace win32 {

// For the tests only: a null-terminated list of names that the program then finds missing, as
// on an older Windows, so that each fallback runs where every function is there. The program
// itself never sets it.
inline const char* const* pretendMissing = nullptr;

// True when the tests pretend that the system lacks `name`.
inline bool PretendedMissing(const char* name) {
    for (const char* const* n = pretendMissing; n && *n; ++n)
        if (std::strcmp(*n, name) == 0)
            return true;
    return false;
}

// The system's DLL `dll`, loaded from the system's folder (see LoadWhenNeeded.cpp).
HMODULE LoadSystemDll(const wchar_t* dll);

// The function `name` of the system's `dll`, loaded now (the caller asks when it first needs it
// and keeps it), or nullptr when either is missing.
template <class F>
F LoadWhenNeeded(const wchar_t* dll, const char* name) {
    if (PretendedMissing(name))
        return nullptr;
    HMODULE module = LoadSystemDll(dll);
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

}  // namespace win32
