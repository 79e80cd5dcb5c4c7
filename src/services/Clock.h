// The system's clock: today's date, as the main window's caption shows it.
#pragma once

namespace services {

struct Date {
    int year, month, day;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual Date Today() const = 0;
};

}  // namespace services
