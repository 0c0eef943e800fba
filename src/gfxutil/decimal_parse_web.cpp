#include <cerrno>
#include <cstdlib>
#include <string>

#include "gfxutil/decimal_parse.h"

namespace tavrin {

// The browser build's C++ library has no floating-point std::from_chars: strtod reads a copy of
// the characters a decimal number can hold, so it never reads past `end`, and a sign of '+' or
// the words "inf" and "nan" are refused as from_chars would not take them in a number here.
const char* ParseDecimal(const char* begin, const char* end, double& value) {
    std::string digits;
    for (const char* at = begin; at < end; ++at) {
        const char c = *at;
        const bool numeric =
            (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+';
        if (!numeric) break;
        digits.push_back(c);
    }
    if (digits.empty() || digits[0] == '+') return nullptr;
    char* stop = nullptr;
    errno = 0;
    const double parsed = std::strtod(digits.c_str(), &stop);
    if (stop == digits.c_str() || errno == ERANGE) return nullptr;
    value = parsed;
    return begin + (stop - digits.c_str());
}

}  // namespace tavrin
