// The maker window's placement, links and hover rule; the about window; the program's handling
// of the maker window that the launcher loads hidden.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Rigs.h"
#include "info/Content.h"

namespace {

using kelvr::InfQirvo;

struct MakerWindow : ::testing::Test, fakes::MakerRig {
    static bool Marked(const forms::Control& c) {
        EXPECT_EQ(c.GetFont().underline, c.GetFont().bold) << c.Name();
        return c.GetFont().underline && c.GetFont().bold;
    }
};

TEST_F(MakerWindow, CentresItsOuterSizeInSinglePrecision) {
    screen.width = 15361.3;
    screen.height = 11521.7;
    InfQirvo& m = Open();
    EXPECT_EQ(m.Width(), 5295 + 120);
    EXPECT_EQ(m.Height(), 3825 + 405);
    EXPECT_EQ(m.Left(), (15361.3f - 5415.0f) / 2);
    EXPECT_EQ(m.Top(), (11521.7f - 4230.0f) / 2);
}

TEST_F(MakerWindow, LoadFillsTheDetails) {
    InfQirvo& m = Open();
    using namespace kelvr::content;
    EXPECT_EQ(m.lbIndirizzo.Caption(), "   " + std::string(kTown) + "\n");
    EXPECT_EQ(m.Lb_dati.Caption(), "   Tel.   " + std::string(kTelephone) + "         Fax.   " +
                                       kFax + "\n   Cell.   " + kMobile + "  ");
    EXPECT_EQ(m.Lb_cr.GetFont().size, 7);
    EXPECT_NE(m.Lb_cr.Caption().find('\n'), std::string::npos);
    EXPECT_FALSE(Marked(m.lbMail));
    EXPECT_FALSE(Marked(m.lbSito));
}

TEST_F(MakerWindow, LinkLooksMarkedOnlyStrictlyInsideTheMargins) {
    InfQirvo& m = Open();
    struct Link {
        forms::Control& label;
        forms::Control& other;
        double right, bottom;  // W - 50 and H - 30
    };
    const Link links[] = {{m.lbMail, m.lbSito, 1795, 225}, {m.lbSito, m.lbMail, 1555, 225}};
    for (const Link& l : links) {
        const struct {
            double x, y;
            bool inside;
        } points[] = {
            {31, 31, true},
            {30, 100, false},
            {30.5, 100, true},
            {l.right, 100, false},
            {l.right - 0.5, 100, true},
            {100, 30, false},
            {100, l.bottom, false},
            {100, l.bottom - 0.5, true},
            {l.right - 1, l.bottom - 1, true},
            {-10, 100, false},
            {100, 300, false},
        };
        for (const auto& p : points) {
            SCOPED_TRACE(l.label.Name() + " at " + std::to_string(p.x) + ", " +
                         std::to_string(p.y));
            m.ResetLinkLook();
            l.other.MouseMove(0, 0, 500, 100);  // the other link marked first
            ASSERT_TRUE(Marked(l.other));
            l.label.MouseMove(0, 0, p.x, p.y);
            EXPECT_EQ(Marked(l.label), p.inside);
            EXPECT_EQ(Marked(l.other), p.inside) << "untouched inside, reset outside";
        }
    }
}

TEST_F(MakerWindow, BackgroundFrameAndTextsResetTheLinks) {
    InfQirvo& m = Open();
    const std::vector<forms::Control::MouseHandler*> resetters = {
        &m.MouseMove, &m.Frame1.MouseMove, &m.Lb_cr.MouseMove, &m.Lb_dati.MouseMove};
    for (auto* move : resetters) {
        m.lbMail.MouseMove(0, 0, 500, 100);
        m.lbSito.MouseMove(0, 0, 500, 100);
        (*move)(0, 0, 10, 10);
        EXPECT_FALSE(Marked(m.lbMail));
        EXPECT_FALSE(Marked(m.lbSito));
    }
    EXPECT_FALSE(m.lbIndirizzo.MouseMove);
    EXPECT_FALSE(m.Label3[1].MouseMove);
    EXPECT_FALSE(m.Command1.MouseMove);
}

TEST_F(MakerWindow, AnyButtonOnALinkHandsItToTheShell) {
    InfQirvo& m = Open();
    const std::string mail = std::string("mailto:") + kelvr::content::kMail;
    const std::string site = kelvr::content::kSite;
    for (int button : {forms::kLeftButton, forms::kRightButton, forms::kMiddleButton}) {
        m.lbMail.MouseDown(button, 0, 5, 5);
        m.lbSito.MouseDown(button, 0, 5, 5);
        EXPECT_EQ(m.LinkTarget, site);
    }
    m.lbMail.SetCaption("altro@qv.example");
    m.lbMail.MouseDown(forms::kLeftButton, 0, 5, 5);
    EXPECT_EQ(shell.Files(), (std::vector<std::string>{mail, site, mail, site, mail, site,
                                                       "mailto:altro@qv.example"}));
    EXPECT_EQ(m.LinkTarget, "mailto:altro@qv.example");
    fakes::ExpectLaunchedAsLinks(shell, m.hWnd());
}

// The whole program, its main window shown.
struct AboutWindow : ::testing::Test, fakes::ProgramRig {};
using ProgramWindows = AboutWindow;

TEST_F(AboutWindow, OpensBesideTheMainWindowWithItsDescription) {
    ASSERT_EQ(program.Main().Left(), 300);
    ASSERT_EQ(program.Main().Top(), 0);
    WhileAboutOpen([](kelvr::frmAbout& a) {
        EXPECT_EQ(a.Left(), 320);
        EXPECT_EQ(a.Top(), 400);
        EXPECT_EQ(a.Width(), 5340 + 120);
        EXPECT_EQ(a.Height(), 3090 + 405);
        EXPECT_EQ(a.Caption(), " Informazioni su Kelvr");
        // (Its title, version and notice as a screen reader hears them: AboutWindowRead.)
        EXPECT_EQ(a.lblDescription.Caption(),
                  "Espone lo spazio occupato, libero e totale dei Drive\n\n"
                  "E' possibile ordinare in modo crescente le colonne\n"
                  "facendo click con il tasto sinistro del mouse sulla\n"
                  "sua intestazione");
        EXPECT_EQ(a.DefaultButton(), &a.cmdOK);  // Enter
        EXPECT_EQ(a.CancelButton(), &a.cmdOK);   // Escape
    });
    EXPECT_EQ(program.Main().DefaultButton(), nullptr);
    // Moved, the main window takes the next opening with it.
    program.Main().Move(123456.789, 1000.5);
    WhileAboutOpen([](kelvr::frmAbout& a) {
        EXPECT_EQ(a.Left(), static_cast<float>(123456.789) + 20.0f);
        EXPECT_EQ(a.Top(), 1400.5);
    });
    EXPECT_EQ(Realised("frmAbout"), 2);

    // Moved by the user, then minimised: the window's peer tells the form where its window
    // stands, nothing is applied back, and the next opening follows the place it had.
    kelvr::FreeAll& main = program.Main();
    const int applied = static_cast<fakes::FakeFormPeer*>(main.Peer())->applied;
    main.Placed({4500, 3000, 9000, 4000, 8880, 3300, forms::kNormal});
    main.Placed({-32000, -32000, 2400, 400, 0, 0, forms::kMinimized});
    EXPECT_EQ(main.WindowState(), forms::kMinimized);
    EXPECT_EQ(main.Width(), 9000);
    EXPECT_EQ(static_cast<fakes::FakeFormPeer*>(main.Peer())->applied, applied);
    WhileAboutOpen([](kelvr::frmAbout& a) {
        EXPECT_EQ(a.Left(), 4520);
        EXPECT_EQ(a.Top(), 3400);
    });
}

TEST_F(AboutWindow, SystemInfoFailureShowsNothingAndLeavesTheFlag) {
    files.AddFolder("C:\\Programmi");
    files.AddFile("C:\\Programmi\\MSINFO32.EXE");
    WhileAboutOpen([](kelvr::frmAbout& a) { a.cmdSysInfo.Click(); });
    EXPECT_EQ(Global::SysInfoNotFound, 1);
    EXPECT_TRUE(shell.launches.empty());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(files.tested.empty()) << "no search from the about window";
    EXPECT_EQ(Realised("InfQirvo"), 0);
}

// The launcher started from the about window borrows the maker window as the tool's owner,
// loading it hidden; the maker window opened later is that one, not made again.
TEST_F(ProgramWindows, MakerLoadedHiddenIsTheOneShownLaterWithoutReloading) {
    registry.SetText(fakes::kToolKey, "PATH", "C:\\Tools\\MSINFO32.EXE");
    files.AddFile("C:\\Tools\\MSINFO32.EXE");
    WhileAboutOpen([](kelvr::frmAbout& a) { a.cmdSysInfo.Click(); });
    InfQirvo* hidden = &program.Maker();
    const double left = hidden->Left();
    ASSERT_TRUE(hidden->IsLoaded());
    ASSERT_FALSE(hidden->Visible());
    EXPECT_EQ(host.modal, std::vector<std::string>{"frmAbout"});
    ASSERT_EQ(shell.launches.size(), 1u);
    EXPECT_EQ(shell.launches[0].owner, hidden->hWnd());

    screen.width += 3000;  // a fresh load would centre elsewhere
    InfQirvo* shown = nullptr;
    host.duringModal = [&](forms::Form& f) {
        shown = static_cast<InfQirvo*>(&f);
        EXPECT_TRUE(f.Visible());
        shown->cmdInfoSys.Click();  // launches with the window's own handle
    };
    program.Main().Mu_Qirvo_Click();
    EXPECT_EQ(shown, hidden);
    EXPECT_EQ(shown->Left(), left);
    EXPECT_EQ(Realised("InfQirvo"), 1);
    ASSERT_EQ(shell.launches.size(), 2u);
    EXPECT_EQ(shell.launches[1].owner, shell.launches[0].owner);
}

// Closed, the maker window is made afresh for the next opening, centred anew and without the
// link it opened last: closed after a link was pressed, or from a yield of its search, which
// stops there, launching and saying nothing.
TEST(ProgramMaker, ClosedItIsMadeAfreshForTheNextOpening) {
    for (const bool searching : {false, true}) {
        SCOPED_TRACE(searching ? "closed while searching" : "closed after a link");
        fakes::ProgramRig rig;
        rig.files.programsFolder = "C:\\Programmi";
        rig.files.AddFolder("C:\\Programmi", {"A", "B"});
        rig.files.AddFile("C:\\Programmi\\B\\MSINFO32.EXE");
        double left = 0;
        rig.host.duringModal = [&](forms::Form& f) {
            auto& m = static_cast<InfQirvo&>(f);
            left = m.Left();
            if (searching) {
                rig.host.onYield = [&m] { m.Command1.Click(); };
                m.cmdInfoSys.Click();
                return;
            }
            m.lbSito.MouseDown(forms::kLeftButton, 0, 5, 5);
            m.Command1.Click();
        };
        rig.program.Main().Mu_Qirvo_Click();
        EXPECT_EQ(rig.shell.launches.size(), searching ? 0u : 1u);
        EXPECT_TRUE(rig.host.messages.empty());
        EXPECT_EQ(rig.host.yields, searching ? 1 : 0);
        rig.screen.width += 3000;
        rig.host.duringModal = nullptr;
        rig.program.ShowMaker();
        InfQirvo& again = rig.program.Maker();
        EXPECT_TRUE(again.Visible());
        EXPECT_EQ(rig.Realised("InfQirvo"), 2);
        EXPECT_EQ(again.Left(), left + 1500);
        EXPECT_TRUE(again.LinkTarget.empty());
    }
}

}  // namespace
