// Card candidates from fake sysfs and mount tables, and the letters the
// drive table gives them.
#include "platform/drives.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>
#include <fstream>

#include "card/store/block_device_store.h"
#include "card/store/disk_handle.h"
#include "card/store/drive_table.h"
#include "tests/card/store/fake_system.h"
#include "tests/support/recording_log.h"

namespace {

std::vector<std::string> names_of(const std::vector<removable_disk> &disks) {
    std::vector<std::string> names;
    for (const removable_disk &d : disks) names.push_back(d.name);
    return names;
}

// A removable USB disk, an SD card, a fixed disk and a removable disk that
// holds the root file system: only the first two are cards.
void add_standard_disks(fake_system &s) {
    s.add_disk({.name = "sdb", .dev = "8:16", .model = "USB SD Reader"});
    s.add_disk({.name = "mmcblk0",
                .removable = 0,
                .dev = "179:0",
                .model = "SU08G",
                .model_as_name = true,
                .mmc_type = "SD"});
    s.add_disk({.name = "sda", .removable = 0, .dev = "8:0", .model = "Fixed", .partitions = 2});
    s.add_disk({.name = "sdc", .dev = "8:32", .model = "Live USB", .partitions = 2});
    s.add_mount("8:34", "/", "/dev/sdc2");
}

using DriveTableTest = fake_drive_table_test;

}  // namespace

TEST(RemovableDisks, OnlyRemovableUnusedDisksWithMediumAnd512ByteSectorsQualify) {
    fake_system s;
    add_standard_disks(s);
    // Each of these is refused, for the reason noted beside it.
    s.add_disk({.name = "sdd", .dev = "8:48", .partitions = 2});  // swap on a partition
    s.add_swap("/dev/sdd2");
    s.add_disk({.name = "sde", .dev = "8:64"});  // /boot/efi mounted from it
    s.add_mount("8:65", "/boot/efi", "/dev/sde1");
    s.add_disk({.name = "sdf", .size_units = 0, .dev = "8:80"});        // reader, no card
    s.add_disk({.name = "sdg", .logical_block = 4096, .dev = "8:96"});  // 4K sectors
    s.add_disk({.name = "sdh", .dev = "8:112"});                        // LVM on sdh1
    s.hold_partition("sdh", "sdh1");
    s.add_disk({.name = "sdi", .dev = "8:128"});  // btrfs /home: virtual major:minor
    s.add_mount("0:45", "/home", "/dev/sdi1");
    s.add_disk({.name = "mmcblk1boot0", .removable = 0, .dev = "179:8", .partitions = 0});
    // Built-in eMMC storage, unmounted: its type is not SD, or not given.
    s.add_disk({.name = "mmcblk1", .removable = 0, .dev = "179:24", .mmc_type = "MMC"});
    s.add_disk({.name = "mmcblk2", .removable = 0, .dev = "179:16"});
    s.add_disk({.name = "sr0", .logical_block = 2048, .dev = "11:0", .partitions = 0});

    std::vector<removable_disk> disks = scan_removable_disks(s.roots);
    EXPECT_EQ(names_of(disks), (std::vector<std::string>{"mmcblk0", "sdb"}));
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].model, "SU08G");
    EXPECT_EQ(disks[0].device_path, s.roots.dev + "/mmcblk0");
    EXPECT_EQ(disks[0].size_bytes, 7744512ull * 512);
    ASSERT_EQ(disks[0].partitions.size(), 1u);
    EXPECT_EQ(disks[0].partitions[0].name, "mmcblk0p1");
    EXPECT_EQ(disks[1].model, "USB SD Reader");
}

