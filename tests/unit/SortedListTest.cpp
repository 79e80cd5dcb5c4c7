#include "forms/SortedList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using forms::SortedList;

// Items added one by one, each tagged where it landed, as the main window files its drives:
// where each landed, then the list's texts and tags in order. An empty list has no insertion,
// and neither has one just cleared.
TEST(SortedListTest, KeepsItemsAscendingWithTheirTagsAndReportsWhereEachLanded) {
    const struct {
        const char* name;
        std::vector<std::string> added;  // tagged 1, 2, ... in this order
        std::vector<int> landed;
        std::vector<std::string> texts;
        std::vector<int> tags;
    } cases[] = {
        {"Empty", {}, {}, {}, {}},
        {"Names",
         {"c: [SYSTEM]", "e:", "a:", "d: [DATI]"},
         {0, 1, 0, 2},
         {"a:", "c: [SYSTEM]", "d: [DATI]", "e:"},
         {3, 1, 4, 2}},
        // Tags travel with their items when later ones are inserted before them.
        {"Figures",
         {"00.300,00 ", "00.100,00 ", "00.200,00 ", "00.000,00 "},
         {0, 0, 1, 0},
         {"00.000,00 ", "00.100,00 ", "00.200,00 ", "00.300,00 "},
         {4, 2, 3, 1}},
        {"LetterCaseIgnored",
         {"b:", "C:", "a:", "B: [Backup]"},
         {0, 1, 0, 2},
         {"a:", "b:", "B: [Backup]", "C:"},
         {3, 1, 4, 2}},
        // Equal items are all kept, each after those already there, with its own tag.
        {"EqualFigures",
         {"00.500,00 ", "00.100,00 ", "00.500,00 ", "00.500,00 "},
         {0, 0, 2, 3},
         {"00.100,00 ", "00.500,00 ", "00.500,00 ", "00.500,00 "},
         {2, 1, 3, 4}},
        {"EqualButForCase", {"x:", "X:"}, {0, 1}, {"x:", "X:"}, {1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool cleared : {false, true}) {
            SCOPED_TRACE(cleared ? "after a Clear" : "fresh");
            SortedList l;
            if (cleared) {
                for (const char* old : {"zz", "aa"}) {
                    l.AddItem(old);
                    l.SetItemData(l.NewIndex(), 99);
                }
                l.Clear();
            }
            EXPECT_EQ(l.ListCount(), 0);
            EXPECT_EQ(l.NewIndex(), -1);
            std::vector<int> landed;
            for (std::size_t i = 0; i < c.added.size(); ++i) {
                l.AddItem(c.added[i]);
                landed.push_back(l.NewIndex());
                l.SetItemData(l.NewIndex(), static_cast<int>(i) + 1);
            }
            EXPECT_EQ(landed, c.landed);
            std::vector<std::string> texts;
            std::vector<int> tags;
            for (int i = 0; i < l.ListCount(); ++i) {
                texts.push_back(l.List(i));
                tags.push_back(l.ItemData(i));
            }
            EXPECT_EQ(texts, c.texts);
            EXPECT_EQ(tags, c.tags);
        }
    }
}

// Letters compare as their lower case, every other byte by its value.
TEST(SortedListTest, LettersCompareAsLowerCaseOtherBytesByValue) {
    const struct {
        const char *a, *b;
        bool less;
    } cases[] = {
        {"A", "a", false},
        {"a", "A", false},
        {"a", "B", true},
        {"A", "b", true},
        // '_' lies between the upper and the lower case letters: folded to lower case, it
        // comes before every letter.
        {"_x", "A", true},
        {"A", "_x", false},
        {" ", "0", true},
        {"0", "9", true},
        {"c:", "c: [SYSTEM]", true},  // a prefix comes first
        {"c: [SYSTEM]", "c:", false},
        // Bytes above 127 (UTF-8 text) are not sign-extended below the plain characters.
        {"z", "\xC3\xA0", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SortedList::Less(c.a, c.b), c.less) << "\"" << c.a << "\" < \"" << c.b << "\"";
}

TEST(SortedListTest, OutOfRangeAccessThrows) {
    SortedList l;
    l.AddItem("a");
    EXPECT_THROW(l.List(1), std::out_of_range);
    EXPECT_THROW(l.SetItemData(-1, 5), std::out_of_range);
}

}  // namespace
