#include "forms/SortedList.h"

#include <algorithm>

namespace forms {

namespace {
unsigned char Fold(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}
}  // namespace

bool SortedList::Less(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Fold(x) < Fold(y); });
}

void SortedList::Clear() {
    items_.clear();
    newIndex_ = -1;
}

void SortedList::AddItem(const std::string& text) {
    auto at = std::upper_bound(items_.begin(), items_.end(), text,
                               [](const std::string& t, const Item& i) { return Less(t, i.text); });
    newIndex_ = static_cast<int>(at - items_.begin());
    items_.insert(at, Item{text, 0});
}

}  // namespace forms
