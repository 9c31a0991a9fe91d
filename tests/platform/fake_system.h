// A fake /sys/block, mount table and swap list in a temporary folder, for
// the removable-disk scan and the drive table. Nothing here touches a real
// device: device nodes are plain files under the fake /dev.
#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "platform/drives.h"
#include "tests/support/temp_dir.h"

struct fake_disk {
    std::string name;
    int removable = 1;
    uint64_t size_units = 7744512;  // 512-byte units, as sysfs gives them
    int logical_block = 512;
    std::string dev = "8:16";
    std::string model = "Card Reader";
    bool model_as_name = false;  // SD/MMC cards keep it in device/name
    std::string mmc_type = "";   // device/type of an MMC host's device ("SD", "MMC"); "": none
    int partitions = 1;          // partitions named by mmc or sd rules
    std::string loop_backing = "";  // loop devices: the attached file; "": none attached
    int read_only = 0;
};

struct fake_system {
    fake_system();
    void add_disk(const fake_disk &d);
    // Adds a "partition held by another device" link (LVM and the like).
    void hold_partition(const std::string &disk, const std::string &partition);
    // One mountinfo line for major:minor mounted at point (escaped as the
    // kernel does) from source.
    void add_mount(const std::string &dev, const std::string &point, const std::string &source);
    void add_swap(const std::string &device);
    std::string partition_name(const std::string &disk, int number) const;

    temp_dir dir;
    drive_scan_roots roots;
    std::string mountinfo_text;
    std::string swaps_text = "Filename\tType\tSize\tUsed\tPriority\n";
};

// A removable USB disk, an SD card, a fixed disk and a removable disk that
// holds the root file system: only the first two are cards.
void add_standard_disks(fake_system &s);
