// The backup RAM layout: listing and its faults, copy and delete checked byte
// for byte against images built by hand.
#include <gtest/gtest.h>

#include "saves/backup_ram_layout.h"
#include "saves/save_image.h"
#include "tests/saves/save_bytes.h"

using save_bytes::entry;
using save_bytes::image;

namespace {

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(BackupRamList, SoundImages) {
    // Exactly full: entries up to 2046, the end mark in the last two bytes.
    std::vector<uint8_t> big = entry("BIG", 2030 - 16, 3);
    struct {
        const char *what;
        std::vector<uint8_t> bytes;
        size_t entries;
        uint32_t free;
    } cases[] = {
        {"empty", save_format(SAVE_BACKUP_RAM), 0, 2030},
        {"one entry", image({entry("GAME", 32, 1)}), 1, 2030 - 48},
        {"full", image({big}), 1, 0},
        {"duplicate names", image({entry("SAME", 4, 1), entry("SAME", 8, 2)}), 2, 2030 - 20 - 24},
    };
    for (auto &c : cases) {
        save_listing l;
        EXPECT_EQ(save_list(SAVE_BACKUP_RAM, c.bytes, &l), VMK_OK) << c.what << ": " << l.fault;
        EXPECT_EQ(l.entries.size(), c.entries) << c.what;
        EXPECT_EQ(l.free_bytes, c.free) << c.what;
    }
    save_listing l;
    ASSERT_EQ(save_list(SAVE_BACKUP_RAM, image({entry("GAME", 32, 1, 0x1234)}), &l), VMK_OK);
    EXPECT_EQ(l.entries[0].name, "GAME");
    EXPECT_EQ(l.entries[0].bytes, 48u);
    EXPECT_EQ(l.entries[0].offset, 16u);
    EXPECT_TRUE(l.entries[0].check_ok);
    EXPECT_EQ(l.entries[0].key[0], 0x34) << "the id is part of the name";
}

TEST(BackupRamList, DamageIsNamedWithItsPlace) {
    auto with = [](std::vector<uint8_t> a, size_t at, uint8_t v) {
        a[at] = v;
        return a;
    };
    std::vector<uint8_t> two = image({entry("FIRST", 8, 1), entry("SECOND", 8, 9)});
    struct {
        const char *what;
        std::vector<uint8_t> bytes;
        const char *fault;
    } cases[] = {
        {"wrong header", with(two, 0, 'X'), "HUBM"},
        {"end address", with(two, 5, 0x90), "end address 0x9000"},
        {"free pointer before the entries", with(with(two, 6, 0x0F), 7, 0x80), "free pointer 0x800F outside"},
        {"free pointer past the end", with(with(two, 6, 0xFF), 7, 0x87), "free pointer 0x87FF outside"},
        {"length past the end", with(two, 16 + 24, 0x30), "entry \"SECOND\" runs past the end of the saves, at offset 0x028"},
        {"length under the header", with(two, 16, 0x04), "entry \"FIRST\": length 4 shorter than its header, at offset 0x010"},
        {"wrong check value", with(two, 16 + 24 + 20, 0x77), "entry \"SECOND\": wrong check value, at offset 0x028"},
        {"no end mark", with(two, 16 + 48, 0x01), "no end mark"},
        {"wrong size", std::vector<uint8_t>(two.begin(), two.end() - 1), "2048"},
    };
    for (auto &c : cases) {
        save_listing l;
        EXPECT_EQ(save_list(SAVE_BACKUP_RAM, c.bytes, &l), VMK_FAILED) << c.what;
        EXPECT_TRUE(has(l.fault, c.fault)) << c.what << ": " << l.fault;
    }
}

TEST(BackupRamCopy, AppendsAtTheFreePointerByteForByte) {
    std::vector<uint8_t> a = entry("ALPHA", 20, 1), b = entry("BETA", 100, 2, 7);
    std::vector<uint8_t> target = image({a});
    std::string why;
    ASSERT_EQ(save_insert(SAVE_BACKUP_RAM, &target, b, false, &why), VMK_OK) << why;
    EXPECT_EQ(target, image({a, b}));
}

TEST(BackupRamCopy, ReplacesOnlyWhenAsked) {
    std::vector<uint8_t> a = entry("ALPHA", 20, 1), old = entry("GAME", 10, 2), fresh = entry("GAME", 30, 5);
    std::vector<uint8_t> target = image({old, a});
    std::string why;
    EXPECT_EQ(save_insert(SAVE_BACKUP_RAM, &target, fresh, false, &why), VMK_FAILED);
    EXPECT_TRUE(has(why, "already holds an entry named \"GAME\"")) << why;
    EXPECT_EQ(target, image({old, a})) << "untouched";
    ASSERT_EQ(save_insert(SAVE_BACKUP_RAM, &target, fresh, true, &why), VMK_OK) << why;
    EXPECT_EQ(target, image({a, fresh})) << "the old one removed, the new one at the end";
}

TEST(BackupRamCopy, ExactFitGoesInOneByteMoreIsRefused) {
    std::vector<uint8_t> a = entry("ALPHA", 100, 1);
    std::vector<uint8_t> target = image({a});
    uint32_t room = 2048 - 16 - 116 - 2;
    std::string why;
    std::vector<uint8_t> over = entry("OVER", room - 16 + 1, 3);
    EXPECT_EQ(save_insert(SAVE_BACKUP_RAM, &target, over, false, &why), VMK_FAILED);
    EXPECT_TRUE(has(why, "needs " + std::to_string(room + 1) + " bytes")) << why;
    EXPECT_EQ(target, image({a}));
    std::vector<uint8_t> fits = entry("FITS", room - 16, 3);
    ASSERT_EQ(save_insert(SAVE_BACKUP_RAM, &target, fits, false, &why), VMK_OK) << why;
    EXPECT_EQ(target, image({a, fits}));
    save_listing l;
    EXPECT_EQ(save_list(SAVE_BACKUP_RAM, target, &l), VMK_OK) << l.fault;
    EXPECT_EQ(l.free_bytes, 0u);
}

TEST(BackupRamCopy, DamagedTargetIsRefused) {
    std::vector<uint8_t> target = image({entry("ALPHA", 4, 1)});
    target[16 + 18] ^= 1;
    std::vector<uint8_t> before = target;
    std::string why;
    EXPECT_EQ(save_insert(SAVE_BACKUP_RAM, &target, entry("B", 4, 1), false, &why), VMK_FAILED);
    EXPECT_TRUE(has(why, "wrong check value")) << why;
    EXPECT_EQ(target, before);
}

TEST(BackupRamDelete, LaterEntriesMoveUpAndTheRestIsCleared) {
    std::vector<uint8_t> a = entry("A", 10, 1), b = entry("B", 50, 2), c = entry("C", 30, 3);
    std::vector<uint8_t> img = image({a, b, c});
    save_listing l;
    ASSERT_EQ(save_list(SAVE_BACKUP_RAM, img, &l), VMK_OK);
    std::string why;
    ASSERT_EQ(save_delete(SAVE_BACKUP_RAM, &img, l.entries[1], &why), VMK_OK) << why;
    EXPECT_EQ(img, image({a, c}));
    ASSERT_EQ(save_list(SAVE_BACKUP_RAM, img, &l), VMK_OK);
    ASSERT_EQ(save_delete(SAVE_BACKUP_RAM, &img, l.entries[1], &why), VMK_OK) << why;
    EXPECT_EQ(img, image({a})) << "the last entry";
}

TEST(SaveFind, ByNumberOrUniqueName) {
    save_listing l;
    ASSERT_EQ(save_list(SAVE_BACKUP_RAM, image({entry("SAME", 4, 1), entry("SAME", 8, 2), entry("ONE", 2, 3)}), &l),
              VMK_OK);
    const save_entry *e = nullptr;
    std::string why;
    EXPECT_EQ(save_find(l, "ONE", &e, &why), VMK_OK);
    EXPECT_EQ(e->number, 3u);
    EXPECT_EQ(save_find(l, "#2", &e, &why), VMK_OK);
    EXPECT_EQ(e->bytes, 24u);
    EXPECT_EQ(save_find(l, "SAME", &e, &why), VMK_FAILED);
    EXPECT_TRUE(has(why, "2 entries are named \"SAME\"")) << why;
    EXPECT_EQ(save_find(l, "4", &e, &why), VMK_FAILED);
    EXPECT_EQ(save_find(l, "NONE", &e, &why), VMK_FAILED);
}

TEST(SaveName, NonPrintableBytesAreShownAsHex) {
    const uint8_t name[10] = {0xB1, 'A', '\\', ' ', 'B', ' ', ' ', ' ', 0, 0};
    EXPECT_EQ(save_printable_name(name, sizeof name), "\\xB1A\\x5C B");
}
