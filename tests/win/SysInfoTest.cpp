// The registry reader against the real registry, the launcher starting a real program, and
// the maker window's search over a real folder tree.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "Modal.h"
#include "OlderWindows.h"
#include "Probe.h"
#include "RealProgram.h"
#include "Watch.h"
#include "main/Program.h"
#include "sysinfo/Global.h"
#include "win32/Utf.h"
#include "win32/WinHost.h"
#include "win32/WinServices.h"

namespace {

const wchar_t* kToolKey = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const wchar_t* kFolderKey = L"SOFTWARE\\Microsoft\\Shared Tools Location";
const wchar_t* kStarted = L"C:\\kelvr-tool-started.txt";

std::wstring Started() {
    const std::string bytes = probe::FileBytes(kStarted);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

// Waits up to five seconds for the stand-in tool to have been started.
std::wstring WaitForStart() {
    probe::Until([] { return !Started().empty(); }, 5000, 50);
    return Started();
}

// Takes out both registry values that name the tool.
void ForgetTool() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kToolKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kFolderKey);
}

void SetString(HKEY root, const wchar_t* key, const wchar_t* name, const std::string& bytes,
               DWORD type = REG_SZ) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(k, win32::Narrow(name).c_str(), 0, type,
                   reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    RegCloseKey(k);
}

// The predefined keys are sign-extended handles in a 64-bit program (HKEY_LOCAL_MACHINE is
// 0xFFFFFFFF80000002): a key made from the zero-extended 32-bit value is another handle there,
// which Windows refuses (and Wine, comparing only the low 32 bits, accepts).
TEST(RegistryRoots, AreTheSystemsOwnKeysAtEveryWidth) {
    for (HKEY key : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                     HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG}) {
        const auto value = static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(key));
        EXPECT_EQ(win32::RegistryRoot(value), key) << std::hex << value;
    }
    EXPECT_EQ(win32::RegistryRoot(services::kHkeyLocalMachine), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(win32::RegistryRoot(0), nullptr);
    EXPECT_EQ(win32::RegistryRoot(0x80000010u), nullptr);
    win32::WinRegistry registry;
    services::RegistryKey key = 1;
    EXPECT_NE(registry.OpenKey(0x80000010u, "SOFTWARE", services::kKeyRead, key), ERROR_SUCCESS);
}

// Values as the registry holds them, read back: strings with and without their NUL, in the
// system's code page (cp1252) read as UTF-8; a DWORD as its number; a value of another type
// leaves the output alone. A missing key or value, and a value over 1024 bytes, read empty.
TEST(RealRegistry, ReadsEachValueByItsType) {
    const wchar_t* key = L"SOFTWARE\\KelvrTest";
    const struct {
        const wchar_t* name;  // nullptr: a key that is not there
        DWORD type;
        std::string bytes;
        bool read;
        std::string value;  // "stale" before the read
    } cases[] = {
        {L"WithNul", REG_SZ, std::string("C:\\Tool", 8), true, "C:\\Tool"},
        {L"WithoutNul", REG_SZ, "C:\\Tool", true, "C:\\Tool"},
        {L"Accented", REG_SZ, std::string("citt\xE0", 6), true, "citt\xC3\xA0"},
        {L"Exact", REG_SZ, std::string(1023, 'y') + '\0', true, std::string(1023, 'y')},
        {L"Long", REG_SZ, std::string(1100, 'x'), false, ""},
        {L"Number", REG_DWORD, std::string("\x02\x01\x00\x00", 4), true, "258"},
        {L"Missing", REG_NONE, "", false, ""},
        {nullptr, REG_NONE, "", false, ""},
    };
    for (const auto& c : cases)
        if (c.name && c.type != REG_NONE)
            SetString(HKEY_LOCAL_MACHINE, key, c.name, c.bytes, c.type);
    win32::WinRegistry registry;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name ? win32::Narrow(c.name) : "no key");
        std::string v = "stale";
        EXPECT_EQ(kelvr::ReadRegistryValue(
                      registry, services::kHkeyLocalMachine,
                      c.name ? "SOFTWARE\\KelvrTest" : "SOFTWARE\\KelvrTest\\Nowhere",
                      c.name ? win32::Narrow(c.name) : "X", v),
                  c.read);
        EXPECT_EQ(v, c.value);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, key);
}

// The program over the real services, with the tool's registry values and the programs folder
// under the test's control.
class RealLauncher : public ::testing::Test, protected probe::RealProgram<> {
  protected:
    void SetUp() override {
        tool = probe::FromUnix(std::getenv("KELVR_STUB_TOOL"));
        ASSERT_NE(GetFileAttributesW(tool.c_str()), INVALID_FILE_ATTRIBUTES) << "KELVR_STUB_TOOL";
        ForgetTool();
        DeleteFileW(kStarted);
        program.Main().Show();
        host.DoEvents();
    }
    void TearDown() override {
        ForgetTool();
        RemoveTree(L"C:\\Programmi\\KelvrA");
        RemoveTree(L"C:\\Programmi\\KelvrC");
        RemoveTree(L"C:\\Programmi\\KelvrDeep");
        DeleteFileW(kStarted);
    }

