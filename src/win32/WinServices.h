// The system's clock, locale, drives and disk query, as the windows ask for them.
#pragma once

#include "forms/DriveList.h"
#include "forms/Runtime.h"
#include "main/DiskQuery.h"

namespace win32 {

class WinClock : public forms::Clock {
  public:
    forms::Date Today() const override;
};

class WinLocale : public forms::Locale {
  public:
    forms::NumberSeparators Separators() const override;
};

// The drives of GetLogicalDrives, named as the drive list shows them. A removable drive is
// not asked for its label, so that an empty floppy or card reader is never touched; a network
// drive shows its share, read from the local connection table rather than from the server.
class WinDrives : public forms::DriveSource {
  public:
    std::vector<std::string> Drives() const override;
};

class WinDiskQuery : public kelvr::DiskQuery {
  public:
    kelvr::DiskFigures Query(const std::string& root) override;
};

}  // namespace win32
