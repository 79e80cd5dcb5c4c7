// What the program's windows work with: the host that realises them and lends them its screen,
// and the operating system's services. One bundle for every window; each keeps what it needs.
#pragma once

#include <memory>

#include "forms/Runtime.h"
#include "services/Clock.h"
#include "services/DiskQuery.h"
#include "services/DriveSource.h"
#include "services/FileSystem.h"
#include "services/Locale.h"
#include "services/Registry.h"
#include "services/Shell.h"

namespace kelvr {

struct Services {
    forms::FormHost& host;
    const forms::Screen& screen;
    const services::Clock& clock;
    const services::Locale& locale;
    // Asked on threads of their own (they may keep their caller waiting): shared with the
    // queries still running when the windows go.
    std::shared_ptr<const services::DriveSource> drives;
    std::shared_ptr<services::DiskQuery> disks;
    const services::FileSystem& files;
    services::Registry& registry;
    services::Shell& shell;
};

}  // namespace kelvr
