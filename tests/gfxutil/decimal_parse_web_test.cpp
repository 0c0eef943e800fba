// The browser build reads X-file numbers with its own ParseDecimal (its C++ library has no
// floating-point std::from_chars). Compiled here on its own, it must read every number exactly as
// from_chars does, stop where it stops and refuse what it refuses.
#include <gtest/gtest.h>

#include <charconv>
#include <string>

#include "gfxutil/decimal_parse.h"

namespace tavrin {
namespace {

void ExpectSameAsFromChars(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    double expected = -1.0;
    const auto [stop, status] = std::from_chars(begin, end, expected);
    double value = -1.0;
    const char* parsed = ParseDecimal(begin, end, value);
    if (status != std::errc{}) {
        EXPECT_EQ(parsed, nullptr) << '"' << text << '"';
        return;
    }
    ASSERT_NE(parsed, nullptr) << '"' << text << '"';
    EXPECT_EQ(parsed - begin, stop - begin) << '"' << text << '"';
    EXPECT_EQ(value, expected) << '"' << text << '"';
}

TEST(DecimalParseWeb, ReadsNumbersAsFromCharsDoes) {
    for (const char* text : {"0",
                             "1",
                             "-1",
                             "0.5",
                             ".5",
                             "-.25",
                             "3.14159265358979",
                             "1e10",
                             "1E-5",
                             "-2.5e+3",
                             "123456789012345678901234567890",
                             "0.1;",
                             "42,7",
                             "1.5.6",
                             "1e",
                             "1e+",
                             "-",
                             ".",
                             "",
                             "+1",
                             " 1",
                             "abc",
                             "1e400",
                             "-1e400",
                             "7;\n8",
                             "0.000001",
                             "-0.0",
                             "2.2250738585072014e-308"}) {
        ExpectSameAsFromChars(text);
    }
}

TEST(DecimalParseWeb, NeverReadsPastTheEnd) {
    const std::string text = "12345";
    double value = 0;
    // Only "12" is given: the digits after it must not count.
    const char* stop = ParseDecimal(text.data(), text.data() + 2, value);
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop, text.data() + 2);
    EXPECT_EQ(value, 12.0);
}

}  // namespace
}  // namespace tavrin
