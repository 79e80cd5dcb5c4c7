// Functions of DLLs that the program needs only now and then, loaded when first asked for.
// Every DLL in the import table is loaded and initialised before WinMain runs: under Wine the
// common controls and the registry's DLL cost some 10 to 15 ms of a start-up of about 150, the
// shell's and the network's more again.
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
