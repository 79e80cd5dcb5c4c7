// Watching kelvr.exe's main window from another process: whether a window has painted all it
// had to, which window is the main one, and how long the window takes to answer the system.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>

namespace bench {

inline BOOL CALLBACK ChildPainted(HWND hwnd, LPARAM lp) {
    bool& painted = *reinterpret_cast<bool*>(lp);
    if (IsWindowVisible(hwnd) && GetUpdateRect(hwnd, nullptr, FALSE)) {
        painted = false;
        return FALSE;
    }
    return TRUE;
}

// Whether a window is shown and painted: it and each of its visible children have nothing left
// to paint (GetUpdateRect answers FALSE: their WM_PAINT has run).
inline bool Painted(HWND hwnd) {
    if (!IsWindowVisible(hwnd) || GetUpdateRect(hwnd, nullptr, FALSE))
        return false;
    bool painted = true;
    EnumChildWindows(hwnd, ChildPainted, reinterpret_cast<LPARAM>(&painted));
    return painted;
}

struct MainSearch {
    DWORD pid;
    HWND found;
};

inline BOOL CALLBACK MatchMain(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<MainSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    wchar_t caption[64];
    const int n = GetWindowTextW(h, caption, 64);
    if (owner == s->pid && IsWindowVisible(h) &&
        std::wstring(caption, n > 0 ? n : 0).rfind(L" Kelvaro  -  Spazio dei Drive", 0) == 0)
        s->found = h;
    return TRUE;
}

// kelvr.exe's main window, shown, in the process `pid`; null while there is none.
inline HWND MainWindowOf(DWORD pid) {
    MainSearch s{pid, nullptr};
    EnumWindows(MatchMain, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// Sends a window WM_NULL every 10 ms from a thread of its own, as the system does to tell
// whether a program still answers, and keeps the longest time an answer took, in ms.
class Pinger {
  public:
    explicit Pinger(HWND target)
        : target_(target), thread_(CreateThread(nullptr, 0, Run, this, 0, nullptr)) {}
    Pinger(const Pinger&) = delete;
    Pinger& operator=(const Pinger&) = delete;
    ~Pinger() { Stop(); }
    // Stops asking; the longest time an answer took.
    double Stop() {
        stop_ = true;
        if (thread_) {
            WaitForSingleObject(thread_, 15000);
            CloseHandle(thread_);
            thread_ = nullptr;
        }
        return longest_;
    }

  private:
    static DWORD WINAPI Run(void* p) {
        auto* self = static_cast<Pinger*>(p);
        while (!self->stop_ && IsWindow(self->target_)) {
            const auto start = std::chrono::steady_clock::now();
            DWORD_PTR result;
            SendMessageTimeoutW(self->target_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            if (ms > self->longest_)
                self->longest_ = ms;
            Sleep(10);
        }
        return 0;
    }

    HWND target_;
    std::atomic<bool> stop_{false};
    std::atomic<double> longest_{0};
    HANDLE thread_;
};

}  // namespace bench
