#include "forms/TextBreaks.h"

#include <algorithm>

namespace forms {

namespace {

bool Between(char32_t c, char32_t low, char32_t high) {
    return c >= low && c <= high;
}

// Text of these scripts may break between any two characters.
bool IsIdeographic(char32_t c) {
    return IsHan(c) || IsKana(c) || IsHangul(c);
}

// Whether a line may end before unit `at`: after spaces, or beside an ideograph.
bool BreakBefore(const std::wstring& s, std::size_t at) {
    if (at >= s.size())
        return true;
    if (at == 0 || s[at] == L' ' || Joins(s[at]))
        return false;
    return s[at - 1] == L' ' || IsIdeographic(s[at - 1]) || IsIdeographic(s[at]);
}

}  // namespace

// Han characters past the 16-bit range (extensions B and later) are Han too: lines break at
// them, and the fonts of the languages that write Han are tried for them first (some have a
// few; the rest are in fonts of their own, which the list of Windows fonts names).
bool IsHan(char32_t c) {
    return Between(c, 0x2E80, 0x2FFF) || Between(c, 0x3000, 0x303F) || Between(c, 0x3400, 0x4DBF) ||
           Between(c, 0x4E00, 0x9FFF) || Between(c, 0xF900, 0xFAFF) || Between(c, 0xFF00, 0xFFEF) ||
           Between(c, 0x20000, 0x3FFFF);
}

bool IsKana(char32_t c) {
    return Between(c, 0x3040, 0x30FF) || Between(c, 0x31F0, 0x31FF);
}

bool IsHangul(char32_t c) {
    return Between(c, 0x1100, 0x11FF) || Between(c, 0x3130, 0x318F) || Between(c, 0xAC00, 0xD7AF);
}

bool IsHighSurrogate(wchar_t unit) {
    return Between(unit, 0xD800, 0xDBFF);
}

namespace {
// A vowel sign, virama or other sign written on or beside its letter, in the scripts of India
// (Devanagari to Malayalam, whose blocks put their signs in the same places), Sinhala, Thai or
// Lao. (Taken by where the blocks put them: a letter or two that stand there join too, which
// only keeps a line from breaking before them.)
bool IsSign(char32_t c) {
    if (Between(c, 0x0900, 0x0D7F)) {
        const char32_t at = c & 0x7F;
        return at <= 0x03 || Between(at, 0x3A, 0x3C) || Between(at, 0x3E, 0x4F) ||
               Between(at, 0x51, 0x57) || Between(at, 0x62, 0x63);
    }
    return Between(c, 0x0D81, 0x0D83) || c == 0x0DCA || Between(c, 0x0DCF, 0x0DDF) ||
           Between(c, 0x0DF2, 0x0DF3) || c == 0x0E31 || Between(c, 0x0E34, 0x0E3A) ||
           Between(c, 0x0E47, 0x0E4E) || c == 0x0EB1 || Between(c, 0x0EB4, 0x0EBC) ||
           Between(c, 0x0EC8, 0x0ECD);
}
}  // namespace

bool IsMark(wchar_t unit) {
    const char32_t c = static_cast<char32_t>(unit);
    return Between(c, 0x0300, 0x036F) || Between(c, 0x1AB0, 0x1AFF) || Between(c, 0x1DC0, 0x1DFF) ||
           Between(c, 0x20D0, 0x20FF) || Between(c, 0xFE20, 0xFE2F) || IsSign(c);
}

bool Joins(wchar_t unit) {
    const char32_t c = static_cast<char32_t>(unit);
    return Between(c, 0xDC00, 0xDFFF) || IsMark(unit) || Between(c, 0xFE00, 0xFE0F) ||
           c == 0x200C || c == 0x200D;
}

char32_t CharAt(const std::wstring& s, std::size_t i, std::size_t* units) {
    const char32_t c = static_cast<char32_t>(s[i]);
    if (IsHighSurrogate(s[i]) && i + 1 < s.size() && Between(s[i + 1], 0xDC00, 0xDFFF)) {
        *units = 2;
        return 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(s[i + 1]) - 0xDC00);
    }
    *units = 1;
    return c;
}

std::wstring Utf16(char32_t c) {
    if (c < 0x10000)
        return std::wstring(1, static_cast<wchar_t>(c));
    c -= 0x10000;
    return {static_cast<wchar_t>(0xD800 + (c >> 10)), static_cast<wchar_t>(0xDC00 + (c & 0x3FF))};
}

bool HasSurrogates(const std::wstring& s) {
    return std::any_of(s.begin(), s.end(), IsHighSurrogate);
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' || text[i] == L'\n') {
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    if (lines.size() > 1 && lines.back().empty())
        lines.pop_back();
    return lines;
}

std::wstring FirstLine(const std::wstring& text, bool* more) {
    const std::size_t end = text.find_first_of(L"\r\n");
    if (end == std::wstring::npos) {
        *more = false;
        return text;
    }
    *more = text.find_first_not_of(L"\r\n", end) != std::wstring::npos;
    return text.substr(0, end);
}

bool BreaksLines(const std::wstring& text) {
    const std::size_t last = text.find_last_not_of(L"\r\n");
    return last != std::wstring::npos && text.find_first_of(L"\r\n") < last;
}

std::vector<std::pair<std::size_t, std::size_t>> Wrap(const std::wstring& s,
                                                      const std::vector<int>& ends, int width) {
    std::vector<std::pair<std::size_t, std::size_t>> lines;
    const std::size_t n = s.size();
    std::size_t start = 0;
    do {
        // The furthest break at which the line, its trailing spaces left out, fits.
        std::size_t next = 0, end = 0;
        for (std::size_t at = start + 1; at <= n; ++at) {
            if (!BreakBefore(s, at))
                continue;
            std::size_t e = at;
            while (e > start && s[e - 1] == L' ') --e;
            if (ends[e] - ends[start] > width)
                break;
            next = at;
            end = e;
        }
        if (next != 0 && end == start && (next < n || !lines.empty())) {
            start = next;  // blanks alone make no line, but of a text of nothing else
            continue;
        }
        if (next == 0) {
            // Not one word fits: as much of it as fits, at least one character.
            next = start + 1;
            while (next < n && Joins(s[next])) ++next;
            for (std::size_t at = next + 1; at <= n; ++at) {
                if (at < n && Joins(s[at]))
                    continue;
                if (ends[at] - ends[start] > width)
                    break;
                next = at;
            }
            end = next;
        }
        lines.emplace_back(start, end);
        start = next;
    } while (start < n);
    return lines;
}

std::size_t FittingUnits(const std::wstring& text, const std::vector<int>& ends, int room) {
    std::size_t keep = 0;
    for (std::size_t at = 1; at <= text.size(); ++at) {
        if (at < text.size() && Joins(text[at]))
            continue;
        if (ends[at] > room)
            break;
        keep = at;
    }
    return keep;
}

}  // namespace forms
