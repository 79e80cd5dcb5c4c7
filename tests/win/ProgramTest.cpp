// kelvr.exe itself, as another program sees it: its file, its resources, its window.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "Probe.h"
#include "win32/Utf.h"
#include "win32/WinServices.h"

namespace {

class KelvrExe : public ::testing::Test {
  protected:
    void SetUp() override {
        exe = probe::FromUnix(std::getenv("KELVR_EXE"));  // a Unix path when the build sets it
        ASSERT_FALSE(exe.empty()) << "KELVR_EXE names kelvr.exe";
    }
    std::wstring exe;
};

std::wstring VersionString(const std::vector<char>& info, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT size = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\041004B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &size))
        return L"<missing>";
    return std::wstring(value, size ? size - 1 : 0);
}

TEST_F(KelvrExe, CarriesItsVersionRecordIconAndManifest) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 9));   // 9.1
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(23, 0));  // .0.23
    EXPECT_EQ(VersionString(info, L"FileVersion"), L"9.01.0023");
    EXPECT_EQ(VersionString(info, L"FileDescription"),
              L"Visualizza lo spazio totale e disponibile dei Drive installati");
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Kelvr");

    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    // The first icon group is the program's icon: one 48 x 48 image.
    HRSRC group =
        FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(dir[6], 48);  // width
    EXPECT_EQ(dir[7], 48);  // height

    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest, nullptr);
    std::string text(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                     SizeofResource(module, manifest));
    EXPECT_NE(text.find("asInvoker"), std::string::npos);
    EXPECT_NE(text.find("dpiAware"), std::string::npos);
    EXPECT_NE(text.find("PerMonitorV2"), std::string::npos);
    FreeLibrary(module);
}

// The DLLs named in the exe's import table.
std::set<std::string> ImportedDlls(const std::wstring& path) {
    const std::string pe = probe::FileBytes(path);
    auto u32 = [&](std::size_t at) { return *reinterpret_cast<const DWORD*>(&pe.at(at)); };
    auto u16 = [&](std::size_t at) { return *reinterpret_cast<const WORD*>(&pe.at(at)); };
    const std::size_t nt = u32(0x3C);
    const std::size_t optional = nt + 24;
    // Built as wide as these tests: PE32 (32-bit) or PE32+ (64-bit), whose data directories,
    // the import table's first, start 16 bytes further on.
    const bool wide = sizeof(void*) == 8;
    EXPECT_EQ(u16(optional), wide ? 0x20B : 0x10B) << "not a PE32" << (wide ? "+" : "") << " image";
    const DWORD importRva = u32(optional + (wide ? 120 : 104));
    const std::size_t sections = optional + u16(nt + 20);
    auto offsetOf = [&](DWORD rva) -> std::size_t {
        for (int i = 0; i < u16(nt + 6); ++i) {
            std::size_t s = sections + i * 40;
            DWORD va = u32(s + 12), raw = u32(s + 20), size = u32(s + 16);
            if (rva >= va && rva < va + size)
                return rva - va + raw;
        }
        return 0;
    };
    std::set<std::string> dlls;
    for (std::size_t d = offsetOf(importRva); u32(d + 12) != 0; d += 20) {
        std::string name(&pe.at(offsetOf(u32(d + 12))));
        for (char& c : name) c = static_cast<char>(tolower(c));
        dlls.insert(name);
    }
    return dlls;
}

TEST_F(KelvrExe, ImportsOnlyWindowsOwnDlls) {
    const std::set<std::string> windows = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                           "comctl32.dll", "mpr.dll",      "msvcrt.dll",
                                           "shell32.dll",  "advapi32.dll", "ole32.dll"};
    const std::set<std::string> dlls = ImportedDlls(exe);
    EXPECT_TRUE(dlls.count("kernel32.dll"));
    for (const std::string& dll : dlls) EXPECT_TRUE(windows.count(dll)) << dll;
}

