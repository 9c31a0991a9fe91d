// Drives: the card candidates among the system's whole disks, unmounting
// them, the mount table the scan reads, and the rights raw card access needs.
// Opening a disk for raw sectors is block_device.h; the system's disk service
// is disk_service.h. Linux: drives_linux.cpp; Windows: drives_windows.cpp.
//
// A disk qualifies when it is removable (removable flag, or an SD/MMC card
// "mmcblkN") or a writable loop device (a card image file attached as a disk;
// its model names the file), has a medium (size above 0) and 512-byte
// logical sectors, and nothing of it is in system use: no partition (nor the
// disk itself) mounted at a system location (see is_system_mount_point) or
// used as swap, and none held by another block device (LVM, RAID,
// encryption), which may carry the system out of sight of the mount table.
// The roots are parameters so tests can build fake trees.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// --- The removable-disk scan

// Where Linux keeps the facts the scan reads; other systems ignore them.
struct drive_scan_roots {
    std::string sys_block = "/sys/block";
    std::string mountinfo = "/proc/self/mountinfo";
    std::string swaps = "/proc/swaps";
    std::string dev = "/dev";
};

struct disk_partition {
    std::string name;  // "sdb1", "mmcblk0p1"
    unsigned number = 0;
    unsigned major = 0;
    unsigned minor = 0;
};

struct removable_disk {
    std::string name;         // kernel name: "sdb", "mmcblk0"
    std::string device_path;  // dev root + "/" + name
    std::string model;
    uint64_t size_bytes = 0;
    unsigned major = 0;  // the system's device number (on Linux major:minor),
    unsigned minor = 0;  // which the raw open checks the node against
    std::vector<disk_partition> partitions;  // by partition number
    std::string first_partition_mount;       // empty when not mounted
    char letter = 0;  // the system's own drive letter (Windows); 0: the drive table picks one
};

// Candidates in the order of their kernel names. with_empty_readers: also
// the readers that would qualify but hold no card now (size_bytes 0), so
// that a reader keeps its letter while the card is out.
std::vector<removable_disk> scan_removable_disks(const drive_scan_roots &roots,
                                                 bool with_empty_readers = false);

// Examines one disk now; false when it is not (or no longer) a candidate,
// an empty reader included.
// Every path that opens or unmounts a disk asks this first.
bool examine_removable_disk(const drive_scan_roots &roots, const std::string &name,
                            removable_disk *out);

// Unmounts everything the system has mounted of the disk (the disk itself and
// all its partitions), most recent mount first; a busy file system stops it.
// 0, or the errno value of the first failure with *failed_at naming the
// mount point.
int removable_disk_unmount_all(const drive_scan_roots &roots, const removable_disk &disk,
                               std::string *failed_at);

// A whole disk that is no card candidate, and why: "fixed disk", "system
// disk in use: ...", "no medium", "4096-byte sectors", "eMMC, not an SD
// card" and the like. Disks without a device behind them (loop, RAM,
// device mapper) are left out.
struct rejected_disk {
    std::string name;
    std::string device_path;
    std::string model;
    uint64_t size_bytes = 0;
    std::string reason;
};
std::vector<rejected_disk> scan_rejected_disks(const drive_scan_roots &roots);

// Where the disk and its partitions are mounted, the most recent mount
// first, so that mounts stacked on others are undone before them.
std::vector<std::string> mount_points_of(const drive_scan_roots &roots, const removable_disk &d);

// --- The mount table (Linux only; the scan's source, open to tests)

// What the system has mounted, read from the kernel's per-process mount
// table (mountinfo format) and its swap list. Paths are parameters so tests
// can hand in fake tables.
struct mount_record {
    unsigned major = 0;
    unsigned minor = 0;
    std::string mount_point;  // octal escapes (\040 for a space) decoded
    std::string source;       // e.g. "/dev/sdb1"; file systems such as btrfs
                              // report a virtual major:minor, so match on both
};

// Lines that do not parse are skipped. A missing file gives an empty table.
std::vector<mount_record> parse_mountinfo(const std::string &text);
std::vector<mount_record> read_mount_table(const std::string &mountinfo_path);

// Device paths of the active swap areas (first column after the header).
std::vector<std::string> parse_swaps(const std::string &text);
std::vector<std::string> read_swap_devices(const std::string &swaps_path);

// True for /, and for /boot, /usr, /home, /var and anything beneath them.
bool is_system_mount_point(const std::string &mount_point);

// --- Rights raw card access needs

// Whether the process runs with the system's full rights (root; an elevated
// administrator on Windows).
bool rights_are_full();

// Whether the process, with its effective rights, may read and write the
// device node at path (e.g. as a member of the group that owns it).
bool rights_allow_device_access(const char *path);
