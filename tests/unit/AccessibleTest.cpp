// The windows as a screen reader reads them: what each control says, in what order, what its
// default action does; the keys that sort the table; the colours of a high-contrast scheme.
#include "forms/Accessible.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "Rigs.h"
#include "forms/Contrast.h"

namespace {

using forms::Role;

const char* RoleName(Role r) {
    static const std::map<Role, const char*> names = {{Role::Text, "text"},
                                                      {Role::ColumnHeader, "column header"},
                                                      {Role::ProgressBar, "progress bar"},
                                                      {Role::Indicator, "indicator"},
                                                      {Role::Link, "link"},
                                                      {Role::Graphic, "graphic"},
                                                      {Role::Button, "button"},
                                                      {Role::Grouping, "grouping"},
                                                      {Role::Separator, "separator"}};
    const auto it = names.find(r);
    return it == names.end() ? "?" : it->second;
}

// Every control the form shows, in reading order, as a screen reader announces it, a
// container's controls indented after it: role, name, "= value", "(description)" and
// "[default action, shortcut]".
void Heard(const forms::Form& f, const forms::Control* container, const std::string& indent,
           std::vector<std::string>& out) {
    for (forms::Control* c : forms::ReadingOrder(f, container)) {
        const forms::Accessible a = forms::Describe(*c);
        std::string line = indent + RoleName(a.role) + ": " + a.name;
        if (!a.value.empty())
            line += " = " + a.value;
        if (!a.description.empty())
            line += " (" + a.description + ")";
        if (!a.defaultAction.empty())
            line += " [" + a.defaultAction + (a.shortcut.empty() ? "" : ", " + a.shortcut) + "]";
        out.push_back(line);
        Heard(f, c, indent + "  ", out);
    }
}

std::vector<std::string> Heard(const forms::Form& f) {
    std::vector<std::string> out;
    Heard(f, nullptr, "", out);
    return out;
}

struct MainWindowRead : ::testing::Test, fakes::MainRig {
    MainWindowRead() {
        // Used 70 of 100, 2 of 300, none of 10 MiB; a drive that cannot be measured.
        AddDrive("c: [SYSTEM]", fakes::MiB(30, 100));
        AddDrive("d: [DATI]", fakes::MiB(298, 300));
        AddDrive("e:", fakes::MiB(10, 10));
        AddDrive("x:");
    }
};

// The headers, then each row: its name, figures and bar. Rows scrolled out of view above the
// headers are read in their places (a screen reader hears them as off the screen), after the
// headers, which stay.
TEST_F(MainWindowRead, HeadersThenEachRowInItsPlaceScrolledOrNot) {
    screen.height = 2500;  // room for two rows of four
    kelvr::FreeAll& f = Open();
    const std::vector<std::string> expected = {
        "column header: Drive [Ordina, Ctrl+1]",
        "column header: MByte utilizzati (Ordina per spazio utilizzato) [Ordina, Ctrl+2]",
        "column header: MByte disponibili (Ordina per spazio disponibile) [Ordina, Ctrl+3]",
        "column header: MByte TOTALI (Ordina per capacità totale) [Ordina, Ctrl+4]",
        "text: c: [SYSTEM]",
        "text: 70,00",
        "text: 30,00",
        "text: 100,00",
        "progress bar: c: [SYSTEM] = 70 %",
        "text: d: [DATI]",
        "text: 2,00",
        "text: 298,00",
        "text: 300,00",
        "progress bar: d: [DATI] = 1 %",
        "text: e:",
        "text: 0,00",
        "text: 10,00",
        "text: 10,00",
        "progress bar: e: = 0 %",
        "text: x:",
        "text: 0,00",
        "text: 0,00",
        "text: 0,00",
        "progress bar: x: = 0 %",
    };
    EXPECT_EQ(Heard(f), expected);
    f.ScrollTo(f.ScrollStep());
    ASSERT_TRUE(f.ScrolledAway(f.lbDisco[1]));
    EXPECT_EQ(Heard(f), expected) << "scrolled by a row";
    // The fill, left out of the reading, says the same as its bar when asked.
    const forms::Accessible fill = forms::Describe(f.SpFree[1]);
    EXPECT_EQ(fill.role, Role::Indicator);
    EXPECT_EQ(fill.name, "c: [SYSTEM]");
    EXPECT_EQ(fill.value, "70 %");
}

// Events name each control by a number of its own, which still names it after a sort; no
// other number names anything.
TEST_F(MainWindowRead, EventIdsNameEachControlWhateverItsPlace) {
    kelvr::FreeAll& f = Open();
    const auto& all = f.Controls();
    std::vector<long> ids;
    for (forms::Control* c : all) ids.push_back(forms::EventId(f, *c));
    f.lbDes_Click(3);  // the rows move
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_LT(ids[i], 0);
        EXPECT_EQ(forms::EventId(f, *all[i]), ids[i]);
        EXPECT_EQ(forms::FromEventId(f, ids[i]), all[i]);
    }
    for (long id : {0L, 1L, -static_cast<long>(all.size()) - 1})
        EXPECT_EQ(forms::FromEventId(f, id), nullptr) << id;
}

