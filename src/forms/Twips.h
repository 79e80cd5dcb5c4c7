// Twips, the unit every position and size of a form is given in, and their pixels.
#pragma once

#include <cmath>

namespace forms {

constexpr int kTwipsPerInch = 1440;

// Pixels of a twips length on a screen of `dpi` dots per inch, rounded to the nearest pixel
// (at 96 DPI, 15 twips make one pixel).
inline int TwipsToPixels(double twips, int dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

inline double PixelsToTwips(int pixels, int dpi) {
    return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

// Rounded pixel rectangle of a twips rectangle: edges are rounded, not sizes, so that two
// controls that touch in twips also touch in pixels.
struct PixelRect {
    int left, top, width, height;
    bool operator==(const PixelRect&) const = default;
};

inline PixelRect TwipsRectToPixels(double left, double top, double width, double height, int dpi) {
    int l = TwipsToPixels(left, dpi);
    int t = TwipsToPixels(top, dpi);
    return {l, t, TwipsToPixels(left + width, dpi) - l, TwipsToPixels(top + height, dpi) - t};
}

}  // namespace forms
