// "format" on card image files: the bytes it writes, what it reports, and
// the cards it refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/card/layout/card_image.h"
#include "tests/card/layout/hex.h"
#include "tests/card/layout/shell.h"

TEST(CardFormat, WritesTableFatAndFirstBlock) {
    card_image card(8000000);
    recording_log log;
    ASSERT_EQ(card.run(log, "format"), 0) << log.text();
    EXPECT_EQ(log.text(),
              "partition #0 2MiB\n"
              "partition #1 3904MiB\n"
              "disc manage max = 12\n"
              "initialization successful.\n");

    // 8,000,000 - 4097 = 7,995,903 = 0x007A01FF sectors in partition #1.
    EXPECT_EQ(hex(card.read(0, 1), 0x1B0, 0x50),
              "000001b0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 fe\n"
              "000001c0: ff ff 01 fe ff ff 01 00 00 00 00 10 00 00 da fe\n"
              "000001d0: ff ff da fe ff ff 01 10 00 00 ff 01 7a 00 00 00\n"
              "000001e0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
              "000001f0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 55 aa\n");
    EXPECT_TRUE(all_bytes(card.read(0, 1), 0, 0x1BE, 0));

    std::vector<uint8_t> boot = card.read(1, 1);
    EXPECT_EQ(hex(boot, 0, 64),
              "00000000: eb 3c 90 4d 53 44 4f 53 35 2e 30 00 02 01 08 00\n"
              "00000010: 02 00 02 00 10 f8 0c 00 3f 00 ff 00 01 00 00 00\n"
              "00000020: 00 00 00 00 80 00 29 cc 04 6f a4 4e 4f 20 4e 41\n"
              "00000030: 4d 45 20 20 20 20 46 41 54 31 32 20 20 20 00 00\n");
    EXPECT_TRUE(all_bytes(boot, 62, 510, 0));
    EXPECT_EQ(hex(boot, 510, 2), "000001fe: 55 aa\n");
    std::vector<uint8_t> fats = card.read(1 + 8, 24);
    EXPECT_EQ(hex(fats, 0, 4), "00000000: f8 ff ff 00\n");
    EXPECT_EQ(hex(fats, 12 * 512, 4), "00001800: f8 ff ff 00\n");
    EXPECT_TRUE(all_bytes(card.read(1 + 64, 1), 0, 512, 0xFF));  // first data cluster
    EXPECT_TRUE(all_bytes(card.read(4096, 1), 0, 512, 0));       // the last sector

    std::vector<uint8_t> block = card.read(4097, 16);
    EXPECT_EQ(hex(block, 0, 16), "00000000: 56 4d 4b 03 00 00 00 00 0c 00 00 00 00 00 00 00\n");
    EXPECT_TRUE(all_bytes(block, 16, 8192, 0));

    ASSERT_EQ(run_shell("dd if=" + card.path() + " of=" + card.path() +
                        ".p0 bs=512 skip=1 count=4096 status=none"),
              0);
    EXPECT_EQ(run_shell("fsck.fat -n " + card.path() + ".p0 > /dev/null"), 0);
    EXPECT_EQ(shell_output("mdir -b -i " + card.fat_image() + " ::/"), "");
}

TEST(CardFormat, CapacityOfTheFirstBlockAtTheTableEdges) {
    struct {
        uint64_t sectors;
        const char *max;
    } cases[] = {{0x7FFFFF, "12"}, {0x800000, "25"},  {0xEFFFFF, "25"},
                 {0xF00000, "50"}, {0x1DFFFFF, "50"}, {0x1E00000, "100"}};
    for (auto &c : cases) {
        card_image card(c.sectors);
        recording_log log;
        ASSERT_EQ(card.run(log, "format"), 0) << log.text();
        EXPECT_NE(log.text().find("disc manage max = " + std::string(c.max) + "\n"),
                  std::string::npos)
            << c.sectors;
        recording_log open_log;
        EXPECT_EQ(card.run(open_log, "order", std::vector<std::string>(100, "0")), 1);
        EXPECT_EQ(open_log.text(), "order_check() error\n") << "the card opens again";
    }
}

TEST(CardFormat, RefusesACardWhoseFatHoldsFiles) {
    card_image card(20000);
    ASSERT_EQ(card.format(), 0);
    std::string copy = "echo x > " + card.path() + ".f";
    for (int i = 0; i < 12; i++)
        copy += " && mcopy -i " + card.fat_image() + " " + card.path() + ".f ::/F" +
                std::to_string(i) + ".TXT";
    ASSERT_EQ(run_shell(copy), 0);
    std::vector<uint8_t> before = card.read(0, 4200);
    recording_log log;
    EXPECT_EQ(card.run(log, "format"), 1);
    EXPECT_EQ(log.text(),
              "F0.TXT\nF1.TXT\nF2.TXT\nF3.TXT\nF4.TXT\nF5.TXT\nF6.TXT\nF7.TXT\n"
              "F8.TXT\nF9.TXT\nF10.TXT\nremove all files on " +
                  card.drive() + ":\n");
    EXPECT_EQ(card.read(0, 4200), before);
}

TEST(CardFormat, SystemVolumeInformationAloneIsNoObstacle) {
    card_image card(20000);
    ASSERT_EQ(card.format(), 0);
    ASSERT_EQ(run_shell("mmd -i " + card.fat_image() + " '::/System Volume Information'"), 0);
    recording_log log;
    EXPECT_EQ(card.run(log, "format"), 0) << log.text();
    EXPECT_EQ(shell_output("mdir -b -i " + card.fat_image() + " ::/"), "");
}

TEST(CardFormat, RefusesACardTooSmallForABlock) {
    card_image card(4097 + 15);
    recording_log log;
    EXPECT_EQ(card.run(log, "format"), 1);
    EXPECT_EQ(log.text(), "the card is too small: 4112 sectors\n");
    EXPECT_TRUE(all_bytes(card.read(0, 1), 0, 512, 0));
}
