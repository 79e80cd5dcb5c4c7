#include "win32/Accessible.h"

#include <ole2.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "forms/Accessible.h"
#include "win32/LoadWhenNeeded.h"
#include "win32/Utf.h"
#include "win32/WinControl.h"
#include "win32/WinForm.h"

namespace win32 {

using forms::Control;

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
        if (const auto init = LoadWhenNeeded<Initialize>(L"ole32.dll", "CoInitializeEx"))
            init(nullptr, COINIT_APARTMENTTHREADED);
        return Libraries{
            LoadWhenNeeded<LPFNLRESULTFROMOBJECT>(L"oleacc.dll", "LresultFromObject"),
            LoadWhenNeeded<LPFNCREATESTDACCESSIBLEOBJECT>(L"oleacc.dll",
                                                          "CreateStdAccessibleObject"),
            LoadWhenNeeded<BSTR(WINAPI*)(const OLECHAR*)>(L"oleaut32.dll", "SysAllocString")};
    }();
    return libs;
}

// The form peer whose window `hwnd` is; none for another window or one that is gone.
WinFormPeer* FormOf(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd))
        return nullptr;
    // A window of another thread, of another Kelvr perhaps, holds no pointer of this one.
    if (GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId())
        return nullptr;
    wchar_t cls[16] = L"";
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpW(cls, L"KelvrForm") != 0)
        return nullptr;
    return reinterpret_cast<WinFormPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// forms::Role's numbers are the system's.
static_assert(static_cast<LONG>(forms::Role::Text) == ROLE_SYSTEM_STATICTEXT &&
              static_cast<LONG>(forms::Role::ColumnHeader) == ROLE_SYSTEM_COLUMNHEADER &&
              static_cast<LONG>(forms::Role::ProgressBar) == ROLE_SYSTEM_PROGRESSBAR &&
              static_cast<LONG>(forms::Role::Indicator) == ROLE_SYSTEM_INDICATOR &&
              static_cast<LONG>(forms::Role::Link) == ROLE_SYSTEM_LINK &&
              static_cast<LONG>(forms::Role::Graphic) == ROLE_SYSTEM_GRAPHIC &&
              static_cast<LONG>(forms::Role::Button) == ROLE_SYSTEM_PUSHBUTTON &&
              static_cast<LONG>(forms::Role::Grouping) == ROLE_SYSTEM_GROUPING &&
              static_cast<LONG>(forms::Role::Separator) == ROLE_SYSTEM_SEPARATOR);
// And so are forms::State's.
static_assert(forms::kReadOnly == STATE_SYSTEM_READONLY &&
              forms::kInvisible == STATE_SYSTEM_INVISIBLE &&
              forms::kOffscreen == STATE_SYSTEM_OFFSCREEN &&
              forms::kLinked == STATE_SYSTEM_LINKED && forms::kFocused == STATE_SYSTEM_FOCUSED &&
              forms::kFocusable == STATE_SYSTEM_FOCUSABLE);

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

