// Things made once for each key and kept: the fonts and icons of a screen, and what is known of
// each font.
#pragma once

namespace forms {

// What `make` makes for `key`, made at the first call for that key and kept in `made`, a
// sequence of pairs of key and value. (Looked through one by one: a program makes a few dozen
// at most.)
template <class Made, class Make>
auto& MadeOnce(Made& made, const typename Made::value_type::first_type& key, Make make) {
    for (auto& m : made)
        if (m.first == key)
            return m.second;
    made.emplace_back(key, make());
    return made.back().second;
}

}  // namespace forms
