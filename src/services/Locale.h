// The user's locale: the separators that numbers are written with.
#pragma once

#include <string>

namespace services {

// The user's decimal and thousands separators, as UTF-8 text.
struct NumberSeparators {
    std::string decimal = ".";
    std::string thousands = ",";
};

class Locale {
  public:
    virtual ~Locale() = default;
    virtual NumberSeparators Separators() const = 0;
};

}  // namespace services
