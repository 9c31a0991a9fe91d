// A card's backup RAM area as source and target of save copies, through the
// engine and through vmk with the card image file as the drive.
#include <gtest/gtest.h>

#include <cstdlib>

#include "card/commands/save_commands.h"
#include "core/file_util.h"
#include "tests/card/commands/config_card.h"
#include "tests/saves/save_bytes.h"
#include "tests/support/child_process.h"

using save_bytes::entry;
using save_bytes::image;

namespace {

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// Sector of the area of image number 100 * block + d.
uint32_t area_sector(config_card &c, uint32_t block, uint32_t d) {
    return c.area(block, 0) + 201 + 4 * d;
}

std::vector<uint8_t> file_bytes(const std::string &name) {
    int64_t size = file_size(name.c_str());
    std::vector<uint8_t> b(size > 0 ? static_cast<size_t>(size) : 0);
    if (!b.empty()) {
        EXPECT_EQ(file_read_whole(name.c_str(), b.data(), b.size()), 1);
    }
    return b;
}

void put(const std::string &name, const std::vector<uint8_t> &bytes) {
    ASSERT_EQ(file_write_whole(name.c_str(), bytes.data(), bytes.size()), 1);
}

save_place card_place(config_card &c, const char *number) {
    return save_place_parse("card:" + c.card.drive() + ":#" + number);
}

}  // namespace

TEST(SaveCard, AreaToFileAndFileToArea) {
    config_card c;
    temp_dir dir;
    std::vector<uint8_t> game = entry("GAME", 40, 1), other = entry("OTHER", 8, 2);
    c.card.write(area_sector(c, c.block1, 5), image({game}));
    put(dir.path("emu.sav"), image({other}));

    recording_log log;
    ASSERT_EQ(save_command_copy(log.sink, card_place(c, "105"), "GAME", save_place_parse(dir.path("emu.sav")), false), 0)
        << log.text();
    EXPECT_EQ(file_bytes(dir.path("emu.sav")), image({other, game}));

    // Into the area of #2 of the first block, formatted empty first.
    c.card.write(area_sector(c, BLOCK0, 2), save_format(SAVE_BACKUP_RAM));
    ASSERT_EQ(save_command_copy(log.sink, save_place_parse(dir.path("emu.sav")), "1", card_place(c, "2"), false), 0)
        << log.text();
    EXPECT_EQ(c.card.read(area_sector(c, BLOCK0, 2), 4), image({other}));
    EXPECT_TRUE(has(log.text(), "copied \"OTHER\" (24 bytes) from " + dir.path("emu.sav") + " to card ")) << log.text();

    ASSERT_EQ(save_command_delete(log.sink, card_place(c, "105"), "GAME"), 0) << log.text();
    EXPECT_EQ(c.card.read(area_sector(c, c.block1, 5), 4), image({}));
}

// The area is edited in memory: no temporary file, so a missing or
// unwritable temporary folder changes nothing.
TEST(SaveCard, NeedsNoTemporaryFolder) {
    config_card c;
    temp_dir dir;
    std::vector<uint8_t> game = entry("GAME", 40, 1);
    c.card.write(area_sector(c, BLOCK0, 3), image({}));
    put(dir.path("emu.sav"), image({game}));
    const char *saved = getenv("TMPDIR");
    std::string before = saved != nullptr ? saved : "";
    setenv("TMPDIR", dir.path("no such folder").c_str(), 1);
    recording_log log;
    int copied = save_command_copy(log.sink, save_place_parse(dir.path("emu.sav")), "GAME",
                                   card_place(c, "3"), false);
    if (saved != nullptr) setenv("TMPDIR", before.c_str(), 1); else unsetenv("TMPDIR");
    ASSERT_EQ(copied, 0) << log.text();
    EXPECT_EQ(c.card.read(area_sector(c, BLOCK0, 3), 4), image({game}));
}

