#include <charconv>

#include "gfxutil/decimal_parse.h"

namespace tavrin {

const char* ParseDecimal(const char* begin, const char* end, double& value) {
    const auto [stop, status] = std::from_chars(begin, end, value);
    return status == std::errc{} ? stop : nullptr;
}

}  // namespace tavrin
