// Cutting names to a byte limit without splitting a UTF-8 character.
#include <gtest/gtest.h>

#include <string>

#include "core/text_copy.h"

TEST(TextCut, KeepsWholeCharactersOnly) {
    const std::string a = "\xE3\x81\x82";  // three bytes
    const std::string e = "\xC3\xA9";      // two bytes
    struct {
        std::string text;
        size_t limit;
        size_t kept;
    } cases[] = {
        {"abc", 5, 3},            // shorter: all of it
        {"abcde", 5, 5},          // exactly the limit
        {"abcdef", 5, 5},         // ASCII cut anywhere
        {"ab" + a, 4, 2},         // the cut falls after the lead byte
        {"ab" + a, 3, 2},         // ... and on the lead byte itself
        {"ab" + a, 5, 5},         // fits whole
        {"abcd" + e, 5, 4},       // two-byte character over the limit
        {a + a, 5, 3},
        {"", 0, 0},
        {a, 0, 0},
    };
    for (auto &c : cases) {
        EXPECT_EQ(text_cut_utf8(c.text.c_str(), c.limit), c.kept) << c.text << " " << c.limit;
    }
}

TEST(TextCut, NameSectorOf511BytesNeverEndsInsideACharacter) {
    // Two bytes and three-byte characters: 511 bytes end inside the 170th
    // character, which is dropped.
    std::string name = "xy";
    for (int i = 0; i < 171; i++) name += "\xE3\x81\x82";
    char sector[512];
    text_copy_utf8(sector, sizeof sector, name.c_str());
    EXPECT_EQ(std::string(sector), name.substr(0, 2 + 3 * 169));
    // A source without a terminator within limit + 1 bytes is not read further.
    char raw[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(text_cut_utf8(raw, 3), 3u);
    char small[1] = {'z'};
    text_copy_utf8(small, 1, "abc");
    EXPECT_EQ(small[0], '\0');
}
