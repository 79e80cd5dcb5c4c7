// Functions of DLLs that the program needs only now and then, loaded when first asked for.
// Every DLL in the import table is loaded and initialised before WinMain runs: the common
// controls, the registry's, the shell's and the network's DLLs would lengthen every start-up,
// for what only some runs need.
#pragma once

#include <windows.h>

namespace win32 {

// The function `name` of `dll`, or nullptr when either is missing.
template <class F>
F Later(const wchar_t* dll, const char* name) {
    HMODULE module = LoadLibraryW(dll);
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

}  // namespace win32
