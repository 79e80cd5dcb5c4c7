// The program: its windows and the launcher they share. A window is made on first use and,
// once unloaded, made afresh for its next opening, as forms are.
#pragma once

#include <memory>
#include <vector>

#include "info/InfQirvo.h"
#include "info/frmAbout.h"
#include "main/FreeAll.h"
#include "services/Clock.h"
#include "services/Drives.h"
#include "services/FileSystem.h"
#include "services/Locale.h"
#include "services/Registry.h"
#include "services/Shell.h"
#include "sysinfo/SubModuli.h"

namespace kelvr {

struct ProgramServices {
    forms::FormHost& host;
    const forms::Screen& screen;
    const forms::Clock& clock;
    const forms::Locale& locale;
    std::shared_ptr<const forms::DriveSource> drives;
    std::shared_ptr<DiskQuery> disks;
    const forms::FileSystem& files;
    Registry& registry;
    Shell& shell;
};

class Program {
  public:
    explicit Program(const ProgramServices& services);

    FreeAll& Main() { return main_; }
    SubModuli& Launcher() { return launcher_; }
    // The maker window as it stands: loaded (shown or hidden), or a new one, made from the
    // design, in place of one that has been unloaded.
    InfQirvo& Maker();
    void ShowAbout();
    void ShowMaker();

  private:
    void ModalEnded();

    ProgramServices services_;
    SubModuli launcher_;
    FreeAll main_;
    std::unique_ptr<InfQirvo> maker_;
    // Unloaded windows whose handlers may still be running; freed when no window is modal.
    std::vector<std::unique_ptr<InfQirvo>> retired_;
    int modal_ = 0;
};

}  // namespace kelvr
