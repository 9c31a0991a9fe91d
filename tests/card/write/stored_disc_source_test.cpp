// A disc read back from the card through its stored-disc source yields what
// was added: the same sectors, subchannel and TOC, on both block versions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "card/layout/card_args.h"
#include "card/layout/stored_disc_source.h"
#include "tests/card/cdimage/cue_discs.h"
#include "tests/card/cdimage/disc_read.h"
#include "tests/card/write/adding_fixture.h"

namespace {

// Image n of the card, read whole through the stored-disc source.
disc_read read_stored(const std::string &drive, uint32_t n) {
    recording_log log;
    card_context c{};
    c.log = log.sink;
    c.drive = drive.c_str();
    disc_read d;
    if (!card_open_to_read(&c)) {
        ADD_FAILURE() << log.text();
        return d;
    }
    stored_disc_input stored;
    if (managearea_select(&c, n / CARD_DISC_SLOTS) &&
        stored_disc_open(&c, n % CARD_DISC_SLOTS, &stored)) {
        image_input in{IMAGE_CD, 0, stored.source->sector_count, stored.description.get(),
                       stored.source.get()};
        d = read_whole_disc(in);
    } else {
        ADD_FAILURE() << log.text();
    }
    disk_close(c.disk);
    return d;
}

// The TOCs as the card keeps them: what an add writes into the pregap.
std::vector<std::vector<uint8_t>> toc_frames(const disc_read &d) {
    std::vector<std::vector<uint8_t>> frames;
    for (const toc_entry &e : d.toc) {
        frames.emplace_back(Q_FRAME_SIZE);
        toc_entry_to_frame(&e, frames.back().data());
    }
    return frames;
}

}  // namespace

TEST(stored_disc_source, yields_the_added_disc_on_both_block_versions) {
    temp_dir dir;
    std::vector<std::pair<std::string, std::string>> discs;  // context, what add takes
    make_cd(dir.path("plain"), 200, 150);
    discs.push_back({"data and audio", dir.path("plain")});
    for (const cue_disc_case &c : cue_disc_cases()) {
        const std::string folder = dir.path(std::to_string(discs.size()));
        std::filesystem::create_directories(folder);
        discs.push_back({c.context, write_cue_disc(folder, c)});
    }
    for (bool interleaved : {false, true}) {
        for (const auto &[context, name] : discs) {
            SCOPED_TRACE(context + (interleaved ? " (interleaved blocks)" : ""));
            memory_card card{TEST_CARD_SECTORS};
            ASSERT_TRUE(format_card(card.drive()));
            recording_log log;
            if (interleaved) {
                ASSERT_EQ(run_card(log, card.drive(), "subswap"), 0) << log.text();
            }
            // A ROM first, so that the disc is not the block's first record.
            rom_and_disc rom(3);
            ASSERT_EQ(run_card(log, card.drive(), "add_withname", {rom.rom, "rom"}), 0) << log.text();
            ASSERT_EQ(run_card(log, card.drive(), "add_withname", {name, "disc"}), 0) << log.text();
            const disc_read stored = read_stored(card.drive(), 2), added = read_whole_disc(name);
            EXPECT_EQ(stored.main.size(), added.main.size());
            EXPECT_TRUE(stored.main == added.main) << "sectors differ";
            EXPECT_TRUE(stored.sub == added.sub) << "subchannel differs";
            EXPECT_EQ(toc_frames(stored), toc_frames(added));
        }
    }
}

TEST(stored_disc_source, refuses_what_is_not_a_stored_disc) {
    rom_and_disc files(5);
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    recording_log log;
    ASSERT_EQ(run_card(log, card.drive(), "add_withname", {files.rom, "rom"}), 0) << log.text();
    const struct {
        uint32_t record;
        const char *message;
    } cases[] = {{1, "HuCard ROM"}, {2, "larger than disc amount"}};
    for (const auto &k : cases) {
        SCOPED_TRACE(k.message);
        recording_log open_log;
        card_context c{};
        c.log = open_log.sink;
        const std::string drive = card.drive();
        c.drive = drive.c_str();
        ASSERT_TRUE(card_open_to_read(&c)) << open_log.text();
        stored_disc_input stored;
        EXPECT_FALSE(stored_disc_open(&c, k.record, &stored));
        EXPECT_NE(open_log.text().find(k.message), std::string::npos) << open_log.text();
        disk_close(c.disk);
    }
}
