// The maker window's "? &Sistema" button when the registry names no tool: the search of the
// programs folder, traced through the folders it selects, tests and lists and its yields.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "Rigs.h"
#include "info/Content.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace {

const std::string S = "C:\\Programmi";
const std::string kNotFound = "MSINFO32.EXE  NON TROVATO";

std::string Tool(const std::string& folder) {
    return folder + (folder.back() == '\\' ? "" : "\\") + "MSINFO32.EXE";
}

// The maker window, open, with C:\Programmi as the programs folder, and a log of the folders
// its search selects, tests and lists, and of its yields.
struct SearchRig : fakes::MakerRig {
    std::vector<std::string> log;
    std::function<void()> user;  // the user's action at a yield

    SearchRig() {
        files.programsFolder = S;
        Open();
        auto change = w->dirHidden.Change;
        w->dirHidden.Change = [this, change] {
            log.push_back("select " + w->dirHidden.Path());
            change();
        };
        files.log = &log;
        host.onYield = [this] {
            log.push_back("yield");
            if (user)
                user();
        };
    }

    // File tests still held go on while the log is there.
    ~SearchRig() { host.gates.Drain(); }

    void Click() { w->cmdInfoSys.Click(); }

    // The log as one line, folders named relative to the start folder "S".
    std::string Trace() const {
        std::string t;
        for (std::string e : log) {
            const auto tool = e.find("\\MSINFO32.EXE");
            if (tool != std::string::npos)
                e.erase(tool);
            const auto at = e.find(S);
            if (at != std::string::npos)
                e = e.substr(0, at) +
                    (e.size() == at + S.size() ? "S" : e.substr(at + S.size() + 1));
            t += (t.empty() ? "" : ", ") + e;
        }
        return t;
    }
};

struct Search : ::testing::Test, SearchRig {};

// Depth-first, in pre-order: a folder is tested before its subfolders, and a subfolder's whole
// subtree before its next sibling; a folder that cannot be listed is passed over. Once the tool
// is found, the folders still open select their remaining subfolders without descending.
// Without a find, the window says so, once.
TEST(SearchWalk, DepthFirstInPreOrderToTheFirstTool) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::vector<std::string>>> folders;  // below S
        std::vector<std::string> tools, unreadable;                             // below S
        const char* trace;
        const char* launched;  // below S ("": S itself); nullptr: the message instead
    };
    const Case cases[] = {
        {"ToolInTheStartFolder", {{"", {"A"}}}, {""}, {}, "select S, test S", ""},
        {"StartFolderCannotBeListed", {}, {}, {}, "select S, test S, list S", nullptr},
        {"EarlierSubtreeFirst",
         {{"", {"A", "C"}}, {"A", {"B"}}},
         {"A\\B", "C"},
         {},
         "select S, test S, list S, select A, test A, list A, select A\\B, test A\\B, yield, "
         "yield, select C, yield",
         "A\\B"},
        {"NothingFound",
         {{"", {"A", "B"}}, {"A", {"A1", "A2"}}, {"A\\A1", {"X"}}, {"B", {"B1"}}},
         {},
         {},
         "select S, test S, list S, select A, test A, list A, select A\\A1, test A\\A1, "
         "list A\\A1, select A\\A1\\X, test A\\A1\\X, list A\\A1\\X, yield, yield, "
         "select A\\A2, test A\\A2, list A\\A2, yield, yield, select B, test B, list B, "
         "select B\\B1, test B\\B1, list B\\B1, yield, yield",
         nullptr},
        {"AfterAFind",
         {{"", {"A", "C", "D"}}, {"A", {"A1", "A2", "A3"}}, {"A\\A3", {"Z"}}, {"C", {"C1"}}},
         {"A\\A2", "A\\A3\\Z"},
         {},
         "select S, test S, list S, select A, test A, list A, select A\\A1, test A\\A1, "
         "list A\\A1, yield, select A\\A2, test A\\A2, yield, select A\\A3, yield, yield, "
         "select C, yield, select D, yield",
         "A\\A2"},
        {"UnreadableFolder",
         {{"", {"A", "C"}}, {"A", {"A1"}}},
         {"A\\A1", "C"},
         {"A"},
         "select S, test S, list S, select A, test A, list A, yield, select C, test C, yield",
         "C"},
    };
    auto below = [](const std::string& p) { return p.empty() ? S : S + "\\" + p; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchRig rig;
        for (const auto& f : c.folders) rig.files.AddFolder(below(f.first), f.second);
        for (const std::string& t : c.tools) rig.files.AddFile(Tool(below(t)));
        for (const std::string& u : c.unreadable) rig.files.MakeUnreadable(below(u));
        rig.Click();
        EXPECT_EQ(rig.Trace(), c.trace);
        if (c.launched) {
            // Started by the maker window, as a link is, in the root of drive C:.
            EXPECT_EQ(rig.shell.Files(), std::vector<std::string>{Tool(below(c.launched))});
            fakes::ExpectLaunchedAsLinks(rig.shell, rig.w->hWnd());
            EXPECT_TRUE(rig.host.messages.empty());
        } else {
            EXPECT_TRUE(rig.shell.launches.empty());
            EXPECT_EQ(rig.host.messages, std::vector<std::string>{kNotFound});
        }
        EXPECT_TRUE(rig.w->cmdInfoSys.Enabled());
    }
}

