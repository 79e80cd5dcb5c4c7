#include "win32/WinHost.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

#include "Version.h"
#include "forms/Twips.h"
#include "win32/Accessible.h"
#include "win32/LoadWhenNeeded.h"
#include "win32/Utf.h"
#include "win32/WinForm.h"
#include "win32/WinServices.h"

namespace win32 {

COLORREF ToColorRef(forms::Color c) {
    if (c & forms::kSystemColor)
        return GetSysColor(static_cast<int>(c & 0xFF));
    return static_cast<COLORREF>(c);
}

WinHost::WinHost(HINSTANCE instance) : instance_(instance) {
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi_ <= 0)
        dpi_ = 96;

    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = WinFormPeer::Proc;
    form.hInstance = instance;
    form.hCursor = LoadCursor(nullptr, IDC_ARROW);
    form.lpszClassName = L"KelvrForm";
    RegisterClassExW(&form);
    // The posted tasks' window is message-only: of its class, only the procedure counts.
    WNDCLASSEXW post = form;
    post.lpfnWndProc = PostProc;
    post.lpszClassName = L"KelvrPost";
    RegisterClassExW(&post);
    postWindow_ = CreateWindowExW(0, L"KelvrPost", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  instance, nullptr);
    SetWindowLongPtrW(postWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);

    highContrastSetting = [] {
        HIGHCONTRASTW hc{};
        hc.cbSize = sizeof hc;
        return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
               (hc.dwFlags & HCF_HIGHCONTRASTON);
    };
    ReadHighContrast();
}

bool WinHost::ReadHighContrast() {
    const bool on = highContrastSetting && highContrastSetting();
    return std::exchange(highContrast_, on) != on;
}

WinHost::~WinHost() {
    for (const auto& i : icons_) DestroyIcon(i.second);
    if (owner_)
        DestroyWindow(owner_);
    if (postWindow_)
        DestroyWindow(postWindow_);
    if (wake_)
        CloseHandle(wake_);
}

// The main window shows without them: they are loaded for the first tooltip or push button.
void WinHost::LoadCommonControls() {
    if (commonControls_)
        return;
    commonControls_ = true;
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    if (const auto init = LoadWhenNeeded<Init>(L"comctl32.dll", "InitCommonControlsEx")) {
        const INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        init(&icc);
    }
}

// The invisible window is made only when a form needs it before the main window is there (a
// test's form shown alone): the program starts with one window fewer to make.
HWND WinHost::Owner() {
    if (mainWindow_ && IsWindow(mainWindow_))
        return mainWindow_;
    if (!owner_)
        owner_ = CreateWindowExW(0, L"STATIC", L"Kelvr", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 instance_, nullptr);
    return owner_;
}

std::optional<int> WinHost::TakeStartShow() {
    if (shownOne_)
        return std::nullopt;
    shownOne_ = true;
    STARTUPINFOW start{};
    start.cb = sizeof start;
    GetStartupInfoW(&start);
    if (!(start.dwFlags & STARTF_USESHOWWINDOW))
        return std::nullopt;
    switch (start.wShowWindow) {
        case SW_HIDE:  // a window that never shows would leave the program unreachable
        case SW_SHOWNORMAL:
        case SW_SHOW:
        case SW_RESTORE:
        case SW_SHOWDEFAULT:
            return std::nullopt;
        default:
            return start.wShowWindow;
    }
}

std::unique_ptr<forms::FormPeer> WinHost::Realise(forms::Form& form) {
    return std::make_unique<WinFormPeer>(*this, form);
}

double WinHost::Width() const {
    return forms::PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi_);
}

double WinHost::Height() const {
    return forms::PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), dpi_);
}

