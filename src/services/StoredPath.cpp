#include "services/StoredPath.h"

namespace services {

bool StoredPath(const std::string& full, StoredName stored, std::string& out) {
    if (full.size() < 3 || full[1] != ':' || full[2] != '\\')
        return false;
    const char drive =
        full[0] >= 'a' && full[0] <= 'z' ? static_cast<char>(full[0] - 'a' + 'A') : full[0];
    std::string name = {drive, ':'};
    for (std::size_t at = 3; at <= full.size();) {
        std::size_t end = full.find('\\', at);
        if (end == std::string::npos)
            end = full.size();
        const std::string part = full.substr(at, end - at);
        at = end + 1;
        if (part.empty())
            continue;
        std::string storedPart;
        if (part.find_first_of("*?") != std::string::npos || !stored(name, part, storedPart))
            return false;
        name += "\\" + storedPart;
    }
    if (name.size() == 2)  // the drive's root
        name += '\\';
    out = name;
    return true;
}

}  // namespace services
