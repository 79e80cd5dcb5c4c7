// How quickly kelvr.exe's main window answers the user, timed from another process: a header
// click, a page of scrolling and a change of DPI, each until the window has painted what it
// changed; and all along, the longest a WM_NULL took to be answered (as the system asks whether
// a program still answers). For scripts/bench.sh, with as many drives as it mounts.
//
//   kelvr_ui_bench ROUNDS NAME=EXE...
//
// Starts each EXE in turn (one main window on the screen at a time), makes ROUNDS actions of
// each kind on its main window, and prints one Markdown row a program: the mean and worst of
// each kind, and the longest unanswered WM_NULL, in ms.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Watch.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Has the window paint what it has left to paint, and returns once it has.
void UntilPainted(HWND main) {
    RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    while (!bench::Painted(main)) Sleep(1);
}

struct Times {
    std::vector<double> ms;
    void Add(double v) { ms.push_back(v); }
    double Mean() const {
        double sum = 0;
        for (double v : ms) sum += v;
        return ms.empty() ? 0 : sum / static_cast<double>(ms.size());
    }
    double Worst() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

struct Program {
    std::wstring name, exe;
    PROCESS_INFORMATION pi{};
    HWND main = nullptr;
    int dpi = 96;
    int header = 0;
    bool down = true;
    Times click, scroll, rescale;
    bench::Pinger* pinger = nullptr;
    double unanswered = 0;

    bool Start() {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring cmd = L"\"" + exe + L"\"";
        if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi))
            return false;
        for (int i = 0; i < 30000 && !(main && bench::Painted(main)); ++i) {
            Sleep(1);
            if (!main)
                main = bench::MainWindowOf(pi.dwProcessId);
        }
        HDC screen = GetDC(nullptr);
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        if (!main)
            return false;
        pinger = new bench::Pinger(main);
        return true;
    }

    // A click on the next figure header, then on "Drive", and so on: the rows move each time.
    void Click() {
        static const double lefts[] = {135 + 2115 / 2, 2340 + 1890 / 2, 4410 + 1800 / 2,
                                       6390 + 1755 / 2};
        const int order[] = {1, 2, 3, 0, 2, 1, 3};
        POINT at{MulDiv(static_cast<int>(lefts[order[header++ % 7]]), dpi, 1440),
                 MulDiv(45 + 195 / 2, dpi, 1440)};
        ClientToScreen(main, &at);
        HWND target = WindowFromPoint(at);  // the header's own window, where it has one
        ScreenToClient(target, &at);
        const LPARAM lp = MAKELPARAM(at.x, at.y);
        const auto start = Clock::now();
        SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, lp);
        SendMessageW(target, WM_LBUTTONUP, 0, lp);
        UntilPainted(main);
        click.Add(Ms(Clock::now() - start));
    }

    // Page Down and Page Up in turn: with 26 drives on a 1024x768 screen, a page reaches the
    // end of the rows, and the next the start again.
    void Scroll() {
        const auto start = Clock::now();
        SendMessageW(main, WM_VSCROLL, down ? SB_PAGEDOWN : SB_PAGEUP, 0);
        UntilPainted(main);
        scroll.Add(Ms(Clock::now() - start));
        down = !down;
    }

    // As Windows tells a window moved to a screen of 120 DPI, and back to 96.
    void Rescale() {
        RECT r;
        GetWindowRect(main, &r);
        const int from = dpi, to = dpi == 96 ? 120 : 96;
        RECT suggested{r.left, r.top, r.left + MulDiv(r.right - r.left, to, from),
                       r.top + MulDiv(r.bottom - r.top, to, from)};
        const auto start = Clock::now();
        SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
        UntilPainted(main);
        rescale.Add(Ms(Clock::now() - start));
        dpi = to;
    }

    void End() {
        if (pinger)
            unanswered = pinger->Stop();
        delete pinger;
        pinger = nullptr;
        PostMessageW(main, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kelvr_ui_bench ROUNDS NAME=EXE...\n");
        return 2;
    }
    const int rounds = _wtoi(argv[1]);
    std::vector<Program> programs(static_cast<std::size_t>(argc - 2));
    for (int i = 2; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const std::size_t eq = arg.find(L'=');
        programs[i - 2].name = arg.substr(0, eq);
        programs[i - 2].exe = arg.substr(eq + 1);
    }
    for (Program& p : programs) {
        if (!p.Start()) {
            std::fprintf(stderr, "kelvr_ui_bench: %ls did not start\n", p.exe.c_str());
            return 1;
        }
        for (int i = 0; i < rounds; ++i) p.Click();
        for (int i = 0; i < rounds; ++i) p.Scroll();
        for (int i = 0; i < rounds; ++i) p.Rescale();
        p.End();
    }
    for (const Program& p : programs)
        std::printf("| %-12ls | %9.1f | %9.1f | %9.1f | %9.1f | %9.1f | %9.1f | %10.1f |\n",
                    p.name.c_str(), p.click.Mean(), p.click.Worst(), p.scroll.Mean(),
                    p.scroll.Worst(), p.rescale.Mean(), p.rescale.Worst(), p.unanswered);
    return 0;
}
