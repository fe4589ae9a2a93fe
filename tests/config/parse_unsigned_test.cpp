#include "config/config_dlg.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace veltane::config {
namespace {

struct ParseCase {
  std::string_view text;
  std::optional<std::uint32_t> expected;
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << testing::PrintToString(std::string(c.text)); }

class ParseUnsignedTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseUnsignedTest, ReadsTheNumberOrRefusesTheText) {
  EXPECT_EQ(ParseUnsigned(GetParam().text), GetParam().expected) << "text: \"" << GetParam().text << '"';
}

constexpr std::uint32_t kLargest = 4294967295U;

INSTANTIATE_TEST_SUITE_P(Accepted, ParseUnsignedTest,
                         testing::Values(ParseCase{"7", 7U}, ParseCase{"  7  ", 7U}, ParseCase{"\t7\t", 7U},
                                         ParseCase{"0", 0U}, ParseCase{"00", 0U}, ParseCase{" 0 ", 0U},
                                         ParseCase{"007", 7U}, ParseCase{"+5", 5U}, ParseCase{" +7 ", 7U},
                                         ParseCase{"4294967295", kLargest}, ParseCase{"4294967296", kLargest},
                                         ParseCase{"99999999999", kLargest},
                                         ParseCase{"99999999999999999999999999999999999", kLargest},
                                         ParseCase{"\n5", 5U}));

INSTANTIATE_TEST_SUITE_P(Refused, ParseUnsignedTest,
                         testing::Values(ParseCase{"", std::nullopt}, ParseCase{"   ", std::nullopt},
                                         ParseCase{"abc", std::nullopt}, ParseCase{"-5", std::nullopt},
                                         ParseCase{" -0", std::nullopt}, ParseCase{"+", std::nullopt},
                                         ParseCase{"+0", std::nullopt}, ParseCase{"+00", std::nullopt},
                                         ParseCase{"+ 5", std::nullopt}, ParseCase{"5 word", std::nullopt},
                                         ParseCase{"5 6", std::nullopt}, ParseCase{"0x1A", std::nullopt},
                                         ParseCase{"1.5", std::nullopt}, ParseCase{"5\n", std::nullopt},
                                         ParseCase{"0abc", std::nullopt}, ParseCase{"\n0", std::nullopt}));

// The standard conversion would read a minus sign behind a line break and wrap the number round to a
// huge one; a negative number is refused wherever its sign stands.
INSTANTIATE_TEST_SUITE_P(NegativeBehindOtherWhiteSpace, ParseUnsignedTest,
                         testing::Values(ParseCase{"\n-5", std::nullopt}, ParseCase{" \r-1", std::nullopt},
                                         ParseCase{"\v\f-4294967295", std::nullopt}));

}  // namespace
}  // namespace veltane::config
