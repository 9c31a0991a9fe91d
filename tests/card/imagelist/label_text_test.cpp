#include "card/imagelist/label_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/recording_log.h"

namespace {

class LabelText : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(label_converters_open(&converters, log.sink), 1); }
    void TearDown() override { label_converters_close(&converters); }

    // Converts a slot of exactly slot.size() bytes, so that a read past it
    // shows up under AddressSanitizer.
    std::string convert(const std::string &slot) {
        std::vector<char> exact(slot.begin(), slot.end());
        char out[LABEL_TEXT_SIZE];
        label_text_convert(converters, log.sink, exact.data(), exact.size(), out);
        return out;
    }

    recording_log log;
    label_converters converters;
};

std::string repeat(const std::string &s, int n) {
    std::string r;
    for (int i = 0; i < n; i++) r += s;
    return r;
}

}  // namespace

TEST_F(LabelText, MarkerReplacementAndFailureRules) {
    const std::string ENCODING_ERROR = ">encoding error<";
    struct {
        const char *context;
        std::string slot;  // with its terminating zero where it has one
        std::string drawn;
        std::string logged;
    } cases[] = {
        {"empty slot shows its index", std::string("0[03]\0", 6), "[03]", ""},
        {"CD entry", std::string("2A\0", 3), "  A", ""},
        {"HuCard entry", std::string("1B\0", 3), "  B", ""},
        {"unknown marker keeps the whole text", std::string("Xy\0", 3), "??Xy", ""},
        {"empty text", std::string("\0", 1), "??", ""},
        {"marker only", std::string("2\0", 2), "  ", ""},
        {"kanji", std::string("2漢\0", 5), "  \xB4\xC1", ""},
        {"half-width katakana", std::string("2ｱ\0", 5), "  \x8E\xB1", ""},
        {"JIS X 0212 converts; the drawing reports it", std::string("2é\0", 4), "  \x8F\xAB\xB1",
         ""},
        {"Roman numeral four", std::string("2Ⅳ\0", 5), "  IV", ""},
        {"Roman numerals inside a name", std::string("2aⅫbⅯ\0", 9), "  aXIIbM", ""},
        {"emoji is reported and left out", std::string("2a😀b\0", 8), "  ab",
         "IMAGE LIST: font is not found for 😀\n"},
        {"lone continuation byte",
         std::string("2a\x80"
                     "bc\0",
                     6),
         ENCODING_ERROR, "character encoding error for IMAGE LIST\n"},
        {"overlong form is no character",
         std::string("2ab\xC0\x80"
                     "cd\0",
                     8),
         ENCODING_ERROR, "character encoding error for IMAGE LIST\n"},
        {"truncated character at the end", std::string("2abc\xE3\x81\0", 7), ENCODING_ERROR,
         "iconv() src size error\n"},
        {"unconvertible character at the end is left out like elsewhere",
         std::string("2a\xD8\xA7\0", 5), "  a", "IMAGE LIST: font is not found for \xD8\xA7\n"},
        {"control character passes to the drawing",
         std::string("2a\x01"
                     "b\0",
                     5),
         "  a\x01"
         "b",
         ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.context);
        log.writes.clear();
        EXPECT_EQ(convert(c.slot), c.drawn);
        EXPECT_EQ(log.text(), c.logged);
    }
}

// Texts are read up to 511 bytes and the converted text must fit 511 bytes.
TEST_F(LabelText, LongTextsAreCutAtCharacterBoundaries) {
    struct {
        const char *context;
        std::string slot;
        std::string drawn;
    } cases[] = {
        {"slot without a zero byte", "2" + std::string(511, 'a'), "  " + std::string(509, 'a')},
        // 1 + 1 + 170 * 3 = 512 bytes: the cut at 511 splits the last kana.
        {"cut through a character", "2a" + repeat("あ", 170) + std::string(1, '\0'),
         "  a" + repeat("\xA4\xA2", 169)},
        // Each é grows from 2 to 3 bytes; 169 of them fill the 509 bytes.
        {"converted text longer than its room", "2" + repeat("é", 200) + std::string(1, '\0'),
         "  " + repeat("\x8F\xAB\xB1", 169)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.context);
        log.writes.clear();
        EXPECT_EQ(convert(c.slot), c.drawn);
        EXPECT_EQ(log.text(), "");
    }
}

TEST(Utf8CharacterLength, WellFormedCharactersOnly) {
    struct {
        std::string bytes;
        int length;
    } cases[] = {
        {"A", 1},
        {"é", 2},
        {"あ", 3},
        {"😀", 4},
        {"\xC3", 0},
        {"\xE3\x81", 0},
        {"\x80", 0},
        {"\xC0\xAF", 0},
        {"\xED\xA0\x80", 0},      // surrogate
        {"\xF4\x90\x80\x80", 0},  // beyond U+10FFFF
        {"\xF8\x88\x80\x80\x80", 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(utf8_character_length(reinterpret_cast<const uint8_t *>(c.bytes.data()),
                                        c.bytes.size()),
                  c.length)
            << c.bytes;
    }
}
