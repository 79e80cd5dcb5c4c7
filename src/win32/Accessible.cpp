#include "win32/Accessible.h"

#include <ole2.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "forms/Accessible.h"
#include "win32/Later.h"
#include "win32/Utf.h"
#include "win32/WinControl.h"
#include "win32/WinForm.h"

namespace win32 {

namespace {

// The accessibility and automation libraries: a program that no screen reader asks about
// never loads them.
struct Libraries {
    LPFNLRESULTFROMOBJECT lresultFromObject = nullptr;
    LPFNCREATESTDACCESSIBLEOBJECT createStdAccessibleObject = nullptr;
    BSTR(WINAPI* sysAllocString)(const OLECHAR*) = nullptr;
    bool Loaded() const { return lresultFromObject && createStdAccessibleObject && sysAllocString; }
};

const Libraries& Libs() {
    static const Libraries libs = [] {
        // The objects are handed to other processes through COM, on the windows' thread: its
        // apartment is a single-threaded one, as the shell's calls want it too.
        using Initialize = HRESULT(WINAPI*)(void*, DWORD);
        if (const auto init = Later<Initialize>(L"ole32.dll", "CoInitializeEx"))
            init(nullptr, COINIT_APARTMENTTHREADED);
        Libraries l;
        l.lresultFromObject = Later<LPFNLRESULTFROMOBJECT>(L"oleacc.dll", "LresultFromObject");
        l.createStdAccessibleObject =
            Later<LPFNCREATESTDACCESSIBLEOBJECT>(L"oleacc.dll", "CreateStdAccessibleObject");
        l.sysAllocString = Later<BSTR(WINAPI*)(const OLECHAR*)>(L"oleaut32.dll", "SysAllocString");
        return l;
    }();
    return libs;
}

// The form's peer and, for a control's window, the control's, that a window belongs to; none
// for a window that is not the program's own (a push button) or that is gone.
struct Owner {
    WinFormPeer* form = nullptr;
    WinControlPeer* control = nullptr;
};

Owner OwnerOf(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd))
        return {};
    HWND top = hwnd;
    while (top && (GetWindowLongW(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
    wchar_t cls[16] = L"";
    GetClassNameW(top, cls, 16);
    if (lstrcmpW(cls, L"KelvrForm") != 0)
        return {};
    auto* form = reinterpret_cast<WinFormPeer*>(GetWindowLongPtrW(top, GWLP_USERDATA));
    if (!form || top == hwnd)
        return {form, nullptr};
    WinControlPeer* control = form->PeerOfWindow(hwnd);
    return control ? Owner{form, control} : Owner{};
}

LONG RoleOf(forms::Role role) {
    switch (role) {
        case forms::Role::ColumnHeader:
            return ROLE_SYSTEM_COLUMNHEADER;
        case forms::Role::ProgressBar:
            return ROLE_SYSTEM_PROGRESSBAR;
        case forms::Role::Indicator:
            return ROLE_SYSTEM_INDICATOR;
        case forms::Role::Link:
            return ROLE_SYSTEM_LINK;
        case forms::Role::Graphic:
            return ROLE_SYSTEM_GRAPHIC;
        case forms::Role::Button:
            return ROLE_SYSTEM_PUSHBUTTON;
        case forms::Role::Grouping:
            return ROLE_SYSTEM_GROUPING;
        case forms::Role::Separator:
            return ROLE_SYSTEM_SEPARATOR;
        default:
            return ROLE_SYSTEM_STATICTEXT;
    }
}

// A text for the caller, who frees it; none (S_FALSE) for an empty one.
HRESULT Give(const std::string& text, BSTR* out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    *out = Libs().sysAllocString(Widen(text).c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

bool IsSelf(const VARIANT& v) {
    return v.vt == VT_I4 && v.lVal == CHILDID_SELF;
}

VARIANT Self() {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

// The object of a form's or a control's window. It holds nothing but the window: each question
// finds the control as it stands then, and a window that has gone answers that it has.
// What every window says alike (its place, its state, what has the focus) comes from the
// system's own object for the window.
class WindowObject final : public IAccessible {
  public:
    explicit WindowObject(HWND hwnd) : hwnd_(hwnd) {
        Libs().createStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&system_));
    }
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    // The object of a child window: the program's own for a control, the system's for a push
    // button. Null when there is none.
    static IAccessible* Of(HWND hwnd) {
        if (OwnerOf(hwnd).form)
            return new WindowObject(hwnd);
        IAccessible* system = nullptr;
        Libs().createStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&system));
        return system;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&refs_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: the accessibility clients call the interface's methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible: the tree.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        const Owner owner = OwnerOf(hwnd_);
        if (!owner.form)
            return RPC_E_DISCONNECTED;
        if (owner.control) {  // its frame's, picture box's or form's window
            *out = Of(GetParent(hwnd_));
            return *out ? S_OK : S_FALSE;
        }
        return system_ ? system_->get_accParent(out) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count)
            return E_POINTER;
        *count = static_cast<long>(Children().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        const HWND w = ChildAt(child);
        if (!w)
            return E_INVALIDARG;
        *out = Of(w);
        return *out ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override {
        if (!end)
            return E_POINTER;
        end->vt = VT_EMPTY;
        HWND to = nullptr;
        if (IsSelf(start) && (dir == NAVDIR_FIRSTCHILD || dir == NAVDIR_LASTCHILD)) {
            const std::vector<HWND> children = Children();
            if (!children.empty())
                to = dir == NAVDIR_FIRSTCHILD ? children.front() : children.back();
        } else if (dir == NAVDIR_NEXT || dir == NAVDIR_PREVIOUS) {
            // Among the siblings in reading order: a child's, or this window's among its
            // parent's.
            HWND from = IsSelf(start) ? hwnd_ : ChildAt(start);
            const std::vector<HWND> siblings =
                IsSelf(start) ? ChildrenOf(GetParent(hwnd_)) : Children();
            for (std::size_t i = 0; from && i < siblings.size(); ++i)
                if (siblings[i] == from) {
                    if (dir == NAVDIR_NEXT && i + 1 < siblings.size())
                        to = siblings[i + 1];
                    if (dir == NAVDIR_PREVIOUS && i > 0)
                        to = siblings[i - 1];
                }
            if (!to && IsSelf(start) && !OwnerOf(hwnd_).control && system_)
                return system_->accNavigate(dir, start, end);  // a form among the windows
        } else if (system_ && IsSelf(start)) {
            return system_->accNavigate(dir, start, end);  // up, down, left, right
        }
        if (!to)
            return S_FALSE;
        end->vt = VT_DISPATCH;
        end->pdispVal = Of(to);
        return end->pdispVal ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
        return system_ ? system_->accHitTest(x, y, out) : E_FAIL;
    }

    // IAccessible: what the control is. A form says what the system says of its window.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        if (!IsSelf(child))
            return ForChild(child, [&](IAccessible* a) { return a->get_accName(Self(), out); });
        const Owner owner = OwnerOf(hwnd_);
        if (!owner.control)
            return AskSystem([&] { return system_->get_accName(child, out); }, owner);
        return Give(forms::Describe(owner.control->Model()).name, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        if (!IsSelf(child))
            return ForChild(child, [&](IAccessible* a) { return a->get_accValue(Self(), out); });
        const Owner owner = OwnerOf(hwnd_);
        if (!owner.control)
            return AskSystem([&] { return system_->get_accValue(child, out); }, owner);
        return Give(forms::Describe(owner.control->Model()).value, out);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        if (!IsSelf(child))
            return ForChild(child,
                            [&](IAccessible* a) { return a->get_accDescription(Self(), out); });
        const Owner owner = OwnerOf(hwnd_);
        if (!owner.control)
            return AskSystem([&] { return system_->get_accDescription(child, out); }, owner);
        return Give(forms::Describe(owner.control->Model()).description, out);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        if (!out)
            return E_POINTER;
        if (!IsSelf(child))
            return ForChild(child, [&](IAccessible* a) { return a->get_accRole(Self(), out); });
        const Owner owner = OwnerOf(hwnd_);
        if (!owner.control)
            return AskSystem([&] { return system_->get_accRole(child, out); }, owner);
        out->vt = VT_I4;
        out->lVal = RoleOf(forms::Describe(owner.control->Model()).role);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        if (!out)
            return E_POINTER;
        if (!IsSelf(child))
            return ForChild(child, [&](IAccessible* a) { return a->get_accState(Self(), out); });
        const Owner owner = OwnerOf(hwnd_);
        if (!owner.form)
            return RPC_E_DISCONNECTED;
        out->vt = VT_EMPTY;
        if (system_)
            system_->get_accState(child, out);
        if (out->vt != VT_I4) {
            out->vt = VT_I4;
            out->lVal = IsWindowVisible(hwnd_) ? 0 : STATE_SYSTEM_INVISIBLE;
        }
        if (owner.control) {
            const forms::Role role = forms::Describe(owner.control->Model()).role;
            if (role == forms::Role::Link)
                out->lVal |= STATE_SYSTEM_LINKED;
            else if (role != forms::Role::ColumnHeader)
                out->lVal |= STATE_SYSTEM_READONLY;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        if (!IsSelf(child))
            return ForChild(
                child, [&](IAccessible* a) { return a->get_accKeyboardShortcut(Self(), out); });
        const Owner owner = OwnerOf(hwnd_);
        if (!owner.control)
            return AskSystem([&] { return system_->get_accKeyboardShortcut(child, out); }, owner);
        return Give(forms::Describe(owner.control->Model()).shortcut, out);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        if (!IsSelf(child))
            return ForChild(child,
                            [&](IAccessible* a) { return a->get_accDefaultAction(Self(), out); });
        const Owner owner = OwnerOf(hwnd_);
        if (!owner.control)
            return AskSystem([&] { return system_->get_accDefaultAction(child, out); }, owner);
        return Give(forms::Describe(owner.control->Model()).defaultAction, out);
    }
    // The action runs once the caller has its answer, from the windows' message loop: it may
    // open a modal window (the credit line does), which must not keep a screen reader waiting.
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!IsSelf(child))
            return ForChild(child, [&](IAccessible* a) { return a->accDoDefaultAction(Self()); });
        const Owner owner = OwnerOf(hwnd_);
        if (!owner.control)
            return AskSystem([&] { return system_->accDoDefaultAction(child); }, owner);
        if (forms::Describe(owner.control->Model()).defaultAction.empty())
            return DISP_E_MEMBERNOTFOUND;
        const HWND hwnd = hwnd_;
        owner.form->Host().Post([hwnd] {
            if (WinControlPeer* control = OwnerOf(hwnd).control)
                forms::DoDefaultAction(control->Model());
        });
        return S_OK;
    }

    // IAccessible: what the system knows of every window.
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
        return system_ ? system_->get_accHelp(child, out) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return system_ ? system_->get_accHelpTopic(file, child, topic) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        return system_ ? system_->get_accFocus(out) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        return system_ ? system_->get_accSelection(out) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return system_ ? system_->accSelect(flags, child) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        if (!IsSelf(child))
            return ForChild(child, [&](IAccessible* a) {
                return a->accLocation(left, top, width, height, Self());
            });
        return system_ ? system_->accLocation(left, top, width, height, child) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    ~WindowObject() {
        if (system_)
            system_->Release();
    }

    // The windows of the controls that `hwnd` (a form's or a container's) holds, in reading
    // order.
    static std::vector<HWND> ChildrenOf(HWND hwnd) {
        std::vector<HWND> out;
        const Owner owner = OwnerOf(hwnd);
        if (!owner.form)
            return out;
        const forms::Control* container = owner.control ? &owner.control->Model() : nullptr;
        for (forms::Control* c : forms::ReadingOrder(owner.form->Model(), container))
            if (WinControlPeer* peer = owner.form->PeerOf(c))
                if (peer->Window())
                    out.push_back(peer->Window());
        return out;
    }
    std::vector<HWND> Children() const { return ChildrenOf(hwnd_); }

    // The window of child number `child` (from 1), or null.
    HWND ChildAt(const VARIANT& child) const {
        if (child.vt != VT_I4 || child.lVal < 1)
            return nullptr;
        const std::vector<HWND> children = Children();
        return static_cast<std::size_t>(child.lVal) <= children.size() ? children[child.lVal - 1]
                                                                       : nullptr;
    }

    // A question about child number `child`, asked of the child's own object.
    template <class Ask>
    HRESULT ForChild(const VARIANT& child, Ask ask) const {
        const HWND w = ChildAt(child);
        IAccessible* a = w ? Of(w) : nullptr;
        if (!a)
            return E_INVALIDARG;
        const HRESULT hr = ask(a);
        a->Release();
        return hr;
    }

    // A question about the form itself, which the system's object answers.
    template <class Ask>
    HRESULT AskSystem(Ask ask, const Owner& owner) const {
        if (!owner.form)
            return RPC_E_DISCONNECTED;
        return system_ ? ask() : E_FAIL;
    }

    HWND hwnd_;
    LONG refs_ = 1;
    IAccessible* system_ = nullptr;
};

}  // namespace

bool AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, LRESULT& result) {
    // (The object id is a DWORD: as a 64-bit LPARAM it would be sign-extended.)
    if (static_cast<DWORD>(lp) != static_cast<DWORD>(OBJID_CLIENT) || !OwnerOf(hwnd).form ||
        !Libs().Loaded())
        return false;
    auto* object = new WindowObject(hwnd);
    result = Libs().lresultFromObject(__uuidof(IAccessible), wp, object);
    object->Release();  // LresultFromObject holds it for the caller
    return result >= 0;
}

}  // namespace win32
