#include "messaging/decimal.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(DecimalTest, ParsesToExactPlainText) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"0", "0"},
        {"-0.000", "0"},  // no negative zero
        {"+5", "5"},
        {"1.50", "1.5"},
        {".5", "0.5"},
        {"5.", "5"},
        {"2.5e3", "2500"},
        {"1E-2", "0.01"},
        {"-12.345e+1", "-123.45"},
        {"0.1", "0.1"},
        {"79228162514264337593543950335", "79228162514264337593543950335"},  // 2^96 - 1
        {"1e28", "10000000000000000000000000000"},
        {"0.0000000000000000000000000001", "0.0000000000000000000000000001"},
        // Beyond 28 places: rounded half to even.
        {"0.00000000000000000000000000015", "0.0000000000000000000000000002"},
        {"0.00000000000000000000000000025", "0.0000000000000000000000000002"},
        {"0.000000000000000000000000000251", "0.0000000000000000000000000003"},
        {"1e-999999999999999", "0"},
        // Beyond what the magnitude holds: the last places give way.
        {"1.23456789012345678901234567891", "1.2345678901234567890123456789"},
        {"9.99999999999999999999999999999", "10"},
    };
    for (const auto& c : cases) {
        auto d = Decimal::Parse(c.text);
        ASSERT_TRUE(d.has_value()) << c.text;
        EXPECT_EQ(d->ToString(), c.expected) << c.text;
        EXPECT_EQ(Decimal::Parse(d->ToString()), d) << c.text;
    }
}

TEST(DecimalTest, RefusesMalformedAndOutOfRangeText) {
    for (const char* text : {"", ".", "+", "-", "1.2.3", "--1", "1-2", "1e", "1e+", "e5", "1x",
                             "79228162514264337593543950336", "1e29", "1e999999999999",
                             "123456789012345678901234567890.5"}) {
        EXPECT_FALSE(Decimal::Parse(text).has_value()) << text;
    }
}

TEST(DecimalTest, ConvertsToIntegersAndDoubles) {
    struct Case {
        const char* text;
        int64_t expected;
        bool ok;
    };
    const Case cases[] = {
        {"2.5", 3, true},
        {"-2.5", -3, true},
        {"2.4999", 2, true},
        {"9223372036854775807", std::numeric_limits<int64_t>::max(), true},
        {"-9223372036854775808", std::numeric_limits<int64_t>::min(), true},
        {"9223372036854775807.5", 0, false},
        {"-9223372036854775809", 0, false},
    };
    for (const auto& c : cases) {
        bool ok = !c.ok;
        EXPECT_EQ(Decimal::Parse(c.text)->ToInt64(&ok), c.expected) << c.text;
        EXPECT_EQ(ok, c.ok) << c.text;
    }
    EXPECT_EQ(Decimal(std::numeric_limits<int64_t>::min()).ToString(), "-9223372036854775808");
    EXPECT_EQ(Decimal::FromUInt64(UINT64_MAX).ToString(), "18446744073709551615");
    EXPECT_EQ(Decimal::Parse("0.1")->ToDouble(), 0.1);
    EXPECT_EQ(Decimal::Parse("-2.5e3")->ToDouble(), -2500.0);
}

}  // namespace
