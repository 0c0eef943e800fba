#pragma once

#include <string>
#include <vector>

namespace tavrin {

// Where the data archive was found, or every place looked at.
struct DataLocation {
    std::string path;                // empty when none was found
    std::vector<std::string> tried;  // in the order looked at
};

// Finds "Tavrin.data". A file named on the command line (`commandLinePath`, when not empty), else
// one named by TAVRIN_DATA, is the only place looked at: a named file that is missing is a
// mistake to report, not a reason to load some other archive. Otherwise, in order: the working
// directory, beside the running executable, and ../share/tavrin/ from it (the installed layout).
DataLocation LocateDataArchive(const std::string& commandLinePath = {});

// "no data archive: looked at A, B and C" for a location that found nothing.
std::string DescribeMissingData(const DataLocation& location);

}  // namespace tavrin
