// Fakes of the system services, so that the windows run natively in tests.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "forms/DriveList.h"
#include "forms/Form.h"
#include "forms/Runtime.h"
#include "services/Clock.h"
#include "services/DiskQuery.h"
#include "services/DriveSource.h"
#include "services/FileSystem.h"
#include "services/Locale.h"
#include "services/Registry.h"
#include "services/Shell.h"

namespace fakes {

// The peer of a control loaded after its form was realised: logs, by the control's full name,
// each time it is brought to the front.
class FakeControlPeer : public forms::ControlPeer {
  public:
    FakeControlPeer(std::string name, std::vector<std::string>& log)
        : name_(std::move(name)), log_(log) {}
    void Apply(const forms::Control&) override {}
    void BringToFront() override { log_.push_back(name_); }

  private:
    std::string name_;
    std::vector<std::string>& log_;
};

// A peer that only counts what the form asked of it, and gives each control loaded later a
// peer of its own.
class FakeFormPeer : public forms::FormPeer {
  public:
    explicit FakeFormPeer(std::uintptr_t handle) : handle_(handle) {}
    void Apply(const forms::Form&) override { ++applied; }
    void AddControl(forms::Control& c) override {
        ++added;
        controlPeers_.emplace_back(c.FullName(), broughtToFront);
        c.Attach(&controlPeers_.back());
    }
    void MenuChanged(const forms::MenuItem&) override {}
    std::uintptr_t Hwnd() override { return handle_; }
    int applied = 0, added = 0;
    std::vector<std::string> broughtToFront;

  private:
    std::uintptr_t handle_;
    std::deque<FakeControlPeer> controlPeers_;
};

// Threads that a test holds back. Work started through FakeHost::RunAside runs on real threads;
// a fake query first passes the gate of its key, which blocks while the test holds it, as a
// drive that does not answer. Settle waits until every thread out has either finished or is
// held at a gate: the threads not held have then answered "in time", however slow the machine.
class Gates {
  public:
    ~Gates() { Drain(); }
    // Releases every gate and waits until every thread out has finished: what the threads use
    // may then go.
    void Drain() {
        std::unique_lock<std::mutex> lock(mutex_);
        held_.clear();
        ++changes_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return out_ == 0; });
    }
    void Hold(const std::string& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        held_.insert(key);
    }
    void Release(const std::string& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        held_.erase(key);
        ++changes_;
        changed_.notify_all();
    }
    // Called by a fake query on its thread.
    void Pass(const std::string& key) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!held_.count(key))
            return;
        ++waiting_[key];
        ++changes_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return !held_.count(key); });
        --waiting_[key];
    }
    void Run(std::function<void()> work) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++out_;
        std::thread([this, work = std::move(work)] {
            work();
            std::lock_guard<std::mutex> done(mutex_);
            --out_;
            ++changes_;
            changed_.notify_all();
        }).detach();
    }
    // Tells Settle to look at its condition again (a task was posted).
    void Changed() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++changes_;
        changed_.notify_all();
    }
    // Waits until `done` holds (it is asked without the gates' lock) or every thread out is
    // held at a gate; false after ten seconds, which only a fault can take.
    bool Settle(const std::function<bool()>& done = nullptr) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            unsigned seen;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                seen = changes_;
            }
            if (done && done())
                return true;
            std::unique_lock<std::mutex> lock(mutex_);
            if (changes_ == seen && out_ == Stuck())
                return true;
            if (!changed_.wait_until(lock, limit,
                                     [&] { return changes_ != seen || out_ == Stuck(); }))
                return false;
        }
    }

  private:
    // Threads waiting at gates still held. Under the lock.
    int Stuck() const {
        int n = 0;
        for (const auto& w : waiting_) n += held_.count(w.first) ? w.second : 0;
        return n;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<std::string> held_;
    int out_ = 0;                         // threads started and not finished
    std::map<std::string, int> waiting_;  // threads at each gate
    unsigned changes_ = 0;
};

// Realises forms as nothing; the outer size is the inner size plus fixed borders. A modal
// show records the form and runs `duringModal`, as the user's actions while it is open. Work
// run aside goes through `gates`; a wait returns as soon as its condition holds or every
// thread not held back has finished, and posted tasks run when the test calls RunPosted.
class FakeHost : public forms::FormHost {
  public:
    std::unique_ptr<forms::FormPeer> Realise(forms::Form& form) override {
        form.SetOuterSize(form.DesignWidth() + borderWidth, form.DesignHeight() + borderHeight);
        realised.push_back(form.Name());
        return std::make_unique<FakeFormPeer>(++lastHandle);
    }
    void RunModal(forms::Form& form) override {
        modal.push_back(form.Name());
        form.Show();
        if (duringModal)
            duringModal(form);
    }
    void DoEvents() override {
        ++yields;
        if (onYield)
            onYield();
    }
    void MsgBox(const std::string& prompt) override {
        messages.push_back(prompt);
        if (log)
            log->push_back("message " + prompt);
    }
    bool RunAside(std::function<void()> work) override {
        if (!threads)
            return false;
        gates.Run(std::move(work));
        return true;
    }
    void Post(std::function<void()> task) override {
        {
            std::lock_guard<std::mutex> lock(postMutex_);
            posted_.push_back(std::move(task));
        }
        gates.Changed();
    }
    bool WaitFor(const std::function<bool()>& done, Deadline until) override {
        waitLimits.push_back(until - std::chrono::steady_clock::now());
        if (duringWait)
            duringWait();
        gates.Settle(done);
        waitsAnswered.push_back(done());
        return waitsAnswered.back();
    }
    bool Ending() const override { return ending; }

