// Image and disc numbers that are not whole decimal numbers inside the card's
// chain are refused by every card command that takes one, before anything is
// written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card/commands/block_list_picture.h"
#include "core/file_util.h"
#include "tests/card/commands/config_card.h"

namespace {

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// The card as far as any command could change it: the FAT partition with
// "cdlist.txt", both blocks with their discs and what lies after the chain.
std::vector<uint8_t> whole_state(config_card &c) {
    std::vector<uint8_t> all = c.snapshot();
    std::vector<uint8_t> fat = c.card.read(0, 4097);
    all.insert(all.end(), fat.begin(), fat.end());
    uint32_t end = c.block1 + 2 + INDEX_SECTORS + 5 * CD_SECTORS + 2;
    std::vector<uint8_t> after = c.card.read(end, 2048);
    all.insert(all.end(), after.begin(), after.end());
    return all;
}

// Bad image numbers and whether the text is a number at all. The card has
// blocks 0 and 1; 429496729601 wraps to image 1 when cut to 32 bits.
struct bad_number {
    const char *text;
    bool decimal;
};
const bad_number bad_numbers[] = {
    {"429496729601", true},          // overflows 32 bits
    {"18446744073709551616", false},  // overflows 64 bits
    {"301", true},                    // block 3: outside the chain
    {"-3", false},
    {"+3", false},
    {" 3", false},
    {"3 ", false},
    {"", false},
    {"0x3", false},
    {"3a", false},
    {"1e2", false},
};

struct command_shape {
    const char *command;
    const char *outside;  // the command's line for a block outside the chain
    // The arguments with the number under test put in.
    std::vector<std::string> (*args)(const std::string &number, const temp_dir &dir);
};

std::vector<std::string> order_args(const std::string &first) {
    std::vector<std::string> v{first};
    for (int i = 1; i < 100; i++) v.push_back(std::to_string(i));
    return v;
}

const std::string MULTI[] = {"2", "0", "0", "0x7f", "0xffffff00"};

const command_shape shapes[] = {
    {"add", "manage area block not found",
     [](const std::string &n, const temp_dir &d) {
         return std::vector<std::string>{d.path("rom.pce"), n};
     }},
    {"add_withname", "manage area block not found",
     [](const std::string &n, const temp_dir &d) {
         return std::vector<std::string>{d.path("rom.pce"), "Name", n};
     }},
    {"overwrite", "manage area block not found",
     [](const std::string &n, const temp_dir &d) {
         return std::vector<std::string>{d.path("rom.pce"), n};
     }},
    {"config", "disc# is not exist",
     [](const std::string &n, const temp_dir &) { return std::vector<std::string>{n, "0"}; }},
    {"config_single", "disc# is not exist",
     [](const std::string &n, const temp_dir &) {
         std::vector<std::string> v(std::begin(MULTI), std::end(MULTI));
         v.push_back(n);
         v.push_back("Name");
         return v;
     }},
    {"config_multi", "disc# is not exist",
     [](const std::string &n, const temp_dir &) {
         std::vector<std::string> v(std::begin(MULTI), std::end(MULTI));
         v.push_back("1");  // a good number first: nothing is written before all are read
         v.push_back(n);
         return v;
     }},
    {"amount_change", "disc# is not exist",
     [](const std::string &n, const temp_dir &) { return std::vector<std::string>{n}; }},
    {"order", "manage area block not found",
     [](const std::string &n, const temp_dir &) { return order_args(n); }},
    {"bkram_read", "disc# error",
     [](const std::string &n, const temp_dir &d) {
         return std::vector<std::string>{n, d.path("out.sav")};
     }},
    {"bkram_write", "disc# error",
     [](const std::string &n, const temp_dir &d) {
         return std::vector<std::string>{n, d.path("in.sav")};
     }},
};

void write_inputs(const temp_dir &dir) {
    std::vector<uint8_t> rom(0x20000, 0x5A), save(2048, 0);
    ASSERT_TRUE(file_write_whole(dir.path("rom.pce").c_str(), rom.data(), rom.size()));
    ASSERT_TRUE(file_write_whole(dir.path("in.sav").c_str(), save.data(), save.size()));
}

}  // namespace

TEST(NumberRefusal, EveryCommandRefusesBadImageNumbersWithoutWriting) {
    config_card c;
    temp_dir dir;
    write_inputs(dir);
    const std::vector<uint8_t> before = whole_state(c);
    for (const command_shape &shape : shapes) {
        for (const bad_number &n : bad_numbers) {
            recording_log log;
            EXPECT_EQ(c.card.run(log, shape.command, shape.args(n.text, dir)), 1)
                << shape.command << " '" << n.text << "'";
            std::string expected =
                n.decimal ? std::string(shape.outside) : std::string("not a number: ") + n.text;
            EXPECT_TRUE(has(log.text(), expected))
                << shape.command << " '" << n.text << "': " << log.text();
        }
    }
    EXPECT_TRUE(whole_state(c) == before) << "a refused command wrote to the card";
    EXPECT_LT(file_size(dir.path("out.sav").c_str()), 0);
}

TEST(NumberRefusal, LaterOrderNumbersAreCheckedToo) {
    config_card c;
    const std::vector<uint8_t> before = whole_state(c);
    for (const char *bad : {"429496729602", "-2", "0x2", "2 ", "102", "302"}) {
        std::vector<std::string> args = order_args("0");
        args[2] = bad;
        recording_log log;
        EXPECT_EQ(c.card.run(log, "order", args), 1) << bad;
        EXPECT_FALSE(log.text().empty()) << bad;
    }
    EXPECT_TRUE(whole_state(c) == before);
}

TEST(NumberRefusal, RawdumpTakesRecordsOfTheFirstBlockOnly) {
    config_card c;
    temp_dir dir;
    struct {
        const char *text, *message;
    } cases[] = {
        {"100", "discnumber #100 not found"},  // record 100
        {"8", "discnumber #8 not found"},
        {"4294967297", "discnumber #4294967297 not found"},  // not image 1
        {"-1", "not a number: -1"},
        {"0x1", "not a number: 0x1"},
        {" 1", "not a number:  1"},
    };
    for (auto &k : cases) {
        recording_log log;
        EXPECT_EQ(c.card.run(log, "rawdump", {k.text, dir.path("dump.bin")}), 1) << k.text;
        EXPECT_TRUE(has(log.text(), k.message)) << k.text << ": " << log.text();
        EXPECT_LT(file_size(dir.path("dump.bin").c_str()), 0) << k.text;
    }
}

TEST(NumberRefusal, PreviewTakesBlocksOfTheChainOnly) {
    config_card c;
    temp_dir dir;
    for (const char *bad : {"2", "4294967296", "-1", "0x1", " 1", ""}) {
        recording_log log;
        EXPECT_EQ(card_preview(log.sink, c.card.drive().c_str(), bad, dir.path("p.png").c_str()),
                  1)
            << bad;
        EXPECT_FALSE(log.text().empty()) << bad;
        EXPECT_LT(file_size(dir.path("p.png").c_str()), 0) << bad;
    }
    recording_log log;
    EXPECT_EQ(card_preview(log.sink, c.card.drive().c_str(), "1", dir.path("p.png").c_str()), 0)
        << log.text();
}
