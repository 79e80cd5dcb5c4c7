// What is known of the fonts: which character sets' fonts write a character, which faces write
// the scripts no character set names, and which characters past the 16-bit range a font has
// (as its own tables say).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace forms {

// The character sets whose fonts write `c`, the likeliest first, by Windows' numbers for them
// (GREEK_CHARSET is 161, ...): asked for a set, the system's font mapper picks a font that has
// it, as Windows does for the programs of each language. Han characters are written by the
// fonts of four languages: that of `codePage`, the system's ANSI code page, comes first.
std::vector<unsigned char> CharsetsFor(char32_t c, unsigned codePage);

// The Windows fonts that cover the scripts no character set names, newest first. A name the
// system does not have maps to another font, which is kept only if it has the character.
inline constexpr const wchar_t* kFallbackFaces[] = {
    L"Segoe UI",
    L"Nirmala UI",
    L"Segoe UI Emoji",
    L"Segoe UI Symbol",
    L"Segoe UI Historic",
    L"Ebrima",
    L"Leelawadee UI",
    L"Gadugi",
    L"Myanmar Text",
    L"Microsoft Himalaya",
    L"Mongolian Baiti",
    L"Microsoft Yi Baiti",
    L"Microsoft Tai Le",
    L"Sylfaen",
    L"Arial Unicode MS",
    L"Microsoft Sans Serif",
    L"Tahoma",
    // Han characters past the 16-bit range (extension B and on), which the fonts of the
    // Chinese, Japanese and Korean character sets leave to these.
    L"SimSun-ExtB",
    L"MingLiU-ExtB",
};

// The outline faces Windows made to match its bitmap faces, likeliest first, for a bitmap face
// whose TEXTMETRIC's tmPitchAndFamily is `pitchAndFamily`: its family (the high four bits)
// roman or modern, or else taken for Swiss (MS Sans Serif's).
std::span<const wchar_t* const> ScalableTwins(unsigned char pitchAndFamily);

// Characters past the 16-bit range that a font has, from first to last, and the glyph of the
// first.
struct WideRange {
    char32_t first, last;
    std::uint32_t glyph;
};

// The ranges of a font's character map (its 'cmap' table, as stored), from its table of 32-bit
// character ranges (format 12) under Windows' full-repertoire encoding or Unicode's; none for a
// font without one, or a table cut short.
std::vector<WideRange> ReadWideRanges(const std::vector<unsigned char>& cmap);

}  // namespace forms
