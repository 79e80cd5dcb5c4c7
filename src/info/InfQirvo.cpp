#include "info/InfQirvo.h"

#include "ResourceIds.h"
#include "info/Content.h"
#include "info/Design.h"
#include "sysinfo/Global.h"

namespace kelvr {

using forms::Control;
using forms::Font;
using forms::Kind;
using forms::Rgb;

namespace {
constexpr forms::Color kTeal = Rgb(0, 128, 128);
constexpr forms::Color kDarkBlue = Rgb(0, 0, 128);
constexpr forms::Color kLightGrey = Rgb(224, 224, 224);
constexpr forms::Color kPale = Rgb(240, 255, 255);

// Equal but for letter case and trailing backslashes. Both names come from FinalPath, with the
// letters as stored, so folding ASCII letters is enough.
bool SameFolderName(const std::string& a, const std::string& b) {
    auto trimmed = [](const std::string& s) {
        std::size_t n = s.size();
        while (n > 0 && s[n - 1] == '\\') --n;
        return n;
    };
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const std::size_t n = trimmed(a);
    if (n != trimmed(b))
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}
}  // namespace

InfQirvo::InfQirvo(const Services& services, SubModuli& launcher)
    : Form(services.host, "InfQirvo"),
      Picture1(Kind::Picture, "Picture1"),
      Line1(Kind::Line, "Line1"),
      lbIndirizzo(Kind::Label, "lbIndirizzo"),
      Lb_dati(Kind::Label, "Lb_dati"),
      lbMail(Kind::Label, "lbMail"),
      lbSito(Kind::Label, "lbSito"),
      Frame1(Kind::Frame, "Frame1"),
      Lb_cr(Kind::Label, "Lb_cr"),
      Command1(Kind::Button, "Command1"),
      cmdInfoSys(Kind::Button, "cmdInfoSys"),
      Lb_adp(*this, Kind::Label, "Lb_adp"),
      Label3(*this, Kind::Label, "Label3"),
      dirHidden(services.files),
      services_(services),
      launcher_(launcher) {
    Design(5295, 3825, forms::Border::FixedSingle, false, false, false, IDI_QIRVO, kLightGrey);
    SetCaption("Informazioni sul produttore del SoftWare");
    const Font arial{"Arial", 11.25, false, false, false};
    const forms::Color text = forms::kButtonText;

    Picture1.Move(90, 90, 945, 900);
    Picture1.SetBackColor(kPale);
    // The logo: the maker's hand, drawn by a letter of a symbol font, read as the maker's name.
    Picture1.SetAccessibleName("QIRVO");
    Register(Picture1);

    // The lettering, in the order of its array's members; the hand stands in Picture1.
    const std::string owner = std::string("di ") + content::kOwner;
    const struct {
        int index;
        LabelDesign design;
    } lettering[] = {
        {4, {160, 0, 600, 780, {"Wingdings", 48, false, false, false}, kTeal, "C"}},
        {0, {1170, 90, 1725, 600, {"Garamond", 26.25, true, false, false}, kTeal, "QIRVO"}},
        {1, {2970, 135, 2625, 510, {"Garamond", 24, true, false, false}, kTeal, "sas"}},
        {3, {1170, 630, 4335, 510, {"Garamond", 20.25, true, false, false}, kTeal, owner.c_str()}},
    };
    for (const auto& l : lettering) {
        Control& c = Lb_adp.Add(l.index);
        if (l.index == 4) {
            c.SetContainer(&Picture1);
            c.SetAccessibleRole(forms::Role::Graphic);
            c.SetAccessibleName(Picture1.AccessibleName());
        }
        DesignLabel(c, l.design);
    }

    Line1.Move(0, 1140, 5325, 0);
    Register(Line1);

    // The details, and the links, each after its caption; the texts of the address and the
    // telephone lines come with Form_Load.
    auto reset = [this](int, int, double, double) { ResetLinkLook(); };
    const struct {
        Control* label;  // null: the next member of Label3, the captions
        int index;
        LabelDesign design;
    } details[] = {
        {&lbIndirizzo, -1, {180, 1290, 5010, 330, arial, text, ""}},
        {&Lb_dati, -1, {225, 1650, 4875, 510, arial, text, ""}},
        {nullptr, 1, {360, 2295, 690, 330, arial, text, "E-mail:"}},
        {&lbMail, -1, {1155, 2295, 1845, 255, arial, kDarkBlue, content::kMail}},
        {nullptr, 0, {3090, 2295, 510, 330, arial, text, "Sito:"}},
        {&lbSito, -1, {3645, 2295, 1605, 255, arial, kDarkBlue, content::kSite}},
    };
    for (const auto& d : details) {
        Control& label = d.label ? *d.label : Label3.Add(d.index);
        DesignLabel(label, d.design);
        if (d.label)
            Register(label);
    }
    Lb_dati.MouseMove = reset;
    lbMail.SetAccessibleRole(forms::Role::Link);
    lbSito.SetAccessibleRole(forms::Role::Link);
    lbMail.MouseMove = [this](int b, int s, double x, double y) { lbMail_MouseMove(b, s, x, y); };
    lbSito.MouseMove = [this](int b, int s, double x, double y) { lbSito_MouseMove(b, s, x, y); };
    lbMail.MouseDown = [this](int b, int s, double x, double y) { lbMail_MouseDown(b, s, x, y); };
    lbSito.MouseDown = [this](int b, int s, double x, double y) { lbSito_MouseDown(b, s, x, y); };

    // The frame reaches past the window's left, right and bottom edges.
    Frame1.Move(-180, 2655, 5520, 1185);
    Frame1.SetBackColor(kLightGrey);
    Frame1.MouseMove = reset;
    Register(Frame1);
    Lb_cr.SetContainer(&Frame1);
    DesignLabel(Lb_cr, {270, 180, 3795, 915, {"Arial", 8.25, false, false, false}, text, ""});
    Lb_cr.MouseMove = reset;
    Register(Lb_cr);
    DesignButton(Command1, Frame1, 4140, 225, 1275, 420, "&OK", 0);
    Command1.Click = [this] { Command1_Click(); };
    Register(Command1);
    DesignButton(cmdInfoSys, Frame1, 4140, 630, 1275, 420, "? &Sistema", 1);
    cmdInfoSys.Click = [this] { cmdInfoSys_Click(); };
    Register(cmdInfoSys);

    MouseMove = reset;
    dirHidden.Change = [this] { dirHidden_Change(); };
}

void InfQirvo::Form_Load() {
    const float top =
        (static_cast<float>(services_.screen.Height()) - static_cast<float>(Height())) / 2;
    Move(Left(), top);
    const float left =
        (static_cast<float>(services_.screen.Width()) - static_cast<float>(Width())) / 2;
    Move(left, Top());
    lbIndirizzo.SetCaption(std::string("   ") + content::kTown + "\n");
    Lb_dati.SetCaption(std::string("   Tel.   ") + content::kTelephone + std::string(9, ' ') +
                       "Fax.   " + content::kFax + "\n   Cell.   " + content::kMobile + "  ");
    Lb_cr.SetFontSize(7);
    Lb_cr.SetCaption(content::kLegalWarning);
}

void InfQirvo::Command1_Click() {
    Unload();
}

void InfQirvo::Hover(Control& label, double x, double y) {
    const float X = static_cast<float>(x), Y = static_cast<float>(y);
    const float W = static_cast<float>(label.Width()), H = static_cast<float>(label.Height());
    if (X > 30 && X < W - 50 && Y > 30 && Y < H - 30) {
        label.SetFontUnderline(true);
        label.SetFontBold(true);
    } else {
        ResetLinkLook();
    }
}

void InfQirvo::lbMail_MouseMove(int, int, double x, double y) {
    Hover(lbMail, x, y);
}
void InfQirvo::lbSito_MouseMove(int, int, double x, double y) {
    Hover(lbSito, x, y);
}

void InfQirvo::ResetLinkLook() {
    lbMail.SetFontUnderline(false);
    lbMail.SetFontBold(false);
    lbSito.SetFontUnderline(false);
    lbSito.SetFontBold(false);
}

void InfQirvo::OpenLink(const std::string& target) {
    LinkTarget = target;
    if (searching_)
        linkOpened_ = true;
    services_.shell.Execute(hWnd(), LinkTarget, "c:\\", 1);
}

void InfQirvo::lbMail_MouseDown(int, int, double, double) {
    OpenLink("mailto:" + lbMail.Caption());
}

void InfQirvo::lbSito_MouseDown(int, int, double, double) {
    OpenLink(lbSito.Caption());
}

void InfQirvo::cmdInfoSys_Click() {
    // One search at a time: a second click while the first searches is not taken.
    if (searching_)
        return;
    Global::SysInfoNotFound = 0;
    launcher_.LaunchSysInfoTool();
    if (Global::SysInfoNotFound == 0 || !IsLoaded())
        return;

    LinkTarget.clear();
    const std::string start = TrustedStart();
    if (start.empty()) {
        services_.host.MsgBox(std::string(kToolFile) + "  NON TROVATO");
        return;
    }
    searching_ = true;
    linkOpened_ = false;
    cmdInfoSys.SetEnabled(false);
    if (dirHidden.Path() == start)
        dirHidden_Change();
    else
        dirHidden.SetPath(start);
    searching_ = false;

    // Closed while searching, or the whole program is ending: the user has moved on.
    if (!IsLoaded() || services_.host.Ending())
        return;
    cmdInfoSys.SetEnabled(true);
    // A link opened while searching ended the search; that link has been launched already.
    if (linkOpened_)
        return;
    if (!LinkTarget.empty())
        services_.shell.Execute(hWnd(), LinkTarget, "c:\\", 1);
    else
        services_.host.MsgBox(std::string(kToolFile) + "  NON TROVATO");
}

// The folder the search may walk, or "" when none. Whatever the search finds it starts for
// whoever clicks, an administrator included, so it walks kSearchStart only where that is the
// system's programs folder, which ordinary users cannot write to; elsewhere (C:\Programmi on a
// Windows whose programs folder is C:\Program Files) any user may have made it and planted a
// tool there. The folder is walked under its final name, so that a link that made it the
// programs folder cannot be pointed elsewhere while the search runs.
std::string InfQirvo::TrustedStart() const {
    const services::FileSystem& files = services_.files;
    std::string programs, programsFinal, start;
    if (!files.ProgramsFolder(programs) || !files.FinalPath(programs, programsFinal) ||
        !files.FinalPath(kSearchStart, start))
        return std::string();
    return SameFolderName(programsFinal, start) ? start : std::string();
}

void InfQirvo::dirHidden_Change() {
    // The walk below selects every folder it visits, which raises this event again: the walk
    // itself carries on from there.
    if (walking_)
        return;
    walking_ = true;
    Walk();
    walking_ = false;
}

// Depth-first, in pre-order, from dirHidden's current folder: a folder's own test comes before
// its subfolders, and a subfolder's whole subtree before its next sibling. Once the tool is
// found, the folders still open finish their loops (each remaining subfolder is selected and
// the events yielded to) without descending. The walk keeps its own stack rather than
// recursing, so no depth of folders can exhaust the thread's stack; folders that cannot be
// listed are passed over.
void InfQirvo::Walk() {
    struct Open {
        std::vector<std::string> subfolders;
        std::size_t next;
    };
    std::vector<Open> open;
    // Tests the selected folder; true when its subfolders are now to be walked. The folder is
    // read once for both the file and the subfolders, and events run while a large one is read.
    auto visit = [&]() -> bool {
        if (!LinkTarget.empty())
            return false;
        std::string folder = dirHidden.Path();
        if (folder.empty() || folder.back() != '\\')
            folder += '\\';
        std::vector<std::string> subfolders;
        bool hasTool = false;
        services_.files.ListFolder(dirHidden.Path(), kToolFile, subfolders, hasTool,
                                   [this] { services_.host.DoEvents(); });
        if (hasTool) {
            LinkTarget = folder + kToolFile;
            return false;
        }
        open.push_back({std::move(subfolders), 0});
        return true;
    };

    visit();
    while (!open.empty() && IsLoaded() && !services_.host.Ending()) {
        Open& top = open.back();
        if (top.next == top.subfolders.size()) {
            open.pop_back();
            if (!open.empty())
                services_.host.DoEvents();  // the parent's yield after this one
            continue;
        }
        const std::string next = top.subfolders[top.next++];
        dirHidden.SetPath(next);
        if (visit())
            continue;
        services_.host.DoEvents();
    }
}

}  // namespace kelvr