TEST(SaveCard, RefusalsWriteNothing) {
    config_card c;
    temp_dir dir;
    std::vector<uint8_t> big = entry("BIG", 2000, 1);
    c.card.write(area_sector(c, BLOCK0, 1), image({big}));
    put(dir.path("two.sav"), image({entry("A", 100, 1)}));
    std::vector<uint8_t> card_before = c.snapshot();
    struct {
        const char *what;
        save_place from;
        const char *which;
        save_place to;
        const char *said;
    } cases[] = {
        {"does not fit", save_place_parse(dir.path("two.sav")), "A", card_place(c, "1"), "needs 116 bytes"},
        {"unformatted area", save_place_parse(dir.path("two.sav")), "A", card_place(c, "3"), "HUBM"},
        {"no such disc", save_place_parse(dir.path("two.sav")), "A", card_place(c, "99"), "disc#"},
        {"no such entry", card_place(c, "1"), "NONE", save_place_parse(dir.path("two.sav")), "no entry named"},
    };
    for (auto &k : cases) {
        recording_log log;
        EXPECT_EQ(save_command_copy(log.sink, k.from, k.which, k.to, false), 1) << k.what;
        EXPECT_TRUE(has(log.text(), k.said)) << k.what << ": " << log.text();
    }
    EXPECT_EQ(c.snapshot(), card_before);
    EXPECT_EQ(file_bytes(dir.path("two.sav")), image({entry("A", 100, 1)}));
}

TEST(SaveCli, ListCopyAndStatuses) {
    config_card c;
    temp_dir dir;
    c.card.write(area_sector(c, BLOCK0, 4), image({entry("HERO", 30, 4), entry("HERO", 10, 5)}));
    put(dir.path("damaged.sav"), [] {
        std::vector<uint8_t> d = image({entry("X", 10, 1)});
        d[16 + 20] ^= 0x40;
        return d;
    }());
    const std::string vmk = VMK_BINARY;
    const std::string card = c.card.path();

    command_result r = run_command(vmk + " save list --card " + card + " '#4'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r.out, "  1  HERO             46 bytes  check ok\n")) << r.out;
    EXPECT_TRUE(has(r.out, "1958 bytes free")) << r.out;
    r = run_command(vmk + " save list --json card:" + card + ":4");
    EXPECT_TRUE(has(r.out, "{\"number\":2,\"name\":\"HERO\",\"offset\":62,\"bytes\":26,\"check\":\"ok\"}\n")) << r.out;

    EXPECT_EQ(run_command(vmk + " save format " + dir.path("new.sav.gz") + " --gzip").status, 0);
    r = run_command(vmk + " save copy card:" + card + ":#4 HERO " + dir.path("new.sav.gz"));
    EXPECT_EQ(r.status, 1) << "two entries are named HERO";
    r = run_command(vmk + " save copy card:" + card + ":#4 2 " + dir.path("new.sav.gz"));
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<uint8_t> packed = file_bytes(dir.path("new.sav.gz"));
    ASSERT_GE(packed.size(), 2u);
    EXPECT_EQ(packed[0], 0x1F) << "written back compressed";
    r = run_command(vmk + " save list " + dir.path("new.sav.gz"));
    EXPECT_TRUE(has(r.out, "backup RAM (gzip), 1 entry")) << r.out;

    r = run_command(vmk + " save list " + dir.path("damaged.sav"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.out, "damaged: entry \"X\": wrong check value, at offset 0x010")) << r.out;
    std::vector<uint8_t> before = file_bytes(dir.path("damaged.sav"));
    EXPECT_EQ(run_command(vmk + " save delete " + dir.path("damaged.sav") + " X").status, 1);
    EXPECT_EQ(file_bytes(dir.path("damaged.sav")), before);
    EXPECT_EQ(run_command(vmk + " save copy a b").status, 2) << "too few arguments";
    EXPECT_EQ(run_command(vmk + " save list x --bogus").status, 2);
    EXPECT_EQ(run_command(vmk + " save delete --help").status, 0);
}
