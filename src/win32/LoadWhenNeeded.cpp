#include "win32/LoadWhenNeeded.h"

#include <cwchar>

namespace win32 {

// The system's DLL `dll`, loaded. A DLL named alone is looked for in the program's own folder
// first, where a file of that name put by someone else would be loaded in the system's place:
// so it is loaded from the system's folder. The common controls are the exception: named alone,
// they are the version the manifest asks for, found in the side-by-side store before any folder.
HMODULE LoadSystemDll(const wchar_t* dll) {
    if (_wcsicmp(dll, L"comctl32.dll") == 0)
        return LoadLibraryW(dll);
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    const size_t name = wcslen(dll);
    if (length == 0 || length + 1 + name >= MAX_PATH)
        return nullptr;
    path[length] = L'\\';
    std::wmemcpy(path + length + 1, dll, name + 1);
    // What the DLL loads in turn is looked for from the system's folder too, not from the
    // program's.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace win32
