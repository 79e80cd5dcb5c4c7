// Where a label's text may be broken: into its lines, into characters, and where a line may
// wrap or be cut short. Text is held as Windows holds it, in UTF-16 units, one to a wchar_t
// (wider on other systems, where each still holds one unit). Widths come from the caller,
// which measures the text as it draws it.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace forms {

// Scripts whose characters decide how text breaks and which fonts write it.
bool IsHan(char32_t c);
bool IsKana(char32_t c);
bool IsHangul(char32_t c);

bool IsHighSurrogate(wchar_t unit);
// A combining mark, or a vowel sign or virama (Indic scripts, Thai, Lao): written on or beside
// the letter before it, with which it may make one character.
bool IsMark(wchar_t unit);
// A unit that belongs with the one before it: the second half of a surrogate pair, a mark, a
// joiner or a variation selector. Text is never split before one.
bool Joins(wchar_t unit);

// The character that starts at s[i], and in `units` how many units of s it takes: two for a
// surrogate pair, one for anything else (a lone surrogate included).
char32_t CharAt(const std::wstring& s, std::size_t i, std::size_t* units);
// A character as the one or two units that hold it.
std::wstring Utf16(char32_t c);
bool HasSurrogates(const std::wstring& s);

// The text's lines, split at CR, LF or CR LF; a break at the very end starts no line.
std::vector<std::wstring> Lines(const std::wstring& text);
// The first line, and whether any text follows it.
std::wstring FirstLine(const std::wstring& text, bool* more);
// Whether the text has more than one line.
bool BreaksLines(const std::wstring& text);

// Below, `ends[i]` is how far the first i units of `text` reach: ends[0] is 0, and there is
// one more entry than units.

// A line wrapped to `width`: each piece as [from, to) in units, trailing spaces left out. A
// line may end after spaces or beside an ideograph; a word wider than `width` is broken where
// it must, keeping at least one character on each piece.
std::vector<std::pair<std::size_t, std::size_t>> Wrap(const std::wstring& text,
                                                      const std::vector<int>& ends, int width);
// How many units of `text` fit within `room`, ending between characters.
std::size_t FittingUnits(const std::wstring& text, const std::vector<int>& ends, int room);

}  // namespace forms