// Ctrl and the keys 1 to 4, on either row of digits, do what a click on that column's header
// does; no other key or modifier is taken.
TEST_F(MainWindowRead, CtrlAndADigitSortByThatColumn) {
    kelvr::FreeAll& f = Open();
    struct Press {
        int key, shift;
        bool taken;
        int column;  // sorted by afterwards
    };
    const Press presses[] = {
        {'3', forms::kCtrlMask, true, 2},                       // free space
        {'1', forms::kCtrlMask, true, 0},                       // drive
        {0x62, forms::kCtrlMask, true, 1},                      // the keypad's 2: used space
        {'4', forms::kCtrlMask, true, 3},                       // total space
        {'1', 0, false, 3},                                     // no Ctrl
        {'1', forms::kAltMask, false, 3},                       // Alt instead
        {'1', forms::kCtrlMask | forms::kShiftMask, false, 3},  // more than Ctrl
        {'5', forms::kCtrlMask, false, 3},                      // no fifth column
        {'0', forms::kCtrlMask, false, 3},                      // none before the first
        {0x65, forms::kCtrlMask, false, 3},                     // the keypad's 5
        {0x61, forms::kCtrlMask, true, 0},                      // the keypad's 1
        {0x64, forms::kCtrlMask, true, 3},                      // the keypad's 4
    };
    for (const Press& p : presses) {
        SCOPED_TRACE("key " + std::to_string(p.key) + ", shift " + std::to_string(p.shift));
        EXPECT_EQ(f.KeyDown(p.key, p.shift), p.taken);
        EXPECT_EQ(f.SortColumn, p.column);
    }
}

TEST_F(MainWindowRead, AHeadersDefaultActionSortsAndBarsAndCellsHaveNone) {
    kelvr::FreeAll& f = Open();
    EXPECT_TRUE(forms::DoDefaultAction(f.lbDes[2]));
    EXPECT_EQ(f.SortColumn, 2);
    EXPECT_FALSE(forms::DoDefaultAction(f.lbDisco[1]));
    EXPECT_FALSE(forms::DoDefaultAction(f.SpTot[1]));
    f.lbDes[0].SetEnabled(false);
    EXPECT_FALSE(forms::DoDefaultAction(f.lbDes[0]));
    EXPECT_EQ(f.SortColumn, 2);
}

// In high contrast the bars keep their fill, edged in the window text colour; the other
// controls take the system's colours.
TEST_F(MainWindowRead, HighContrastBarsKeepTheirFill) {
    kelvr::FreeAll& f = Open();
    for (forms::ControlArray* bar : {&f.SpTot, &f.SpFree}) {
        const forms::Look l = forms::LookOf((*bar)[1], true);
        EXPECT_EQ(l.back, (*bar)[1].BackColor()) << (*bar)[1].FullName();
        EXPECT_EQ(l.outline, forms::kWindowText);
    }
    EXPECT_EQ(forms::LookOf(f.lbDes[1], true).fore, forms::kWindowText);
    EXPECT_EQ(forms::LookOf(f.lbDati[1], true).back, forms::kWindowBackground);
}

