// Reading back what an add wrote: a medium that silently changes or drops a
// write, or cannot read it back, is caught, named by sector and image, and
// the card keeps opening.
#include <gtest/gtest.h>

#include "tests/card/write/adding_fixture.h"

namespace {

enum class fault { flip, drop, unreadable };
enum class kind { rom, disc };

struct verify_case {
    const char *what;
    kind image;
    fault damage;
    const char *command;  // "add" or "overwrite"
};

// The sector a few sectors into the area image 2 occupies once added: the
// layout of a card is the same for the same inputs, so a clean run tells
// where the faulty run will write.
uint64_t area_sector(const rom_and_disc &f, kind image) {
    memory_card dry(TEST_CARD_SECTORS);
    EXPECT_TRUE(format_card(dry.drive()));
    recording_log log;
    EXPECT_EQ(run_card(log, dry.drive(), "add", {f.rom}), 0) << log.text();
    EXPECT_EQ(run_card(log, dry.drive(), "add", {image == kind::rom ? f.rom : f.disc}), 0);
    auto c = open_block(dry.drive());
    if (c == nullptr) return 0;
    return c->block + c->entries[2].offset + (image == kind::rom ? 0 : 40);
}

class read_back : public testing::TestWithParam<verify_case> {};

TEST_P(read_back, a_fault_fails_the_command_and_names_sector_and_image) {
    const verify_case &t = GetParam();
    rom_and_disc f(5);
    const std::string &input = t.image == kind::rom ? f.rom : f.disc;
    uint64_t bad = area_sector(f, t.image);
    ASSERT_NE(bad, 0u);
    fault_plan plan;
    if (t.damage == fault::unreadable) {
        // The chunk holding it fails as a whole; the sector-by-sector
        // reading finds the one sector.
        plan.unreadable_first = bad;
        plan.unreadable_count = 1;
    } else {
        (t.damage == fault::flip ? plan.flip_sector : plan.drop_sector) = bad;
    }
    memory_card card(TEST_CARD_SECTORS, plan);
    ASSERT_TRUE(format_card(card.drive()));
    recording_log log;
    ASSERT_EQ(run_card(log, card.drive(), "add", {f.rom}), 0) << log.text();
    bool overwrite = std::string(t.command) == "overwrite";
    if (overwrite) {
        // Written once unchecked: the record exists and is rewritten below.
        ASSERT_EQ(run_card(log, card.drive(), "add", {input, "--no-verify"}), 0) << log.text();
    }
    std::vector<std::string> args = {input};
    if (overwrite) args.push_back("2");

    recording_log failed;
    EXPECT_EQ(run_card(failed, card.drive(), t.command, args), 1);
    std::string expected = "verify failed: sector " + std::to_string(bad) +
                           (t.damage == fault::unreadable ? " cannot be read back"
                                                          : " differs from what was written") +
                           ", writing image#0-02 " + input + "\n";
    EXPECT_NE(failed.text().find(expected), std::string::npos) << failed.text();

    // A new image is not listed (its header was never written); a rewritten
    // one keeps its place, and only its area is damaged.
    auto c = open_block(card.drive());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->disc_amount, overwrite ? 3u : 2u);
    EXPECT_STREQ(c->entries[1].name, f.rom.c_str());

    // The same faulty medium passes unchecked: the read-back is what saw it.
    recording_log unchecked;
    args.push_back("--no-verify");
    EXPECT_EQ(run_card(unchecked, card.drive(), t.command, args), 0) << unchecked.text();
}

INSTANTIATE_TEST_SUITE_P(
    faults, read_back,
    testing::Values(verify_case{"disc_flipped_byte", kind::disc, fault::flip, "add"},
                    verify_case{"disc_dropped_write", kind::disc, fault::drop, "add"},
                    verify_case{"rom_flipped_byte", kind::rom, fault::flip, "add"},
                    verify_case{"disc_overwrite_dropped", kind::disc, fault::drop, "overwrite"},
                    verify_case{"rom_overwrite_flipped", kind::rom, fault::flip, "overwrite"},
                    verify_case{"disc_unreadable", kind::disc, fault::unreadable, "add"},
                    verify_case{"disc_overwrite_unreadable", kind::disc, fault::unreadable,
                                "overwrite"}),
    [](const testing::TestParamInfo<verify_case> &i) { return std::string(i.param.what); });

TEST(read_back, a_clean_medium_verifies_every_kind_of_add) {
    rom_and_disc f(6);
    uint32_t reads[2] = {};
    for (bool verify : {false, true}) {
        memory_card card(TEST_CARD_SECTORS, fault_plan{});
        ASSERT_TRUE(format_card(card.drive()));
        uint32_t before = card.counts().reads;
        recording_log log;
        auto args = [&](std::vector<std::string> a) {
            if (!verify) a.push_back("--no-verify");
            return a;
        };
        ASSERT_EQ(run_card(log, card.drive(), "add", args({f.rom})), 0) << log.text();
        ASSERT_EQ(run_card(log, card.drive(), "add_withname", args({f.disc, "named"})), 0)
            << log.text();
        ASSERT_EQ(run_card(log, card.drive(), "overwrite", args({f.disc, "2"})), 0) << log.text();
        EXPECT_EQ(log.text().find("verify failed"), std::string::npos) << log.text();
        reads[verify] = card.counts().reads - before;
    }
    EXPECT_GT(reads[1], reads[0]) << "verifying reads back";
}

}  // namespace
