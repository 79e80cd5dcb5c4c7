#include "sysinfo/Global.h"

namespace Global {

std::int16_t SysInfoNotFound = 0;

}  // namespace Global
