// Fake capacity: a card that wraps addresses past its real size is found by
// the probe, refused by format, and every sector the probe touched is put
// back as it was.
#include <gtest/gtest.h>

#include "card/store/capacity_probe.h"
#include "card/store/disk_over_store.h"
#include "tests/card/write/adding_fixture.h"

namespace {

// Distinct contents in every sector the probe could touch would be costly;
// a pattern in the first and last thousand sectors of the real medium shows
// any sector left changed there, which is where the wrapped samples land.
void fill_pattern(memory_card &card, uint64_t first, uint32_t count) {
    std::vector<uint8_t> bytes(size_t{count} * 512);
    for (size_t i = 0; i < bytes.size(); i++) bytes[i] = static_cast<uint8_t>(i * 7 + first);
    card.write(first, bytes);
}

TEST(capacity_probe, finds_the_real_size_and_restores_every_sector) {
    struct probe_case {
        uint64_t claimed, real;
    } cases[] = {{TEST_CARD_SECTORS, TEST_CARD_SECTORS / 2},      // half
                 {TEST_CARD_SECTORS, TEST_CARD_SECTORS / 4 * 3},  // a quarter missing
                 {1 << 20, 1 << 16},                              // sixteen times too large
                 {TEST_CARD_SECTORS, 0}};                         // a real card
    for (const probe_case &t : cases) {
        SCOPED_TRACE("real size " + std::to_string(t.real));
        fault_plan plan;
        plan.real_sectors = t.real;
        memory_card card(t.claimed, plan);
        uint64_t real = t.real == 0 ? t.claimed : t.real;
        fill_pattern(card, 0, 1000);
        fill_pattern(card, real - 1000, 1000);
        auto before_low = card.read(0, 1000);
        auto before_high = card.read(real - 1000, 1000);

        disk_handle *h = disk_open_store(log_null(), card.faulty, false);
        capacity_result r{};
        recording_log log;
        ASSERT_TRUE(capacity_probe(h, log.sink, &r)) << log.text();
        disk_close(h);
        EXPECT_EQ(r.claimed, t.claimed);
        if (t.real == 0) {
            EXPECT_EQ(r.holds, t.claimed);
        } else {
            // The first lost sample lies past the real size, and not far past
            // it: samples are dense near the end.
            EXPECT_GE(r.holds, t.real);
            EXPECT_LE(r.holds, t.real + t.claimed / 16);
        }
        EXPECT_EQ(card.read(0, 1000), before_low);
        EXPECT_EQ(card.read(real - 1000, 1000), before_high);
    }
}

TEST(capacity_probe, format_refuses_a_fake_card_naming_what_it_holds) {
    fault_plan plan;
    plan.real_sectors = TEST_CARD_SECTORS / 4;
    memory_card card(TEST_CARD_SECTORS, plan);
    fill_pattern(card, 0, 64);
    auto before = card.read(0, 64);
    recording_log log;
    EXPECT_EQ(run_card(log, card.drive(), "format"), 1);
    EXPECT_NE(log.text().find("fake capacity: the card reports 1000000 sectors but holds only "),
              std::string::npos)
        << log.text();
    EXPECT_NE(log.text().find("format refused"), std::string::npos);
    EXPECT_EQ(card.read(0, 64), before) << "nothing written, the probed sectors restored";
}

}  // namespace
