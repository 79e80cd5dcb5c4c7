// Fakes of the system services, so that the windows run natively in tests.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "forms/DriveList.h"
#include "forms/Form.h"
#include "forms/Runtime.h"
#include "main/DiskQuery.h"

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
    std::uintptr_t Handle() const override { return handle_; }
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

}  // namespace fakes
