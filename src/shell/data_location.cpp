#include "shell/data_location.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tavrin {

DataLocation LocateDataArchive(const std::string& commandLinePath) {
    namespace fs = std::filesystem;
    constexpr const char* kName = "Tavrin.data";
    std::vector<fs::path> places;
    const char* environment = std::getenv("TAVRIN_DATA");
    if (!commandLinePath.empty()) {
        places.emplace_back(commandLinePath);
    } else if (environment != nullptr && *environment != '\0') {
        places.emplace_back(environment);
    } else {
        std::error_code error;
        places.push_back(fs::current_path(error) / kName);
        const fs::path executable = fs::read_symlink("/proc/self/exe", error);
        if (!error) {
            places.push_back(executable.parent_path() / kName);
            places.push_back(
                (executable.parent_path() / ".." / "share" / "tavrin" / kName).lexically_normal());
        }
    }
    DataLocation location;
    for (const fs::path& place : places) {
        // The working directory is often the executable's own (a build folder): name it once.
        if (std::find(location.tried.begin(), location.tried.end(), place.string()) !=
            location.tried.end())
            continue;
        location.tried.push_back(place.string());
        std::error_code error;
        if (fs::is_regular_file(place, error)) {
            location.path = place.string();
            break;
        }
    }
    return location;
}

std::string DescribeMissingData(const DataLocation& location) {
    std::string text = "no data archive: looked at ";
    for (size_t i = 0; i < location.tried.size(); ++i) {
        if (i > 0) text += i + 1 == location.tried.size() ? " and " : ", ";
        text += location.tried[i];
    }
    return text;
}

}  // namespace tavrin
