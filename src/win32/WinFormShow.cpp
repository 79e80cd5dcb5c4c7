// A form's first show: its controls' windows made at once, and the whole form drawn through one
// DC, with the z-order the making gave them.
#include "win32/WinForm.h"

#include <algorithm>

namespace win32 {

using forms::Control;
using forms::Kind;

// Until the form first shows, its controls' windows wait: Form_Load loads and fills the rows,
// and each window is then made once, as it first shows, instead of being made and then changed.
// They are made in the controls' order, which is the tab order, and those brought to the front
// meanwhile are brought there again in turn.
void WinFormPeer::MakeControlWindows() {
    for (WinControlPeer* p : order_) p->MakeWindow();
    std::vector<WinControlPeer*> fronts;
    for (WinControlPeer* p : order_)
        if (p->Front())
            fronts.push_back(p);
    std::sort(fronts.begin(), fronts.end(), [](const WinControlPeer* a, const WinControlPeer* b) {
        return a->Front() < b->Front();
    });
    for (WinControlPeer* p : fronts) p->BringToFront();
}

// The form's first show. Shown the usual way, the window would have the system erase and paint
// each control's window in turn, each through a DC and calls to the window server of its own,
// with some thirty controls in the main window. Instead the window is shown without a redraw,
// its frame and background are drawn at once, and then every control through one DC of the
// form's, from the bottom of the z-order up. Nothing is left to paint.
void WinFormPeer::ShowAndDraw() {
    SendMessageW(hwnd_, WM_SHOWWINDOW, TRUE, 0);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    HDC dc = GetDCEx(hwnd_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);  // over the controls
    if (!dc) {
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        return;
    }
    DrawControls(dc, nullptr);
    ReleaseDC(hwnd_, dc);
}

// Draws the shown controls held by `container` (nullptr: the form itself) into the form's
// `dc`, from the bottom of the z-order up, each clipped to its window, and containers before
// what they hold. The windows were all just made, each below those made before it, and those
// brought to the front then raised in turn: their z-order is known here without asking the
// system for it (under Wine each question is a call to its server).
// Push buttons, which the system draws, are left to paint themselves, as after a plain show.
void WinFormPeer::DrawControls(HDC dc, const Control* container) {
    std::vector<WinControlPeer*> bottomUp;
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
        if (!(*it)->Front() && (*it)->Model().Container() == container)
            bottomUp.push_back(*it);
    const std::size_t raised = bottomUp.size();
    for (WinControlPeer* p : made_)
        if (p->Front() && p->Model().Container() == container)
            bottomUp.push_back(p);
    std::sort(
        bottomUp.begin() + raised, bottomUp.end(),
        [](const WinControlPeer* a, const WinControlPeer* b) { return a->Front() < b->Front(); });
    for (WinControlPeer* p : bottomUp) {
        const HWND w = p->Window();
        if (!w || !(GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE))
            continue;
        if (p->Model().kind() == Kind::Button) {
            RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
            continue;
        }
        RECT r;
        GetClientRect(w, &r);
        POINT origin{0, 0};
        MapWindowPoints(w, hwnd_, &origin, 1);
        const int saved = SaveDC(dc);
        SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
        IntersectClipRect(dc, 0, 0, r.right, r.bottom);
        SendMessageW(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        DrawControls(dc, &p->Model());
        RestoreDC(dc, saved);
    }
}

void WinFormPeer::Made(WinControlPeer& peer) {
    made_.push_back(&peer);
}

}  // namespace win32
