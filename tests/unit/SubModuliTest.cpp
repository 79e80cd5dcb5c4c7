#include "sysinfo/SubModuli.h"

#include <gtest/gtest.h>

#include <string>

#include "Fakes.h"
#include "ProgramRig.h"
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
    fakes::FakeRegistry registry;
    fakes::FakeShell shell;
    fakes::FakeFileSystem files;
    int ownerAsked = 0;
    kelvr::SubModuli launcher{registry, shell, files, [this] {
                                  ++ownerAsked;
                                  return std::uintptr_t{0x4242};
                              }};

    void SetUp() override { Global::SysInfoNotFound = 0; }
    void TearDown() override { EXPECT_EQ(registry.OpenHandles(), 0u); }

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