// Closes the main window and expects the process to end, cleanly.
void CloseAndExpectEnd(const probe::KelvrProcess& process) {
    PostMessageW(process.main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(process.Ended(10000));
    DWORD code = 1;
    GetExitCodeProcess(process.pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

// Started as a launcher starts it, and as a shortcut set to start it minimised does, which it
// obeys as any program's first show does: its table, which another program reads as a screen
// reader does, shows every drive, and it ends on close.
TEST_F(KelvrExe, StartsAsAskedOnItsTableThatAnotherProgramCanReadAndEndsOnClose) {
    std::set<std::wstring> drives;
    const win32::WinDriveSource real;
    for (char letter : real.Letters()) drives.insert(win32::Widen(real.Entry(letter)));
    for (const bool minimised : {false, true}) {
        SCOPED_TRACE(minimised ? "minimised" : "as usual");
        STARTUPINFOW si{};
        si.dwFlags = minimised ? STARTF_USESHOWWINDOW : 0;
        si.wShowWindow = SW_SHOWMINNOACTIVE;
        const probe::KelvrProcess process(si);
        ASSERT_NE(process.main, nullptr)
            << "no main window showed by the time the program was ready";
        EXPECT_EQ(IsIconic(process.main) != FALSE, minimised);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        std::set<std::wstring> rows;
        for (const probe::Row& r : probe::Table(process.main)) rows.insert(r.name);
        CoUninitialize();
        EXPECT_EQ(rows, drives);
        CloseAndExpectEnd(process);
    }
}

// The main window closed (by another program, or the task bar's "Close window") while the
// maker window searches a large programs folder: the search stops, nothing is started, no
// message shows, and the process ends within a second.
TEST_F(KelvrExe, ClosingTheMainWindowDuringASearchEndsEverythingAtOnce) {
    const char* wideFolder = std::getenv("KELVR_WIDE_FOLDER");
    if (!wideFolder)
        GTEST_SKIP() << "KELVR_WIDE_FOLDER is not set";
    const std::wstring wide = win32::Widen(wideFolder);
    const std::wstring moved = L"C:\\Programmi\\KelvrWide";
    const std::wstring stub = probe::FromUnix(std::getenv("KELVR_STUB_TOOL"));
    const wchar_t* started = L"C:\\kelvr-tool-started.txt";
    // A walk of some seconds: the tool only in the last of 40,000 folders.
    CreateDirectoryW(L"C:\\Programmi", nullptr);
    const wchar_t* aside = L"C:\\kelvr-wide-tool";
    ASSERT_TRUE(MoveFileW(wide.c_str(), moved.c_str()));
    ASSERT_TRUE(MoveFileW((moved + L"\\MSINFO32.EXE").c_str(), aside));
    ASSERT_TRUE(CopyFileW(stub.c_str(), (moved + L"\\d9999\\MSINFO32.EXE").c_str(), FALSE));
    DeleteFileW(started);
    const probe::ProgramsFolder programs(L"C:\\Programmi");

    const probe::KelvrProcess process;
    ASSERT_NE(process.main, nullptr) << "no main window appeared";
    const HWND maker = process.OpenMaker();
    ASSERT_NE(maker, nullptr);
    const probe::Child* button = probe::Find(probe::Children(maker), L"? &Sistema");
    ASSERT_NE(button, nullptr);
    PostMessageW(button->hwnd, BM_CLICK, 0, 0);
    Sleep(1000);
    EXPECT_FALSE(IsWindowEnabled(button->hwnd)) << "the search is not running";

    PostMessageW(process.main, WM_CLOSE, 0, 0);
    const DWORD asked = GetTickCount();
    bool message = false, ended = false;
    while (!ended && GetTickCount() - asked < 1000) {
        message |= probe::FirstWindow({.text = L"Kelvr", .pid = process.pi.dwProcessId}) != nullptr;
        ended = process.Ended(10);
    }
    EXPECT_TRUE(ended) << "still running a second after its main window closed";
    EXPECT_FALSE(message) << "a message box showed";
    Sleep(500);
    EXPECT_EQ(GetFileAttributesW(started), INVALID_FILE_ATTRIBUTES) << "the tool was started";
    if (!ended && TerminateProcess(process.pi.hProcess, 1))  // before its folders are put back
        process.Ended(5000);
    DeleteFileW((moved + L"\\d9999\\MSINFO32.EXE").c_str());
    MoveFileW(aside, (moved + L"\\MSINFO32.EXE").c_str());
    MoveFileW(moved.c_str(), wide.c_str());
}

}  // namespace
