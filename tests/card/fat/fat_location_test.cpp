#include "card/fat/fat_location.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "card/store/disk_over_store.h"
#include "card/store/drive_table.h"
#include "tests/card/store/fake_drive_table.h"
#include "tests/support/recording_log.h"

namespace {

void put_le32(uint8_t *p, uint32_t v) {
    for (int i = 0; i < 4; i++) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Sector 0 with partition entry 0 as given.
std::vector<uint8_t> mbr(uint8_t type, uint32_t first, uint32_t count, bool signature = true) {
    std::vector<uint8_t> s(512);
    s[0x1C2] = type;
    put_le32(&s[0x1C6], first);
    put_le32(&s[0x1CA], count);
    if (signature) s[510] = 0x55, s[511] = 0xAA;
    return s;
}

using FatLocationTest = fake_drive_table_test;

}  // namespace

TEST_F(FatLocationTest, PartitionZeroOfAnImageComesFromItsMbr) {
    std::string path = system.dir.path("card.img");
    std::vector<uint8_t> bytes(8192 * 512);
    std::vector<uint8_t> sector0 = mbr(0x01, 1, 4096);
    memcpy(bytes.data(), sector0.data(), 512);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), static_cast<long>(bytes.size()));
    char letter = drive_table_register_image(log.sink, path.c_str());

    fat_location where;
    ASSERT_EQ(drive_fat_location(log.sink, std::string(1, letter).c_str(), &where), 1);
    EXPECT_EQ(where.access, FAT_ACCESS_SECTORS);
    EXPECT_EQ(where.type, 0x01);
    EXPECT_EQ(where.first_sector, 1u);
    EXPECT_EQ(where.sector_count, 4096u);
    EXPECT_EQ(log.text(), "");
}

TEST_F(FatLocationTest, MissingOrImpossiblePartitionZeroMeansNoFatPartition) {
    struct {
        std::vector<uint8_t> sector0;
        fat_access access;
        const char *why;
    } cases[] = {
        {std::vector<uint8_t>(512), FAT_ACCESS_NONE, "blank card"},
        {mbr(0x01, 1, 4096, false), FAT_ACCESS_NONE, "no 55 AA signature"},
        {mbr(0x00, 1, 4096), FAT_ACCESS_NONE, "entry unused"},
        {mbr(0x0C, 1, 8192), FAT_ACCESS_NONE, "runs past the end of the card"},
        {mbr(0x0C, 0, 100), FAT_ACCESS_NONE, "starts on the MBR itself"},
        {mbr(0x0C, 2, 8190), FAT_ACCESS_SECTORS, "ends exactly at the end"},
    };
    for (const auto &c : cases) {
        sector_store *card = memory_store_create(8192);
        ASSERT_EQ(store_write(card, 0, 1, c.sector0.data()), 0);
        disk_handle *h = disk_open_store(log.sink, card, true);
        ASSERT_TRUE(disk_seek(h, 100));
        fat_location where;
        where.access = FAT_ACCESS_DIRECTORY;
        ASSERT_EQ(disk_fat_partition(h, &where), 1) << c.why;
        EXPECT_EQ(where.access, c.access) << c.why;
        uint8_t probe[512];
        ASSERT_TRUE(disk_read(h, probe, 512));  // still at sector 100
        EXPECT_EQ(probe[510], 0) << c.why;
        disk_close(h);
    }
}

TEST_F(FatLocationTest, MountedFirstPartitionIsReachedThroughItsDirectory) {
    system.add_disk({.name = "sdb", .dev = "8:16"});
    system.add_mount("8:17", "/media/user/VMK", "/dev/sdb1");
    fat_location where;
    ASSERT_EQ(drive_fat_location(log.sink, "d", &where), 1);
    EXPECT_EQ(where.access, FAT_ACCESS_DIRECTORY);
    EXPECT_EQ(where.directory, "/media/user/VMK");
    EXPECT_EQ(drive_fat_location(log.sink, "K", &where), 0);
    EXPECT_EQ(log.text(), "logical drive not found\n");
}