// Every click searches again, though the search left the start folder selected.
TEST_F(Search, TheNextClickSearchesAgain) {
    files.AddFile(Tool(S));
    Click();
    Click();
    EXPECT_EQ(Trace(), "select S, test S, test S");
    EXPECT_EQ(shell.Files(), (std::vector<std::string>{Tool(S), Tool(S)}));
}

TEST_F(Search, ToolNamedByTheRegistryNeedsNoSearch) {
    registry.SetText(fakes::kToolKey, "PATH", "C:\\Win\\MSINFO32.EXE");
    files.AddFile("C:\\Win\\MSINFO32.EXE");
    Global::SysInfoNotFound = 1;  // left by the about window: cleared by the click
    Click();
    EXPECT_EQ(shell.Files(), std::vector<std::string>{"C:\\Win\\MSINFO32.EXE"});
    EXPECT_EQ(log, std::vector<std::string>{"test C:\\Win\\MSINFO32.EXE"});
    EXPECT_TRUE(host.messages.empty());
}

// PATH names a tool whose test does not answer in time: the window searches, launches what it
// found or says that nothing was found only once the launcher has given up on it, and on the
// folder lookup after it; closed meanwhile (by another program: the user's clicks wait), it does
// neither.
TEST(SearchAfterAHungPath, SearchLaunchAndMessageComeAfterTheLauncher) {
    struct Case {
        const char* name;
        bool folderKey, folderHangs, toolInA, closed;
        const char* waits;  // how each wait ended
        const char* trace;
    };
    // Each trace starts with PATH's test, which does not answer in time.
    const Case cases[] = {
        {"FolderToolAnswers", true, false, false, false, "hung, answered",
         "test C:\\Tools, launch C:\\Tools"},
        {"FolderToolHangsAndTheSearchFinds", true, true, true, false, "hung, hung",
         "test C:\\Tools, select S, test S, list S, select A, test A, yield, launch A"},
        {"NoFolderKeyAndTheSearchFindsNothing", false, false, false, false, "hung",
         "select S, test S, list S, select A, test A, list A, yield, "
         "message MSINFO32.EXE  NON TROVATO"},
        {"ClosedWhileTheLauncherWaits", false, false, false, true, "hung", ""},
    };
    const std::string slow = "C:\\Slow\\msinfo32.exe", folderTool = "C:\\Tools\\MSINFO32.EXE";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchRig rig;
        rig.registry.SetText(fakes::kToolKey, "PATH", slow);
        rig.files.AddFile(slow);
        rig.host.gates.Hold(slow);
        if (c.folderKey)
            rig.registry.SetText(fakes::kFolderKey, "MSINFO", "C:\\Tools");
        rig.files.AddFile(folderTool);
        if (c.folderHangs)
            rig.host.gates.Hold(folderTool);
        rig.files.AddFolder(S, {"A"});
        if (c.toolInA)
            rig.files.AddFile(Tool(S + "\\A"));
        if (c.closed)
            rig.host.duringWait = [&rig] { rig.w->QueryClose(); };
        rig.shell.log = &rig.log;
        rig.host.log = &rig.log;
        rig.Click();
        EXPECT_EQ(rig.Trace(), std::string("test ") + slow + (*c.trace ? ", " : "") + c.trace);
        std::string waits;
        for (bool answered : rig.host.waitsAnswered)
            waits += (waits.empty() ? "" : ", ") + std::string(answered ? "answered" : "hung");
        EXPECT_EQ(waits, c.waits);
    }
}

