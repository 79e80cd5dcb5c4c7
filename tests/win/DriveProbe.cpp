// Drives kelvr.exe from another process over drives that stop answering, and times it, for
// tests/win/hung-drives-test.sh (which makes the drives hang and answer) and the benchmarks:
//
//   kelvr_drive_probe hold FILE...          opens each file and waits until killed: a process
//                                           of the prefix that holds a file on a drive keeps
//                                           Wine's own server from asking that drive itself
//   kelvr_drive_probe run KELVR_EXE END     the scenario below; END is how kelvr.exe is ended:
//                                           "close" (WM_CLOSE, as the close box), "fine" (the
//                                           menu's "&Fine"), or "endsession" (the end of the
//                                           Windows session, sent while the window waits)
//
// The scenario, in steps that the script lines up with through files in C:\ (the probe writes
// C:\kelvr-step-N when step N is over and waits for C:\kelvr-go-N before the next):
//   1. kelvr.exe is started while the drives hang; the clock runs until its window is shown
//      and painted; then the unit is set to bytes (the hung drives are known by then).
//   2. (the drives answer) until every drive has its name and figures.
//   3. (the drives hang again) the unit is set to megabytes; the window waits for them, and
//      300 ms later another thread reads the table through Active Accessibility, as a screen
//      reader may while the window waits.
//   4. kelvr.exe is ended as END says, and the clock runs until its process has ended.
// All along, a thread sends the window WM_NULL every 10 ms, as the system does to tell whether
// a program answers, and keeps the longest time it took. Prints "name value" lines, in ms:
// started, known_choice, filled, choice, read_waiting (that reading), ended, unanswered; exit
// code 0 when kelvr.exe ended with 0, 1 otherwise.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "Probe.h"
#include "Watch.h"

