// Disk handles through the drive table: card image files and test stores.
#include "card/store/disk_handle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "card/store/disk_over_store.h"
#include "card/store/drive_table.h"
#include "card/store/sector_store_fault.h"
#include "core/file_util.h"
#include "tests/platform/fake_system.h"
#include "tests/card/store/memory_card.h"
#include "tests/support/recording_log.h"

namespace {

// Every test starts from an empty table over a fake system without disks.
class DiskTest : public testing::Test {
protected:
    void SetUp() override {
        drive_table_clear();
        drive_table_use_roots(system.roots);
    }
    void TearDown() override { drive_table_clear(); }

    // A card image of the given size whose sector n starts with byte n % 251.
    std::string make_image(const std::string &name, uint32_t sectors) {
        std::string path = system.dir.path(name);
        std::vector<uint8_t> bytes(uint64_t{sectors} * 512);
        for (uint32_t n = 0; n < sectors; n++) bytes[n * 512] = static_cast<uint8_t>(n % 251);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), static_cast<long>(bytes.size()));
        return path;
    }

    fake_system system;
    recording_log log;
};

uint8_t first_byte_read(disk_handle *h) {
    uint8_t sector[512] = {0xEE};
    return disk_read(h, sector, sizeof sector) ? sector[0] : 0xEE;
}

}  // namespace

TEST_F(DiskTest, ImageFileOpensUnderItsLetterInEitherCase) {
    char letter = drive_table_register_image(log.sink, make_image("card.img", 40).c_str());
    ASSERT_EQ(letter, 'Z');
    for (const char *drive : {"Z", "z", "z:"}) {
        disk_handle *h = disk_open(log.sink, drive, 0);
        ASSERT_NE(h, nullptr) << drive;
        EXPECT_EQ(disk_sector_count(h), 40u);
        ASSERT_TRUE(disk_seek(h, 7));
        EXPECT_EQ(first_byte_read(h), 7);
        EXPECT_EQ(first_byte_read(h), 8) << "transfers continue where the last one stopped";
        disk_close(h);
    }
    EXPECT_EQ(log.text(), "");
    EXPECT_NE(removable_drive_mask() & (1u << 25), 0u);
}

// A card image in a folder or under a name outside ASCII: the path must reach
// the system as the same characters on every system.
TEST_F(DiskTest, ImageFileWithAJapaneseNameOpensAndKeepsItsLetter) {
    const std::string path = system.dir.path("カード 画像.img");
    std::vector<uint8_t> bytes(40 * 512);
    bytes[7 * 512] = 7;
    ASSERT_EQ(file_write_whole(path.c_str(), bytes.data(), bytes.size()), 1);
    ASSERT_EQ(drive_table_register_image(log.sink, path.c_str()), 'Z') << log.text();
    EXPECT_EQ(drive_table_register_image(log.sink, path.c_str()), 'Z') << "the same file, the same letter";
    disk_handle *h = disk_open(log.sink, "Z", 0);
    ASSERT_NE(h, nullptr) << log.text();
    EXPECT_EQ(disk_sector_count(h), 40u);
    ASSERT_TRUE(disk_seek(h, 7));
    EXPECT_EQ(first_byte_read(h), 7);
    disk_close(h);
}

TEST_F(DiskTest, RelativeSeeksCountFromTheBase) {
    char letter = drive_table_register_image(log.sink, make_image("card.img", 40).c_str());
    disk_handle *h = disk_open(log.sink, std::string(1, letter).c_str(), 0);
    ASSERT_NE(h, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(disk_seek_relative(h, 1)) << "no base set yet";
    EXPECT_NE(testing::internal::GetCapturedStderr().find("internal error"), std::string::npos);
    disk_set_relativepoint(h, 30);
    ASSERT_TRUE(disk_seek_relative(h, 5));
    EXPECT_EQ(first_byte_read(h), 35);
    ASSERT_TRUE(disk_seek_relative(h, 9));
    EXPECT_EQ(first_byte_read(h), 39);
    EXPECT_EQ(first_byte_read(h), 0xEE) << "past the end: the read fails";
    ASSERT_TRUE(disk_seek_relative(h, UINT32_MAX));
    EXPECT_EQ(first_byte_read(h), 0xEE) << "base + sector must not wrap around to sector 29";
    disk_close(h);
}

TEST_F(DiskTest, IncompleteTransfersAreRefusedAndLeaveThePositionAlone) {
    char letter = drive_table_register_image(log.sink, make_image("card.img", 4).c_str());
    disk_handle *h = disk_open(log.sink, std::string(1, letter).c_str(), 0);
    ASSERT_NE(h, nullptr);
    std::vector<uint8_t> buffer(3 * 512);
    ASSERT_TRUE(disk_seek(h, 2));
    EXPECT_FALSE(disk_read(h, buffer.data(), 3 * 512)) << "only two sectors are left";
    EXPECT_FALSE(disk_write(h, buffer.data(), 3 * 512));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(disk_read(h, buffer.data(), 100)) << "not whole sectors";
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(first_byte_read(h), 2);
    ASSERT_TRUE(disk_seek(h, 5));
    EXPECT_FALSE(disk_write(h, buffer.data(), 512)) << "a card cannot grow";
    disk_close(h);
    EXPECT_EQ(std::filesystem::file_size(system.dir.path("card.img")), 4u * 512);
}

TEST_F(DiskTest, WritesReachTheImageFile) {
    std::string path = make_image("card.img", 8);
    char letter = drive_table_register_image(log.sink, path.c_str());
    disk_handle *h = disk_open(log.sink, std::string(1, letter).c_str(), 0);
    ASSERT_NE(h, nullptr);
    std::vector<uint8_t> data(2 * 512, 0x6B);
    ASSERT_TRUE(disk_seek(h, 3));
    ASSERT_TRUE(disk_write(h, data.data(), 1024));
    ASSERT_TRUE(disk_flush(h));
    disk_close(h);
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes[3 * 512 - 1], 0);
    EXPECT_EQ(bytes[3 * 512], 0x6B);
    EXPECT_EQ(bytes[5 * 512 - 1], 0x6B);
    EXPECT_EQ(bytes[5 * 512], 5);
}