// Whether the search may walk the start folder: only where that is the system's programs folder,
// whatever the letter case or trailing backslashes of the two names, and whichever of them is a
// link to the other. Both folders hold the tool, so the launch tells which one was walked.
struct Gate {
    const char* name;
    const char* programs;                           // the programs folder; "": the query fails
    std::map<std::string, std::string> finalPaths;  // "": cannot be opened
    const char* walked;                             // the folder walked, or nullptr for no search
};

void PrintTo(const Gate& g, std::ostream* os) {
    *os << g.name;
}

const std::string kProgramFiles = "C:\\Program Files";

class SearchGate : public Search, public ::testing::WithParamInterface<Gate> {};

TEST_P(SearchGate, WalksOnlyTheProgramsFolder) {
    const Gate& g = GetParam();
    files.programsFolder = g.programs;
    files.finalPaths = g.finalPaths;
    files.AddFolder(S);
    files.AddFile(Tool(S));
    files.AddFolder(kProgramFiles);
    files.AddFile(Tool(kProgramFiles));
    Click();
    if (g.walked) {
        const std::string walked = g.walked;
        EXPECT_EQ(log, (std::vector<std::string>{"select " + walked, "test " + Tool(walked)}));
        EXPECT_EQ(shell.Files(), std::vector<std::string>{Tool(walked)});
        EXPECT_TRUE(host.messages.empty());
    } else {
        EXPECT_TRUE(log.empty()) << "nothing selected, tested or listed";
        EXPECT_EQ(w->dirHidden.Path(), "");
        EXPECT_TRUE(shell.launches.empty());
        EXPECT_EQ(host.messages, std::vector<std::string>{kNotFound});
    }
    EXPECT_TRUE(w->cmdInfoSys.Enabled());
}

INSTANTIATE_TEST_SUITE_P(
    Search, SearchGate,
    ::testing::Values(
        Gate{"SameFolder", "C:\\Programmi", {}, "C:\\Programmi"},
        Gate{"AnotherFolder", "C:\\Program Files", {}, nullptr},
        Gate{"QueryFails", "", {}, nullptr},
        Gate{"OtherLetterCase", "c:\\PROGRAMMI", {}, "C:\\Programmi"},
        Gate{"TrailingBackslash", "C:\\Programmi\\", {}, "C:\\Programmi"},
        Gate{"StartEndsInABackslash",
             "C:\\Progs",
             {{"C:\\Progs", S}, {S, S + "\\"}},
             "C:\\Programmi\\"},
        Gate{"BeginningOfTheStartName", "C:\\Program", {}, nullptr},
        Gate{"FolderInsideTheStart", "C:\\Programmi\\Sub", {}, nullptr},
        Gate{"StartLinksToTheProgramsFolder",
             "C:\\Program Files",
             {{S, kProgramFiles}},
             "C:\\Program Files"},
        Gate{"ProgramsFolderLinksToTheStart", "C:\\Progs", {{"C:\\Progs", S}}, "C:\\Programmi"},
        Gate{"StartMissing", "C:\\Programmi", {{S, ""}}, nullptr},
        Gate{"NeitherCanBeOpened", "C:\\Gone", {{"C:\\Gone", ""}, {S, ""}}, nullptr}),
    [](const ::testing::TestParamInfo<Gate>& info) { return std::string(info.param.name); });

// Runs `f` on a thread with a stack of `bytes`, and waits for it.
#ifdef _WIN32
DWORD WINAPI RunFunction(LPVOID f) {
    (*static_cast<std::function<void()>*>(f))();
    return 0;
}

