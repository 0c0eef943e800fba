#include "shell/startup_timing.h"

#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace tavrin {

double MillisecondsSinceProcessStart() {
    std::ifstream file("/proc/self/stat");
    std::string stat;
    if (!std::getline(file, stat)) return -1.0;
    // The command name in parentheses may hold spaces: the fields are counted after its end.
    const size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) return -1.0;
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    // Field 22, the start time in clock ticks after boot, is the 20th after the name.
    for (int index = 0; index < 20 && fields >> field; ++index) {
    }
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (!fields || ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1.0;
    const double startSeconds = std::stod(field) / static_cast<double>(ticksPerSecond);
    const double nowSeconds =
        static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    return (nowSeconds - startSeconds) * 1000.0;
}

}  // namespace tavrin
