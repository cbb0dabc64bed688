#include "framework/program_path.h"

#include "framework/test_hooks.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace afx {
std::string GetProgramPath() {
    if (std::string path = detail::ProgramPathOverride(); !path.empty())
        return path;
    char buffer[PATH_MAX];
    if (realpath("/proc/self/exe", buffer) != nullptr)
        return buffer;
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<std::size_t>(n));
}
} // namespace afx
