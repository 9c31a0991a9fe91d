// Row texts, kind marks and labels of the image list page.
#include "gui/card/list_rows.h"

#include <gtest/gtest.h>

#include "card/commands/card_list.h"

namespace {

struct mark_case {
    uint8_t flags;
    const char *mark;
};

TEST(ListRows, KindMarkForEveryFlagsByteClass) {
    const mark_case cases[] = {
        {0x00, "D "}, {0x01, "Dr"}, {0x80, "R "}, {0x90, "R "}, {0xA0, "Rx"}, {0xE0, "Rx"},
        {0xC0, "Rr"}, {0xD0, "Rr"}, {0xB0, "R!"}, {0xF0, "R!"}, {0x81, "R?"}, {0xFF, "R?"},
        {0x02, "D?"}, {0x40, "D?"}, {0x7F, "D?"},
    };
    for (const mark_case &c : cases)
        EXPECT_STREQ(card_list_kind_mark(c.flags), c.mark) << "flags 0x" << std::hex << int(c.flags);
}

struct number_case {
    const char *context;
    uint32_t number, blocks;
    const char *want;
};

TEST(ListRows, NumberByBlockCount) {
    const number_case cases[] = {
        {"one block: two digits", 5, 1, "05"},
        {"two blocks: first block", 3, 2, "0-03"},
        {"two blocks: first row of the second", 100, 2, "1-00"},
        {"no header yet", 7, 0, "07"},
    };
    for (const number_case &c : cases)
        EXPECT_EQ(card_list_number(c.number, c.blocks), c.want) << c.context;
}

struct capacity_case {
    const char *context;
    uint64_t used;
    uint32_t total;
    const char *want;
};

TEST(ListRows, CapacityLabelInMiBBelowOneGiBElseGiB) {
    const capacity_case cases[] = {
        {"GiB example, padded to four places", 1000000, 3000000, " 0.5/ 1.5GiB 33%"},
        {"MiB below 0x200000 sectors", 204800, 0x1FFFFF, "100/1023MiB 9%"},
        {"exactly 1 GiB switches to GiB", 0, 0x200000, " 0.0/ 1.0GiB 0%"},
        {"full 8 GB card", 15000000, 15523840, " 7.3/ 7.6GiB 96%"},
        {"nothing listed", 0, 0, "0/0MiB 0%"},
    };
    for (const capacity_case &c : cases) EXPECT_EQ(card_list_capacity_label(c.used, c.total), c.want) << c.context;
}

TEST(ListRows, CountAndBackupRamRows) {
    EXPECT_EQ(item_count_label(0), "0 item(s)");
    EXPECT_EQ(item_count_label(3), "3 item(s)");
    EXPECT_EQ(bkram_row_text(5, "Ys"), "005 Ys");
    EXPECT_EQ(bkram_row_text(104, "Ys II"), "104 Ys II");
}

}  // namespace
