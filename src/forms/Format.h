// Number and date formatting with picture patterns, as the forms' Format writes them.
#pragma once

#include <string>

#include "services/Clock.h"
#include "services/Locale.h"

namespace forms {

// Formats `value` with a picture such as "###,##0.00": '0' is a digit always written, '#' a
// digit written only when significant, ',' in the integer part asks for thousands grouping,
// '.' marks the decimals. Separators are the user's. Rounds half away from zero; a value that
// needs more integer digits than the picture has is written with all of them.
std::string FormatNumber(double value, const std::string& picture,
                         const services::NumberSeparators& seps);

// A finite `value` with `places` decimals, exactly as printf's "%.*f" writes it in the C locale:
// every digit exact, rounded to the nearest, a tie to the even digit. (Worked out here: MinGW's
// printf brings a floating-point library of its own into the exe for this one use.)
std::string FormatFixed(double value, int places);

// Formats a date with a picture of "dd", "mm", "yy" and "yyyy"; other characters stand as they
// are.
std::string FormatDate(const services::Date& date, const std::string& picture);

}  // namespace forms
