#include "win32/WinServices.h"

#include <windows.h>
#include <winnetwk.h>

#include "win32/Utf.h"

namespace win32 {

forms::Date WinClock::Today() const {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay};
}

namespace {
std::string LocaleText(LCTYPE what, const char* fallback) {
    wchar_t buf[16];
    int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, what, buf, 16);
    if (n <= 1)
        return fallback;
    return Narrow(std::wstring(buf, n - 1));
}
}  // namespace

forms::NumberSeparators WinLocale::Separators() const {
    return {LocaleText(LOCALE_SDECIMAL, "."), LocaleText(LOCALE_STHOUSAND, ",")};
}

std::vector<std::string> WinDrives::Drives() const {
    std::vector<std::string> drives;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i)))
            continue;
        const wchar_t letter = static_cast<wchar_t>(L'a' + i);
        const wchar_t root[] = {letter, L':', L'\\', 0};
        const wchar_t device[] = {letter, L':', 0};
        std::wstring entry(device);
        std::wstring label;
        switch (GetDriveTypeW(root)) {
            case DRIVE_REMOTE: {
                wchar_t share[MAX_PATH + 1];
                DWORD size = MAX_PATH + 1;
                if (WNetGetConnectionW(device, share, &size) == NO_ERROR)
                    label = share;
                break;
            }
            case DRIVE_FIXED:
            case DRIVE_CDROM:
            case DRIVE_RAMDISK: {
                wchar_t name[MAX_PATH + 1];
                if (GetVolumeInformationW(root, name, MAX_PATH + 1, nullptr, nullptr, nullptr,
                                          nullptr, 0))
                    label = name;
                break;
            }
            default:
                break;
        }
        if (!label.empty())
            entry += L" [" + label + L"]";
        drives.push_back(Narrow(entry));
    }
    return drives;
}

kelvr::DiskFigures WinDiskQuery::Query(const std::string& root) {
    DWORD spc = 0, bps = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(root.c_str(), &spc, &bps, &freeClusters, &totalClusters))
        return {};
    return {spc, bps, freeClusters, totalClusters};
}

}  // namespace win32
