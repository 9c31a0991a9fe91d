// Drive chooser entries: letter and colon first, what the drive is after.
#include "gui/card/drive_entries.h"

#include <gtest/gtest.h>

namespace {

drive_entry entry(char letter, drive_kind kind, const char *path, bool medium = true) {
    drive_entry e;
    e.letter = letter;
    e.kind = kind;
    e.name = "sdb";
    e.path = path;
    e.model = "Card Reader";
    e.size_bytes = 8000000ull * 512;
    e.has_medium = medium;
    return e;
}

TEST(DriveEntries, TextsAndPreselection) {
    const std::vector<drive_entry> entries = {
        entry('D', DRIVE_BLOCK_DEVICE, "/dev/sdb"),
        entry('E', DRIVE_BLOCK_DEVICE, "/dev/sdc", false),  // empty reader: not offered
        entry('Z', DRIVE_IMAGE_FILE, "/cards/a.img"),
    };
    const std::vector<std::string> texts = drive_entry_texts(entries);
    EXPECT_EQ(texts, (std::vector<std::string>{"D: sdb Card Reader 3.8 GiB", "Z: /cards/a.img"}));

    struct preselect_case {
        const char *stored;
        int want;
    } cases[] = {{"Z:", 1}, {"D:", 0}, {"Q:", 0}, {"", 0}};
    for (const preselect_case &c : cases) EXPECT_EQ(drive_entry_preselect(texts, c.stored), c.want) << c.stored;
    EXPECT_EQ(drive_entry_preselect({}, "D:"), -1);
}

}  // namespace
