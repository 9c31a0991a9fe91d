// The commands from the command line on a card image file: the log on
// standard output and an exit status that tells success from failure.
#include <gtest/gtest.h>

#include "core/file_util.h"
#include "tests/cardconfig/config_card.h"
#include "tests/cardlayout/shell.h"

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
        {"config_single", "0x2 0x0 0x0 0x7f 0xffffff00 5 Name", "5:0x00000017->0x00000011\nstatus=0"},
        {"config_multi", "0x0 0x7f 0x1 0xc0 0xffffff00 3 104", "104:0x00000001->0x0000000a\nstatus=0"},
        {"config", "7 0x80", "status=0"},
        {"config", "8 0x80", "disc# is larger than disc amount\nstatus=1"},
        {"config_single", "0x2 0x0 0x0 0x7f 0xffffff00 1x Name", "not a number: 1x\nstatus=1"},
        {"bkram_write", "102 " + dir.path("in.sav"), "is saved into memorycard for #102:B2\nstatus=0"},
        {"bkram_read", "102 " + dir.path("out.sav"), "is saved into file:" + dir.path("out.sav") +
                                                         "\nstatus=0"},
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