// A card image attached as a loop device is a card; a loop device of
// packaged software (read-only), one without a file, or one carrying the
// system is none.
TEST(RemovableDisks, WritableLoopDevicesOfImageFilesQualify) {
    struct loop_case {
        fake_disk disk;
        bool qualifies;
    };
    const loop_case cases[] = {
        {{.name = "loop0", .removable = 0, .dev = "7:0", .loop_backing = "/home/me/card.img"}, true},
        {{.name = "loop1", .removable = 0, .dev = "7:1", .loop_backing = "/var/lib/snapd/x.snap",
          .read_only = 1},
         false},
        {{.name = "loop2", .removable = 0, .dev = "7:2"}, false},
        {{.name = "loop3", .removable = 0, .dev = "7:3", .loop_backing = "/root.img"}, false},
    };
    fake_system s;
    for (const loop_case &c : cases) s.add_disk(c.disk);
    s.add_mount("7:4", "/usr", "/dev/loop3p1");
    std::vector<removable_disk> disks = scan_removable_disks(s.roots);
    for (const loop_case &c : cases) {
        removable_disk d;
        EXPECT_EQ(examine_removable_disk(s.roots, c.disk.name, &d), c.qualifies) << c.disk.name;
    }
    ASSERT_EQ(names_of(disks), (std::vector<std::string>{"loop0"}));
    EXPECT_EQ(disks[0].model, "loop device of /home/me/card.img");
    EXPECT_EQ(disks[0].device_path, s.roots.dev + "/loop0");
}

TEST(RemovableDisks, FirstPartitionMountIsRecordedAndOtherMountsAreListedForUnmounting) {
    fake_system s;
    s.add_disk({.name = "sdb", .dev = "8:16", .partitions = 2});
    s.add_mount("8:18", "/media/user/DATA", "/dev/sdb2");
    s.add_mount("8:17", "/media/user/CARD 1", "/dev/sdb1");
    s.add_mount("8:17", "/mnt/again", "/dev/sdb1");

    removable_disk d;
    ASSERT_TRUE(examine_removable_disk(s.roots, "sdb", &d));
    EXPECT_EQ(d.first_partition_mount, "/media/user/CARD 1");
    EXPECT_EQ(mount_points_of(s.roots, d),
              (std::vector<std::string>{"/mnt/again", "/media/user/CARD 1", "/media/user/DATA"}));
    for (const char *bad : {"", ".", "..", "../block/sdb", "sdz"})
        EXPECT_FALSE(examine_removable_disk(s.roots, bad, &d)) << bad;
}

TEST(MountTable, ParsesOptionalFieldsEscapesAndSkipsBrokenLines) {
    std::string text =
        "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 shared:2 - ext3 /dev/root rw\n"
        "37 35 8:17 / /media/a\\040b\\134c rw - vfat /dev/sdb1 rw\n"
        "garbage line\n"
        "38 35 8:18 / /x rw no-dash-here vfat /dev/sdb2 rw\n"
        "39 35 8x18 / /y rw - vfat /dev/sdb2 rw\n";
    std::vector<mount_record> t = parse_mountinfo(text);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].major, 98u);
    EXPECT_EQ(t[0].mount_point, "/mnt/parent");
    EXPECT_EQ(t[0].source, "/dev/root");
    EXPECT_EQ(t[1].minor, 17u);
    EXPECT_EQ(t[1].mount_point, "/media/a b\\c");

    // Cut anywhere, a line yields at most its one record and never reads past
    // its end (the sanitizers watch).
    const std::string line = "40 35 8:17 / /media/a\\040b rw shared:7 - vfat /dev/sdb1 rw\n";
    for (size_t n = 0; n <= line.size(); n++)
        EXPECT_LE(parse_mountinfo(line.substr(0, n)).size(), 1u) << n;
    EXPECT_EQ(parse_mountinfo("1 1 8:1 / /a\\04 rw - vfat /dev/x rw")[0].mount_point, "/a\\04");

    EXPECT_EQ(parse_swaps("Filename Type Size Used Priority\n/dev/sda3 partition 1 0 -2\n"),
              std::vector<std::string>{"/dev/sda3"});
}

TEST(MountTable, SystemLocations) {
    struct {
        const char *point;
        bool system;
    } cases[] = {
        {"/", true},         {"/boot", true},           {"/boot/efi", true},    {"/usr", true},
        {"/home", true},     {"/var/lib/docker", true}, {"/media/card", false}, {"/mnt", false},
        {"/bootleg", false}, {"/home2", false},
    };
    for (const auto &c : cases) EXPECT_EQ(is_system_mount_point(c.point), c.system) << c.point;
}

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
