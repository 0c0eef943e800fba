#include "shell/data_location.h"

#include <filesystem>
#include <system_error>

namespace tavrin {

std::string LocateDataArchive() {
    constexpr const char* kName = "Tavrin.data";
    std::error_code error;
    if (std::filesystem::is_regular_file(kName, error)) return kName;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path beside = executable.parent_path() / kName;
        if (std::filesystem::is_regular_file(beside, error)) return beside.string();
    }
    return kName;
}

}  // namespace tavrin