// Controls on one line are read from left to right, whatever order they were made in; what a
// frame holds is read apart. A screen reader numbers each one's children in that order from 1,
// and the form's controls by their event numbers too, and steps from one to the next.
TEST(ReadingOrder, FromTheTopDownAndAlongEachLineFromTheLeft) {
    fakes::FakeHost host;
    forms::Form form(host, "Lines");
    forms::Control right(forms::Kind::Label, "right"), left(forms::Kind::Label, "left"),
        below(forms::Kind::Label, "below"), frame(forms::Kind::Frame, "frame"),
        inside(forms::Kind::Label, "inside");
    right.Move(2000, 100, 500, 200);
    left.Move(100, 100, 500, 200);
    below.Move(0, 400, 500, 200);
    frame.Move(0, 800, 500, 500);
    inside.SetContainer(&frame);
    inside.Move(0, 0, 100, 100);
    for (forms::Control* c : {&below, &right, &left, &frame, &inside}) form.Register(*c);
    const std::vector<forms::Control*> read = forms::ReadingOrder(form, nullptr);
    EXPECT_EQ(read, (std::vector<forms::Control*>{&left, &right, &below, &frame}));
    EXPECT_EQ(forms::ReadingOrder(form, &frame), std::vector<forms::Control*>{&inside});
    const struct {
        const forms::Control* container;
        long id;
        const forms::Control* child;
    } children[] = {
        {nullptr, 1, &left},   {nullptr, 4, &frame},   {nullptr, 0, nullptr},
        {nullptr, 5, nullptr}, {nullptr, -5, &inside}, {nullptr, -6, nullptr},
        {&frame, 1, &inside},  {&frame, 2, nullptr},   {&frame, -5, nullptr},
    };
    for (const auto& c : children)
        EXPECT_EQ(forms::ChildOf(form, c.container, c.id), c.child)
            << (c.container ? "frame" : "form") << " " << c.id;
    const struct {
        const forms::Control* from;
        int step;
        const forms::Control* to;
    } steps[] = {{&left, 1, &right},   {&right, -1, &left},   {&left, -1, nullptr},
                 {&frame, 1, nullptr}, {&inside, 1, nullptr}, {nullptr, 1, nullptr}};
    for (const auto& s : steps)
        EXPECT_EQ(forms::Beside(read, s.from, s.step), s.to)
            << (s.from ? s.from->Name() : "none") << " " << s.step;
}

// A control's state: invisible where it or its frame is hidden, whether it shows on the screen
// or not; off the screen where it does not show; a link linked and taking the keyboard,
// focused where it has it; a header (which sorts) not read-only, anything else read-only.
TEST(ReadingOrder, ControlsStatesAsAScreenReaderReadsThem) {
    fakes::FakeHost host;
    forms::Form form(host, "States");
    forms::Control frame(forms::Kind::Frame, "frame"), text(forms::Kind::Label, "text"),
        link(forms::Kind::Label, "link"), header(forms::Kind::Label, "header");
    for (forms::Control* c : {&frame, &text, &link, &header}) {
        form.Register(*c);
        if (c != &frame)
            c->SetContainer(&frame);
    }
    link.SetAccessibleRole(forms::Role::Link);
    header.SetAccessibleRole(forms::Role::ColumnHeader);
    const struct {
        forms::Control& c;
        bool frameVisible, visible, onScreen, focused;
        long state;
    } cases[] = {
        {text, true, true, true, false, forms::kReadOnly},
        {text, true, true, false, false, forms::kReadOnly | forms::kOffscreen},
        {text, true, false, true, false, forms::kReadOnly | forms::kInvisible},
        {text, false, true, false, false, forms::kReadOnly | forms::kInvisible},
        {link, true, true, true, false, forms::kLinked | forms::kFocusable},
        {link, true, true, true, true, forms::kLinked | forms::kFocusable | forms::kFocused},
        {header, true, true, false, false, forms::kOffscreen},
    };
    for (const auto& k : cases) {
        frame.SetVisible(k.frameVisible);
        k.c.SetVisible(k.visible);
        EXPECT_EQ(forms::StateOf(k.c, k.onScreen, k.focused), k.state)
            << k.c.Name() << " row " << &k - cases;
    }
}

