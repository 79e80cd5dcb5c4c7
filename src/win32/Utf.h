// UTF-8, the portable code's text, to and from UTF-16, the text of Windows' W functions.
#pragma once

#include <string>

namespace win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
// Text in the ANSI code page (what the A functions hand back) as UTF-8.
std::string AnsiToUtf8(const std::string& ansi);
std::string Utf8ToAnsi(const std::string& utf8);

}  // namespace win32
