#include "forms/SortedList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using forms::SortedList;

std::vector<std::string> Texts(const SortedList& l) {
    std::vector<std::string> out;
    for (int i = 0; i < l.ListCount(); ++i) out.push_back(l.List(i));
    return out;
}

std::vector<int> Tags(const SortedList& l) {
    std::vector<int> out;
    for (int i = 0; i < l.ListCount(); ++i) out.push_back(l.ItemData(i));
    return out;
}

// Adds an item and tags it where it landed, as the main window files its drives.
void AddTagged(SortedList& l, const std::string& text, int tag) {
    l.AddItem(text);
    l.SetItemData(l.NewIndex(), tag);
}

TEST(SortedListTest, StartsEmptyWithNoInsertion) {
    SortedList l;
    EXPECT_EQ(l.ListCount(), 0);
    EXPECT_EQ(l.NewIndex(), -1);
}

TEST(SortedListTest, KeepsItemsAscendingAndReportsWhereEachLanded) {
    SortedList l;
    l.AddItem("c: [SYSTEM]");
    EXPECT_EQ(l.NewIndex(), 0);
    l.AddItem("e:");
    EXPECT_EQ(l.NewIndex(), 1);
    l.AddItem("a:");
    EXPECT_EQ(l.NewIndex(), 0);
    l.AddItem("d: [DATI]");
    EXPECT_EQ(l.NewIndex(), 2);
    EXPECT_EQ(Texts(l), (std::vector<std::string>{"a:", "c: [SYSTEM]", "d: [DATI]", "e:"}));
}

TEST(SortedListTest, TagsTravelWithTheirItemsWhenLaterOnesAreInsertedBefore) {
    SortedList l;
    AddTagged(l, "00.300,00 ", 1);
    AddTagged(l, "00.100,00 ", 2);
    AddTagged(l, "00.200,00 ", 3);
    AddTagged(l, "00.000,00 ", 4);
    EXPECT_EQ(Texts(l),
              (std::vector<std::string>{"00.000,00 ", "00.100,00 ", "00.200,00 ", "00.300,00 "}));
    EXPECT_EQ(Tags(l), (std::vector<int>{4, 2, 3, 1}));
}

TEST(SortedListTest, IgnoresLetterCase) {
    SortedList l;
    l.AddItem("b:");
    l.AddItem("C:");
    l.AddItem("a:");
    l.AddItem("B: [Backup]");
    EXPECT_EQ(Texts(l), (std::vector<std::string>{"a:", "b:", "B: [Backup]", "C:"}));
    EXPECT_FALSE(SortedList::Less("A", "a"));
    EXPECT_FALSE(SortedList::Less("a", "A"));
    EXPECT_TRUE(SortedList::Less("a", "B"));
    EXPECT_TRUE(SortedList::Less("A", "b"));
}

TEST(SortedListTest, LettersCompareAsLowerCaseOtherBytesByValue) {
    // '_' lies between the upper and the lower case letters: folded to lower case, it comes
    // before every letter.
    EXPECT_TRUE(SortedList::Less("_x", "A"));
    EXPECT_FALSE(SortedList::Less("A", "_x"));
    EXPECT_TRUE(SortedList::Less(" ", "0"));
    EXPECT_TRUE(SortedList::Less("0", "9"));
    EXPECT_TRUE(SortedList::Less("c:", "c: [SYSTEM]"));  // a prefix comes first
    EXPECT_FALSE(SortedList::Less("c: [SYSTEM]", "c:"));
    // Bytes above 127 (UTF-8 text) are not sign-extended below the plain characters.
    EXPECT_TRUE(SortedList::Less("z", "\xC3\xA0"));
}

TEST(SortedListTest, EqualItemsAreAllKeptEachWithItsOwnTag) {
    SortedList l;
    AddTagged(l, "00.500,00 ", 1);
    AddTagged(l, "00.100,00 ", 2);
    AddTagged(l, "00.500,00 ", 3);
    EXPECT_EQ(l.NewIndex(), 2);  // after the equal item already there
    AddTagged(l, "00.500,00 ", 4);
    EXPECT_EQ(l.NewIndex(), 3);
    EXPECT_EQ(Texts(l),
              (std::vector<std::string>{"00.100,00 ", "00.500,00 ", "00.500,00 ", "00.500,00 "}));
    EXPECT_EQ(Tags(l), (std::vector<int>{2, 1, 3, 4}));

    SortedList names;
    AddTagged(names, "x:", 1);
    AddTagged(names, "X:", 2);
    EXPECT_EQ(Texts(names), (std::vector<std::string>{"x:", "X:"}));
    EXPECT_EQ(Tags(names), (std::vector<int>{1, 2}));
}

TEST(SortedListTest, ClearEmptiesTheListAndForgetsTheLastInsertion) {
    SortedList l;
    AddTagged(l, "b", 1);
    AddTagged(l, "a", 2);
    l.Clear();
    EXPECT_EQ(l.ListCount(), 0);
    EXPECT_EQ(l.NewIndex(), -1);
    AddTagged(l, "c", 3);
    EXPECT_EQ(l.NewIndex(), 0);
    EXPECT_EQ(Texts(l), (std::vector<std::string>{"c"}));
    EXPECT_EQ(Tags(l), (std::vector<int>{3}));
}

TEST(SortedListTest, OutOfRangeAccessThrows) {
    SortedList l;
    l.AddItem("a");
    EXPECT_THROW(l.List(1), std::out_of_range);
    EXPECT_THROW(l.SetItemData(-1, 5), std::out_of_range);
}

}  // namespace