void RunOnStack(std::size_t bytes, std::function<void()> f) {
    // The stack's whole size is reserved, not merely committed at first.
    HANDLE thread =
        CreateThread(nullptr, bytes, RunFunction, &f, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}
#else
void* RunFunction(void* f) {
    (*static_cast<std::function<void()>*>(f))();
    return nullptr;
}

void RunOnStack(std::size_t bytes, std::function<void()> f) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, bytes);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attr, RunFunction, &f), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}
#endif

// Trees too large to write out, walked on a small stack: counts of subfolders beyond what 16
// bits hold, signed and unsigned, and a chain of 20,000 folders, each named by its depth so
// that the paths stay short. The tool is in the last folder reached.
TEST(SearchLargeTree, EveryFolderIsReachedWithoutExhaustingASmallStack) {
    const struct {
        int wide, deep;  // subfolders of the start folder; folders chained below it
    } cases[] = {{40000, 0}, {66000, 0}, {0, 20000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wide << " wide, " << c.deep << " deep");
        SearchRig rig;
        rig.files.generate = [&](const std::string& folder, std::vector<std::string>& out) {
            const int level = folder == S ? 0
                              : c.deep    ? std::stoi(folder.substr(S.size() + 1))
                                          : -1;
            out.clear();
            for (int i = 0; level == 0 && i < c.wide; ++i)
                out.push_back(S + "\\d" + std::to_string(i));
            if (level >= 0 && level < c.deep)
                out = {S + "\\" + std::to_string(level + 1)};
            return true;
        };
        const int folders = c.wide + c.deep;
        const std::string last =
            S + "\\" + (c.deep ? std::to_string(c.deep) : "d" + std::to_string(c.wide - 1));
        rig.files.AddFile(Tool(last));
        rig.files.log = nullptr;
        rig.host.onYield = nullptr;
        RunOnStack(512 * 1024, [&rig] { rig.Click(); });
        EXPECT_EQ(rig.shell.Files(), std::vector<std::string>{Tool(last)});
        EXPECT_EQ(rig.files.tested.size(), static_cast<std::size_t>(folders) + 1);
        EXPECT_EQ(rig.host.yields, folders);
    }
}

TEST_F(Search, SecondClickWhileSearchingIsIgnored) {
    files.AddFolder(S, {"A", "B"});
    std::vector<bool> enabled;
    user = [&] {
        enabled.push_back(w->cmdInfoSys.Enabled());
        if (enabled.size() == 1)
            Click();
    };
    Click();
    EXPECT_EQ(enabled, (std::vector<bool>{false, false}));
    EXPECT_TRUE(w->cmdInfoSys.Enabled());
    EXPECT_EQ(files.tested.size(), 3u);
    EXPECT_EQ(host.messages, std::vector<std::string>{kNotFound});
    // And the next click, after the search, is taken.
    Click();
    EXPECT_EQ(host.messages.size(), 2u);
}

