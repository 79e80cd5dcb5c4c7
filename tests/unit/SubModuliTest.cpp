// The registry reader, and the launcher of the system-information tool as the maker window holds
// it.
#include "sysinfo/SubModuli.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Rigs.h"

namespace {

using fakes::kFolderKey;
using fakes::kToolKey;
using kelvr::ReadRegistryValue;

// A value read back as text by its type: a string without one terminating NUL, a DWORD as its
// number; a value of another type leaves the output as it was. A value that cannot be read (no
// key, no value, more than 1024 bytes) empties it. Every key opened is closed.
TEST(RegistryReader, ReadsEachValueByItsType) {
    struct Case {
        const char* name;
        const char* storedAs;  // the value's name; nullptr: no key at all
        std::uint32_t type;
        std::string bytes;
        bool read;
        std::string value;  // the output, "previous" before the read
    };
    const std::string full(1024, 'a');
    const Case cases[] = {
        {"String", "V", services::kRegSz, std::string("C:\\Tools\0", 9), true, "C:\\Tools"},
        {"StringWithoutItsNul", "V", services::kRegSz, "C:\\Tools", true, "C:\\Tools"},
        {"StringLosesOneNulOnly", "V", services::kRegSz, std::string("ab\0\0", 4), true,
         std::string("ab\0", 3)},
        {"EmptyString", "V", services::kRegSz, std::string(1, '\0'), true, ""},
        {"String1024Bytes", "V", services::kRegSz, full, true, full},
        {"String1025Bytes", "V", services::kRegSz, full + "b", false, ""},
        {"String1025BytesWithItsNul", "V", services::kRegSz, full + '\0', false, ""},
        // Least significant byte first; a last byte of zero is trimmed as a NUL first.
        {"Dword", "V", services::kRegDword, std::string("\x02\x01\x00\x00", 4), true, "258"},
        {"DwordHighByte", "V", services::kRegDword, std::string("\x00\x00\x00\x01", 4), true,
         "16777216"},
        {"DwordLargest", "V", services::kRegDword, "\xFF\xFF\xFF\xFF", true, "4294967295"},
        {"DwordZero", "V", services::kRegDword, std::string(4, '\0'), true, "0"},
        {"TypeNone", "V", 0, std::string("x\0", 2), true, "previous"},
        {"ExpandableString", "V", 2, std::string("x\0", 2), true, "previous"},
        {"Binary", "V", 3, std::string("x\0", 2), true, "previous"},
        {"MultiString", "V", 7, std::string("x\0", 2), true, "previous"},
        {"Qword", "V", 11, std::string("x\0", 2), true, "previous"},
        {"NoSuchValue", "Other", services::kRegSz, std::string("x\0", 2), false, ""},
        {"NoSuchKey", nullptr, services::kRegSz, "", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeRegistry registry;
        if (c.storedAs)
            registry.Set("K", c.storedAs, c.type, c.bytes);
        std::string value = "previous";
        EXPECT_EQ(ReadRegistryValue(registry, services::kHkeyLocalMachine, "K", "V", value),
                  c.read);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(registry.OpenHandles(), 0u) << "a key left open";
    }
}

TEST(RegistryReader, ValueOfZeroBytesThrowsAfterClosingTheKey) {
    fakes::FakeRegistry registry;
    registry.Set("K", "V", services::kRegSz, "");
    std::string value;
    EXPECT_THROW(ReadRegistryValue(registry, services::kHkeyLocalMachine, "K", "V", value),
                 kelvr::EmptyRegistryValue);
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

const std::string kSlowTool = "C:\\Slow\\MSINFO32.EXE";
const std::string kFolderTool = "C:\\Tools\\MSINFO32.EXE";
const std::string kDoubled = "C:\\Tools\\\\MSINFO32.EXE";  // a folder ending in a backslash
const std::string kShare = "\\\\server\\tools";

struct Value {
    std::uint32_t type;
    std::string bytes;
};

// A REG_SZ value with its terminating NUL.
Value Sz(const std::string& text) {
    return {services::kRegSz, text + '\0'};
}

// What the launcher starts, given what the registry names: PATH's tool as it reads, unless it
// names no plain file; failing that MSINFO32.EXE in MSINFO's folder, when that is a plain file;
// failing that nothing, and the flag is set. Each file test is asked on a thread and awaited up
// to the bound; one that has not answered by then says neither yes nor no, and nothing unchecked
// is launched on its word.
struct Decision {
    const char* name;
    std::optional<Value> path, folder;  // PATH and MSINFO; none: not in the registry
    std::vector<std::string> hung;      // file tests that do not answer
    bool threads;                       // false: no thread can be started
    std::string launched;               // "": nothing
    std::size_t waits;
};

void PrintTo(const Decision& d, std::ostream* os) {
    *os << d.name;
}

class LauncherDecision : public ::testing::TestWithParam<Decision>, public fakes::MakerRig {};

TEST_P(LauncherDecision, LaunchesOnlyAPlainFileTestedInTime) {
    const Decision& d = GetParam();
    files.AddFile(kSlowTool);
    files.AddFile(kFolderTool);
    files.AddFile(kDoubled);
    files.AddFolder("C:\\Windows");
    files.AddFile("C:\\Windows\\MSINFO32.EXE");  // where a folder PATH names would lead
    // Where an empty or relative folder would lead, from the current folder.
    files.AddFile("\\MSINFO32.EXE");
    files.AddFile("Tools\\MSINFO32.EXE");
    files.AddFile(kShare + "\\MSINFO32.EXE");
    if (d.path)
        registry.Set(kToolKey, "PATH", d.path->type, d.path->bytes);
    if (d.folder)
        registry.Set(kFolderKey, "MSINFO", d.folder->type, d.folder->bytes);
    for (const std::string& h : d.hung) host.gates.Hold(h);
    host.threads = d.threads;
    Global::SysInfoNotFound = 7;  // neither run's value: a launch is seen to leave it as it was

    launcher.LaunchSysInfoTool();
    if (!d.launched.empty()) {
        EXPECT_EQ(shell.Files(), std::vector<std::string>{d.launched});
        ASSERT_NE(w, nullptr);
        fakes::ExpectLaunchedAsLinks(shell, w->hWnd());
        EXPECT_EQ(Global::SysInfoNotFound, 7);
    } else {
        EXPECT_TRUE(shell.launches.empty());
        EXPECT_EQ(Global::SysInfoNotFound, 1);
        EXPECT_EQ(w, nullptr) << "the owner is asked for only to launch";
    }
    ASSERT_EQ(host.waitLimits.size(), d.waits);
    for (auto limit : host.waitLimits) {
        EXPECT_LE(limit, kelvr::SubModuli::kFileWait);
        EXPECT_GT(limit, kelvr::SubModuli::kFileWait - std::chrono::milliseconds(100));
    }
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

const Value kTools = Sz("C:\\Tools");
const std::string kNowhere = "D:\\Nowhere\\msinfo32.exe";
const Value kPadded{services::kRegSz, std::string("C:\\Tools\0\0\0", 11)};
const Value kPaddedPath{services::kRegSz, kSlowTool + std::string(3, '\0')};
const Value kExpandTools{2, std::string("C:\\Tools\0", 9)};  // REG_EXPAND_SZ

INSTANTIATE_TEST_SUITE_P(
    Launcher, LauncherDecision,
    ::testing::Values(
        Decision{"PathNamesAPlainFile", Sz(kSlowTool), kTools, {}, true, kSlowTool, 1},
        Decision{"FolderJoinedWithTheFileName", {}, kTools, {}, true, kFolderTool, 1},
        Decision{"FolderEndingInABackslash", {}, Sz("C:\\Tools\\"), {}, true, kDoubled, 1},
        // PATH names no tool: empty, of another type, too long to read, nothing (a value left
        // by a tool since moved), or a folder (which the shell would open in a file manager).
        Decision{"PathEmpty", Sz(""), kTools, {}, true, kFolderTool, 1},
        Decision{
            "PathOfAnotherType", Value{3, std::string(1, '\0')}, kTools, {}, true, kFolderTool, 1},
        Decision{"PathTooLong", Sz(std::string(1024, 'x')), kTools, {}, true, kFolderTool, 1},
        Decision{"PathNamesNothing", Sz(kNowhere), kTools, {}, true, kFolderTool, 2},
        Decision{"PathNamesNothingAlone", Sz(kNowhere), {}, {}, true, "", 1},
        Decision{"PathNamesAFolder", Sz("C:\\Windows"), kTools, {}, true, kFolderTool, 2},
        Decision{"NeitherKey", {}, {}, {}, true, "", 0},
        Decision{"PathOfAnotherTypeAlone", Value{3, "bin"}, {}, {}, true, "", 0},
        Decision{"FolderWithoutTheTool", {}, Sz("C:\\Empty"), {}, true, "", 1},
        // Each read up to its first NUL; the folder looked in only when it is a full path.
        Decision{"PathPaddedWithNuls", kPaddedPath, kTools, {}, true, kSlowTool, 1},
        Decision{"PathOfNulsAlone", Sz(std::string(1, '\0')), kTools, {}, true, kFolderTool, 1},
        Decision{"FolderPaddedWithNuls", {}, kPadded, {}, true, kFolderTool, 1},
        Decision{"FolderOnAShare", {}, Sz(kShare), {}, true, kShare + "\\MSINFO32.EXE", 1},
        Decision{"FolderEmpty", {}, Sz(""), {}, true, "", 0},
        Decision{"FolderOfAnotherType", {}, kExpandTools, {}, true, "", 0},
        Decision{"FolderRelative", {}, Sz("Tools"), {}, true, "", 0},
        // A folder of another type is empty, whatever PATH read.
        Decision{
            "PathAFolderThenFolderOfAnotherType", Sz("C:\\Windows"), kExpandTools, {}, true, "", 1},
        // A value of zero bytes ends the lookups at once.
        Decision{"PathOfZeroBytes", Value{services::kRegSz, ""}, kTools, {}, true, "", 0},
        Decision{"PathHangs", Sz(kSlowTool), kTools, {kSlowTool}, true, kFolderTool, 2},
        Decision{"PathAndFolderHang", Sz(kSlowTool), kTools, {kSlowTool, kFolderTool}, true, "", 2},
        Decision{"PathHangsWithoutFolderKey", Sz(kSlowTool), {}, {kSlowTool}, true, "", 1},
        Decision{"FolderHangs", {}, kTools, {kFolderTool}, true, "", 1},
        Decision{"NoThreadToAskOn", Sz(kSlowTool), kTools, {}, false, "", 0}),
    [](const ::testing::TestParamInfo<Decision>& info) { return std::string(info.param.name); });

// PATH names kSlowTool and MSINFO the folder of kFolderTool, both plain files.
struct LauncherRig : fakes::MakerRig {
    LauncherRig() {
        registry.SetText(kToolKey, "PATH", kSlowTool);
        files.AddFile(kSlowTool);
        registry.SetText(kFolderKey, "MSINFO", "C:\\Tools");
        files.AddFile(kFolderTool);
    }
};

struct Launcher : ::testing::Test, LauncherRig {};

// An answer that comes once the wait is over is dropped: it launches nothing and tells no host,
// and it may come after the launcher has gone. The next click asks again.
TEST_F(Launcher, AnswerThatComesLateIsDropped) {
    host.gates.Hold(kSlowTool);
    {
        kelvr::SubModuli gone{host, registry, shell, files, [] { return std::uintptr_t{1}; }};
        gone.LaunchSysInfoTool();
    }
    EXPECT_EQ(shell.Files(), std::vector<std::string>{kFolderTool});
    host.RunPosted();  // what the folder's test, answered in time, posted
    host.gates.Release(kSlowTool);
    EXPECT_EQ(host.RunPosted(), 0) << "the late answer was posted";
    EXPECT_EQ(shell.launches.size(), 1u);

    launcher.LaunchSysInfoTool();
    EXPECT_EQ(shell.Files(), (std::vector<std::string>{kFolderTool, kSlowTool}));
}

// The program ends while the launcher waits for a file test, PATH's or the folder's (the
// session ends): nothing is launched, and there is nothing to say.
TEST(LauncherEnding, ProgramEndingDuringAWaitLaunchesNothing) {
    for (std::size_t wait : {1u, 2u}) {
        SCOPED_TRACE(wait == 1 ? "PATH's test" : "the folder's test");
        LauncherRig rig;
        if (wait == 2)
            rig.host.gates.Hold(kSlowTool);
        rig.host.duringWait = [&rig, wait] {
            if (rig.host.waitLimits.size() == wait)
                rig.host.ending = true;
        };
        rig.launcher.LaunchSysInfoTool();
        EXPECT_EQ(rig.host.waitLimits.size(), wait);
        EXPECT_TRUE(rig.shell.launches.empty());
        EXPECT_EQ(Global::SysInfoNotFound, 0);
    }
}

}  // namespace