    // Lets the threads not held back finish, then runs what they posted, as the message loop
    // would once a wait is over. Returns how many tasks ran.
    int RunPosted() {
        gates.Settle();
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard<std::mutex> lock(postMutex_);
            tasks.swap(posted_);
        }
        for (auto& task : tasks) task();
        return static_cast<int>(tasks.size());
    }

    double borderWidth = 120, borderHeight = 405;
    std::vector<std::string> realised, modal, messages;
    std::vector<std::string>* log = nullptr;  // messages are also appended here when set
    std::function<void(forms::Form&)> duringModal;
    std::function<void()> onYield, duringWait;
    int yields = 0;
    std::uintptr_t lastHandle = 0x100;
    bool threads = true;  // false: no thread can be started
    bool ending = false;
    std::vector<std::chrono::steady_clock::duration> waitLimits;  // each wait's bound
    // Whether each wait ended answered; one that did not would have lasted its whole bound.
    std::vector<bool> waitsAnswered;
    Gates gates;

  private:
    std::mutex postMutex_;
    std::deque<std::function<void()>> posted_;
};

class FakeScreen : public forms::Screen {
  public:
    double Width() const override { return width; }
    double Height() const override { return height; }
    forms::Area WorkArea() const override {
        return work ? *work : forms::Area{0, 0, width, height};
    }
    double width = 1024 * 15, height = 768 * 15;
    std::optional<forms::Area> work;  // none: the whole screen
};

class FakeClock : public services::Clock {
  public:
    services::Date Today() const override { return today; }
    services::Date today{2026, 12, 8};
};

class FakeLocale : public services::Locale {
  public:
    services::NumberSeparators Separators() const override { return seps; }
    services::NumberSeparators seps{",", "."};  // Italian
};

// Drive entries, each naming its drive by its first letter. Asking for an entry passes the
// gate "entry x" (x the letter) when `gates` is set.
class FakeDrives : public services::DriveSource {
  public:
    std::vector<char> Letters() const override {
        std::vector<char> letters;
        for (const std::string& e : entries) letters.push_back(e.at(0));
        return letters;
    }
    std::string Entry(char letter) const override {
        if (gates)
            gates->Pass(std::string("entry ") + letter);
        for (const std::string& e : entries)
            if (e.at(0) == letter)
                return e;
        return forms::LetterEntry(letter);
    }
    std::vector<std::string> entries;
    Gates* gates = nullptr;
};

// Answers each root from a table; unknown roots measure as zero, like a drive without medium.
// Records the roots asked (from any thread); asking passes the gate of the root ("c:\") when
// `gates` is set.
class FakeDisks : public services::DiskQuery {
  public:
    services::DiskFigures Query(const std::string& root) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queried.push_back(root);
        }
        if (gates)
            gates->Pass(root);
        auto it = figures.find(root);
        return it == figures.end() ? services::DiskFigures{} : it->second;
    }
    std::vector<std::string> Queried() {
        std::lock_guard<std::mutex> lock(mutex_);
        return queried;
    }
    std::map<std::string, services::DiskFigures> figures;  // set before any query
    Gates* gates = nullptr;

  private:
    std::mutex mutex_;
    std::vector<std::string> queried;
};

// Keys of HKEY_LOCAL_MACHINE holding values as raw bytes. Like the registry of a user without
// administrator rights, it refuses to open a key with write rights.
class FakeRegistry : public services::Registry {
  public:
    static constexpr std::uint32_t kWriteRights = 0x2 | 0x4 | 0x20;  // set value, subkey, link

    void Set(const std::string& key, const std::string& name, std::uint32_t type,
             const std::string& bytes) {
        keys_[key][name] = {type, bytes};
    }
    // A REG_SZ value, stored with its terminating NUL.
    void SetText(const std::string& key, const std::string& name, const std::string& text) {
        Set(key, name, services::kRegSz, text + '\0');
    }

