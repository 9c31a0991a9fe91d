// The JSON reader: what the program writes reads back, and every kind of
// malformed text is refused with the line it was found on.
#include <gtest/gtest.h>

#include <string>

#include "core/json_read.h"
#include "core/json_text.h"

TEST(json_read, reads_what_the_writer_writes) {
    const std::string name = "Disc \"one\" \\ \x01 m\xC3\xBCsik \xF0\x9F\x8E\xB5";
    json_object o;
    o.text("name", name).number("big", UINT64_MAX).boolean("on", true).boolean("off", false)
        .texts("list", {"a", "b"}).null("none");
    json_value v;
    std::string why;
    ASSERT_TRUE(json_parse(o.line().data(), o.line().size(), &v, &why)) << why;
    ASSERT_NE(v.find("name"), nullptr);
    EXPECT_EQ(v.find("name")->text, name);
    EXPECT_EQ(v.find("big")->number, UINT64_MAX);
    EXPECT_TRUE(v.find("on")->boolean);
    EXPECT_EQ(v.find("off")->kind, json_value::BOOLEAN);
    EXPECT_FALSE(v.find("off")->boolean);
    ASSERT_EQ(v.find("list")->items.size(), 2u);
    EXPECT_EQ(v.find("list")->items[1].text, "b");
    EXPECT_EQ(v.find("none")->kind, json_value::NUL);
    EXPECT_EQ(v.find("missing"), nullptr);
    const std::string escaped = R"({"s":"\u00fc\ud83c\udfb5\n\/"})";
    ASSERT_TRUE(json_parse(escaped.data(), escaped.size(), &v, &why)) << why;
    EXPECT_EQ(v.find("s")->text, "\xC3\xBC\xF0\x9F\x8E\xB5\n/");
}

TEST(json_read, refuses_malformed_text) {
    const struct {
        std::string text;
        const char *why;
    } cases[] = {
        {"", "line 1: expected a value"},
        {"{\"a\":1,}", "expected a string"},
        {"{\"a\":1,\n\"a\":2}", "line 2: the key \"a\" appears twice"},
        {"[1,2", "expected ',' or ']'"},
        {"{\"a\" 1}", "expected ':'"},
        {"\"open", "not closed"},
        {"\"tab\there\"", "control character"},
        {"\"\\x\"", "unknown escape"},
        {"\"\\ud800\"", "lone surrogate"},
        {"\"\\u12\"", "cut short"},
        {"\"\\u12g4\"", "not hexadecimal"},
        {"01", "leading zero"},
        {"1.5", "not whole"},
        {"-1", "expected a value"},
        {"18446744073709551616", "too large"},
        {"{} {}", "text after the value"},
        {std::string(40, '[') + std::string(40, ']'), "nested too deeply"},
        {"tru", "expected a value"},
        {"// comment\n1", "expected a value"},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.text);
        json_value v;
        std::string why;
        EXPECT_FALSE(json_parse(k.text.data(), k.text.size(), &v, &why));
        EXPECT_NE(why.find(k.why), std::string::npos) << why;
    }
}
