// Card candidates from fake sysfs and mount tables.
#include "platform/drives.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/platform/fake_system.h"

namespace {

std::vector<std::string> names_of(const std::vector<removable_disk> &disks) {
    std::vector<std::string> names;
    for (const removable_disk &d : disks) names.push_back(d.name);
    return names;
}

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
