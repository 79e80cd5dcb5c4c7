#include "forms/Format.h"

#include <cmath>
#include <cstdio>

namespace forms {

namespace {

struct Picture {
    int minInt = 0;  // integer digits always written
    bool grouped = false;
    int minDec = 0;  // decimals always written
    int maxDec = 0;  // decimals written at most
};

Picture Parse(const std::string& picture) {
    Picture p;
    bool decimals = false;
    for (char c : picture) {
        if (c == '.') {
            decimals = true;
        } else if (!decimals) {
            if (c == '0')
                ++p.minInt;
            if (c == ',')
                p.grouped = true;
        } else if (c == '0' || c == '#') {
            ++p.maxDec;
            if (c == '0')
                p.minDec = p.maxDec;
        }
    }
    return p;
}

// Adds one unit in the last place of a string of decimal digits.
void Increment(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

}  // namespace

std::string FormatNumber(double value, const std::string& picture, const NumberSeparators& seps) {
    const Picture p = Parse(picture);
    if (!std::isfinite(value))
        value = 0;

    // The exact decimal digits of the value, with spare places so that the rounding below sees
    // the digit that follows the last one kept.
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", p.maxDec + 12, std::fabs(value));
    std::string text(buf);
    const std::size_t point = text.find('.');
    std::string digits = text.substr(0, point) + text.substr(point + 1, p.maxDec);
    const bool roundUp = text[point + 1 + p.maxDec] >= '5';
    if (roundUp)
        Increment(digits);

    std::string intPart = digits.substr(0, digits.size() - p.maxDec);
    std::string decPart = digits.substr(digits.size() - p.maxDec);
    while (static_cast<int>(decPart.size()) > p.minDec && decPart.back() == '0') decPart.pop_back();
    intPart.erase(0, std::min(intPart.find_first_not_of('0'), intPart.size()));
    if (static_cast<int>(intPart.size()) < p.minInt)
        intPart.insert(0, p.minInt - intPart.size(), '0');

    std::string out;
    const bool zero = intPart.find_first_not_of('0') == std::string::npos &&
                      decPart.find_first_not_of('0') == std::string::npos;
    if (value < 0 && !zero)
        out += '-';
    for (std::size_t i = 0; i < intPart.size(); ++i) {
        if (p.grouped && i > 0 && (intPart.size() - i) % 3 == 0)
            out += seps.thousands;
        out += intPart[i];
    }
    if (!decPart.empty())
        out += seps.decimal + decPart;
    return out;
}

std::string FormatDate(const Date& date, const std::string& picture) {
    auto two = [](int v) {
        char b[8];
        std::snprintf(b, sizeof b, "%02d", ((v % 100) + 100) % 100);
        return std::string(b);
    };
    std::string out;
    for (std::size_t i = 0; i < picture.size();) {
        if (picture.compare(i, 4, "yyyy") == 0) {
            out += std::to_string(date.year);
            i += 4;
        } else if (picture.compare(i, 2, "yy") == 0) {
            out += two(date.year);
            i += 2;
        } else if (picture.compare(i, 2, "dd") == 0) {
            out += two(date.day);
            i += 2;
        } else if (picture.compare(i, 2, "mm") == 0) {
            out += two(date.month);
            i += 2;
        } else {
            out += picture[i++];
        }
    }
    return out;
}

}  // namespace forms
