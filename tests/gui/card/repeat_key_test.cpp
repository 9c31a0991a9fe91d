// The three-press keys: the counter, the image it is tied to, the action.
#include "gui/card/repeat_key.h"

#include <gtest/gtest.h>

#include "tests/support/recording_log.h"

namespace {

struct press {
    repeat_key key;
    uint32_t image;
    int selected = 1;
};

struct repeat_case {
    const char *context;
    std::vector<press> presses;
    std::vector<repeat_action> want;  // one per press
};

const press del(uint32_t image) { return {REPEAT_KEY_DELETE, image}; }
const press dump(uint32_t image) { return {REPEAT_KEY_DUMP, image}; }

TEST(RepeatKey, ThirdPressOnTheSameImageActs) {
    const repeat_action N = REPEAT_NOTHING;
    const repeat_case cases[] = {
        {"Shift+Del three times on image 1 formats", {del(1), del(1), del(1)}, {N, N, REPEAT_FORMAT}},
        {"image 0 formats too", {del(0), del(0), del(0)}, {N, N, REPEAT_FORMAT}},
        {"image 2 cuts the card", {del(2), del(2), del(2)}, {N, N, REPEAT_AMOUNT_CHANGE}},
        {"twice on 5, once on 6 starts over; three more on 6 cut",
         {del(5), del(5), del(6), del(6), del(6), del(6)},
         {N, N, N, N, N, REPEAT_AMOUNT_CHANGE}},
        {"Shift+F7 three times dumps", {dump(7), dump(7), dump(7)}, {N, N, REPEAT_RAWDUMP}},
        {"mixed keys start over", {del(7), del(7), dump(7), dump(7), dump(7), dump(7)},
         {N, N, N, N, N, REPEAT_RAWDUMP}},
        {"no single selection is ignored and keeps the count",
         {del(4), {REPEAT_KEY_DELETE, 4, 2}, del(4), del(4)},
         {N, N, N, REPEAT_AMOUNT_CHANGE}},
        {"the counter is back at 0 after acting",
         {del(3), del(3), del(3), del(3), del(3)},
         {N, N, REPEAT_AMOUNT_CHANGE, N, N}},
    };
    for (const repeat_case &c : cases) {
        recording_log log;
        repeat_key_state s;
        ASSERT_EQ(c.presses.size(), c.want.size()) << c.context;
        for (size_t i = 0; i < c.presses.size(); i++)
            EXPECT_EQ(repeat_key_press(&s, c.presses[i].key, c.presses[i].selected,
                                       c.presses[i].image, log.sink),
                      c.want[i])
                << c.context << ", press " << i + 1;
    }
}

TEST(RepeatKey, FirstDeletePressWarnsAndNamesTheFormatForImagesZeroAndOne) {
    recording_log low, high, dumped;
    repeat_key_state a, b, c;
    repeat_key_press(&a, REPEAT_KEY_DELETE, 1, 1, low.sink);
    repeat_key_press(&a, REPEAT_KEY_DELETE, 1, 1, low.sink);
    repeat_key_press(&b, REPEAT_KEY_DELETE, 1, 2, high.sink);
    repeat_key_press(&c, REPEAT_KEY_DUMP, 1, 2, dumped.sink);
    const std::string warning =
        "Removing greater number of images than selected. Press shift + del two more times if you "
        "wish to remove them.\n";
    EXPECT_NE(low.text().find(warning), std::string::npos);
    EXPECT_NE(low.text().find("Your memory card has been reformatted.\n"), std::string::npos);
    EXPECT_EQ(low.writes.size(), 3u) << "the second press writes nothing";
    EXPECT_NE(high.text().find(warning), std::string::npos);
    EXPECT_EQ(high.text().find("reformatted"), std::string::npos);
    EXPECT_EQ(dumped.text(), "");
}

}  // namespace
