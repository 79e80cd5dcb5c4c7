// A form's rows scrolled by its scroll bar, the wheel and the keys.
#include "win32/WinForm.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace win32 {

// The bar counts in rows (the form's scroll steps): its page is the rows the client area
// holds below the controls that stay; the system hides it when there is nothing to scroll.
void WinFormPeer::UpdateScrollBar() {
    if (!hwnd_ || !form_.Scrolls())
        return;
    const double step = form_.ScrollStep();
    const int page = PageRows();
    const int last = static_cast<int>(std::lround(form_.ScrollMax() / step));
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = last + page - 1;
    si.nPage = static_cast<UINT>(page);
    si.nPos = static_cast<int>(std::lround(form_.ScrollTop() / step));
    if (si.nMax == bar_.nMax && si.nPage == bar_.nPage && si.nPos == bar_.nPos)
        return;
    bar_ = si;
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
}

// Scrolls by `rows` rows (up when negative).
void WinFormPeer::ScrollRows(int rows) {
    form_.ScrollTo(form_.ScrollTop() + rows * form_.ScrollStep());
}

int WinFormPeer::PageRows() const {
    return std::max(
        1, static_cast<int>((form_.ClientHeight() - form_.ScrollAreaTop()) / form_.ScrollStep()));
}

// The keys do what the bar's arrows, page areas and ends do.
bool WinFormPeer::ScrollKey(UINT key) {
    if (!form_.Scrolls())
        return false;
    const std::pair<UINT, int> keys[] = {{VK_UP, SB_LINEUP},    {VK_DOWN, SB_LINEDOWN},
                                         {VK_PRIOR, SB_PAGEUP}, {VK_NEXT, SB_PAGEDOWN},
                                         {VK_HOME, SB_TOP},     {VK_END, SB_BOTTOM}};
    for (const auto& k : keys)
        if (k.first == key) {
            ScrollBar(k.second);
            return true;
        }
    return false;
}

// `request`: what the bar asks for (SB_LINEUP, SB_THUMBTRACK, ...).
void WinFormPeer::ScrollBar(int request) {
    switch (request) {
        case SB_LINEUP:
            ScrollRows(-1);
            break;
        case SB_LINEDOWN:
            ScrollRows(1);
            break;
        case SB_PAGEUP:
            ScrollRows(-PageRows());
            break;
        case SB_PAGEDOWN:
            ScrollRows(PageRows());
            break;
        case SB_TOP:
            form_.ScrollTo(0);
            break;
        case SB_BOTTOM:
            form_.ScrollTo(form_.ScrollMax());
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si{};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(hwnd_, SB_VERT, &si);
            form_.ScrollTo(si.nTrackPos * form_.ScrollStep());
            break;
        }
        default:
            break;
    }
}

// A notch of the wheel scrolls a row (a row is about as high as the three lines of text a
// notch scrolls elsewhere); finer wheels add up to a notch first.
void WinFormPeer::Wheel(int delta) {
    if (!form_.Scrolls())
        return;
    wheel_ += delta;
    const int rows = wheel_ / WHEEL_DELTA;
    wheel_ -= rows * WHEEL_DELTA;
    ScrollRows(-rows);
}

}  // namespace win32
