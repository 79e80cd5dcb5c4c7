#include "win32/Utf.h"

#include <windows.h>

namespace win32 {

namespace {
std::wstring ToWide(const std::string& s, UINT codePage) {
    if (s.empty())
        return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

std::string FromWide(const std::wstring& w, UINT codePage) {
    if (w.empty())
        return std::string();
    int n = WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr,
                        nullptr);
    return s;
}
}  // namespace

std::wstring Widen(const std::string& utf8) {
    return ToWide(utf8, CP_UTF8);
}
std::string Narrow(const std::wstring& utf16) {
    return FromWide(utf16, CP_UTF8);
}
std::string AnsiToUtf8(const std::string& ansi) {
    return Narrow(ToWide(ansi, CP_ACP));
}
std::string Utf8ToAnsi(const std::string& utf8) {
    return FromWide(Widen(utf8), CP_ACP);
}

}  // namespace win32
