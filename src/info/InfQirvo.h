// InfQirvo, the maker's window: the maker's details, mail and web links that open through
// the shell, and the "? &Sistema" button that starts the system-information tool, searching
// the programs folder for it when the registry does not name it.
#pragma once

#include <string>
#include <vector>

#include "forms/DirList.h"
#include "forms/Form.h"
#include "main/Services.h"
#include "sysinfo/SubModuli.h"

namespace kelvr {

class InfQirvo : public forms::Form {
  public:
    InfQirvo(const Services& services, SubModuli& launcher);

    // The buttons, the links and the hidden folder list call these; every mouse move over the
    // window, the frame, the notice and the telephone lines ends in ResetLinkLook.
    void Command1_Click();
    void cmdInfoSys_Click();
    void dirHidden_Change();
    void lbMail_MouseMove(int button, int shift, double x, double y);
    void lbSito_MouseMove(int button, int shift, double x, double y);
    void lbMail_MouseDown(int button, int shift, double x, double y);
    void lbSito_MouseDown(int button, int shift, double x, double y);
    void ResetLinkLook();

    // The text last handed to the shell by a link, or the tool found by the search.
    std::string LinkTarget;

    // True while "? &Sistema" searches the programs folder.
    bool Searching() const { return searching_; }

    forms::Control Picture1, Line1, lbIndirizzo, Lb_dati, lbMail, lbSito, Frame1, Lb_cr, Command1,
        cmdInfoSys;
    forms::ControlArray Lb_adp, Label3;
    forms::DirList dirHidden;

    static constexpr const char* kSearchStart = "C:\\Programmi";
    static constexpr const char* kToolFile = "MSINFO32.EXE";

  protected:
    void Form_Load() override;

  private:
    void Hover(forms::Control& label, double x, double y);
    void OpenLink(const std::string& target);
    std::string TrustedStart() const;
    void Walk();

    Services services_;
    SubModuli& launcher_;
    bool searching_ = false;
    bool walking_ = false;
    bool linkOpened_ = false;  // a link was opened while the search ran
};

}  // namespace kelvr
