// Stands in for the system-information tool in the Windows tests: writes down where it was
// started from, then ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    HANDLE log = CreateFileW(L"C:\\kelvr-tool-started.txt", FILE_APPEND_DATA, FILE_SHARE_READ,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(log, self, n * sizeof(wchar_t), &written, nullptr);
    WriteFile(log, L"\n", sizeof(wchar_t), &written, nullptr);
    CloseHandle(log);
    return 0;
}