TEST(UsedShare, WholePercentsNeverEmptyWhenUsedNorFullWhenFree) {
    struct Case {
        double used, total;
        const char* read;
    };
    const Case cases[] = {
        {0, 0, "0 %"},       {0, 100, "0 %"},     {0.001, 100, "1 %"},
        {0.6, 100, "1 %"},   {33.4, 100, "33 %"}, {66.5, 100, "67 %"},
        {70, 100, "70 %"},   {99.4, 100, "99 %"}, {99.999, 100, "99 %"},
        {100, 100, "100 %"}, {150, 100, "100 %"}, {1e19, 1.8446744073709552e19, "54 %"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kelvr::FreeAll::UsedShare(c.used, c.total), c.read)
            << c.used << " of " << c.total;
}

// ---------------------------------------------------------------------------------------------
// The information windows.

TEST(AboutWindowRead, ItsIconTitleVersionNoticeAndTheCreditLink) {
    fakes::ProgramRig rig;
    std::vector<std::string> heard;
    rig.WhileAboutOpen([&](kelvr::frmAbout& a) { heard = Heard(a); });
    const std::vector<std::string> expected = {
        "link: by QIRVO sas di Mario Rossi [Apri]",
        "graphic: Kelvr",
        "text: Kelvr",
        "text: Versione 9.1.23",
        "text: Espone lo spazio occupato, libero e totale dei Drive E' possibile ordinare in modo "
        "crescente le colonne facendo click con il tasto sinistro del mouse sulla sua "
        "intestazione",
        "grouping: ",
        "  button: OK",
        "  text: Questo programma è gratuito: si può usarlo e copiarlo liberamente, senza "
        "modificarlo.",
        "  button: System Info...",
    };
    EXPECT_EQ(heard, expected);
}

struct MakerWindowRead : ::testing::Test, fakes::MakerRig {};

TEST_F(MakerWindowRead, ItsLogoDetailsAndTwoLinks) {
    const std::vector<std::string> expected = {
        "graphic: QIRVO",
        "  graphic: QIRVO",
        "text: QIRVO",
        "text: sas",
        "text: di Mario Rossi",
        "separator: ",
        "text: Borgofinto (ZZ)",
        "text: Tel. 0000 000000 Fax. 0000 000001 Cell. 000 0000000",
        "text: E-mail:",
        "link: info@q.example [Apri]",
        "text: Sito:",
        "link: www.q.example [Apri]",
        "grouping: ",
        "  text: Il programma è fornito così com'è, senza garanzie: l'autore non risponde di "
        "danni derivanti dal suo uso.",
        "  button: OK",
        "  button: ? Sistema",
    };
    EXPECT_EQ(Heard(Open()), expected);
}

// A link's default action opens it as a press of the mouse does: the credit line the maker
// window, above the about window, which is still open once the maker window closes; the maker
// window's links the mail program and the browser.
TEST(InfoWindowsRead, ALinksDefaultActionOpensIt) {
    fakes::ProgramRig rig;
    bool aboutOpenAfterMaker = false;
    rig.host.duringModal = [&](forms::Form& f) {
        if (f.Name() == "frmAbout") {
            EXPECT_TRUE(forms::DoDefaultAction(static_cast<kelvr::frmAbout&>(f).Label1));
            aboutOpenAfterMaker = f.IsLoaded() && f.Visible();
        } else {
            auto& m = static_cast<kelvr::InfQirvo&>(f);
            EXPECT_TRUE(forms::DoDefaultAction(m.lbMail));
            EXPECT_TRUE(forms::DoDefaultAction(m.lbSito));
            EXPECT_FALSE(forms::DoDefaultAction(m.Lb_dati));
            m.Command1.Click();
        }
    };
    rig.program.Main().Mu_Progr_Click();
    EXPECT_EQ(rig.host.modal, (std::vector<std::string>{"frmAbout", "InfQirvo"}));
    EXPECT_TRUE(aboutOpenAfterMaker);
    EXPECT_EQ(rig.shell.Files(),
              (std::vector<std::string>{"mailto:info@q.example", "www.q.example"}));
}

// In high contrast every text is in the system's colours, the links in the hyperlink colour;
// otherwise each control keeps the colours it was designed with.
TEST_F(MakerWindowRead, HighContrastTextsInTheSystemsColoursLinksHot) {
    using forms::LookOf;
    kelvr::InfQirvo& m = Open();
    struct Case {
        bool high;
        const forms::Control& c;
        forms::Color fore, back, outline;
    };
    const forms::Color black = forms::Rgb(0, 0, 0), face = forms::kButtonFace;
    const forms::Color text = forms::kWindowText, window = forms::kWindowBackground;
    const Case cases[] = {
        {false, m.lbMail, forms::Rgb(0, 0, 128), face, black},
        {false, m.lbSito, forms::Rgb(0, 0, 128), face, black},
        {false, m.Lb_dati, forms::kButtonText, face, black},
        {false, m.Lb_adp[0], forms::Rgb(0, 128, 128), face, black},
        {false, m.Picture1, forms::kButtonText, forms::Rgb(240, 255, 255), black},
        {false, m.Line1, forms::kButtonText, face, black},
        {true, m.lbMail, forms::kHotLight, window, text},
        {true, m.lbSito, forms::kHotLight, window, text},
        {true, m.Lb_dati, text, window, text},
        {true, m.Lb_adp[0], text, window, text},
        {true, m.Frame1, text, window, text},
        {true, m.Picture1, text, window, text},
        {true, m.Line1, text, window, text},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.c.FullName() + (c.high ? " in high contrast" : ""));
        const forms::Look l = LookOf(c.c, c.high);
        EXPECT_EQ(l.fore, c.fore);
        EXPECT_EQ(l.back, c.back);
        EXPECT_EQ(l.outline, c.outline);
    }
    EXPECT_EQ(forms::BackColorOf(m, false), forms::Rgb(224, 224, 224));
    EXPECT_EQ(forms::BackColorOf(m, true), forms::kWindowBackground);
}

}  // namespace
