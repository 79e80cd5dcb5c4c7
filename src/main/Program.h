// The program: its windows and the launcher they share. A window is made on first use and,
// once unloaded, made afresh for its next opening, as forms are.
#pragma once

#include <memory>
#include <vector>

#include "info/InfQirvo.h"
#include "info/frmAbout.h"
#include "main/FreeAll.h"
#include "main/Services.h"
#include "sysinfo/SubModuli.h"

namespace kelvr {

class Program {
  public:
    explicit Program(const Services& services);

    FreeAll& Main() { return main_; }
    SubModuli& Launcher() { return launcher_; }
    // The maker window as it stands: loaded (shown or hidden), or a new one, made from the
    // design, in place of one that has been unloaded.
    InfQirvo& Maker();
    void ShowAbout();
    void ShowMaker();

  private:
    void ModalEnded();

    Services services_;
    SubModuli launcher_;
    FreeAll main_;
    std::unique_ptr<InfQirvo> maker_;
    // Unloaded windows whose handlers may still be running; freed when no window is modal.
    std::vector<std::unique_ptr<InfQirvo>> retired_;
    int modal_ = 0;
};

}  // namespace kelvr
