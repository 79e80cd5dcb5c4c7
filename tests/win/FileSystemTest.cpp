// Listing folders through the real file system while the window goes on answering.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "OlderWindows.h"
#include "Probe.h"
#include "win32/Utf.h"
#include "win32/WinServices.h"

namespace {

using probe::Clock;
using probe::Ms;

std::wstring TempFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// How long the system takes to open `folder` for listing, in ms.
double OpeningMs(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const auto start = Clock::now();
    const HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoStandard, &found,
                                         FindExSearchNameMatch, nullptr, 0);
    const double ms = Ms(Clock::now() - start);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return ms;
}

// Wine reads a whole folder before the first entry comes back: for one of 40,000 subfolders a
// wait that the window's thread must not spend without looking at its messages. The
// caller yields every 10 ms or so while the folder opens, then every 512 entries: where the
// opening takes 20 ms or more, it yields more often than the entries alone make it.
// KELVR_WIDE_FOLDER names such a folder, holding MSINFO32.EXE too (scripts/wine-env.sh).
TEST(RealFileSystem, AHugeFolderOpensWhileTheCallerKeepsYielding) {
    const char* wide = std::getenv("KELVR_WIDE_FOLDER");
    if (!wide)
        GTEST_SKIP() << "KELVR_WIDE_FOLDER is not set";
    const std::wstring folder = win32::Widen(wide);
    const int count = 40000;

    win32::WinFileSystem files;
    for (int run = 0; run < 2; ++run) {  // the second time from the system's cache
        const double opening = OpeningMs(folder);
        std::vector<std::string> subfolders;
        bool hasFile = false;
        Clock::time_point last = Clock::now();
        double longest = 0;
        int yields = 0;
        const bool listed =
            files.ListFolder(win32::Narrow(folder), "msinfo32.exe", subfolders, hasFile, [&] {
                const auto now = Clock::now();
                longest = std::max(longest, Ms(now - last));
                last = now;
                ++yields;
            });
        longest = std::max(longest, Ms(Clock::now() - last));
        ASSERT_TRUE(listed);
        EXPECT_TRUE(hasFile);
        EXPECT_EQ(subfolders.size(), static_cast<std::size_t>(count));
        EXPECT_GE(yields, count / 512);
        if (opening >= 20) {
            EXPECT_GT(yields, count / 512) << "run " << run << ", opened in " << opening << " ms";
        }
        EXPECT_LT(longest, 30.0) << "run " << run;
    }
}

// Without a caller to yield to, and for a folder that is not there, the answers are the same;
// and the same again where the system lists folders only in the standard way (Vista, XP).
TEST(RealFileSystem, ListsWithoutYieldingAndFailsOnAMissingFolder) {
    const std::wstring folder = TempFolder(L"kelvr-small");
    CreateDirectoryW((folder + L"\\a").c_str(), nullptr);
    CreateDirectoryW((folder + L"\\b").c_str(), nullptr);
    for (const char* const* lacks : probe::kSystems) {
        SCOPED_TRACE(probe::SystemName(lacks));
        probe::Lacking lacking(lacks);
        win32::WinFileSystem files;
        std::vector<std::string> subfolders;
        bool hasFile = true;
        EXPECT_TRUE(
            files.ListFolder(win32::Narrow(folder), "msinfo32.exe", subfolders, hasFile, nullptr));
        EXPECT_FALSE(hasFile);
        EXPECT_EQ(subfolders.size(), 2u);
        // The same through the opener's thread, which runs what is given meanwhile.
        const auto meanwhile = [] {};
        subfolders.clear();
        EXPECT_FALSE(files.ListFolder(win32::Narrow(folder + L"\\missing"), "", subfolders, hasFile,
                                      meanwhile));
        EXPECT_TRUE(subfolders.empty());
        EXPECT_TRUE(files.ListFolder(win32::Narrow(folder), "", subfolders, hasFile, meanwhile));
        EXPECT_EQ(subfolders.size(), 2u);
    }
}

// A path too long for the system's ordinary calls is the same path as a short one: its doubled
// backslashes, "." and ".." are tidied up as Windows tidies a short path's (the launcher joins a
// folder ending in a backslash with another backslash and the file's name).
TEST(RealFileSystem, LongPathsAreTidiedAsShortOnesAre) {
    std::wstring folder = TempFolder(L"kelvr-long");
    while (folder.size() < MAX_PATH) {
        folder += L"\\cartella-con-un-nome-piuttosto-lungo";
        CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    }
    const std::wstring file = folder + L"\\MSINFO32.EXE";
    ASSERT_GT(file.size(), std::size_t{MAX_PATH});
    const HANDLE made = CreateFileW((L"\\\\?\\" + file).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(made, INVALID_HANDLE_VALUE);
    CloseHandle(made);
    const std::string f = win32::Narrow(folder);
    win32::WinFileSystem files;
    for (const std::string& path :
         {f + "\\MSINFO32.EXE", f + "\\\\MSINFO32.EXE", f + "\\.\\MSINFO32.EXE",
          f + "\\KelvrNone\\..\\MSINFO32.EXE", f + "/MSINFO32.EXE"}) {
        SCOPED_TRACE(path.substr(f.size()));
        EXPECT_TRUE(files.IsPlainFile(path));
    }
}

// The programs folder as the system names it, and paths as the system stores them: letters as
// on disk, no trailing backslash but a root's, links followed. Where the system cannot follow a
// link (XP), a path through one has no final name.
TEST(RealFileSystem, NamesTheProgramsFolderAndGivesPathsTheirFinalNames) {
    win32::WinFileSystem files;
    std::string programs;
    ASSERT_TRUE(files.ProgramsFolder(programs));
    EXPECT_EQ(programs, "C:\\Program Files");

    const struct {
        const char* path;
        const char* final;    // nullptr: cannot be opened
        const char* xpFinal;  // the same where links cannot be followed
    } cases[] = {
        {"C:\\Programmi", "C:\\Programmi", "C:\\Programmi"},
        {"c:\\PROGRAMMI\\", "C:\\Programmi", "C:\\Programmi"},
        {"C:\\", "C:\\", "C:\\"},
        {"C:\\Programmi\\KelvrLoop\\..\\.\\KelvrLoop", "C:\\Programmi\\KelvrLoop",
         "C:\\Programmi\\KelvrLoop"},
        // A link back up the tree, made by the test run's prefix, at the end and on the way.
        {"C:\\Programmi\\KelvrLoop\\inner\\up", "C:\\Programmi\\KelvrLoop", nullptr},
        {"C:\\Programmi\\KelvrLoop\\inner\\up\\inner", "C:\\Programmi\\KelvrLoop\\inner", nullptr},
        {"C:\\Programmi\\KelvrMissing", nullptr, nullptr},
    };
    for (const char* const* lacks : probe::kSystems) {
        probe::Lacking lacking(lacks);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(probe::SystemName(lacks)) + ": " + c.path);
            const char* final = lacks ? c.xpFinal : c.final;
            std::string out = "unchanged";
            EXPECT_EQ(files.FinalPath(c.path, out), final != nullptr);
            EXPECT_EQ(out, final ? final : "unchanged");
        }
    }
}

}  // namespace