    static void RemoveTree(const std::wstring& dir) {
        WIN32_FIND_DATAW f;
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &f);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = f.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                std::wstring path = dir + L"\\" + name;
                if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path);
                else
                    DeleteInTime(path);
            } while (FindNextFileW(h, &f));
            FindClose(h);
        }
        RemoveDirectoryW(dir.c_str());
    }

    // A stand-in tool that a test started may not have ended yet when the test does, and its
    // file cannot go while it runs: it is given up to five seconds.
    static void DeleteInTime(const std::wstring& path) {
        for (int i = 0; i < 100 && !DeleteFileW(path.c_str()) &&
                        GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
             ++i)
            Sleep(50);
    }

    void PlaceTool(const std::wstring& folder) {
        SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(tool.c_str(), (folder + L"\\MSINFO32.EXE").c_str(), FALSE));
    }

    // Clicks "? &Sistema" in the maker window; returns the text of the message box that the
    // click showed, or "" when it showed none.
    std::wstring ClickSystem() {
        std::wstring message;
        const bool opened = modal::WhileOpen(
            L"Informazioni sul produttore del SoftWare", L"KelvrForm",
            [&](HWND maker) {
                HWND button = probe::Find(probe::Children(maker), L"? &Sistema")->hwnd;
                modal::WhileOpen(
                    L"Kelvr", L"#32770",
                    [&](HWND box) {
                        message = modal::MessageText(box);
                        PostMessageW(box, WM_COMMAND, IDOK, 0);
                    },
                    [&] { SendMessageW(button, BM_CLICK, 0, 0); });
                PostMessageW(maker, WM_CLOSE, 0, 0);
            },
            [&] { program.ShowMaker(); });
        EXPECT_TRUE(opened);
        return message;
    }

    std::wstring tool;
};

// The tool the registry names, read from the real registry and tested on the real disk: by its
// path (PATH), or by its folder (MSINFO of the shared tools' locations), here one ending in a
// backslash, which the file's name is added to with another (the system takes the doubled
// backslash as one); a folder without the tool is no find. The tool is started owned by the
// maker window, loaded and hidden. (Every other way the registry may name it: LauncherDecision.)
TEST_F(RealLauncher, StartsTheToolTheRegistryNamesByItsPathOrItsFolder) {
    PlaceTool(L"C:\\KelvrTool");
    const struct {
        const wchar_t *key, *value;
        std::string data;
        std::wstring started;  // empty: no find
    } cases[] = {
        {kToolKey, L"PATH", win32::Narrow(tool), tool},
        {kFolderKey, L"MSINFO", "C:\\KelvrTool\\", L"C:\\KelvrTool\\MSINFO32.EXE"},
        {kFolderKey, L"MSINFO", "C:\\windows", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(win32::Narrow(c.value) + " " + c.data);
        ForgetTool();
        DeleteInTime(kStarted);
        SetString(HKEY_LOCAL_MACHINE, c.key, c.value, c.data + '\0');
        Global::SysInfoNotFound = 0;
        program.Launcher().LaunchSysInfoTool();
        EXPECT_EQ(Global::SysInfoNotFound, c.started.empty() ? 1 : 0);
        if (!c.started.empty()) {
            const std::wstring started = WaitForStart();
            EXPECT_NE(started.find(c.started), std::wstring::npos) << win32::Narrow(started);
        }
    }
    kelvr::InfQirvo& maker = program.Maker();
    EXPECT_TRUE(maker.IsLoaded());
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(maker.hWnd())));
    RemoveTree(L"C:\\KelvrTool");
}

// A fresh prefix's programs folder is C:\Program Files, and any user may make C:\Programmi:
// a tool planted there is not started.
TEST_F(RealLauncher, ToolPlantedOutsideTheProgramsFolderIsNotStarted) {
    std::string programs;
    ASSERT_TRUE(files.ProgramsFolder(programs));
    ASSERT_EQ(programs, "C:\\Program Files");
    PlaceTool(L"C:\\Programmi\\KelvrA\\B");
    PlaceTool(L"C:\\Programmi\\KelvrC");
    EXPECT_EQ(ClickSystem(), L"MSINFO32.EXE  NON TROVATO");
    Sleep(1000);  // time enough for a launch to show
    EXPECT_EQ(Started(), L"");
}

// A prefix whose programs folder is C:\Programmi, as on an Italian Windows XP.
class ProgramsFolderSearch : public RealLauncher {
  protected:
    void SetUp() override {
        std::string programs;
        ASSERT_TRUE(files.ProgramsFolder(programs));
        ASSERT_EQ(programs, "C:\\Programmi");
        RealLauncher::SetUp();
    }

    const probe::ProgramsFolder programs_{L"C:\\Programmi"};
};

