// What the search benches share, natively and under Windows: a registry that names no
// system-information tool (so "? &Sistema" searches), a shell that only counts what it is handed,
// the record of the yields of one search, and the figures drawn from it.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "info/InfQirvo.h"
#include "services/Clock.h"
#include "services/FileSystem.h"
#include "services/Locale.h"
#include "services/Registry.h"

namespace bench {

// Ends the bench with a message: a figure that cannot be trusted is not printed.
[[noreturn]] inline void Die(const std::string& what) {
    std::fprintf(stderr, "kelvr_search_bench: %s\n", what.c_str());
    std::exit(1);
}

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Every key is missing, as on a system where the tool was never registered.
class NoRegistry : public services::Registry {
  public:
    long OpenKey(std::uint32_t, const std::string&, std::uint32_t,
                 services::RegistryKey& key) override {
        key = 0;
        return 2;  // ERROR_FILE_NOT_FOUND
    }
    long QueryValue(services::RegistryKey, const std::string&, std::uint32_t&, char*,
                    std::uint32_t&) override {
        return 6;  // ERROR_INVALID_HANDLE
    }
    void CloseKey(services::RegistryKey) override {}
};

// The maker window asks neither the date nor the separators: any answer serves.
class FixedClock : public services::Clock {
  public:
    services::Date Today() const override { return {2026, 1, 1}; }
};
class FixedLocale : public services::Locale {
  public:
    services::NumberSeparators Separators() const override { return {}; }
};

class CountingShell : public services::Shell {
  public:
    void Execute(std::uintptr_t, const std::string& file, const std::string&, int) override {
        ++launches;
        last = file;
    }
    int launches = 0;
    std::string last;
};

// When each yield to the event loop began and ended.
struct YieldLog {
    std::vector<Clock::time_point> in, out;
    void Start(std::size_t expected) {
        in.clear();
        out.clear();
        in.reserve(expected + 16);
        out.reserve(expected + 16);
    }
};

// One search, from the click to the click handler's return.
struct SearchRun {
    double totalMs = 0;
    std::size_t yields = 0;
    double maxGapMs = 0;       // the longest stretch without a yield, both ends included
    double firstMs = 0;        // click to the first yield
    double lastMs = 0;         // last yield to the end
    double inYieldsMs = 0;     // time spent inside the yields
    std::size_t longGaps = 0;  // stretches without a yield longer than kLongGapMs
};

// Longer than this without a yield, the window is felt as stuck.
constexpr double kLongGapMs = 50;

inline SearchRun Summarise(Clock::time_point click, Clock::time_point end, const YieldLog& y) {
    SearchRun r;
    r.totalMs = Ms(end - click);
    r.yields = y.in.size();
    if (y.in.empty()) {
        r.maxGapMs = r.firstMs = r.lastMs = r.totalMs;
        r.longGaps = r.totalMs > kLongGapMs;
        return r;
    }
    r.firstMs = Ms(y.in.front() - click);
    r.lastMs = Ms(end - y.out.back());
    r.maxGapMs = std::max(r.firstMs, r.lastMs);
    r.longGaps = (r.firstMs > kLongGapMs) + (r.lastMs > kLongGapMs);
    for (std::size_t i = 0; i < y.in.size(); ++i) {
        r.inYieldsMs += Ms(y.out[i] - y.in[i]);
        if (i + 1 < y.in.size()) {
            const double gap = Ms(y.in[i + 1] - y.out[i]);
            r.maxGapMs = std::max(r.maxGapMs, gap);
            r.longGaps += gap > kLongGapMs;
        }
    }
    return r;
}

// Clicks "? Sistema" and times the search, which must walk the whole tree and end in the
// not-found message with nothing launched.
template <class Host, class Shell>
SearchRun ClickAndTime(kelvr::InfQirvo& window, Host& host, const Shell& shell,
                       std::size_t folders) {
    host.log.Start(folders);
    host.messages.clear();
    const auto click = Clock::now();
    window.cmdInfoSys.Click();
    const auto end = Clock::now();
    const std::string expected = std::string(kelvr::InfQirvo::kToolFile) + "  NON TROVATO";
    if (host.messages.size() != 1 || host.messages[0] != expected || shell.launches != 0)
        Die("the search did not end with \"" + expected + "\"");
    return Summarise(click, end, host.log);
}

inline double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The measured runs of one tree: the program's search and the reference walk, alternated.
struct Series {
    std::vector<SearchRun> program;
    std::vector<double> referenceMs;

