// A form's rows scrolled by its scroll bar, the wheel and the keys.
#include "win32/WinForm.h"

#include <utility>

namespace win32 {

// The bar counts in rows (the form's scroll steps); the system hides it when there is nothing to
// scroll.
void WinFormPeer::UpdateScrollBar() {
    if (!hwnd_ || !form_.Scrolls())
        return;
    const forms::Form::ScrollBarSteps bar = form_.ScrollBar();
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = bar.max;
    si.nPage = static_cast<UINT>(bar.page);
    si.nPos = bar.pos;
    if (si.nMax == bar_.nMax && si.nPage == bar_.nPage && si.nPos == bar_.nPos)
        return;
    bar_ = si;
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
}

// The keys do what the bar's arrows, page areas and ends do.
bool WinFormPeer::ScrollKey(UINT key) {
    using By = forms::Form::ScrollBy;
    const std::pair<UINT, By> keys[] = {{VK_UP, By::LineUp},    {VK_DOWN, By::LineDown},
                                        {VK_PRIOR, By::PageUp}, {VK_NEXT, By::PageDown},
                                        {VK_HOME, By::Top},     {VK_END, By::Bottom}};
    for (const auto& k : keys)
        if (k.first == key && form_.Scrolls()) {
            form_.Scroll(k.second);
            return true;
        }
    return false;
}

// `request`: what the bar asks for (SB_LINEUP, SB_THUMBTRACK, ...).
void WinFormPeer::ScrollBar(int request) {
    using By = forms::Form::ScrollBy;
    const std::pair<int, By> requests[] = {{SB_LINEUP, By::LineUp}, {SB_LINEDOWN, By::LineDown},
                                           {SB_PAGEUP, By::PageUp}, {SB_PAGEDOWN, By::PageDown},
                                           {SB_TOP, By::Top},       {SB_BOTTOM, By::Bottom}};
    for (const auto& r : requests)
        if (r.first == request)
            form_.Scroll(r.second);
    if (request == SB_THUMBTRACK || request == SB_THUMBPOSITION) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        GetScrollInfo(hwnd_, SB_VERT, &si);
        form_.ScrollTo(si.nTrackPos * form_.ScrollStep());
    }
}

static_assert(WHEEL_PAGESCROLL == forms::Form::kWheelPage && WHEEL_DELTA == 120);

void WinFormPeer::Wheel(int delta) {
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    form_.Wheel(delta, lines);
}

}  // namespace win32
