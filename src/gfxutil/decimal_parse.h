#pragma once

namespace tavrin {

// Reads the decimal floating-point number that starts at `begin` (before `end`) as
// std::from_chars does: no leading space or '+'. Returns where the number stopped, or null when
// none starts there or it is out of range.
const char* ParseDecimal(const char* begin, const char* end, double& value);

}  // namespace tavrin
