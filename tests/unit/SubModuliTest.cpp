#include "sysinfo/SubModuli.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "Rigs.h"
#include "sysinfo/Global.h"

namespace {

using fakes::kFolderKey;
using fakes::kToolKey;
using kelvr::ReadRegistryValue;

struct RegistryReader : ::testing::Test {
    fakes::FakeRegistry registry;
    std::string value = "previous";

    // Stores `bytes` as value "V" of key "K" with `type` and reads it back into `value`.
    bool Read(std::uint32_t type, const std::string& bytes) {
        registry.Set("K", "V", type, bytes);
        return ReadRegistryValue(registry, kelvr::kHkeyLocalMachine, "K", "V", value);
    }
    void TearDown() override { EXPECT_EQ(registry.OpenHandles(), 0u) << "a key left open"; }
};

TEST_F(RegistryReader, StringLosesOneTerminatingNulOnly) {
    EXPECT_TRUE(Read(kelvr::kRegSz, std::string("C:\\Tools\0", 9)));
    EXPECT_EQ(value, "C:\\Tools");
    EXPECT_TRUE(Read(kelvr::kRegSz, "C:\\Tools"));
    EXPECT_EQ(value, "C:\\Tools");
    EXPECT_TRUE(Read(kelvr::kRegSz, std::string("ab\0\0", 4)));
    EXPECT_EQ(value, std::string("ab\0", 3));
    EXPECT_TRUE(Read(kelvr::kRegSz, std::string(1, '\0')));
    EXPECT_EQ(value, "");
}

TEST_F(RegistryReader, DwordReadsAsItsDecimalNumberAfterTheNulTrim) {
    const struct {
        const char* bytes;
        const char* text;
    } cases[] = {
        {"\x02\x01\x00\x00", "258"},  // the last byte trimmed as a NUL first
        {"\x00\x00\x00\x01", "16777216"},
        {"\xFF\xFF\xFF\xFF", "4294967295"},
        {"\x00\x00\x00\x00", "0"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(Read(kelvr::kRegDword, std::string(c.bytes, 4)));
        EXPECT_EQ(value, c.text);
    }
}

TEST_F(RegistryReader, OtherTypesSucceedAndLeaveTheOutputAsItWas) {
    for (std::uint32_t type : {0u, 2u, 3u, 7u, 11u}) {
        value = "previous";
        EXPECT_TRUE(Read(type, std::string("x\0", 2))) << type;
        EXPECT_EQ(value, "previous") << type;
    }
}

TEST_F(RegistryReader, ValueOfZeroBytesThrowsAfterClosingTheKey) {
    EXPECT_THROW(Read(kelvr::kRegSz, ""), kelvr::EmptyRegistryValue);
    EXPECT_EQ(registry.closed.size(), 1u);
}

TEST_F(RegistryReader, ValuesUpTo1024BytesAreRead) {
    const std::string full(1024, 'a');
    EXPECT_TRUE(Read(kelvr::kRegSz, full));
    EXPECT_EQ(value, full);
    EXPECT_FALSE(Read(kelvr::kRegSz, full + "b"));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(Read(kelvr::kRegSz, full + '\0')) << "1025 bytes, even with the NUL";
}

TEST_F(RegistryReader, MissingKeyOrValueEmptiesTheOutput) {
    EXPECT_FALSE(ReadRegistryValue(registry, kelvr::kHkeyLocalMachine, "K", "V", value));
    EXPECT_EQ(value, "");
    registry.SetText("K", "Other", "x");
    value = "previous";
    EXPECT_FALSE(ReadRegistryValue(registry, kelvr::kHkeyLocalMachine, "K", "V", value));
    EXPECT_EQ(value, "");
}

TEST_F(RegistryReader, OpensKeysForReadingOnly) {
    // The fake refuses write rights, as the registry does to a user without administrator ones.
    EXPECT_TRUE(Read(kelvr::kRegSz, std::string("x\0", 2)));
    ASSERT_EQ(registry.masks.size(), 1u);
    EXPECT_EQ(registry.masks[0], 0x20019u);
    ASSERT_EQ(registry.closed.size(), 1u);
    EXPECT_NE(registry.closed[0], 0u);
}

struct Launcher : ::testing::Test {
    fakes::FakeHost host;
    fakes::FakeRegistry registry;
    fakes::FakeShell shell;
    fakes::FakeFileSystem files;
    int ownerAsked = 0;
    kelvr::SubModuli launcher{host, registry, shell, files, [this] {
                                  ++ownerAsked;
                                  return std::uintptr_t{0x4242};
                              }};

    void SetUp() override {
        Global::SysInfoNotFound = 0;
        files.gates = &host.gates;
    }
    void TearDown() override {
        // File tests still held go on while what they use is there.
        host.gates.ReleaseAll();
        host.gates.Settle();
        EXPECT_EQ(registry.OpenHandles(), 0u);
    }

    // Runs the launcher and checks that it launched `file` as the tool is launched.
    void ExpectLaunched(const std::string& file) {
        launcher.LaunchSysInfoTool();
        ASSERT_EQ(shell.launches.size(), 1u);
        EXPECT_EQ(shell.launches[0].file, file);
        EXPECT_EQ(shell.launches[0].owner, 0x4242u);
        EXPECT_EQ(shell.launches[0].directory, "c:\\");
        EXPECT_EQ(shell.launches[0].show, 1);
        EXPECT_EQ(ownerAsked, 1);
    }
    void ExpectNotFound() {
        Global::SysInfoNotFound = 0;
        launcher.LaunchSysInfoTool();
        EXPECT_EQ(Global::SysInfoNotFound, 1);
        EXPECT_TRUE(shell.launches.empty());
        EXPECT_EQ(ownerAsked, 0) << "the owner is asked for only to launch";
    }
};

TEST_F(Launcher, ToolPathIsLaunchedAsReadWithoutAnExistenceTest) {
    registry.SetText(kToolKey, "PATH", "D:\\Nowhere\\msinfo32.exe");
    registry.SetText(kFolderKey, "MSINFO", "C:\\Other");
    files.AddFile("C:\\Other\\MSINFO32.EXE");
    Global::SysInfoNotFound = 1;  // left by an earlier failure: a success doesn't clear it
    ExpectLaunched("D:\\Nowhere\\msinfo32.exe");
    EXPECT_TRUE(files.tested.empty());
    EXPECT_EQ(Global::SysInfoNotFound, 1);
}

TEST_F(Launcher, FolderLookupJoinsTheFileNameAndTestsIt) {
    registry.SetText(kFolderKey, "MSINFO", "C:\\Tools");
    files.AddFile("C:\\Tools\\MSINFO32.EXE");
    ExpectLaunched("C:\\Tools\\MSINFO32.EXE");
    EXPECT_EQ(files.tested, std::vector<std::string>{"C:\\Tools\\MSINFO32.EXE"});
    EXPECT_EQ(Global::SysInfoNotFound, 0);
    for (std::uint32_t mask : registry.masks) EXPECT_EQ(mask, kelvr::kKeyRead);
}

TEST_F(Launcher, FolderEndingWithABackslashGetsASecondOne) {
    registry.SetText(kFolderKey, "MSINFO", "C:\\Tools\\", false);
    files.AddFile("C:\\Tools\\\\MSINFO32.EXE");
    ExpectLaunched("C:\\Tools\\\\MSINFO32.EXE");
}

TEST_F(Launcher, ToolPathNamingNoProgramFileFallsBackToTheFolder) {
    registry.SetText(kFolderKey, "MSINFO", "C:\\Tools");
    files.AddFile("C:\\Tools\\MSINFO32.EXE");
    for (auto type : {kelvr::kRegSz, 3u}) {
        SCOPED_TRACE(type);
        shell.launches.clear();
        ownerAsked = 0;
        registry.Set(kToolKey, "PATH", type, std::string(1, '\0'));
        ExpectLaunched("C:\\Tools\\MSINFO32.EXE");
    }
    shell.launches.clear();
    ownerAsked = 0;
    registry.SetText(kToolKey, "PATH", std::string(1024, 'x'));  // 1025 bytes with its NUL
    ExpectLaunched("C:\\Tools\\MSINFO32.EXE");
    // A folder, which the shell would open in a file manager.
    shell.launches.clear();
    ownerAsked = 0;
    files.AddFolder("C:\\Windows\\System32");
    registry.SetText(kToolKey, "PATH", "C:\\Windows\\System32");
    ExpectLaunched("C:\\Tools\\MSINFO32.EXE");
}

TEST_F(Launcher, NoToolFoundSetsTheFlagAndLaunchesNothing) {
    ExpectNotFound();  // neither key
    registry.Set(kToolKey, "PATH", 3, "bin");
    ExpectNotFound();  // no empty path is ever launched
    registry.SetText(kFolderKey, "MSINFO", "C:\\Tools");
    ExpectNotFound();  // the folder holds no tool
}

TEST_F(Launcher, ValueOfZeroBytesEndsTheLauncherAtOnce) {
    registry.Set(kToolKey, "PATH", kelvr::kRegSz, "");
    registry.SetText(kFolderKey, "MSINFO", "C:\\Tools");
    files.AddFile("C:\\Tools\\MSINFO32.EXE");
    ExpectNotFound();
    EXPECT_EQ(registry.masks.size(), 1u) << "the folder lookup is not tried";
}

const std::string kSlowTool = "C:\\Slow\\MSINFO32.EXE";
const std::string kFolderTool = "C:\\Tools\\MSINFO32.EXE";

// PATH names kSlowTool and MSINFO the folder of kFolderTool, both plain files. Each file test
// is asked on a thread and awaited up to the bound; one that has not answered by then says
// neither yes nor no, and nothing unchecked is launched on its word.
struct Unanswered {
    const char* name;
    bool toolKey, pathHangs, folderKey, folderHangs;
    bool threads;          // false: no thread can be started
    const char* launched;  // nullptr: none, and the flag is set
    std::size_t waits;
};

void PrintTo(const Unanswered& u, std::ostream* os) {
    *os << u.name;
}

class UnansweredTest : public Launcher, public ::testing::WithParamInterface<Unanswered> {};

TEST_P(UnansweredTest, LaunchesOnlyWhatWasTestedInTime) {
    const Unanswered& u = GetParam();
    files.AddFile(kSlowTool);
    files.AddFile(kFolderTool);
    if (u.toolKey)
        registry.SetText(kToolKey, "PATH", kSlowTool);
    if (u.folderKey)
        registry.SetText(kFolderKey, "MSINFO", "C:\\Tools");
    if (u.pathHangs)
        host.gates.Hold(kSlowTool);
    if (u.folderHangs)
        host.gates.Hold(kFolderTool);
    host.threads = u.threads;
    launcher.LaunchSysInfoTool();
    if (u.launched) {
        ASSERT_EQ(shell.launches.size(), 1u);
        EXPECT_EQ(shell.launches[0].file, u.launched);
        EXPECT_EQ(Global::SysInfoNotFound, 0);
    } else {
        EXPECT_TRUE(shell.launches.empty());
        EXPECT_EQ(Global::SysInfoNotFound, 1);
    }
    ASSERT_EQ(host.waitLimits.size(), u.waits);
    for (auto limit : host.waitLimits) {
        EXPECT_LE(limit, kelvr::SubModuli::kFileWait);
        EXPECT_GT(limit, kelvr::SubModuli::kFileWait - std::chrono::milliseconds(100));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Launcher, UnansweredTest,
    ::testing::Values(
        Unanswered{"AllAnswer", true, false, true, false, true, "C:\\Slow\\MSINFO32.EXE", 1},
        Unanswered{"PathHangs", true, true, true, false, true, "C:\\Tools\\MSINFO32.EXE", 2},
        Unanswered{"PathAndFolderHang", true, true, true, true, true, nullptr, 2},
        Unanswered{"PathHangsWithoutFolderKey", true, true, false, false, true, nullptr, 1},
        Unanswered{"FolderHangs", false, false, true, true, true, nullptr, 1},
        Unanswered{"NoThreadToAskOn", true, false, true, false, false, nullptr, 0}),
    [](const ::testing::TestParamInfo<Unanswered>& info) { return std::string(info.param.name); });

// An answer that comes once the wait is over is dropped: it launches nothing and tells no host,
// and it may come after the launcher has gone. The next click asks again.
TEST_F(Launcher, AnswerThatComesLateIsDropped) {
    registry.SetText(kToolKey, "PATH", kSlowTool);
    files.AddFile(kSlowTool);
    registry.SetText(kFolderKey, "MSINFO", "C:\\Tools");
    files.AddFile(kFolderTool);
    host.gates.Hold(kSlowTool);
    {
        kelvr::SubModuli gone{host, registry, shell, files, [] { return std::uintptr_t{1}; }};
        gone.LaunchSysInfoTool();
    }
    ASSERT_EQ(shell.launches.size(), 1u);
    EXPECT_EQ(shell.launches[0].file, kFolderTool);
    host.RunPosted();  // what the folder's test, answered in time, posted
    host.gates.Release(kSlowTool);
    EXPECT_EQ(host.RunPosted(), 0) << "the late answer was posted";
    EXPECT_EQ(shell.launches.size(), 1u);

    launcher.LaunchSysInfoTool();
    ASSERT_EQ(shell.launches.size(), 2u);
    EXPECT_EQ(shell.launches[1].file, kSlowTool);
}

// The program ends while the window waits (the session ends): nothing is launched, and there is
// nothing to say.
TEST_F(Launcher, ProgramEndingDuringAWaitLaunchesNothing) {
    registry.SetText(kToolKey, "PATH", kSlowTool);
    files.AddFile(kSlowTool);
    host.duringWait = [this] { host.ending = true; };
    launcher.LaunchSysInfoTool();
    EXPECT_TRUE(shell.launches.empty());
    EXPECT_EQ(Global::SysInfoNotFound, 0);
}

TEST(LauncherOwner, BorrowsTheMakerWindowLoadingItHidden) {
    fakes::ProgramRig rig;
    rig.registry.SetText(kToolKey, "PATH", "C:\\Tools\\MSINFO32.EXE");
    Global::SysInfoNotFound = 0;
    rig.host.duringModal = [](forms::Form& f) {
        static_cast<kelvr::frmAbout&>(f).cmdSysInfo.Click();
    };
    rig.program.ShowAbout();
    kelvr::InfQirvo& maker = rig.program.Maker();
    EXPECT_TRUE(maker.IsLoaded());
    EXPECT_FALSE(maker.Visible());
    EXPECT_EQ(rig.host.modal, std::vector<std::string>{"frmAbout"});
    ASSERT_EQ(rig.shell.launches.size(), 1u);
    EXPECT_EQ(rig.shell.launches[0].owner, maker.hWnd());
    EXPECT_EQ(rig.Realised("InfQirvo"), 1);
}

}  // namespace