TEST_F(DiskTest, UnknownDrivesAndVanishedImagesFailWithAMessage) {
    struct {
        const char *drive;
        const char *message;
    } cases[] = {
        {"Q", "logical drive not found\n"},
        {"", "logical drive not found\n"},
        {"#", "logical drive not found\n"},
    };
    for (const auto &c : cases) {
        recording_log l;
        EXPECT_EQ(disk_open(l.sink, c.drive, 0), nullptr) << c.drive;
        EXPECT_EQ(l.text(), c.message) << c.drive;
    }
    std::string path = make_image("gone.img", 4);
    char letter = drive_table_register_image(log.sink, path.c_str());
    std::filesystem::remove(path);
    EXPECT_EQ(disk_open(log.sink, std::string(1, letter).c_str(), 0), nullptr);
    EXPECT_NE(log.text().find("cannot open card image"), std::string::npos) << log.text();
}

TEST_F(DiskTest, SectorCountReportsTheLow32BitsOfAHugeCard) {
    memory_card card((uint64_t{1} << 32) + 7);
    disk_handle *h = disk_open(log.sink, card.drive().c_str(), 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(disk_sector_count(h), 7u);
    EXPECT_EQ(disk_total_sectors(h), (uint64_t{1} << 32) + 7);
    EXPECT_TRUE(disk_seek(h, UINT32_MAX)) << "every 32-bit sector lies on this card";
    disk_close(h);
}

TEST_F(DiskTest, FlushFailureIsReportedByFlushAndByClose) {
    sector_store *card = memory_store_create(64);
    fault_plan plan;
    plan.fail_flush = true;
    sector_store *faulty = fault_store_wrap(card, plan);

    // Only reading: nothing to flush, so nothing fails.
    disk_handle *h = disk_open_store(log.sink, faulty, false);
    EXPECT_EQ(first_byte_read(h), 0);
    EXPECT_TRUE(disk_flush(h));
    disk_close(h);
    EXPECT_EQ(log.text(), "");

    h = disk_open_store(log.sink, faulty, false);
    uint8_t sector[512] = {1};
    ASSERT_TRUE(disk_write(h, sector, sizeof sector));
    EXPECT_FALSE(disk_flush(h));
    std::string why;
    EXPECT_FALSE(disk_reread_partitions(h, &why)) << "a new table is announced only once it is stored";
    disk_close(h);
    EXPECT_EQ(log.text(), "flush error\n");
    store_close(faulty);
    store_close(card);
}

TEST_F(DiskTest, InjectedWriteFailureSurfacesThroughTheHandle) {
    fault_plan plan;
    plan.fail_write_at = 2;
    memory_card card(64, plan);
    disk_handle *h = disk_open(log.sink, card.drive().c_str(), 0);
    ASSERT_NE(h, nullptr);
    uint8_t sector[512] = {9};
    ASSERT_TRUE(disk_seek(h, 10));
    EXPECT_TRUE(disk_write(h, sector, 512));
    EXPECT_FALSE(disk_write(h, sector, 512));
    EXPECT_TRUE(disk_write(h, sector, 512)) << "position unchanged by the failure: sector 11";
    disk_close(h);
    std::vector<uint8_t> got = card.read(10, 3);
    EXPECT_EQ(got[0], 9);
    EXPECT_EQ(got[512], 9);
    EXPECT_EQ(got[1024], 0);
    EXPECT_EQ(card.counts().injected, 1u);
}
