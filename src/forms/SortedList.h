// A hidden sorted list: text items kept in ascending order regardless of letter case, each
// with a 32-bit tag, reporting where the last item landed. Plain data, never shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace forms {

class SortedList {
  public:
    void Clear();
    // Inserts the item at its place in ascending order, after any equal items.
    void AddItem(const std::string& text);
    int NewIndex() const { return newIndex_; }  // -1 before the first insertion
    int ListCount() const { return static_cast<int>(items_.size()); }
    const std::string& List(int i) const { return items_.at(i).text; }
    std::int32_t ItemData(int i) const { return items_.at(i).tag; }
    void SetItemData(int i, std::int32_t tag) { items_.at(i).tag = tag; }

    // Case-insensitive ordering of two texts: letters compare as their lower case, every other
    // byte by its value.
    static bool Less(const std::string& a, const std::string& b);

  private:
    struct Item {
        std::string text;
        std::int32_t tag;
    };
    std::vector<Item> items_;
    int newIndex_ = -1;
};

}  // namespace forms
