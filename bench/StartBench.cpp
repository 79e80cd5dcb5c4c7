// Times programs from their start to their first window shown and painted.
//
//   kelvr_start_bench.exe [--runs N] [--poll-only] [--settle MS] NAME=EXE NAME=EXE ...
//
// Each program is started with CreateProcess; the clock runs from just before that call until
// the process has a visible top-level window that is painted: neither it nor any of its visible
// child windows has an update region left (GetUpdateRect answers FALSE for each). A window is
// given an update region when it is shown, and loses it only once it has been drawn: when its
// WM_PAINT has run BeginPaint/EndPaint, or when it has drawn itself and validated its window
// (as kelvr's controls do when they are erased ahead of their WM_PAINT). WaitForInputIdle is
// called first (the process is then waiting for input with nothing queued), then the windows
// are polled every millisecond (--poll-only: no WaitForInputIdle, the polls start at once; the
// way to check that the polls see a window before it is painted). The window is then closed with
// WM_CLOSE and the process waited for (ended by force after 10 s), and 200 ms (--settle MS)
// left for the servers to let its windows go before the next program starts.
//
// One warm-up run of each program, then N rounds; each round starts every program once, the
// order reversed every other round. Prints, per program, the median, lowest and highest time to
// painted and the median time to input idle, then the ratio of the first program's median to
// each other's, and the median over the rounds of the ratio of their times in the same round.
// The column "seen unpainted" counts the runs in which a poll found the window visible but not
// yet painted: proof that the check can tell the two apart.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Watch.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "kelvr_start_bench: %s\n", what.c_str());
    std::exit(1);
}

struct Search {
    DWORD pid;
    HWND shown = nullptr;  // a visible top-level window of the process
    bool painted = false;  // and it and its visible children have nothing left to paint
};

BOOL CALLBACK TopLevel(HWND hwnd, LPARAM lp) {
    Search& s = *reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s.pid || !IsWindowVisible(hwnd))
        return TRUE;
    s.shown = hwnd;
    s.painted = bench::Painted(hwnd);
    return !s.painted;
}

struct Start {
    double paintedMs = 0, idleMs = 0;
    bool seenUnpainted = false;
};

const char kUsage[] =
    "usage: kelvr_start_bench.exe [--runs N] [--poll-only] [--settle MS] NAME=EXE NAME=EXE ...";

bool pollOnly = false;
DWORD settleMs = 200;

Start StartOnce(const std::wstring& exe) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + exe + L"\"";
    Start r;
    const auto t0 = Clock::now();
    if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        Die("cannot start a program (error " + std::to_string(GetLastError()) + ")");
    if (!pollOnly)
        WaitForInputIdle(pi.hProcess, 20000);
    r.idleMs = Ms(Clock::now() - t0);
    Search s{pi.dwProcessId};
    for (;;) {
        s.shown = nullptr;
        s.painted = false;
        EnumWindows(TopLevel, reinterpret_cast<LPARAM>(&s));
        if (s.painted)
            break;
        if (s.shown)
            r.seenUnpainted = true;
        if (Ms(Clock::now() - t0) > 20000 || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
            Die("no painted window within 20 s");
        Sleep(1);
    }
    r.paintedMs = Ms(Clock::now() - t0);

    PostMessageW(s.shown, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // What the ended process leaves to others (Wine's server and the X server let its windows
    // go) is done before the next program starts, instead of slowing whichever comes next.
    Sleep(settleMs);
    return r;
}

std::wstring Widen(const std::string& s) {
    std::wstring w(s.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], static_cast<int>(w.size()));
    w.resize(n > 0 ? n - 1 : 0);
    return w;
}

struct Program {
    std::string name;
    std::wstring exe;
    std::vector<Start> runs;
};

}  // namespace

int main(int argc, char** argv) {
    int rounds = 10;
    std::vector<Program> programs;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
            continue;
        }
        if (a == "--poll-only") {
            pollOnly = true;
            continue;
        }
        if (a == "--settle" && i + 1 < argc) {
            settleMs = static_cast<DWORD>(std::atoi(argv[++i]));
            continue;
        }
        const std::size_t eq = a.find('=');
        if (eq == std::string::npos)
            Die(kUsage);
        programs.push_back({a.substr(0, eq), Widen(a.substr(eq + 1)), {}});
    }
    if (programs.size() < 2)
        Die(kUsage);

    for (Program& p : programs) StartOnce(p.exe);  // warm-up
    for (int r = 0; r < rounds; ++r) {
        for (std::size_t k = 0; k < programs.size(); ++k) {
            Program& p = programs[r % 2 ? programs.size() - 1 - k : k];
            p.runs.push_back(StartOnce(p.exe));
        }
    }

    std::vector<double> medians;
    for (const Program& p : programs) {
        std::vector<double> painted, idle;
        int unpainted = 0;
        for (const Start& s : p.runs) {
            painted.push_back(s.paintedMs);
            idle.push_back(s.idleMs);
            unpainted += s.seenUnpainted;
        }
        medians.push_back(Median(painted));
        std::printf("| %-16s | %9.1f | %6.1f | %7.1f | %13.1f | %5d of %-5zu |\n", p.name.c_str(),
                    Median(painted), *std::min_element(painted.begin(), painted.end()),
                    *std::max_element(painted.begin(), painted.end()), Median(idle), unpainted,
                    p.runs.size());
    }
    // Each round started every program once: the first program's time over each other's in
    // the same round, whose median a slow stretch of a few rounds moves less.
    for (std::size_t k = 1; k < programs.size(); ++k) {
        std::vector<double> ratios;
        for (int r = 0; r < rounds; ++r)
            ratios.push_back(programs[0].runs[r].paintedMs / programs[k].runs[r].paintedMs);
        std::printf("R| %s / %s | %.2f | %.2f |\n", programs[0].name.c_str(),
                    programs[k].name.c_str(), medians[0] / medians[k], Median(ratios));
    }
    std::fflush(stdout);
    return 0;
}