// The user's action at the search's first yield: closing the window by its OK button or its
// close box, or closing the main window, which ends the program (the maker window stays until the
// program has ended), stops the search at once; opening a link ends it, the link alone launched.
TEST(SearchInterrupted, TheUsersActionAtAYieldEndsTheSearch) {
    const struct {
        const char* name;
        std::function<void(SearchRig&)> act;
        bool closes, loaded;
    } cases[] = {
        {"OkButton", [](SearchRig& r) { r.w->Command1.Click(); }, true, false},
        {"CloseBox", [](SearchRig& r) { r.w->QueryClose(); }, true, false},
        {"MainWindow", [](SearchRig& r) { r.host.ending = true; }, true, true},
        {"Link", [](SearchRig& r) { r.w->lbMail.MouseDown(forms::kLeftButton, 0, 100, 100); },
         false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SearchRig rig;
        rig.files.AddFolder(S, {"A", "B", "C"});
        rig.files.AddFile(Tool(S + "\\C"));
        rig.user = [&] {
            if (rig.host.yields == 1)
                c.act(rig);
        };
        rig.Click();
        EXPECT_EQ(rig.files.tested, (std::vector<std::string>{Tool(S), Tool(S + "\\A")}));
        EXPECT_TRUE(rig.host.messages.empty());
        EXPECT_EQ(rig.w->IsLoaded(), c.loaded);
        if (c.closes) {
            EXPECT_EQ(rig.host.yields, 1);
            EXPECT_TRUE(rig.shell.launches.empty());
        } else {
            EXPECT_EQ(rig.shell.Files(),
                      std::vector<std::string>{std::string("mailto:") + kelvr::content::kMail});
            EXPECT_TRUE(rig.w->cmdInfoSys.Enabled());
        }
    }
}

// A system that reads a folder in one pass, letting events run three times while it reads.
struct SearchWhileReading : Search {
    SearchWhileReading() {
        files.readingSteps = 3;
        files.AddFolder(S, {"A", "B"});
        files.AddFile(Tool(S + "\\B"));
    }
};

TEST_F(SearchWhileReading, EventsRunWhileEachFolderIsRead) {
    Click();
    // Three while reading S, A and B each, and one after each of A and B.
    EXPECT_EQ(host.yields, 11);
    EXPECT_EQ(shell.Files(), std::vector<std::string>{Tool(S + "\\B")});
}

TEST_F(SearchWhileReading, ClosingWhileAFolderIsReadStopsTheSearch) {
    user = [this] {
        if (host.yields == 2)
            w->Command1_Click();
    };
    Click();
    EXPECT_EQ(host.yields, 3);  // the start folder's reading ends; nothing below it is selected
    EXPECT_EQ(w->dirHidden.Path(), S);
    EXPECT_FALSE(w->IsLoaded());
    EXPECT_TRUE(shell.launches.empty());
    EXPECT_TRUE(host.messages.empty());
}

// ---------------------------------------------------------------------------------------------
// The maker window opened by the program, whose windows outlive the search.

// Closed above the about window while searching, the maker window lets the about window act
// within the same yield: "System Info..." loads a new maker window hidden, or the credit line
// opens a second one, closed at once. Either way the one still searching must live until its
// search has returned.
TEST(SearchInProgram, AboutWindowActsFromAYieldAfterTheSearchingMakerClosed) {
    for (const bool launch : {true, false}) {
        SCOPED_TRACE(launch ? "System Info..." : "the credit line");
        fakes::ProgramRig rig;
        rig.files.programsFolder = S;
        rig.files.AddFolder(S, {"A", "B"});
        kelvr::frmAbout* about = nullptr;
        kelvr::InfQirvo* searching = nullptr;
        int makers = 0;
        rig.host.duringModal = [&](forms::Form& f) {
            if (f.Name() == "frmAbout") {
                about = static_cast<kelvr::frmAbout*>(&f);
                about->Label1.Click();
            } else if (++makers == 1) {
                searching = static_cast<kelvr::InfQirvo*>(&f);
                searching->cmdInfoSys.Click();
            } else {
                static_cast<kelvr::InfQirvo&>(f).Command1.Click();
            }
        };
        rig.host.onYield = [&] {
            if (!searching->IsLoaded())
                return;
            searching->Command1.Click();
            if (!launch) {
                about->Label1.Click();
                return;
            }
            rig.registry.SetText(fakes::kToolKey, "PATH", "C:\\Tools\\MSINFO32.EXE");
            rig.files.AddFile("C:\\Tools\\MSINFO32.EXE");
            about->cmdSysInfo.Click();
        };
        rig.program.ShowAbout();
        EXPECT_EQ(rig.host.yields, 1);
        EXPECT_TRUE(rig.host.messages.empty());
        EXPECT_EQ(rig.Realised("InfQirvo"), 2);
        if (!launch) {
            EXPECT_EQ(makers, 2);
            EXPECT_TRUE(rig.shell.launches.empty());
            continue;
        }
        ASSERT_EQ(rig.shell.launches.size(), 1u);
        kelvr::InfQirvo& hidden = rig.program.Maker();
        EXPECT_NE(&hidden, searching);
        EXPECT_TRUE(hidden.IsLoaded());
        EXPECT_FALSE(hidden.Visible());
        EXPECT_EQ(rig.shell.launches[0].owner, hidden.hWnd());
    }
}

}  // namespace
