// frmAbout, the about window: the program's icon, title, version and description, a notice,
// the maker's credit line (which opens the maker window) and "&System Info...".
#pragma once

#include <functional>

#include "forms/Form.h"
#include "sysinfo/SubModuli.h"

namespace kelvr {

class frmAbout : public forms::Form {
  public:
    // The window places itself relative to `mainWindow`; `showMaker` opens the maker window.
    frmAbout(forms::FormHost& host, const forms::Form& mainWindow, SubModuli& launcher,
             std::function<void()> showMaker);

    void cmdOK_Click();
    void cmdSysInfo_Click();
    void Label1_Click();

    forms::Control Picture1, lblTitle, lblVersion, Label1, lblDescription, Frame1, Lb_cr, cmdOK,
        cmdSysInfo;

  protected:
    void Form_Load() override;

  private:
    const forms::Form& mainWindow_;
    SubModuli& launcher_;
    std::function<void()> showMaker_;
};

}  // namespace kelvr