// On every Windows, XP included, where the programs folder is named and listed otherwise.
TEST_F(ProgramsFolderSearch, StartsTheFirstToolInDepthFirstOrder) {
    PlaceTool(L"C:\\Programmi\\KelvrA\\B");
    PlaceTool(L"C:\\Programmi\\KelvrC");
    std::vector<std::string> top;
    ASSERT_TRUE(files.Subfolders("C:\\Programmi", top));
    const auto a = std::find(top.begin(), top.end(), "C:\\Programmi\\KelvrA");
    const auto c = std::find(top.begin(), top.end(), "C:\\Programmi\\KelvrC");
    ASSERT_TRUE(a != top.end() && c != top.end());
    const std::wstring expected =
        a < c ? L"C:\\Programmi\\KelvrA\\B\\MSINFO32.EXE" : L"C:\\Programmi\\KelvrC\\MSINFO32.EXE";

    for (const char* const* lacks : probe::kSystems) {
        SCOPED_TRACE(probe::SystemName(lacks));
        DeleteInTime(kStarted);
        probe::Lacking lacking(lacks);
        EXPECT_EQ(ClickSystem(), L"");
        const std::wstring started = WaitForStart();
        EXPECT_NE(started.find(expected), std::wstring::npos) << win32::Narrow(started);
    }
}

TEST_F(ProgramsFolderSearch, OverLinksAndPathsPastMaxPathFindsNothingAndSaysSo) {
    // A link back up the tree, made by the test run's prefix.
    const DWORD loop = GetFileAttributesW(L"C:\\Programmi\\KelvrLoop\\inner\\up");
    ASSERT_NE(loop, INVALID_FILE_ATTRIBUTES) << "the prefix holds a link loop under C:\\Programmi";
    EXPECT_TRUE(loop & FILE_ATTRIBUTE_REPARSE_POINT);
    // Folders nested past MAX_PATH.
    std::wstring deep = L"\\\\?\\C:\\Programmi\\KelvrDeep";
    CreateDirectoryW(deep.c_str(), nullptr);
    while (deep.size() < 400) {
        deep += L"\\cartella-con-un-nome-lungo";
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    }

    EXPECT_EQ(ClickSystem(), L"MSINFO32.EXE  NON TROVATO");
    EXPECT_EQ(Started(), L"");
}

// kelvr.exe driven from this process while the registry's PATH names a file whose lookup hangs,
// as a tool on a share that stops answering: run by tests/win/hung-tool-test.sh, which mounts
// that file on a FUSE drive, names it in KELVR_HUNG_TOOL and holds the hang while the file
// KELVR_HANG_FLAG (a Unix path) exists. Skipped elsewhere.
namespace hung {

using probe::Ms;

// The PATH test hangs: the window waits for it no longer than the launcher's bound, answering
// WM_NULL from this process all the while, as the system asks whether a program answers; then
// it goes on as for a PATH that names no tool, and starts the tool of the second lookup.
TEST(HungToolPath, SystemButtonKeepsTheMakerWindowAnswering) {
    const char* hungTool = std::getenv("KELVR_HUNG_TOOL");
    const char* flag = std::getenv("KELVR_HANG_FLAG");
    if (!hungTool || !flag)
        GTEST_SKIP() << "run by tests/win/hung-tool-test.sh";
    const std::wstring stub = probe::FromUnix(std::getenv("KELVR_STUB_TOOL"));
    const std::wstring hang = probe::FromUnix(flag);
    const std::wstring folder = L"C:\\KelvrHungTool", folderTool = folder + L"\\MSINFO32.EXE";
    ForgetTool();
    SetString(HKEY_LOCAL_MACHINE, kToolKey, L"PATH", std::string(hungTool) + '\0');
    SetString(HKEY_LOCAL_MACHINE, kFolderKey, L"MSINFO", win32::Narrow(folder) + '\0');
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(stub.c_str(), folderTool.c_str(), FALSE));
    DeleteFileW(kStarted);

    const probe::KelvrProcess process;
    const HWND main = process.main, maker = main ? process.OpenMaker() : nullptr;
    const HWND button =  // its own push-button window
        maker ? probe::FirstWindow({.text = L"? &Sistema", .cls = L"Button"}, maker) : nullptr;
    EXPECT_TRUE(main && maker && button) << "kelvr.exe's main window, the maker window, the button";
    if (button) {
        bench::Pinger pinger(maker);
        PostMessageW(button, BM_CLICK, 0, 0);
        const double launched = probe::Until([] { return !Started().empty(); }, 8000);
        // A window that waits for the file itself is let go, so that the test ends.
        DeleteFileW(hang.c_str());
        const double unanswered = pinger.Stop();
        std::printf("launched %.1f\nunanswered %.1f\n", launched, unanswered);
        EXPECT_NE(Started().find(folderTool), std::wstring::npos) << win32::Narrow(Started());
        const double bound = Ms(kelvr::SubModuli::kFileWait);
        EXPECT_GE(launched, bound) << "the PATH test answered: it did not hang";
        EXPECT_LE(launched, bound + 2000);
        EXPECT_LE(unanswered, 200) << "the maker window left WM_NULL unanswered too long";
    }
    DeleteFileW(hang.c_str());
    if (maker)
        PostMessageW(maker, WM_CLOSE, 0, 0);
    if (main)
        PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(process.Ended(10000)) << "kelvr.exe did not end";
    ForgetTool();
    DeleteFileW(folderTool.c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace hung

}  // namespace
