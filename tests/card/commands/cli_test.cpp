// The commands from the command line on a card image file: the log on
// standard output and an exit status that tells success from failure.
#include <gtest/gtest.h>

#include <cstring>

#include "core/file_util.h"
#include "tests/card/commands/config_card.h"
#include "tests/card/layout/shell.h"

namespace {

// Standard output followed by "status=N".
std::string vmk_card(const config_card &c, const std::string &command, const std::string &args) {
    return shell_output(std::string(VMK_BINARY) + " card " + command + " " + c.card.path() + " " +
                        args + " 2>/dev/null; echo status=$?");
}

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(CardCommandLine, EveryRowReportsItsOutcome) {
    config_card c;
    temp_dir dir;
    std::vector<uint8_t> save(2048, 0);
    memcpy(save.data(), "HUBM\0\x88\x20\x80", 8);
    ASSERT_EQ(file_write_whole(dir.path("in.sav").c_str(), save.data(), save.size()), 1);
    struct {
        const char *command;
        std::string args, output;
    } cases[] = {
        {"config_single", "0x2 0x0 0x0 0x7f 0xffffff00 5 Name",
         "5:0x00000017->0x00000011\nstatus=0"},
        {"config_multi", "0x0 0x7f 0x1 0xc0 0xffffff00 3 104",
         "104:0x00000001->0x0000000a\nstatus=0"},
        {"config", "7 0x80", "status=0"},
        {"config", "8 0x80", "disc# is larger than disc amount\nstatus=1"},
        {"config_single", "0x2 0x0 0x0 0x7f 0xffffff00 1x Name", "not a number: 1x\nstatus=1"},
        {"bkram_write", "102 " + dir.path("in.sav"),
         "is saved into memorycard for #102:B2\nstatus=0"},
        {"bkram_read", "102 " + dir.path("out.sav"),
         "is saved into file:" + dir.path("out.sav") + "\nstatus=0"},
        {"bkram_multiread", dir.dir + " 0", dir.path("102_B2.sav") + "\nstatus=0"},
        {"bkram_write", "3 " + dir.path("none.sav"), ": not found\nstatus=1"},
        {"rawdump", "3 " + dir.path("three.bin"), "status=0"},
        {"rawdump", "8 " + dir.path("eight.bin"), "discnumber #8 not found\nstatus=1"},
    };
    for (auto &k : cases) {
        std::string out = vmk_card(c, k.command, k.args);
        EXPECT_TRUE(has(out, k.output)) << k.command << " " << k.args << ":\n" << out;
    }
    EXPECT_EQ(c.word(c.block1, 4), 10u);
    EXPECT_EQ(file_size(dir.path("three.bin").c_str()), int64_t{CD_SECTORS} * 512);
    EXPECT_TRUE(has(c.cdlist(), "0-05 00    0M 000011 Name\n")) << c.cdlist();
}

TEST(CardCommandLine, ImagesAddedByTheCommandLineAreConfiguredAndCut) {
    card_image card(131072);  // 64 MiB, sparse
    temp_dir dir;
    auto vmk = [&](const std::string &command, const std::string &args) {
        return shell_output(std::string(VMK_BINARY) + " card " + command + " " + card.path() + " " +
                            args + " 2>/dev/null; echo status=$?");
    };
    ASSERT_TRUE(has(vmk("format", ""), "status=0"));
    for (int i = 1; i <= 3; i++) {
        std::vector<uint8_t> rom(32768, static_cast<uint8_t>(0x30 + i));
        std::string name = dir.path("rom" + std::to_string(i) + ".pce");
        ASSERT_EQ(file_write_whole(name.c_str(), rom.data(), rom.size()), 1);
        std::string out = vmk("add_withname", name + " Game" + std::to_string(i));
        ASSERT_TRUE(has(out, "image#0-0" + std::to_string(i) + "\n")) << out;
        ASSERT_TRUE(has(out, "status=0")) << out;
    }

    // ROM+RAM card: flags bit 6, kind value 2 + 4 (32 KiB ROM + 0x20 = 0x24).
    std::string out = vmk("config_single", "0 0x7f 0x1 0xc0 0xffffff00 2 Second");
    EXPECT_TRUE(has(out, "2:0x00000001->0x00000006\nstatus=0")) << out;

    std::vector<uint8_t> save(2048, 0x77);
    memcpy(save.data(), "HUBM\0\x88\x40\x80", 8);
    ASSERT_EQ(file_write_whole(dir.path("in.sav").c_str(), save.data(), save.size()), 1);
    EXPECT_TRUE(has(vmk("bkram_write", "3 " + dir.path("in.sav")), "status=0"));
    out = vmk("bkram_multiread", dir.dir);
    EXPECT_TRUE(has(out, dir.path("003_Game3.sav") + "\nstatus=0")) << out;

    out = vmk("amount_change", "3");
    EXPECT_TRUE(has(out, "disc amount 4->3\nstatus=0")) << out;
    std::string list = shell_output("mtype -i " + card.fat_image() + " ::/cdlist.txt");
    EXPECT_TRUE(has(list, "0-02 c0-04-04 000006 Second\n")) << list;
    EXPECT_FALSE(has(list, "Game3")) << list;

    out = vmk("rawdump", "2 " + dir.path("second.bin"));
    EXPECT_TRUE(has(out, "status=0")) << out;
    EXPECT_EQ(file_size(dir.path("second.bin").c_str()), 1024);
    out = vmk("rawdump", "3 " + dir.path("third.bin"));
    EXPECT_TRUE(has(out, "discnumber #3 not found\nstatus=1")) << out;
}
