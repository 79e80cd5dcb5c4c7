// The smallest Windows program with a window: registers a class, makes one window, shows it,
// paints a line of text and runs the message loop until the window is closed. Kelvr's start-up
// is timed against it.
//
// Built three times more: with kelvr.exe's manifest (kelvr_minimal_manifest.exe: common
// controls 6, DPI awareness); with KELVR_MINIMAL_IMPORTS (kelvr_minimal_comctl.exe), importing
// the common controls and the registry's DLL and calling InitCommonControlsEx at start, which
// kelvr.exe does only when first needed; and with KELVR_MINIMAL_CHILDREN=N
// (kelvr_minimal_children.exe), whose window holds N child windows, each painting a word on
// its background as kelvr's labels do, made before the window shows; and with
// KELVR_MINIMAL_DRIVES (kelvr_minimal_drives.exe, with the manifest), asking every drive's
// type, label and figures on a thread of its own and waiting for them all before it makes its
// window, as kelvr.exe does to keep a drive that does not answer from holding it up. The
// differences tell what those cost at start-up.
//
// With KELVR_STEPS_LOG set (see StartLog.h), once its window is painted it appends
// "NAME LOADER TOTAL SHOWING", NAME being KELVR_MINIMAL_NAME: the milliseconds from the
// process's creation to WinMain and to the moment its window and child windows are painted
// (as kelvr_start_bench tells it: see Watch.h), and those spent in ShowWindow and
// UpdateWindow.
#include <windows.h>

#include "StartLog.h"
#include "Watch.h"
#ifdef KELVR_MINIMAL_IMPORTS
#include <commctrl.h>
#endif

namespace {

double loaderMs = 0, showingMs = 0;

const char kName[] = KELVR_MINIMAL_NAME;
#ifdef KELVR_MINIMAL_CHILDREN
const DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
#else
const DWORD kStyle = WS_OVERLAPPEDWINDOW;
#endif

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            static const wchar_t kText[] = L"Kelvr: finestra minima";
            TextOutW(dc, 12, 12, kText, static_cast<int>(sizeof kText / sizeof kText[0]) - 1);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

#ifdef KELVR_MINIMAL_CHILDREN
// A child window that paints its text, handled as kelvr's controls are: no frame, its
// background painted with the rest in WM_PAINT.
LRESULT CALLBACK ChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
            wchar_t text[32];
            const int n = GetWindowTextW(hwnd, text, 32);
            SetBkMode(dc, TRANSPARENT);
            DrawTextW(dc, text, n, &r, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
            EndPaint(hwnd, &ps);
            return 0;
        }
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// Rows of four, each 20 pixels high, as kelvr's table.
void MakeChildren(HWND parent, HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ChildProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = L"KelvrMinimalChild";
    RegisterClassExW(&wc);
    for (int i = 0; i < KELVR_MINIMAL_CHILDREN; ++i)
        CreateWindowExW(0, wc.lpszClassName, L"123.456,78", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                        4 + (i % 4) * 118, 4 + (i / 4) * 22, 114, 20, parent, nullptr, instance,
                        nullptr);
}
#endif

#ifdef KELVR_MINIMAL_DRIVES
// Every drive's type, label and figures, asked on a thread of its own as kelvr asks them.
DWORD WINAPI AskDrive(void* p) {
    const wchar_t letter = static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(p));
    const wchar_t root[] = {letter, L':', L'\\', 0};
    wchar_t label[MAX_PATH + 1];
    ULARGE_INTEGER avail, total, totalFree;
    if (GetDriveTypeW(root) != DRIVE_REMOTE)
        GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
    GetDiskFreeSpaceExW(root, &avail, &total, &totalFree);
    return 0;
}

// Waits for them all, up to two seconds.
void AskDrives() {
    HANDLE threads[26];
    DWORD n = 0;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i))
            if (HANDLE t = CreateThread(nullptr, 64 * 1024, AskDrive,
                                        reinterpret_cast<void*>(static_cast<UINT_PTR>(L'A' + i)),
                                        STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr))
                threads[n++] = t;
    WaitForMultipleObjects(n, threads, TRUE, 2000);
    for (DWORD i = 0; i < n; ++i) CloseHandle(threads[i]);
}
#endif

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    loaderMs = bench::SinceCreation();
#ifdef KELVR_MINIMAL_IMPORTS
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // Never true (no Windows is version 0): the calls make the DLLs imported, and so loaded
    // at start, as kelvr.exe's are.
    if (GetVersion() == 0) {
        HKEY key;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &key);
    }
#endif
#ifdef KELVR_MINIMAL_DRIVES
    AskDrives();
#endif
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"KelvrMinimal";
    if (!RegisterClassExW(&wc))
        return 1;
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Finestra minima", kStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, 480, 320, nullptr, nullptr, instance, nullptr);
    if (!hwnd)
        return 1;
#ifdef KELVR_MINIMAL_CHILDREN
    MakeChildren(hwnd, instance);
#endif
    const double beforeShowing = bench::SinceCreation();
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    showingMs = bench::SinceCreation() - beforeShowing;
    bool logged = false;
    MSG msg;
    for (;;) {
        if (!logged && bench::Painted(hwnd)) {
            logged = true;
            bench::AppendStartLog("%s %.1f %.1f %.1f\n", kName, loaderMs, bench::SinceCreation(),
                                  showingMs);
        }
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
