#include "info/frmAbout.h"

#include <string>

#include "ResourceIds.h"
#include "Version.h"
#include "info/Content.h"

namespace kelvr {

using forms::Kind;
using forms::Rgb;

frmAbout::frmAbout(forms::FormHost& host, const forms::Form& mainWindow, SubModuli& launcher,
                   std::function<void()> showMaker)
    : Form(host, "frmAbout"),
      Picture1(Kind::Picture, "Picture1"),
      lblTitle(Kind::Label, "lblTitle"),
      lblVersion(Kind::Label, "lblVersion"),
      Label1(Kind::Label, "Label1"),
      lblDescription(Kind::Label, "lblDescription"),
      Frame1(Kind::Frame, "Frame1"),
      Lb_cr(Kind::Label, "Lb_cr"),
      cmdOK(Kind::Button, "cmdOK"),
      cmdSysInfo(Kind::Button, "cmdSysInfo"),
      mainWindow_(mainWindow),
      launcher_(launcher),
      showMaker_(std::move(showMaker)) {
    Design(5340, 3090, forms::Border::FixedDialog, false, false, false, IDI_ABOUT);
    SetCaption("Informazioni ");
    constexpr forms::Color kDarkBlue = Rgb(0, 0, 128);

    Picture1.Move(135, 90, 540, 540);
    Picture1.SetPicture(IDI_PICTURE);
    Picture1.SetAccessibleName(KELVR_TITLE);  // the program's icon
    Register(Picture1);

    lblTitle.Move(870, 270, 2400, 435);
    lblTitle.SetFont({"MS Sans Serif", 12, true, false, false});
    lblTitle.SetForeColor(Rgb(128, 0, 0));
    lblTitle.SetOpaque(false);
    Register(lblTitle);

    lblVersion.Move(3345, 300, 1860, 225);
    lblVersion.SetAlignment(forms::Align::Right);
    lblVersion.SetForeColor(kDarkBlue);
    lblVersion.SetOpaque(false);
    lblVersion.SetMousePointer(forms::kCustomPointer);
    Register(lblVersion);

    Label1.Move(2580, 45, 2625, 270);
    Label1.SetAlignment(forms::Align::Right);
    Label1.SetForeColor(kDarkBlue);
    Label1.SetOpaque(false);
    Label1.SetMousePointer(forms::kCustomPointer);
    Label1.SetCaption(std::string("by QIRVO sas di ") + content::kOwner);
    Label1.Click = [this] { Label1_Click(); };
    Label1.SetAccessibleRole(forms::Role::Link);  // it opens the maker window
    Register(Label1);

    lblDescription.Move(315, 720, 4695, 1305);
    lblDescription.SetForeColor(Rgb(0, 0, 0));
    lblDescription.SetOpaque(false);
    Register(lblDescription);

    Frame1.Move(-90, 2025, 5505, 1095);
    Register(Frame1);
    Lb_cr.SetContainer(&Frame1);
    Lb_cr.Move(180, 180, 3795, 915);
    Lb_cr.SetFont({"Arial", 8.25, false, false, false});
    Lb_cr.SetOpaque(false);
    Register(Lb_cr);
    cmdOK.SetContainer(&Frame1);
    cmdOK.Move(3975, 150, 1395, 435);
    cmdOK.SetCaption("OK");
    cmdOK.SetDefault(true);
    cmdOK.SetCancel(true);
    cmdOK.SetTabIndex(0);
    cmdOK.Click = [this] { cmdOK_Click(); };
    Register(cmdOK);
    cmdSysInfo.SetContainer(&Frame1);
    cmdSysInfo.Move(3990, 600, 1380, 435);
    cmdSysInfo.SetCaption("&System Info...");
    cmdSysInfo.SetTabIndex(1);
    cmdSysInfo.Click = [this] { cmdSysInfo_Click(); };
    Register(cmdSysInfo);
}

void frmAbout::Form_Load() {
    Move(static_cast<float>(mainWindow_.Left()) + 20.0f,
         static_cast<float>(mainWindow_.Top()) + 400.0f);
    SetCaption(std::string(" Informazioni su ") + KELVR_TITLE);
    lblTitle.SetCaption(KELVR_TITLE);
    lblVersion.SetCaption("Versione " + std::to_string(KELVR_MAJOR) + "." +
                          std::to_string(KELVR_MINOR) + "." + std::to_string(KELVR_REVISION));
    lblDescription.SetCaption(
        "Espone lo spazio occupato, libero e totale dei Drive\n"
        "\n"
        "E' possibile ordinare in modo crescente le colonne\n"
        "facendo click con il tasto sinistro del mouse sulla\n"
        "sua intestazione");
    Lb_cr.SetCaption(content::kFreeUseNotice);
}

void frmAbout::cmdOK_Click() {
    Unload();
}

// A failure shows nothing here: only the maker window's button searches and says so.
void frmAbout::cmdSysInfo_Click() {
    launcher_.LaunchSysInfoTool();
}

void frmAbout::Label1_Click() {
    if (showMaker_)
        showMaker_();
}

}  // namespace kelvr
