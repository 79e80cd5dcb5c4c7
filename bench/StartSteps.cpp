// kelvr.exe's start-up, step by step: a copy of WinMain (same services, same resources, same
// manifest) with clocks around each step, for finding where the start-up time goes. It runs
// like kelvr.exe and is started by kelvr_start_bench like it; when its window is painted it
// appends one line to the file named by KELVR_STEPS_LOG (see StartLog.h), in milliseconds:
//
//   steps loader host program threads show realise apply wait paint total wmpaint ncpaint
//         showing
//
//   loader   from the process's creation to WinMain (loading the exe and its DLLs, C runtime)
//   host     making the WinHost (the screen's resolution, read first and so connecting to the
//            display, and the window classes)
//   program  making the Program: the main window's controls and menus
//   threads  starting the drives' threads (each drive's entry and figures are read on one),
//            wherever in the start-up that happens
//   show     the main window's Show(): realising it, Form_Load, showing it
//   realise  of which making its window (WinHost::Realise, which makes its menus, and the
//            window itself, made as the form first shows)
//   apply    of which the window's updates (WinFormPeer::Apply: the update that shows it,
//            making its buttons' windows, showing it and drawing it whole; before that, nothing)
//   wait     of which Form_Load's wait for the drives' entries and figures
//   paint    from Show's return until the window and its controls are painted
//   total    from the process's creation until then
//   wmpaint  time in the main window's WM_PAINT and WM_ERASEBKGND until then (its drawing)
//   ncpaint  time in its WM_NCPAINT and WM_NCACTIVATE (caption, frame, menu bar)
//   showing  of apply, the update that showed the window (the buttons' windows, showing the
//            window, drawing it whole)
#include <windows.h>

#include <chrono>
#include <memory>

#include "StartLog.h"
#include "Watch.h"
#include "main/Program.h"
#include "win32/RealServices.h"
#include "win32/WinHost.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The main window's own messages are timed (see TimedProc) once its window is made.
void TimePaints(HWND hwnd);

// Forwards to the real peer, timing its updates.
class TimedPeer : public forms::FormPeer {
  public:
    TimedPeer(std::unique_ptr<forms::FormPeer> inner, double& makeMs, double& applyMs)
        : inner_(std::move(inner)), makeMs_(makeMs), applyMs_(applyMs) {}
    void Apply(const forms::Form& form) override {
        if (form.Visible() && !shown_) {
            // The update that shows the form makes its window first: made here, it is timed
            // apart and its messages are timed from the start.
            const auto t = Clock::now();
            TimePaints(reinterpret_cast<HWND>(inner_->Hwnd()));
            makeMs_ += Ms(Clock::now() - t);
        }
        const auto t = Clock::now();
        inner_->Apply(form);
        const double ms = Ms(Clock::now() - t);
        applyMs_ += ms;
        if (form.Visible() && !shown_) {
            shown_ = true;
            showingMs = ms;
        }
    }
    void AddControl(forms::Control& c) override { inner_->AddControl(c); }
    void MenuChanged(const forms::MenuItem& item) override { inner_->MenuChanged(item); }
    std::uintptr_t Hwnd() override { return inner_->Hwnd(); }

  private:
    std::unique_ptr<forms::FormPeer> inner_;
    double& makeMs_;
    double& applyMs_;
    bool shown_ = false;

  public:
    static double showingMs;  // the update that showed the main window
};

// The main window's own messages, timed: its window procedure is wrapped once it is made.
struct PaintClock {
    WNDPROC inner = nullptr;
    double paintMs = 0, frameMs = 0;
    int depth = 0;
};
PaintClock paintClock;

LRESULT CALLBACK TimedProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    double* bucket = nullptr;
    if (message == WM_PAINT || message == WM_ERASEBKGND)
        bucket = &paintClock.paintMs;
    else if (message == WM_NCPAINT || message == WM_NCACTIVATE)
        bucket = &paintClock.frameMs;
    if (!bucket || paintClock.depth > 0)
        return CallWindowProcW(paintClock.inner, hwnd, message, wParam, lParam);
    ++paintClock.depth;
    const auto t = Clock::now();
    const LRESULT r = CallWindowProcW(paintClock.inner, hwnd, message, wParam, lParam);
    *bucket += Ms(Clock::now() - t);
    --paintClock.depth;
    return r;
}

void TimePaints(HWND hwnd) {
    if (paintClock.inner || !hwnd)
        return;
    paintClock.inner = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TimedProc)));
}

double TimedPeer::showingMs = 0;

// Forwards to the real host, timing the making of windows and their updates.
class TimedHost : public forms::FormHost {
  public:
    explicit TimedHost(win32::WinHost& real) : real_(real) {}
    std::unique_ptr<forms::FormPeer> Realise(forms::Form& form) override {
        const auto t = Clock::now();
        auto peer = real_.Realise(form);
        realiseMs += Ms(Clock::now() - t);
        return std::make_unique<TimedPeer>(std::move(peer), realiseMs, applyMs);
    }
    void RunModal(forms::Form& form) override { real_.RunModal(form); }
    void DoEvents() override { real_.DoEvents(); }
    void MsgBox(const std::string& prompt) override { real_.MsgBox(prompt); }
    bool RunAside(std::function<void()> work) override {
        const auto t = Clock::now();
        const bool started = real_.RunAside(std::move(work));
        threadsMs += Ms(Clock::now() - t);
        return started;
    }
    void Post(std::function<void()> task) override { real_.Post(std::move(task)); }
    bool WaitFor(const std::function<bool()>& done, Deadline until) override {
        const auto t = Clock::now();
        const bool answered = real_.WaitFor(done, until);
        waitMs += Ms(Clock::now() - t);
        return answered;
    }
    bool Ending() const override { return real_.Ending(); }
    double realiseMs = 0, applyMs = 0, threadsMs = 0, waitMs = 0;

  private:
    win32::WinHost& real_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const double loader = bench::SinceCreation();
    const auto t0 = Clock::now();
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    win32::WinHost host(instance);
    TimedHost timedHost(host);
    const auto t1 = Clock::now();
    win32::RealServices services;
    kelvr::Program program(services.For(timedHost, host, services.files));
    const auto t2 = Clock::now();

    // WinHost::Run, with a look after each message at whether the window is painted yet.
    forms::Form& main = program.Main();
    main.Show();
    const auto t3 = Clock::now();
    HWND hwnd = reinterpret_cast<HWND>(main.hWnd());
    bool logged = false;
    MSG msg;
    while (main.IsLoaded()) {
        if (!logged && bench::Painted(hwnd)) {
            logged = true;
            const auto t4 = Clock::now();
            bench::AppendStartLog(
                "steps %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f %.1f\n", loader,
                Ms(t1 - t0), Ms(t2 - t1), timedHost.threadsMs, Ms(t3 - t2), timedHost.realiseMs,
                timedHost.applyMs, timedHost.waitMs, Ms(t4 - t3), loader + Ms(t4 - t0),
                paintClock.paintMs, paintClock.frameMs, TimedPeer::showingMs);
        }
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r <= 0)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