    double ProgramMedian() const {
        std::vector<double> v;
        for (const SearchRun& r : program) v.push_back(r.totalMs);
        return Median(v);
    }
    double RatioMedian() const {
        std::vector<double> v;
        for (std::size_t i = 0; i < program.size() && i < referenceMs.size(); ++i)
            v.push_back(program[i].totalMs / referenceMs[i]);
        return Median(v);
    }
    // The worst of all runs, for the responsiveness columns.
    double Worst(double SearchRun::*field) const {
        double w = 0;
        for (const SearchRun& r : program) w = std::max(w, r.*field);
        return w;
    }
};

// One row of the search table (Markdown): the tree, its folders, the runs, the medians of
// the program's time, of the reference's and of their ratio, then over all runs the longest
// stretch without a yield, click to first yield, last yield to end, and how many stretches
// were longer than kLongGapMs.
inline void PrintRow(const std::string& tree, std::size_t folders, const Series& s) {
    std::size_t longGaps = 0;
    for (const SearchRun& r : s.program) longGaps += r.longGaps;
    std::printf(
        "| %-12s | %7zu | %4zu | %10.1f | %12.1f | %5.2f | %7.1f | %9.1f | %8.1f | %6zu |\n",
        tree.c_str(), folders, s.program.size(), s.ProgramMedian(), Median(s.referenceMs),
        s.RatioMedian(), s.Worst(&SearchRun::maxGapMs), s.Worst(&SearchRun::firstMs),
        s.Worst(&SearchRun::lastMs), longGaps);
}

// Where one instrumented search spent its time.
struct Breakdown {
    double listMs = 0, testMs = 0;
    long lists = 0, tests = 0;
};

// Times every call of the file system it wraps.
class TimedFileSystem : public services::FileSystem {
  public:
    TimedFileSystem(const services::FileSystem& inner, Breakdown& b) : inner_(inner), b_(b) {}
    bool IsPlainFile(const std::string& path) const override {
        const auto t = Clock::now();
        const bool r = inner_.IsPlainFile(path);
        b_.testMs += Ms(Clock::now() - t);
        ++b_.tests;
        return r;
    }
    bool Subfolders(const std::string& folder, std::vector<std::string>& out) const override {
        const auto t = Clock::now();
        const bool r = inner_.Subfolders(folder, out);
        b_.listMs += Ms(Clock::now() - t);
        ++b_.lists;
        return r;
    }
    bool ProgramsFolder(std::string& folder) const override {
        return inner_.ProgramsFolder(folder);
    }
    bool FinalPath(const std::string& path, std::string& out) const override {
        return inner_.FinalPath(path, out);
    }
    // Counted as a listing: where the system reads the folder once, the file test is in it.
    bool ListFolder(const std::string& folder, const std::string& fileName,
                    std::vector<std::string>& subfolders, bool& hasFile,
                    const std::function<void()>& meanwhile) const override {
        const auto t = Clock::now();
        const bool r = inner_.ListFolder(folder, fileName, subfolders, hasFile, meanwhile);
        b_.listMs += Ms(Clock::now() - t);
        ++b_.lists;
        return r;
    }

  private:
    const services::FileSystem& inner_;
    Breakdown& b_;
};

// One row of the breakdown table, marked "B" at its start for the script to sort out.
inline void PrintBreakdownRow(const std::string& tree, const SearchRun& r, const Breakdown& b) {
    const double rest = r.totalMs - b.listMs - b.testMs - r.inYieldsMs;
    std::printf("B| %-12s | %9.1f | %9.1f (%6ld) | %12.1f (%6ld) | %8.1f (%6zu) | %7.1f |\n",
                tree.c_str(), r.totalMs, b.listMs, b.lists, b.testMs, b.tests, r.inYieldsMs,
                r.yields, rest);
}

}  // namespace bench