namespace {

using probe::Clock;
using probe::Ms;

// kelvr.exe's menu commands, numbered as its window numbers its menu items, in the menu's
// order from 100: "&Fine", then the unit items "&Byte", "&MegaByte", "&GigaByte".
constexpr WPARAM kFine = 100, kBytes = 101, kMegabytes = 102;

// What the table shows, as a screen reader reads it: the figure cells ("1.234,56") and the
// drive names ("c: [SYSTEM]"). (Only the names are asked for: each question crosses processes.)
struct Table {
    std::vector<std::wstring> figures, names;
};

Table Read(HWND main) {
    Table t;
    const probe::Object form = probe::Object::OfWindow(main);
    const long count = form ? form.ChildCount() : 0;
    for (long i = 1; i <= count; ++i) {
        const std::wstring s = form.Name(i);
        if (!s.empty() && s.find_first_not_of(L"0123456789.,") == std::wstring::npos)
            t.figures.push_back(s);
        else if (s.size() >= 2 && s[1] == L':')
            t.names.push_back(s);
    }
    return t;
}

bool AllInUnit(HWND main, bool bytes) {
    const Table t = Read(main);
    for (const std::wstring& f : t.figures)
        if ((f.find(L',') == std::wstring::npos) != bytes)
            return false;
    return !t.figures.empty();
}

// Every drive measured: no figure reads zero (a drive's name comes before its figures).
bool AllIn(HWND main) {
    const Table t = Read(main);
    for (const std::wstring& f : t.figures)
        if (f == L"0" || f == L"0,00")
            return false;
    return !t.figures.empty();
}

// Polls `done` every millisecond for up to `seconds`; the time it took, or -1.
template <class F>
double Until(F done, int seconds = 20) {
    return probe::Until(done, seconds * 1000.0, 1);
}

void Step(int n) {
    const std::wstring name = L"C:\\kelvr-step-" + std::to_wstring(n);
    CloseHandle(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

bool Go(int n) {
    const std::wstring name = L"C:\\kelvr-go-" + std::to_wstring(n);
    return Until([&] { return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60) >=
           0;
}

int Hold(int argc, wchar_t** argv) {
    for (int i = 2; i < argc; ++i) {
        const HANDLE h = CreateFileW(argv[i], GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "kelvr_drive_probe: cannot open %ls\n", argv[i]);
            return 1;
        }
    }
    std::printf("holding\n");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}

void Print(const char* name, double ms) {
    std::printf("%s %.1f\n", name, ms);
    std::fflush(stdout);
}

// Says where a run is stuck, should a step take longer than any of its own bounds (a call that
// blocks: the probe's, or the program's window that it asks), and whether the program's window
// still answers: the run is killed from outside, and would say nothing else.
class Watchdog {
  public:
    explicit Watchdog(HWND window) : window_(window), thread_([this] { Watch(); }) {}
    ~Watchdog() {
        done_ = true;
        thread_.join();
    }
    void At(const char* step) { step_ = step; }

  private:
    void Watch() {
        const char* seen = nullptr;
        int tenths = 0;  // of a second at the same step
        while (!done_) {
            Sleep(100);
            const char* step = step_;
            tenths = step == seen ? tenths + 1 : 0;
            seen = step;
            if (tenths != 900)
                continue;
            DWORD_PTR answer = 0;
            const bool answers =
                SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer) != 0;
            std::fprintf(stderr, "kelvr_drive_probe: still at %s after 90 s; kelvr's window %s\n",
                         step, answers ? "answers" : "does not answer within 2 s");
            std::fflush(stderr);
        }
    }

    HWND window_;
    std::atomic<const char*> step_{"start"};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

int RunScenario(const std::wstring& exe, const std::wstring& end) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"";
    const auto start = Clock::now();
    if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        std::fprintf(stderr, "kelvr_drive_probe: cannot start %ls\n", exe.c_str());
        return 1;
    }
    HWND main = nullptr;
    while (!(main && bench::Painted(main))) {
        if (Clock::now() - start > std::chrono::seconds(30)) {
            TerminateProcess(pi.hProcess, 1);
            std::fprintf(stderr, "kelvr_drive_probe: no window painted within 30 s\n");
            return 1;
        }
        Sleep(1);
        if (!main)
            main = bench::MainWindowOf(pi.dwProcessId);
    }
    Print("started", Ms(Clock::now() - start));
    bench::Pinger pinger(main);
    Watchdog watchdog(main);

    PostMessageW(main, WM_COMMAND, kBytes, 0);
    watchdog.At("known_choice");
    Print("known_choice", Until([&] { return AllInUnit(main, true); }));
    Step(1);

    watchdog.At("filled");
    if (Go(2))
        Print("filled", Until([&] { return AllIn(main); }));
    Step(2);

    watchdog.At("the drives hanging again");
    const bool go = Go(3);
    watchdog.At("choice");
    PostMessageW(main, WM_COMMAND, kMegabytes, 0);
    Clock::time_point asked;  // when kelvr.exe was asked to end
    if (end == L"endsession") {
        // While the window waits for the drives that hang again.
        Sleep(300);
        DWORD_PTR answer = 0;
        asked = Clock::now();
        SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000,
                            &answer);
        if (answer != TRUE)
            std::fprintf(stderr, "kelvr_drive_probe: the session's end was refused\n");
        SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000,
                            &answer);
    } else {
        // Meanwhile a screen reader reads the window, as it may while the window waits.
        double readMs = -1;
        std::thread reader([&] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            Sleep(300);
            const auto reading = Clock::now();
            if (!Read(main).names.empty())
                readMs = Ms(Clock::now() - reading);
            CoUninitialize();
        });
        if (go)
            Print("choice", Until([&] { return AllInUnit(main, false); }));
        watchdog.At("read_waiting");
        reader.join();
        watchdog.At("ended");
        Print("read_waiting", readMs);
        asked = Clock::now();
        if (end == L"fine")
            PostMessageW(main, WM_COMMAND, kFine, 0);
        else
            PostMessageW(main, WM_CLOSE, 0, 0);
    }
    const DWORD ended = WaitForSingleObject(pi.hProcess, 10000);
    Print("ended", ended == WAIT_OBJECT_0 ? Ms(Clock::now() - asked) : -1);
    Print("unanswered", pinger.Stop());

    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    if (code == STILL_ACTIVE)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"hold")
        return Hold(argc, argv);
    if (command == L"run" && argc == 4) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const int result = RunScenario(argv[2], argv[3]);
        CoUninitialize();
        return result;
    }
    std::fprintf(stderr,
                 "usage: kelvr_drive_probe hold FILE... | run KELVR_EXE close|fine|endsession\n");
    return 2;
}