// An object for the caller, who releases it; none (VT_EMPTY, S_FALSE) when it could not be made.
HRESULT Give(IAccessible* object, VARIANT* out) {
    out->vt = object ? VT_DISPATCH : VT_EMPTY;
    out->pdispVal = object;
    return object ? S_OK : S_FALSE;
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

// The text forms::Describe gives a control in `field`, as Element::Ask answers it.
auto Text(std::string forms::Accessible::*field) {
    return [field](const WinControlPeer& p, BSTR* out) {
        return Give(forms::Describe(p.Model()).*field, out);
    };
}

// The number `of` gives a control, as Element::Ask answers it.
template <class Of>
auto Number(Of of) {
    return [of](const WinControlPeer& p, VARIANT* out) {
        out->vt = VT_I4;
        out->lVal = of(p);
        return S_OK;
    };
}

// The object of a form's client area (no control) or of one of its drawn controls. It holds
// nothing but the form's window and the control: each question finds the control as it stands
// then, and an object whose form or control has gone answers that it has. What the client area
// says of itself (its place, its state, what has the focus) comes from the system's own object
// for the window.
class Element final : public IAccessible {
  public:
    Element(HWND form, const Control* control) : hwnd_(form), control_(control) {
        if (!control)
            Libs().createStdAccessibleObject(form, OBJID_CLIENT, __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&system_));
    }
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    // The object of a control: the program's own for a drawn control, the system's for a push
    // button's window. Null when there is none.
    static IAccessible* Of(HWND form, const WinFormPeer& peer, const Control& c) {
        const WinControlPeer* p = peer.PeerOf(&c);
        if (!p)
            return nullptr;
        if (!p->Window())
            return new Element(form, &c);
        IAccessible* system = nullptr;
        Libs().createStdAccessibleObject(p->Window(), OBJID_CLIENT, __uuidof(IAccessible),
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

    // IAccessible: the tree. A control's children are what a frame or picture box holds.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        const Found f = Find();
        if (!f.form)
            return RPC_E_DISCONNECTED;
        if (!control_)
            return system_ ? system_->get_accParent(out) : S_FALSE;
        *out = new Element(hwnd_, control_->Container());
        return S_OK;
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
        const Found f = Find();
        const Control* c = ChildAt(child);
        if (!f.form || !c)
            return E_INVALIDARG;
        *out = Of(hwnd_, *f.form, *c);
        return *out ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override {
        if (!end)
            return E_POINTER;
        end->vt = VT_EMPTY;
        const Found f = Find();
        if (!f.form)
            return RPC_E_DISCONNECTED;
        const Control* to = nullptr;
        if (!IsSelf(start)) {
            if (dir != NAVDIR_NEXT && dir != NAVDIR_PREVIOUS)
                return ForChild(start,
                                [&](IAccessible* a) { return a->accNavigate(dir, Self(), end); });
            to = forms::Beside(Children(), ChildAt(start), dir == NAVDIR_NEXT ? 1 : -1);
        } else if (dir == NAVDIR_FIRSTCHILD || dir == NAVDIR_LASTCHILD) {
            const std::vector<Control*> children = Children();
            if (!children.empty())
                to = dir == NAVDIR_FIRSTCHILD ? children.front() : children.back();
        } else if (control_ && (dir == NAVDIR_NEXT || dir == NAVDIR_PREVIOUS)) {
            to = forms::Beside(forms::ReadingOrder(f.form->Model(), control_->Container()),
                               control_, dir == NAVDIR_NEXT ? 1 : -1);
        } else if (!control_ && system_) {
            return system_->accNavigate(dir, start, end);  // the form among the windows
        }
        if (!to)
            return S_FALSE;
        return Give(Of(hwnd_, *f.form, *to), end);
    }
    // The child of this object under the point, or this object itself.
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
        if (!out)
            return E_POINTER;
        out->vt = VT_EMPTY;
        const Found f = Find();
        if (!f.form)
            return RPC_E_DISCONNECTED;
        POINT at{x, y};
        ScreenToClient(hwnd_, &at);
        RECT client;
        GetClientRect(hwnd_, &client);
        const RECT mine = control_ ? f.control->Box() : client;
        if (!PtInRect(&client, at) || !PtInRect(&mine, at))
            return S_FALSE;
        const WinControlPeer* hit = f.form->ControlAt(at, true);
        const Control* child = hit ? &hit->Model() : nullptr;
        while (child && child->Container() != control_) child = child->Container();
        if (!child || child == control_) {
            *out = Self();
            return S_OK;
        }
        return Give(Of(hwnd_, *f.form, *child), out);
    }

    // IAccessible: what the control is. The form's client area says what the system says.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        return Ask(child, out, &IAccessible::get_accName, Text(&forms::Accessible::name));
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        return Ask(child, out, &IAccessible::get_accValue, Text(&forms::Accessible::value));
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        return Ask(child, out, &IAccessible::get_accDescription,
                   Text(&forms::Accessible::description));
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        return Ask(child, out, &IAccessible::get_accKeyboardShortcut,
                   Text(&forms::Accessible::shortcut));
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        return Ask(child, out, &IAccessible::get_accDefaultAction,
                   Text(&forms::Accessible::defaultAction));
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        return Ask(child, out, &IAccessible::get_accRole, Number([](const WinControlPeer& p) {
                       return static_cast<LONG>(forms::Describe(p.Model()).role);
                   }));
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        return Ask(child, out, &IAccessible::get_accState, Number([this](const WinControlPeer& p) {
                       RECT client, inside;
                       GetClientRect(hwnd_, &client);
                       return forms::StateOf(p.Model(),
                                             p.Shown() && IntersectRect(&inside, &p.Box(), &client),
                                             FormOf(hwnd_)->FocusedLink() == &p.Model());
                   }));
    }
    // The action runs once the caller has its answer, from the windows' message loop: it may
    // open a modal window (the credit line does), which must not keep a screen reader waiting.
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        auto ask = [](IAccessible* a, VARIANT c) { return a->accDoDefaultAction(c); };
        return Route(child, ask, [this](const Found& f) {
            if (forms::Describe(f.control->Model()).defaultAction.empty())
                return DISP_E_MEMBERNOTFOUND;
            const HWND hwnd = hwnd_;
            const Control* control = control_;
            f.form->Host().Post([hwnd, control] {
                if (WinFormPeer* form = FormOf(hwnd))
                    if (WinControlPeer* peer = form->PeerOf(control))
                        forms::DoDefaultAction(peer->Model());
            });
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        if (!left || !top || !width || !height)
            return E_POINTER;
        *left = *top = *width = *height = 0;
        auto ask = [&](IAccessible* a, VARIANT c) {
            return a->accLocation(left, top, width, height, c);
        };
        return Route(child, ask, [&](const Found& f) {
            RECT r = f.control->Box();
            MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&r), 2);
            *left = r.left;
            *top = r.top;
            *width = r.right - r.left;
            *height = r.bottom - r.top;
            return S_OK;
        });
    }

    // IAccessible: the focus and the selection. Of the drawn controls, a link may have the
    // focus, and none is selected; else the client area answers as the system's object does (a
    // push button may have the focus).
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        const Found f = Find();
        if (const Control* link = f.form && !control_ && out ? f.form->FocusedLink() : nullptr) {
            out->vt = VT_I4;  // the drawn link with the keyboard: a child of the client area
            out->lVal = forms::EventId(f.form->Model(), *link);
            return S_OK;
        }
        return Whole([&](IAccessible* s) { return s->get_accFocus(out); }, out);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        return Whole([&](IAccessible* s) { return s->get_accSelection(out); }, out);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        if (!control_ && IsSelf(child) && system_)
            return system_->accSelect(flags, child);
        return DISP_E_MEMBERNOTFOUND;
    }
    // No control has help of its own; the client area's is the system's.
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
        if (!control_ && system_ && IsSelf(child))
            return system_->get_accHelp(child, out);
        const HRESULT none = Give(std::string(), out);
        return IsSelf(child) || ChildAt(child) ? none : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        if (!file || !topic)
            return E_POINTER;
        if (!control_ && system_ && IsSelf(child))
            return system_->get_accHelpTopic(file, child, topic);
        *file = nullptr;
        *topic = 0;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    ~Element() {
        if (system_)
            system_->Release();
    }

    // The form and the control, as they stand now: no form when either has gone.
    struct Found {
        WinFormPeer* form = nullptr;
        WinControlPeer* control = nullptr;
    };
    Found Find() const {
        WinFormPeer* form = FormOf(hwnd_);
        if (!form || !control_)
            return {form, nullptr};
        WinControlPeer* control = form->PeerOf(control_);
        return control ? Found{form, control} : Found{};
    }

    std::vector<Control*> Children() const {
        const Found f = Find();
        return f.form ? forms::ReadingOrder(f.form->Model(), control_) : std::vector<Control*>();
    }

    // Child number `child`, as forms::ChildOf numbers them.
    const Control* ChildAt(const VARIANT& child) const {
        const Found f = Find();
        return f.form && child.vt == VT_I4 ? forms::ChildOf(f.form->Model(), control_, child.lVal)
                                           : nullptr;
    }

    // A question about child number `child`, asked of the child's own object.
    template <class Ask>
    HRESULT ForChild(const VARIANT& child, Ask ask) const {
        const Found f = Find();
        const Control* c = ChildAt(child);
        IAccessible* a = f.form && c ? Of(hwnd_, *f.form, *c) : nullptr;
        if (!a)
            return E_INVALIDARG;
        const HRESULT hr = ask(a);
        a->Release();
        return hr;
    }

    // A question about this object or one of its children: a child's is asked of the child's
    // own object, the client area's of the system's object for the window (`ask` asks an
    // object about the child it names), and a control's is answered by `answer`.
    template <class Ask, class Answer>
    HRESULT Route(const VARIANT& child, Ask ask, Answer answer) const {
        if (!IsSelf(child))
            return ForChild(child, [&](IAccessible* a) { return ask(a, Self()); });
        const Found f = Find();
        if (!f.form)
            return RPC_E_DISCONNECTED;
        if (!control_)
            return system_ ? ask(system_, child) : E_FAIL;
        return answer(f);
    }

    // A question of the kind `ask` asks, as Route routes it. A caller may read what a failed
    // question leaves in `out`, and must find nothing.
    template <class Out, class Answer>
    HRESULT Ask(VARIANT child, Out* out,
                HRESULT (STDMETHODCALLTYPE IAccessible::*ask)(VARIANT, Out*), Answer answer) {
        if (!out)
            return E_POINTER;
        *out = Out{};
        return Route(
            child, [&](IAccessible* a, VARIANT c) { return (a->*ask)(c, out); },
            [&](const Found& f) { return answer(*f.control, out); });
    }

    // A question that only the client area as a whole answers; a control has nothing to say.
    template <class Ask>
    HRESULT Whole(Ask ask, VARIANT* out) {
        if (!out)
            return E_POINTER;
        out->vt = VT_EMPTY;
        if (!control_)
            return system_ ? ask(system_) : E_FAIL;
        return S_FALSE;
    }

    HWND hwnd_;
    const Control* control_;
    LONG refs_ = 1;
    IAccessible* system_ = nullptr;
};

}  // namespace

// Message-only on the Windows of today; a hidden top-level window on the oldest.
HWND ComWindow() {
    const DWORD thread = GetCurrentThreadId();
    for (const HWND parent : {HWND_MESSAGE, HWND{}})
        for (HWND w = nullptr; (w = FindWindowExW(parent, w, L"OleMainThreadWndClass", nullptr));)
            if (GetWindowThreadProcessId(w, nullptr) == thread)
                return w;
    return nullptr;
}

bool AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, LRESULT& result) {
    // (The object id is a DWORD: as a 64-bit LPARAM it would be sign-extended.)
    if (static_cast<DWORD>(lp) != static_cast<DWORD>(OBJID_CLIENT) || !FormOf(hwnd) ||
        !Libs().Loaded())
        return false;
    auto* object = new Element(hwnd, nullptr);
    result = Libs().lresultFromObject(__uuidof(IAccessible), wp, object);
    object->Release();  // LresultFromObject holds it for the caller
    return result >= 0;
}

}  // namespace win32
