// Fakes of the system services, so that the windows run natively in tests.
#pragma once

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "forms/DriveList.h"
#include "forms/FileSystem.h"
#include "forms/Form.h"
#include "forms/Runtime.h"
#include "main/DiskQuery.h"
#include "sysinfo/Registry.h"

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
    void MenuChanged(const forms::MenuItem&) override { ++menuChanges; }
    std::uintptr_t Handle() override { return handle_; }
    int applied = 0, added = 0, menuChanges = 0;
    std::vector<std::string> broughtToFront;

  private:
    std::uintptr_t handle_;
    std::deque<FakeControlPeer> controlPeers_;
};

// Realises forms as nothing; the outer size is the inner size plus fixed borders. A modal
// show records the form and runs `duringModal`, as the user's actions while it is open.
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
    void MsgBox(const std::string& prompt) override { messages.push_back(prompt); }

    double borderWidth = 120, borderHeight = 405;
    std::vector<std::string> realised, modal, messages;
    std::function<void(forms::Form&)> duringModal;
    std::function<void()> onYield;
    int yields = 0;
    std::uintptr_t lastHandle = 0x100;
};

class FakeScreen : public forms::Screen {
  public:
    double Width() const override { return width; }
    double Height() const override { return height; }
    double width = 1024 * 15, height = 768 * 15;
};

class FakeClock : public forms::Clock {
  public:
    forms::Date Today() const override { return today; }
    forms::Date today{2026, 12, 8};
};

class FakeLocale : public forms::Locale {
  public:
    forms::NumberSeparators Separators() const override { return seps; }
    forms::NumberSeparators seps{",", "."};  // Italian
};

class FakeDrives : public forms::DriveSource {
  public:
    std::vector<std::string> Drives() const override { return entries; }
    std::vector<std::string> entries;
};

// Answers each root from a table; unknown roots measure as zero, like a drive without medium.
// Records the order of the queries and the form's mouse pointer at each.
class FakeDisks : public kelvr::DiskQuery {
  public:
    kelvr::DiskFigures Query(const std::string& root) override {
        queried.push_back(root);
        if (pointerOf)
            pointers.push_back(pointerOf());
        auto it = figures.find(root);
        return it == figures.end() ? kelvr::DiskFigures{} : it->second;
    }
    std::map<std::string, kelvr::DiskFigures> figures;
    std::vector<std::string> queried;
    std::function<int()> pointerOf;
    std::vector<int> pointers;
};

// Keys of HKEY_LOCAL_MACHINE holding values as raw bytes. Like the registry of a user without
// administrator rights, it refuses to open a key with write rights. Records every access mask
// asked for and every handle closed.
class FakeRegistry : public kelvr::Registry {
  public:
    static constexpr std::uint32_t kWriteRights = 0x2 | 0x4 | 0x20;  // set value, subkey, link

    void Set(const std::string& key, const std::string& name, std::uint32_t type,
             const std::string& bytes) {
        keys_[key][name] = {type, bytes};
    }
    // A REG_SZ value, stored with its terminating NUL unless `terminated` is false.
    void SetText(const std::string& key, const std::string& name, const std::string& text,
                 bool terminated = true) {
        Set(key, name, kelvr::kRegSz, terminated ? text + '\0' : text);
    }

    long OpenKey(std::uint32_t root, const std::string& name, std::uint32_t access,
                 kelvr::RegistryKey& key) override {
        masks.push_back(access);
        if (root != kelvr::kHkeyLocalMachine || (access & kWriteRights) != 0)
            return 5;  // ERROR_ACCESS_DENIED
        auto it = keys_.find(name);
        if (it == keys_.end())
            return 2;  // ERROR_FILE_NOT_FOUND
        key = ++lastHandle_;
        open_[key] = &it->second;
        return 0;
    }
    long QueryValue(kelvr::RegistryKey key, const std::string& name, std::uint32_t& type,
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
    void CloseKey(kelvr::RegistryKey key) override {
        closed.push_back(key);
        open_.erase(key);
    }

    std::size_t OpenHandles() const { return open_.size(); }
    std::vector<std::uint32_t> masks;
    std::vector<kelvr::RegistryKey> closed;

  private:
    struct Value {
        std::uint32_t type;
        std::string bytes;
    };
    using Values = std::map<std::string, Value>;
    std::map<std::string, Values> keys_;
    std::map<kelvr::RegistryKey, Values*> open_;
    kelvr::RegistryKey lastHandle_ = 0x500;
};

class FakeShell : public kelvr::Shell {
  public:
    struct Launch {
        std::uintptr_t owner;
        std::string file, directory;
        int show;
    };
    void Execute(std::uintptr_t owner, const std::string& file, const std::string& directory,
                 int show) override {
        launches.push_back({owner, file, directory, show});
    }
    std::vector<Launch> launches;
};

// Folders in memory, each listing its subfolders in the order given, and plain files. A folder
// not added, or made unreadable, cannot be listed. `generate`, when set, answers the listing of
// folders not added, for trees too large to write out. Every file test and listing is recorded,
// and also appended to `log` when set. The programs folder is `programsFolder`, and the query
// fails while that is empty; a path resolves to its entry in `finalPaths` (a link's target,
// "" for a path that cannot be opened), any other to itself as written.
class FakeFileSystem : public forms::FileSystem {
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
        return files_.count(path) != 0;
    }
    bool Subfolders(const std::string& folder, std::vector<std::string>& out) const override {
        listed.push_back(folder);
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
    mutable std::vector<std::string> tested, listed;

  private:
    std::map<std::string, std::vector<std::string>> folders_;
    std::set<std::string> files_, unreadable_;
};

}  // namespace fakes
