#include "info/frmAbout.h"

#include <string>

#include "ResourceIds.h"
#include "Version.h"
#include "info/Content.h"
#include "info/Design.h"

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
    const forms::Font plain;
    const std::string credit = std::string("by QIRVO sas di ") + content::kOwner;

    Picture1.Move(135, 90, 540, 540);
    Picture1.SetPicture(IDI_PICTURE);
    Picture1.SetAccessibleName(KELVR_TITLE);  // the program's icon
    Register(Picture1);

    // The texts but for the credit line come with Form_Load.
    const struct {
        forms::Control* label;
        LabelDesign design;
    } labels[] = {
        {&lblTitle,
         {870, 270, 2400, 435, {"MS Sans Serif", 12, true, false, false}, Rgb(128, 0, 0), ""}},
        {&lblVersion, {3345, 300, 1860, 225, plain, kDarkBlue, "", forms::Align::Right}},
        {&Label1, {2580, 45, 2625, 270, plain, kDarkBlue, credit.c_str(), forms::Align::Right}},
        {&lblDescription, {315, 720, 4695, 1305, plain, Rgb(0, 0, 0), ""}},
    };
    for (const auto& l : labels) {
        DesignLabel(*l.label, l.design);
        Register(*l.label);
    }
    lblVersion.SetMousePointer(forms::kCustomPointer);
    Label1.SetMousePointer(forms::kCustomPointer);
    Label1.Click = [this] { Label1_Click(); };
    Label1.SetAccessibleRole(forms::Role::Link);  // it opens the maker window

    Frame1.Move(-90, 2025, 5505, 1095);
    Register(Frame1);
    Lb_cr.SetContainer(&Frame1);
    DesignLabel(
        Lb_cr, {180, 180, 3795, 915, {"Arial", 8.25, false, false, false}, forms::kButtonText, ""});
    Register(Lb_cr);
    DesignButton(cmdOK, Frame1, 3975, 150, 1395, 435, "OK", 0);
    cmdOK.SetDefault(true);
    cmdOK.SetCancel(true);
    cmdOK.Click = [this] { cmdOK_Click(); };
    Register(cmdOK);
    DesignButton(cmdSysInfo, Frame1, 3990, 600, 1380, 435, "&System Info...", 1);
    cmdSysInfo.Click = [this] { cmdSysInfo_Click(); };
    Register(cmdSysInfo);
}

void frmAbout::Form_Load() {
    Move(static_cast<float>(mainWindow_.Left()) + 20.0f,
         static_cast<float>(mainWindow_.Top()) + 400.0f);
    SetCaption(std::string(" Informazioni su ") + KELVR_TITLE);
    lblTitle.SetCaption(KELVR_TITLE);
    lblVersion.SetCaption("Versione " KELVR_VERSION_NUMBERS);
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
