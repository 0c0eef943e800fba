#pragma once

#include <string>

namespace tavrin {

// Where the show reads its data: "Tavrin.data" in the working directory when it is there,
// otherwise the one beside the running executable, otherwise the working-directory name (which
// then fails to open like any missing archive).
std::string LocateDataArchive();

}  // namespace tavrin
