#pragma once

#include <cstddef>
#include <string>

namespace tavrin::d3d {

// Tells the caller what it did wrong, in words, on stderr: once per kind of problem, so a bad
// call made every frame does not flood the log. Returns `result` so a call can end with
// `return Refuse("kind", "...", D3DERR_INVALIDCALL);`.
void Report(const char* kind, const std::string& message);

template <class Result>
Result Refuse(const char* kind, const std::string& message, Result result) {
    Report(kind, message);
    return result;
}

}  // namespace tavrin::d3d