// The primary screen's, where the windows open.
forms::Area WinHost::WorkArea() const {
    RECT r;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0))
        return Screen::WorkArea();
    return {forms::PixelsToTwips(r.left, dpi_), forms::PixelsToTwips(r.top, dpi_),
            forms::PixelsToTwips(r.right - r.left, dpi_),
            forms::PixelsToTwips(r.bottom - r.top, dpi_)};
}

// Made once a font and DPI; the font cache owns it.
HFONT WinHost::Font(const forms::Font& font, int dpi) {
    return forms::MadeOnce(fonts_, {font, dpi}, [&] {
        const std::wstring name = Widen(font.name);
        LOGFONTW lf{};
        lf.lfHeight = -static_cast<int>(std::lround(font.size * dpi / 72.0));
        lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = font.italic;
        lf.lfUnderline = font.underline;
        lf.lfCharSet = _wcsicmp(name.c_str(), L"Wingdings") == 0 ? SYMBOL_CHARSET : DEFAULT_CHARSET;
        name.copy(lf.lfFaceName, LF_FACESIZE - 1);
        // A bitmap face is drawn at the sizes it has, and in its scalable twin at any other.
        ChooseFace(lf);
        return text_.Get(lf);
    });
}

int WinHost::Metric(int index, int dpi) const {
    using ForDpi = int(WINAPI*)(int, UINT);
    static const auto forDpi = LoadWhenNeeded<ForDpi>(L"user32.dll", "GetSystemMetricsForDpi");
    if (forDpi)
        return forDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, dpi_);
}

int WinHost::WindowDpi(HWND hwnd) const {
    using ForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = LoadWhenNeeded<ForWindow>(L"user32.dll", "GetDpiForWindow");
    const int dpi = forWindow ? static_cast<int>(forWindow(hwnd)) : 0;
    return dpi > 0 ? dpi : dpi_;
}

HICON WinHost::Icon(int resourceId, int size) {
    return forms::MadeOnce(icons_, {resourceId, size}, [&] {
        return static_cast<HICON>(
            LoadImageW(instance_, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, size, size, 0));
    });
}

void WinHost::WindowGone(forms::Form& form) {
    if (&form == main_) {
        ending_ = true;
        PostQuitMessage(0);
    }
}

void WinHost::EndSession() {
    ending_ = true;
    if (main_)
        main_->Unload();
}

// Many come and go (a measurement starts one a drive). The stack is small: the work asks the
// system a question or two.
bool WinHost::RunAside(std::function<void()> work) {
    return RunOnThread(std::move(work), 256 * 1024);
}

void WinHost::Post(std::function<void()> task) {
    bool send;
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        posted_.push_back(std::move(task));
        send = !std::exchange(messagePosted_, true);
    }
    SetEvent(wake_);
    if (send && !PostMessageW(postWindow_, WM_APP, 0, 0)) {
        // The queue is full: the next task posts the message again.
        std::lock_guard<std::mutex> lock(postMutex_);
        messagePosted_ = false;
    }
}

void WinHost::RunPosted() {
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        tasks.swap(posted_);
        messagePosted_ = false;
    }
    for (auto& task : tasks) Safely(task, L"Kelvr: a posted task failed\n");
}

LRESULT CALLBACK WinHost::PostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        if (auto* host = reinterpret_cast<WinHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
            host->RunPosted();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Only the windows' painting, the messages other threads and programs send (the system's
// checks that the program answers, the end of the session) and screen readers' calls are let
// through: user input and other posted messages wait in the queue, to be handled once the wait
// is over, as they would be had the thread been busy. A screen reader's calls come posted to
// COM's window: left waiting, they would hold the screen reader up, and with it all it reads
// out, for as long as the wait.
bool WinHost::WaitFor(const std::function<bool()>& done, Deadline until) {
    HWND com = nullptr;
    for (;;) {
        // Before the first window shows there is nothing to paint, and a look at the message
        // queue would tell the system the program is idle and ready (WaitForInputIdle, the
        // shell's start-up cursor) while its window is still to come.
        if (shownOne_) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            for (int i = 0; i < 100 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT);
                 ++i)
                DispatchMessageW(&msg);
            if (!com && screenReader_)
                com = ComWindow();
            for (int i = 0; com && i < 100 && PeekMessageW(&msg, com, 0, 0, PM_REMOVE); ++i)
                DispatchMessageW(&msg);
        }
        if (ending_)
            return false;
        if (done())
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= until)
            return false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
        if (shownOne_)
            MsgWaitForMultipleObjectsEx(1, &wake_, static_cast<DWORD>(left),
                                        QS_PAINT | QS_SENDMESSAGE | (com ? QS_POSTMESSAGE : 0), 0);
        else
            WaitForSingleObject(wake_, static_cast<DWORD>(left));
    }
}

