#include "forms/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

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

// A non-negative whole number in base 10^9, least significant limb first: as many digits as a
// double's exact value needs (hundreds, for the largest and the smallest).
using Limbs = std::vector<std::uint32_t>;
constexpr std::uint32_t kLimb = 1000000000;

Limbs FromInteger(std::uint64_t n) {
    Limbs limbs;
    do {
        limbs.push_back(static_cast<std::uint32_t>(n % kLimb));
        n /= kLimb;
    } while (n != 0);
    return limbs;
}

// limbs *= base^exponent, base 2 or 5, in steps whose product with a limb fits 64 bits.
void MultiplyByPower(Limbs& limbs, std::uint32_t base, int exponent) {
    const int maxStep = base == 2 ? 30 : 13;  // 2^30 and 5^13 are below 2^31
    while (exponent > 0) {
        const int step = std::min(exponent, maxStep);
        exponent -= step;
        std::uint64_t factor = 1;
        for (int i = 0; i < step; ++i) factor *= base;
        std::uint64_t carry = 0;
        for (auto& limb : limbs) {
            const std::uint64_t v = limb * factor + carry;
            limb = static_cast<std::uint32_t>(v % kLimb);
            carry = v / kLimb;
        }
        for (; carry != 0; carry /= kLimb)
            limbs.push_back(static_cast<std::uint32_t>(carry % kLimb));
    }
}

// The decimal digits of `limbs`, at least `width` of them (zeros in front).
std::string Digits(const Limbs& limbs, std::size_t width) {
    std::string out;
    for (auto it = limbs.rbegin(); it != limbs.rend(); ++it) {
        char nine[9];
        std::uint32_t v = *it;
        for (int i = 8; i >= 0; --i, v /= 10) nine[i] = static_cast<char>('0' + v % 10);
        out.append(nine, 9);
    }
    out.erase(0, std::min(out.find_first_not_of('0'), out.size()));
    if (out.size() < width)
        out.insert(0, width - out.size(), '0');
    return out;
}

}  // namespace

std::string FormatFixed(double value, int places) {
    // value = mantissa * 2^exponent, exactly; then its integer part is a whole number and its
    // fraction, mantissa's low bits over 2^k, has exactly k decimals: those bits times 5^k.
    int exponent = 0;
    const double m = std::frexp(std::fabs(value), &exponent);
    std::uint64_t mantissa = static_cast<std::uint64_t>(std::ldexp(m, 53));
    exponent -= 53;
    for (; mantissa != 0 && mantissa % 2 == 0 && exponent < 0; mantissa /= 2) ++exponent;
    if (mantissa == 0)
        exponent = 0;

    std::string integer;
    std::string fraction;
    if (exponent >= 0) {
        Limbs n = FromInteger(mantissa);
        MultiplyByPower(n, 2, exponent);
        integer = Digits(n, 1);
    } else {
        const int k = -exponent;
        const std::uint64_t whole = k < 64 ? mantissa >> k : 0;
        Limbs low = FromInteger(k < 64 ? mantissa - (whole << k) : mantissa);
        MultiplyByPower(low, 5, k);
        integer = Digits(FromInteger(whole), 1);
        fraction = Digits(low, static_cast<std::size_t>(k));
    }

    // Rounded to `places` decimals as printf rounds: to the nearest, a tie to the even digit.
    places = std::max(places, 0);
    const std::size_t kept = static_cast<std::size_t>(places);
    std::string digits = integer + fraction.substr(0, kept);
    digits.append(integer.size() + kept - digits.size(), '0');
    if (fraction.size() > kept) {
        const char next = fraction[kept];
        const bool more = fraction.find_first_not_of('0', kept + 1) != std::string::npos;
        if (next > '5' || (next == '5' && (more || (digits.back() - '0') % 2 == 1)))
            Increment(digits);
    }

    std::string out = std::signbit(value) ? "-" : "";
    out += digits.substr(0, digits.size() - kept);
    if (kept > 0)
        out += '.' + digits.substr(digits.size() - kept);
    return out;
}

std::string FormatNumber(double value, const std::string& picture,
                         const services::NumberSeparators& seps) {
    const Picture p = Parse(picture);
    if (!std::isfinite(value))
        value = 0;

    // The exact decimal digits of the value, with spare places so that the rounding below sees
    // the digit that follows the last one kept.
    const std::string text = FormatFixed(std::fabs(value), p.maxDec + 12);
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

std::string FormatDate(const services::Date& date, const std::string& picture) {
    auto two = [](int v) {
        v = ((v % 100) + 100) % 100;
        return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
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
