// A drive's path named as it is stored, part by part.
#include "services/StoredPath.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <utility>

namespace {

// A disk of two folders and a junction, each found in the folder it is in, as that folder is
// stored, whatever the letters it is asked in.
const std::map<std::pair<std::string, std::string>, std::pair<std::string, bool>> disk = {
    {{"C:", "programmi"}, {"Programmi", false}},
    {{"C:\\Programmi", "kelvr"}, {"Kelvr", false}},
    {{"C:\\Programmi", "link"}, {"Link", true}},
    {{"C:\\Programmi\\Link", "kelvr"}, {"Kelvr", false}},
};
int asked = 0;

bool Stored(const std::string& folder, const std::string& part, std::string& name) {
    ++asked;
    std::string lower = part;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto it = disk.find({folder, lower});
    if (it == disk.end())
        return false;
    name = it->second.first;
    return !it->second.second;
}

TEST(StoredPath, NamesEachPartAsStoredAndRefusesLinksWildcardsAndOtherPaths) {
    const struct {
        const char* full;
        const char* out;  // nullptr: refused
        int asked;
    } cases[] = {
        {"c:\\PROGRAMMI\\kelvr", "C:\\Programmi\\Kelvr", 2},
        {"C:\\Programmi\\\\Kelvr\\", "C:\\Programmi\\Kelvr", 2},
        {"C:\\", "C:\\", 0},
        {"C:\\Programmi\\Link", nullptr, 2},
        {"C:\\Programmi\\Link\\Kelvr", nullptr, 2},
        {"C:\\Programmi\\Missing", nullptr, 2},
        {"C:\\Programmi\\Kel*", nullptr, 1},
        {"C:\\Programmi\\Kelv?", nullptr, 1},
        {"\\\\server\\share\\Kelvr", nullptr, 0},
        {"C:", nullptr, 0},
    };
    for (const auto& c : cases) {
        asked = 0;
        std::string out = "unchanged";
        EXPECT_EQ(services::StoredPath(c.full, Stored, out), c.out != nullptr) << c.full;
        EXPECT_EQ(out, c.out ? c.out : "unchanged") << c.full;
        EXPECT_EQ(asked, c.asked) << c.full;
    }
}

}  // namespace