    long OpenKey(std::uint32_t root, const std::string& name, std::uint32_t access,
                 services::RegistryKey& key) override {
        if (root != services::kHkeyLocalMachine || (access & kWriteRights) != 0)
            return 5;  // ERROR_ACCESS_DENIED
        auto it = keys_.find(name);
        if (it == keys_.end())
            return 2;  // ERROR_FILE_NOT_FOUND
        key = ++lastHandle_;
        open_[key] = &it->second;
        return 0;
    }
    long QueryValue(services::RegistryKey key, const std::string& name, std::uint32_t& type,
                    char* buffer, std::uint32_t& size) override {
        auto k = open_.find(key);
        if (k == open_.end())
            return 6;  // ERROR_INVALID_HANDLE
        auto v = k->second->find(name);
        if (v == k->second->end())
            return 2;
        const std::string& bytes = v->second.bytes;
        type = v->second.type;
        if (bytes.size() > size) {
            size = static_cast<std::uint32_t>(bytes.size());
            return 234;  // ERROR_MORE_DATA
        }
        std::memcpy(buffer, bytes.data(), bytes.size());
        size = static_cast<std::uint32_t>(bytes.size());
        return 0;
    }
    void CloseKey(services::RegistryKey key) override { open_.erase(key); }

    std::size_t OpenHandles() const { return open_.size(); }

  private:
    struct Value {
        std::uint32_t type;
        std::string bytes;
    };
    using Values = std::map<std::string, Value>;
    std::map<std::string, Values> keys_;
    std::map<services::RegistryKey, Values*> open_;
    services::RegistryKey lastHandle_ = 0x500;
};

class FakeShell : public services::Shell {
  public:
    struct Launch {
        std::uintptr_t owner;
        std::string file, directory;
        int show;
    };
    void Execute(std::uintptr_t owner, const std::string& file, const std::string& directory,
                 int show) override {
        launches.push_back({owner, file, directory, show});
        if (log)
            log->push_back("launch " + file);
    }
    // The files launched, in order.
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (const Launch& l : launches) out.push_back(l.file);
        return out;
    }
    std::vector<Launch> launches;
    std::vector<std::string>* log = nullptr;  // launches are also appended here when set
};

// Folders in memory, each listing its subfolders in the order given, and plain files. A folder
// not added, or made unreadable, cannot be listed. `generate`, when set, answers the listing of
// folders not added, for trees too large to write out. Every file test is recorded, and every
// file test and listing also appended to `log` when set. With `readingSteps` set, a folder is
// read in one pass that lets events run that many times, as a system that reads and sorts a
// whole folder before it answers. A test of whether a path is a plain file passes the
// gate of the path when `gates` is set, once it is recorded and its answer known. The programs
// folder is `programsFolder`, and the query fails while that is empty; a path resolves to its
// entry in `finalPaths` (a link's target, "" for a path that cannot be opened), any other to
// itself as written.
class FakeFileSystem : public services::FileSystem {
  public:
    // Adds `folder` with subfolders `names`, each an empty folder until given its own.
    void AddFolder(const std::string& folder, const std::vector<std::string>& names = {}) {
        std::vector<std::string>& list = folders_[folder];
        for (const std::string& n : names) {
            list.push_back(folder + "\\" + n);
            folders_.insert({list.back(), {}});
        }
    }
    void AddFile(const std::string& path) { files_.insert(path); }
    void MakeUnreadable(const std::string& folder) { unreadable_.insert(folder); }

    bool IsPlainFile(const std::string& path) const override {
        tested.push_back(path);
        if (log)
            log->push_back("test " + path);
        const bool plain = files_.count(path) != 0;
        if (gates)
            gates->Pass(path);
        return plain;
    }
    bool Subfolders(const std::string& folder, std::vector<std::string>& out) const override {
        if (log)
            log->push_back("list " + folder);
        if (unreadable_.count(folder))
            return false;
        auto it = folders_.find(folder);
        if (it != folders_.end()) {
            out = it->second;
            return true;
        }
        return generate && generate(folder, out);
    }
    bool ListFolder(const std::string& folder, const std::string& fileName,
                    std::vector<std::string>& subfolders, bool& hasFile,
                    const std::function<void()>& meanwhile) const override {
        for (int i = 0; i < readingSteps; ++i) meanwhile();
        return services::FileSystem::ListFolder(folder, fileName, subfolders, hasFile, meanwhile);
    }
    bool ProgramsFolder(std::string& folder) const override {
        folder = programsFolder;
        return !folder.empty();
    }
    bool FinalPath(const std::string& path, std::string& out) const override {
        auto it = finalPaths.find(path);
        out = it == finalPaths.end() ? path : it->second;
        return !out.empty();
    }

    std::function<bool(const std::string&, std::vector<std::string>&)> generate;
    std::vector<std::string>* log = nullptr;
    std::string programsFolder;
    std::map<std::string, std::string> finalPaths;
    int readingSteps = 0;
    mutable std::vector<std::string> tested;
    Gates* gates = nullptr;

  private:
    std::map<std::string, std::vector<std::string>> folders_;
    std::set<std::string> files_, unreadable_;
};

}  // namespace fakes
