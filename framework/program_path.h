// Where the program file is.
#pragma once

#include <string>

namespace afx {
// Real path of the running program file (/proc/self/exe with symbolic links resolved),
// or the test override when one is set.
std::string GetProgramPath();
} // namespace afx
