#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "int_conversion.h"

namespace {

constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();

TEST(IntConversion, AcceptsBlanksSignDecimalAndBothHexPrefixes) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"0", 0},      {"  9600", 9600}, {"\t 7", 7},
        {"+5", 5},     {"-5", -5},       {"007", 7},
        {"$1F", 31},   {"$1f", 31},      {"0x1F", 31},
        {"0X1f", 31},  {"-0x10", -16},   {"-$10", -16},
        {" +$2E", 46}, {"-0", 0},        {"000000000000000000012", 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseInt32(c.text), c.value);
        EXPECT_EQ(ParseInt64(c.text), c.value);
    }
}

TEST(IntConversion, RefusesEverythingElse) {
    const char* texts[] = {
        "",    "  ",   "+",   "-",   "$",   "0x",    "-0x",   "9600 ",        "9600\t",
        "$-1", "0x-1", "- 5", "--5", "+-1", "5-",    "1e3",   "12a",          "0x1G",
        "$ 1", "0x 1", "1.0", "abc", "x10", "0b101", "1 000", "\xEF\xBC\x91",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseInt32(text).has_value());
        EXPECT_FALSE(ParseInt64(text).has_value());
    }
}

TEST(IntConversion, DecimalRangeIsExactAndOverflowIsRefused) {
    EXPECT_EQ(ParseInt32("2147483647"), kMax32);
    EXPECT_EQ(ParseInt32("-2147483648"), kMin32);
    EXPECT_FALSE(ParseInt32("2147483648").has_value());
    EXPECT_FALSE(ParseInt32("-2147483649").has_value());
    EXPECT_FALSE(ParseInt32("99999999999999999999").has_value());

    EXPECT_EQ(ParseInt64("2147483648"), 2147483648LL);
    EXPECT_EQ(ParseInt64("9223372036854775807"), kMax64);
    EXPECT_EQ(ParseInt64("-9223372036854775808"), kMin64);
    EXPECT_FALSE(ParseInt64("9223372036854775808").has_value());
    EXPECT_FALSE(ParseInt64("-9223372036854775809").has_value());
    EXPECT_FALSE(ParseInt64("18446744073709551616").has_value());
}

// Unsigned hexadecimal gives the bit pattern of the full width; a "-" asks
// for a true negative magnitude, which must fit.
TEST(IntConversion, HexUpToTheFullWidthGivesTheBitPattern) {
    EXPECT_EQ(ParseInt32("$7FFFFFFF"), kMax32);
    EXPECT_EQ(ParseInt32("$80000000"), kMin32);
    EXPECT_EQ(ParseInt32("0xFFFFFFFF"), -1);
    EXPECT_EQ(ParseInt32("+$FFFFFFFE"), -2);
    EXPECT_EQ(ParseInt32("-$80000000"), kMin32);
    EXPECT_FALSE(ParseInt32("-$80000001").has_value());
    EXPECT_FALSE(ParseInt32("-$FFFFFFFF").has_value());
    EXPECT_FALSE(ParseInt32("$100000000").has_value());
    EXPECT_EQ(ParseInt32("$000000000FF"), 255);

    EXPECT_EQ(ParseInt64("$FFFFFFFF"), 0xFFFFFFFFLL);
    EXPECT_EQ(ParseInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(ParseInt64("0x8000000000000000"), kMin64);
    EXPECT_EQ(ParseInt64("-0x8000000000000000"), kMin64);
    EXPECT_FALSE(ParseInt64("-$8000000000000001").has_value());
    EXPECT_FALSE(ParseInt64("$10000000000000000").has_value());
}

TEST(IntConversion, ThrowingFormsNameTheTextExactlyAsGiven) {
    EXPECT_EQ(ToInt32("  9600"), 9600);
    EXPECT_EQ(ToInt64("$FFFFFFFFFFFFFFFF"), -1);
    try {
        ToInt32("9600 ");
        FAIL() << "no exception";
    } catch (const InvalidInteger& error) {
        EXPECT_STREQ(error.what(), "'9600 ' is not a valid integer value");
        EXPECT_EQ(error.text(), "9600 ");
    }
    EXPECT_THROW(ToInt32("2147483648"), InvalidInteger);
    EXPECT_THROW(ToInt64("9223372036854775808"), InvalidInteger);
    EXPECT_EQ(InvalidIntegerMessage(""), "'' is not a valid integer value");
}

TEST(IntConversion, MessageShowsControlBytesButTheTextKeepsThem) {
    const std::string withNul("92\0\x7F\n", 5);
    try {
        ToInt32(withNul);
        FAIL() << "no exception";
    } catch (const InvalidInteger& error) {
        EXPECT_STREQ(error.what(), "'92\\x00\\x7F\\x0A' is not a valid integer value");
        EXPECT_EQ(error.text(), withNul);
    }
    EXPECT_EQ(InvalidIntegerMessage("caf\xC3\xA9"), "'caf\xC3\xA9' is not a valid integer value");
}

}  // namespace
