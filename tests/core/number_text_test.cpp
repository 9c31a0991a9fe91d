// Command-argument numbers: whole texts only, in the base the argument takes.
#include <gtest/gtest.h>

#include "core/number_text.h"

namespace {

struct number_case {
    const char *text;
    bool ok;
    uint64_t value;
};

// Texts that no parser may take, whatever its base.
const char *const never_numbers[] = {"", " 5", "5 ", "-1", "+1", "1 2", "\t7", "5\n", "12z"};

// The table's texts, then texts that are never numbers; a refused text
// leaves the value alone.
template <size_t N>
void check_cases(bool (*parse)(const char *, uint64_t *), const number_case (&cases)[N]) {
    for (const number_case &c : cases) {
        uint64_t v = 12345;
        EXPECT_EQ(parse(c.text, &v), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(v, c.ok ? c.value : 12345u) << c.text;
    }
    for (const char *text : never_numbers) {
        uint64_t v;
        EXPECT_FALSE(parse(text, &v)) << '"' << text << '"';
    }
}

}  // namespace

TEST(NumberText, DecimalIsDigitsOnly) {
    const number_case cases[] = {
        {"0", true, 0},
        {"215", true, 215},
        {"010", true, 10},  // never octal
        {"18446744073709551615", true, UINT64_MAX},
        {"18446744073709551616", false, 0},  // one past
        {"429496729601", true, 429496729601ull},
        {"0x10", false, 0},
        {"1e3", false, 0},
        {"12abc", false, 0},
    };
    check_cases(parse_decimal, cases);
    uint64_t v;
    EXPECT_FALSE(parse_decimal(nullptr, &v));
}

TEST(NumberText, HexWithOptionalPrefix) {
    const number_case cases[] = {
        {"30000", true, 0x30000},
        {"0x30000", true, 0x30000},
        {"0X7e000", true, 0x7E000},
        {"ffffffffffffffff", true, UINT64_MAX},
        {"10000000000000000", false, 0},  // 2^64
        {"100000000", true, 0x100000000ull},
        {"0x", false, 0},
        {"0xx1", false, 0},
        {"g", false, 0},
        {"2000h", false, 0},
    };
    check_cases(parse_hex, cases);
}

TEST(NumberText, BaseByPrefix) {
    struct {
        const char *text;
        bool ok;
        unsigned long value;
    } cases[] = {
        {"0", true, 0},
        {"215", true, 215},
        {"0x1F", true, 31},
        {"017", true, 15},
        {"08", false, 0},
        {"0x", false, 0},
        {"99999999999999999999999", false, 0},
    };
    for (auto &c : cases) {
        unsigned long v = 12345;
        EXPECT_EQ(parse_ulong(c.text, &v), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    for (const char *text : never_numbers) {
        unsigned long v;
        EXPECT_FALSE(parse_ulong(text, &v)) << '"' << text << '"';
    }
    long v;
    EXPECT_TRUE(parse_long("-0x10", &v));
    EXPECT_EQ(v, -16);
    EXPECT_FALSE(parse_long("--1", &v));
    EXPECT_FALSE(parse_long("-", &v));
    EXPECT_FALSE(parse_long("9223372036854775808", &v));
}

