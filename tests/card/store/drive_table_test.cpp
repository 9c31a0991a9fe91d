// The letters the drive table gives the cards and image files of a fake
// system, and locking a card by unmounting it.
#include "card/store/drive_table.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>
#include <fstream>

#include "card/store/block_device_store.h"
#include "card/store/disk_handle.h"
#include "platform/drives.h"
#include "tests/card/store/fake_drive_table.h"
#include "tests/support/recording_log.h"

namespace {

using DriveTableTest = fake_drive_table_test;

}  // namespace

TEST_F(DriveTableTest, CardsGetLettersFromDAndKeepThemImagesFromZ) {
    add_standard_disks(system);
    std::string image = system.dir.path("card.img");
    std::ofstream(image) << std::string(1024, '\0');
    EXPECT_EQ(drive_table_register_image(log.sink, image.c_str()), 'Z');
    EXPECT_EQ(drive_table_register_image(log.sink, (system.dir.dir + "/./card.img").c_str()), 'Z')
        << "the same file keeps its letter";

    uint32_t mask = removable_drive_mask();
    EXPECT_EQ(mask, (1u << 3) | (1u << 4) | (1u << 25));  // D, E, Z
    drive_entry e;
    ASSERT_TRUE(drive_table_find('d', &e));
    EXPECT_EQ(e.name, "mmcblk0");
    EXPECT_EQ(e.kind, DRIVE_BLOCK_DEVICE);
    ASSERT_TRUE(drive_table_find('E', &e));
    EXPECT_EQ(e.name, "sdb");
    ASSERT_TRUE(drive_table_find('Z', &e));
    EXPECT_EQ(e.kind, DRIVE_IMAGE_FILE);
    EXPECT_EQ(e.path, image);

    // The SD card leaves, another reader arrives: sdb stays at E and the
    // newcomer takes the freed D.
    std::filesystem::remove_all(system.roots.sys_block + "/mmcblk0");
    system.add_disk({.name = "sdk", .dev = "8:160"});
    drive_table_refresh();
    ASSERT_TRUE(drive_table_find('E', &e));
    EXPECT_EQ(e.name, "sdb");
    ASSERT_TRUE(drive_table_find('D', &e));
    EXPECT_EQ(e.name, "sdk");
}

TEST_F(DriveTableTest, OnlyRegularFilesRegisterAsImages) {
    EXPECT_EQ(drive_table_register_image(log.sink, system.dir.dir.c_str()), 0);
    EXPECT_EQ(drive_table_register_image(log.sink, system.dir.path("missing").c_str()), 0);
    EXPECT_EQ(log.text(), "not a card image file: " + system.dir.dir +
                              "\nnot a card image file: " + system.dir.path("missing") + "\n");
    EXPECT_TRUE(drive_table_entries().empty());
}

TEST_F(DriveTableTest, ANodeThatIsNotTheExaminedDiskIsNeverUsed) {
    // The fake /dev/sdb is a plain file, not the block device 8:16 that sysfs
    // describes: the open must give up silently, as for any non-card.
    add_standard_disks(system);
    drive_entry e;
    drive_table_refresh();
    ASSERT_TRUE(drive_table_find('E', &e));
    EXPECT_EQ(disk_open(log.sink, "E", 0), nullptr);
    EXPECT_EQ(log.text(), "");

    sector_store *store = nullptr;
    block_open_failure why;
    EXPECT_EQ(block_store_open(system.roots, "sda", true, &store, &why), BLOCK_NOT_A_CARD);
    EXPECT_EQ(block_store_open(system.roots, "sdc", true, &store, &why), BLOCK_NOT_A_CARD);
    EXPECT_EQ(store, nullptr);
    std::string at;
    EXPECT_EQ(block_device_unmount_all(system.roots, "sdc", &at), ENODEV);
}

TEST_F(DriveTableTest, LockFailsWhenTheCardCannotBeUnmounted) {
    system.add_disk({.name = "sdb", .dev = "8:16"});
    // A mount point that is no mount point: umount2 fails and nothing opens.
    system.add_mount("8:17", system.dir.path("not mounted"), "/dev/sdb1");
    drive_table_refresh();
    EXPECT_EQ(disk_open(log.sink, "D", 1), nullptr);
    EXPECT_EQ(log.text().rfind("cannot unmount " + system.dir.path("not mounted") + ": ", 0), 0u)
        << log.text();
}

TEST_F(DriveTableTest, AnEmptyReaderKeepsItsLetterButOpensToNothingSilently) {
    system.add_disk({.name = "sdb", .size_units = 0, .dev = "8:16"});
    EXPECT_EQ(removable_drive_mask(), 0u);
    drive_entry e;
    ASSERT_TRUE(drive_table_find('D', &e));
    EXPECT_FALSE(e.has_medium);
    EXPECT_EQ(disk_open(log.sink, "D", 0), nullptr);
    EXPECT_EQ(log.text(), "") << "the caller reports the failed open";
}

namespace {

// Detaches what a test mounted, even when it stops early, before its
// folder is removed.
struct scratch_mounts {
    std::vector<std::string> points;
    ~scratch_mounts() {
        for (auto p = points.rbegin(); p != points.rend(); ++p) umount2(p->c_str(), MNT_DETACH);
    }
};

bool really_mounted(const std::string &point) {
    for (const mount_record &m : read_mount_table("/proc/self/mountinfo"))
        if (m.mount_point == point) return true;
    return false;
}

}  // namespace

TEST_F(DriveTableTest, LockUnmountsStackedMountsInnermostFirst) {
    // Two scratch tmpfs mounts stand in for the card's partitions, the second
    // inside the first: unmounting the outer one first would fail as busy.
    std::string outer = system.dir.path("card"), inner = outer + "/inner";
    std::filesystem::create_directories(outer);
    scratch_mounts cleanup;
    if (mount("vmk-test", outer.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no right to mount a scratch tmpfs here";
    cleanup.points.push_back(outer);
    std::filesystem::create_directories(inner);
    ASSERT_EQ(mount("vmk-test", inner.c_str(), "tmpfs", 0, "size=64k"), 0);
    cleanup.points.push_back(inner);

    system.add_disk({.name = "sdb", .dev = "8:16", .partitions = 2});
    system.add_mount("8:17", outer, "/dev/sdb1");
    system.add_mount("8:18", inner, "/dev/sdb2");
    drive_table_refresh();
    EXPECT_EQ(disk_open(log.sink, "D", 1), nullptr) << "the fake node is no block device";
    EXPECT_EQ(log.text(), "");
    EXPECT_FALSE(really_mounted(inner));
    EXPECT_FALSE(really_mounted(outer));
}