void WinHost::DispatchOne(MSG& msg) {
    if (!modal_.empty()) {
        HWND top = modal_.back().window;
        const bool forTop = IsWindow(top) && (msg.hwnd == top || IsChild(top, msg.hwnd));
        if (forTop && msg.message == WM_KEYDOWN &&
            SendMessageW(top, WinFormPeer::kDialogKey, msg.wParam, 0))
            return;
        if (IsWindow(top) && IsDialogMessageW(top, &msg))
            return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

// Each window of the thread but the modal form's own that shows and is enabled is disabled, and
// kept in `modal` to be enabled again.
BOOL CALLBACK WinHost::DisableOne(HWND hwnd, LPARAM modal) {
    Modal& m = *reinterpret_cast<Modal*>(modal);
    if (hwnd != m.window && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        EnableWindow(hwnd, FALSE);
        m.disabled.push_back(hwnd);
    }
    return TRUE;
}

void WinHost::RunModal(forms::Form& form) {
    HWND hwnd = reinterpret_cast<HWND>(form.hWnd());
    if (!hwnd)
        return;
    Modal m{hwnd, {}, GetActiveWindow()};
    EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&m));
    modal_.push_back(std::move(m));

    form.Show();
    SetForegroundWindow(hwnd);
    if (HWND first = GetNextDlgTabItem(hwnd, nullptr, FALSE))
        SetFocus(first);

    MSG msg;
    while (form.IsLoaded() && form.Visible()) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (r < 0)
            break;
        DispatchOne(msg);
    }

    ModalEnding(hwnd);
    modal_.erase(std::remove_if(modal_.begin(), modal_.end(),
                                [hwnd](const Modal& m) { return m.window == hwnd; }),
                 modal_.end());
}

void WinHost::ModalEnding(HWND hwnd) {
    for (Modal& m : modal_) {
        if (m.window != hwnd)
            continue;
        for (HWND w : m.disabled)
            if (IsWindow(w))
                EnableWindow(w, TRUE);
        m.disabled.clear();
        if (m.previous && IsWindow(m.previous) && (GetActiveWindow() == hwnd || !GetActiveWindow()))
            SetActiveWindow(m.previous);
        m.previous = nullptr;
    }
}

void WinHost::DoEvents() {
    // A search yields after every folder, and looking at the queue can cost as much as reading
    // a small folder: the queue is looked at no more often than every 10 ms, which no user can
    // tell from at once.
    const DWORD now = GetTickCount();
    if (pumped_ && now - lastPump_ < 10)
        return;
    pumped_ = true;
    lastPump_ = now;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        DispatchOne(msg);
    }
}

void WinHost::MsgBox(const std::string& prompt) {
    HWND owner = modal_.empty() ? GetActiveWindow() : modal_.back().window;
    MessageBoxW(owner, Widen(prompt).c_str(), Widen(KELVR_TITLE).c_str(), MB_OK);
}

int WinHost::Run(forms::Form& main) {
    main_ = &main;
    main.Show();
    MSG msg;
    while (main.IsLoaded() && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchOne(msg);
    main_ = nullptr;
    return 0;
}

}  // namespace win32
