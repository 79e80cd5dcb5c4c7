// A form's menu bar, its commands (menu items, buttons, Enter and Escape) and its tooltips.
#include "win32/WinForm.h"

#include <commctrl.h>

#include <algorithm>

#include "win32/PeerCommon.h"
#include "win32/Utf.h"

namespace win32 {

using forms::Control;

void WinFormPeer::BuildMenu() {
    if (form_.MenuBar().empty())
        return;
    menu_ = CreateMenu();
    for (const forms::MenuItem* item : form_.MenuBar()) AddMenuItems(menu_, *item);
}

void WinFormPeer::AddMenuItems(HMENU menu, const forms::MenuItem& item) {
    std::wstring caption = Widen(item.Caption());
    if (!item.Items().empty()) {
        HMENU popup = CreatePopupMenu();
        for (const forms::MenuItem* child : item.Items()) AddMenuItems(popup, *child);
        AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), caption.c_str());
        return;
    }
    const int id = nextId_++;
    menuIds_.emplace_back(id, const_cast<forms::MenuItem*>(&item));
    AppendMenuW(menu, MF_STRING | (item.Checked() ? MF_CHECKED : 0), id, caption.c_str());
}

void WinFormPeer::MenuChanged(const forms::MenuItem& item) {
    for (const auto& m : menuIds_)
        if (m.second == &item)
            CheckMenuItem(menu_, m.first,
                          MF_BYCOMMAND | (item.Checked() ? MF_CHECKED : MF_UNCHECKED));
}

// A menu item, a button, Enter or Escape: its handler runs.
void WinFormPeer::OnCommand(int id) {
    std::function<void()> handler;
    if (id == IDOK || id == IDCANCEL) {
        Control* focused = nullptr;
        for (const auto& p : controls_)
            if (p->Window() && p->Window() == GetFocus())
                focused = &p->Model();
        handler = form_.KeyCommand(id == IDOK, focused);
    } else if (auto m = std::find_if(menuIds_.begin(), menuIds_.end(),
                                     [id](const auto& m) { return m.first == id; });
               m != menuIds_.end()) {
        handler = m->second->Click;
    } else {
        for (const auto& p : controls_)
            if (p->Id() == id)
                handler = p->Model().Click;
    }
    // The handler may unload the form, and with it this peer: nothing of it is touched after.
    if (handler)
        handler();
}

// Tab and Shift+Tab go through the buttons and the drawn links (Form::NextStop), Enter and the
// space bar open the link that has the focus; what the form does not take, the dialog manager
// does as usual.
bool WinFormPeer::OnDialogKey(UINT key) {
    auto* link = const_cast<Control*>(FocusedLink());
    if (link && (key == VK_RETURN || key == VK_SPACE)) {
        form_.KeyCommand(true, link)();  // it may unload the form, and this peer with it
        return true;
    }
    if (key != VK_TAB || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0)
        return false;
    const Control* from = link;
    for (const auto& p : controls_)
        if (p->Window() && p->Window() == GetFocus())
            from = &p->Model();
    Control* to = form_.NextStop(from, GetKeyState(VK_SHIFT) < 0);
    const WinControlPeer* next = PeerOf(to);
    if (!next)
        return false;
    // As Tab in a dialog: from now on the focus rectangle shows.
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    if (const WinControlPeer* p = PeerOf(link_))
        Repaint(p->Box());
    link_ = next->Window() ? nullptr : to;
    if (link_) {
        Repaint(next->Box());
        Tell(EVENT_OBJECT_FOCUS, *to);
    }
    SetFocus(link_ ? hwnd_ : next->Window());
    return true;
}

// One tooltip control for the form, a tool for each control with a tip, answering over the
// control's box. The tooltips are made when the mouse first comes over the form (the system
// asks the window under it for its pointer before it passes on the move): a window that is
// never pointed at does without them.
void WinFormPeer::MouseOver() {
    if (tooltip_)
        return;
    host_.LoadCommonControls();
    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, host_.Instance(), nullptr);
    if (!tooltip_)
        return;
    for (auto& [id, tip] : tips_) SendTool(TTM_ADDTOOLW, id, tip);
}

void WinFormPeer::SendTool(UINT message, int id, Tip& tip) const {
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = 0;  // the window hands the tooltips its mouse messages (see OnMessage)
    ti.hwnd = hwnd_;
    ti.uId = static_cast<UINT_PTR>(id);
    ti.rect = tip.rect;
    ti.lpszText = &tip.text[0];
    SendMessageW(tooltip_, message, 0, reinterpret_cast<LPARAM>(&ti));
}

// A control hidden or scrolled away answers nowhere.
void WinFormPeer::SetTip(const WinControlPeer& peer, const std::wstring& text) {
    const RECT rect = peer.Shown() ? peer.Box() : RECT{0, 0, 0, 0};
    auto it = std::find_if(tips_.begin(), tips_.end(),
                           [&peer](const auto& t) { return t.first == peer.Id(); });
    const bool added = it == tips_.end();
    if (added && text.empty())
        return;
    if (added)
        it = tips_.emplace(tips_.end(), peer.Id(), Tip{});
    else if (it->second.text == text && EqualRect(&it->second.rect, &rect))
        return;
    const bool newText = added || it->second.text != text;
    it->second = Tip{text, rect};
    if (tooltip_) {
        // A tool takes its text as it is added: TTM_SETTOOLINFO takes no more than 80
        // characters, and a name cut short may be longer. A new text replaces the tool; a new
        // place only moves it.
        if (newText && !added)
            SendTool(TTM_DELTOOLW, it->first, it->second);
        if (!text.empty())
            SendTool(newText ? TTM_ADDTOOLW : TTM_NEWTOOLRECTW, it->first, it->second);
    }
    if (text.empty())
        tips_.erase(it);
}

}  // namespace win32
