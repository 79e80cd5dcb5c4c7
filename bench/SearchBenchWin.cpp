// The search of the maker window's "? &Sistema" button under Windows (or Wine): the program's own
// InfQirvo over the real WinHost and WinFileSystem, searching C:\Programmi, timed against a
// plain recursive FindFirstFileW walk of the same folder.
//
//   kelvr_search_bench.exe [--runs N] [--folders N] [--no-warm-up] [--breakdown] LABEL
//   kelvr_search_bench.exe --yield-costs
//
// The window is shown and its yields run the real message loop; only the closing message box
// ("MSINFO32.EXE  NON TROVATO") is recorded instead of shown, so that no one has to close it.
// One warm-up of each (unless --no-warm-up: the tree was walked just before, and a warm-up of
// a large tree costs as much as a run), then N runs of each, alternated; prints one row of the
// table (see SearchParts.h) and, with --breakdown, a row "B| ..." telling where one more
// search, instrumented, spent its time. --folders gives the count of folders below
// C:\Programmi, which is otherwise counted by a first walk.
//
// --yield-costs prints what one yield costs here, against cheaper ways of finding out that
// no message waits.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "SearchParts.h"
#include "info/InfQirvo.h"
#include "sysinfo/SubModuli.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

namespace {

using bench::Clock;
using bench::Die;

// The real host, but each yield is timed and message boxes are only recorded.
class BenchHost : public forms::FormHost {
  public:
    explicit BenchHost(win32::WinHost& real) : real_(real) {}
    std::unique_ptr<forms::FormPeer> Realise(forms::Form& form) override {
        return real_.Realise(form);
    }
    void RunModal(forms::Form& form) override { real_.RunModal(form); }
    void DoEvents() override {
        log.in.push_back(Clock::now());
        real_.DoEvents();
        log.out.push_back(Clock::now());
    }
    void MsgBox(const std::string& prompt) override { messages.push_back(prompt); }
    bool RunAside(std::function<void()> work) override { return real_.RunAside(std::move(work)); }
    void Post(std::function<void()> task) override { real_.Post(std::move(task)); }
    bool WaitFor(const std::function<bool()>& done, Deadline until) override {
        return real_.WaitFor(done, until);
    }
    bool Ending() const override { return real_.Ending(); }

    bench::YieldLog log;
    std::vector<std::string> messages;

  private:
    win32::WinHost& real_;
};

class Rig {
  public:
    Rig(win32::WinHost& real, const services::FileSystem& files)
        : host_(real),
          launcher_(host_, registry_, shell_, files, [this] { return window_->hWnd(); }) {
        window_ =
            std::make_unique<kelvr::InfQirvo>(kelvr::Services{host_, real, clock_, locale_, nullptr,
                                                              nullptr, files, registry_, shell_},
                                              launcher_);
        window_->Show();
        Settle();
    }

    bench::SearchRun Search(std::size_t folders) {
        Settle();
        return bench::ClickAndTime(*window_, host_, shell_, folders);
    }

  private:
    // Lets the window finish painting before a search starts.
    void Settle() {
        for (int i = 0; i < 5; ++i) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Sleep(2);
        }
    }

    BenchHost host_;
    bench::FixedClock clock_;
    bench::FixedLocale locale_;
    bench::NoRegistry registry_;
    bench::CountingShell shell_;
    std::unique_ptr<kelvr::InfQirvo> window_;
    kelvr::SubModuli launcher_;
};

// The plain walk: each folder listed once with FindFirstFileW, every name looked at as it
// comes, subfolders (links left out) walked as they are met.
bool Walk(const std::wstring& dir, std::size_t& folders) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool hit = false;
    do {
        const DWORD a = found.dwFileAttributes;
        const wchar_t* name = found.cFileName;
        if (a & FILE_ATTRIBUTE_DIRECTORY) {
            if ((a & FILE_ATTRIBUTE_REPARSE_POINT) || wcscmp(name, L".") == 0 ||
                wcscmp(name, L"..") == 0)
                continue;
            ++folders;
            hit = Walk(dir + L"\\" + name, folders) || hit;
        } else if (_wcsicmp(name, L"MSINFO32.EXE") == 0) {
            hit = true;
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return hit;
}

double TimeWalk(std::size_t& folders) {
    folders = 0;
    const auto t = Clock::now();
    if (Walk(L"C:\\Programmi", folders))
        Die("MSINFO32.EXE is in the tree");
    return bench::Ms(Clock::now() - t);
}

// Microseconds per call of the yield (WinHost::DoEvents, with nothing queued) and of two calls
// that only ask whether anything is queued.
int YieldCosts() {
    win32::WinHost real(GetModuleHandleW(nullptr));
    const int n = 20000;
    auto per = [&](auto&& call) {
        for (int i = 0; i < 200; ++i) call();
        const auto t = Clock::now();
        for (int i = 0; i < n; ++i) call();
        return bench::Ms(Clock::now() - t) * 1000.0 / n;
    };
    volatile DWORD sink = 0;
    const double doEvents = per([&] { real.DoEvents(); });
    const double queueStatus = per([&] { sink = sink + GetQueueStatus(QS_ALLINPUT); });
    const double inputState = per([&] { sink = sink + GetInputState(); });
    const double tick = per([&] { sink = sink + GetTickCount(); });
    std::printf("Y| %.1f | %.1f | %.1f | %.2f |\n", doEvents, queueStatus, inputState, tick);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    int runs = 5;
    bool breakdown = false, warmUp = true;
    std::size_t folders = 0;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        const std::string opt = argv[i];
        if (opt == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (opt == "--breakdown")
            breakdown = true;
        else if (opt == "--no-warm-up")
            warmUp = false;
        else if (opt == "--folders" && i + 1 < argc)
            folders = static_cast<std::size_t>(std::atoll(argv[++i]));
        else if (opt == "--yield-costs")
            return YieldCosts();
        else
            Die("unknown option " + opt);
    }
    if (argc - i != 1)
        Die("usage: kelvr_search_bench.exe [--runs N] [--breakdown] LABEL");
    const std::string label = argv[i];

    win32::WinHost real(GetModuleHandleW(nullptr));
    win32::WinFileSystem files;
    if (folders == 0 || warmUp) {
        std::size_t counted = 0;
        TimeWalk(counted);
        if (folders != 0 && counted != folders)
            Die("C:\\Programmi holds " + std::to_string(counted) + " folders");
        folders = counted;
    }
    if (folders == 0)
        Die("C:\\Programmi holds no folder");

    bench::Series s;
    {
        Rig rig(real, files);
        if (warmUp)
            rig.Search(folders);
        for (int r = 0; r < runs; ++r) {
            std::size_t walked = 0;
            if (r % 2 == 0) {
                s.program.push_back(rig.Search(folders));
                s.referenceMs.push_back(TimeWalk(walked));
            } else {
                s.referenceMs.push_back(TimeWalk(walked));
                s.program.push_back(rig.Search(folders));
            }
            // One yield after every folder at least; reading a large folder adds more.
            if (s.program.back().yields < folders || walked != folders)
                Die("the search yielded " + std::to_string(s.program.back().yields) +
                    " times over " + std::to_string(folders) + " folders");
        }
    }
    bench::PrintRow(label, folders, s);

    if (breakdown) {
        bench::Breakdown b;
        bench::TimedFileSystem timed(files, b);
        Rig instrumented(real, timed);
        const bench::SearchRun r = instrumented.Search(folders);
        bench::PrintBreakdownRow(label, r, b);
    }
    std::fflush(stdout);
    return 0;
}
