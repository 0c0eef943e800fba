#include "d3d/diagnostics.h"

#include <cstdio>
#include <set>

namespace tavrin::d3d {

namespace {

std::set<std::string>& ReportedKinds() {
    static std::set<std::string> kinds;
    return kinds;
}

}  // namespace

void Report(const char* kind, const std::string& message) {
    if (!ReportedKinds().insert(kind).second) return;
    std::fprintf(stderr, "d3d: %s\n", message.c_str());
}

}  // namespace tavrin::d3d
