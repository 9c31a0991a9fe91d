// "format" over partitions #0 that are not FAT: an exFAT card is listed like a
// FAT one, and any other file system it recognises is refused by name unless
// the user forces it. The volumes are built here byte by byte, as small as
// their formats allow.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "card/commands/card_commands.h"
#include "tests/card/layout/card_image.h"
#include "tests/card/layout/shell.h"

namespace {

using bytes = std::vector<uint8_t>;

void put16(bytes &b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(bytes &b, size_t at, uint32_t v) {
    put16(b, at, static_cast<uint16_t>(v));
    put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

// An exFAT volume of 64 sectors with one sector per cluster: FAT at sector
// 24, cluster heap from 32 (cluster c at 32 + c - 2); the root directory
// starts in cluster 4 and continues in cluster 5 when more than 16 entries.
struct exfat_builder {
    static constexpr uint32_t HEAP = 32;
    bytes v = bytes(64 * 512, 0);
    std::vector<bytes> entries;

    exfat_builder() {
        const uint8_t jump[3] = {0xEB, 0x76, 0x90};
        memcpy(v.data(), jump, 3);
        memcpy(&v[3], "EXFAT   ", 8);
        put32(v, 80, 24);    // FAT offset
        put32(v, 84, 8);     // FAT length
        put32(v, 88, HEAP);  // cluster heap offset
        put32(v, 92, 30);    // cluster count
        put32(v, 96, 4);     // root directory cluster
        v[108] = 9;          // 512-byte sectors
        v[109] = 0;          // one sector per cluster
        v[110] = 1;          // one FAT
        v[510] = 0x55;
        v[511] = 0xAA;
        for (uint8_t type : {0x83, 0x81, 0x82}) {  // label, bitmap, upcase table
            bytes e(32, 0);
            e[0] = type;
            entries.push_back(e);
        }
    }

    // A file entry set; deleted clears the in-use bit of every entry.
    void file(const std::u16string &name, bool deleted = false) {
        size_t name_entries = (name.size() + 14) / 15;
        bytes e(32, 0);
        e[0] = 0x85;
        e[1] = static_cast<uint8_t>(1 + name_entries);
        std::vector<bytes> set{e};
        e.assign(32, 0);
        e[0] = 0xC0;
        e[3] = static_cast<uint8_t>(name.size());
        set.push_back(e);
        for (size_t k = 0; k < name_entries; k++) {
            e.assign(32, 0);
            e[0] = 0xC1;
            for (size_t i = 0; i < 15 && k * 15 + i < name.size(); i++)
                put16(e, 2 + 2 * i, name[k * 15 + i]);
            set.push_back(e);
        }
        for (bytes &s : set) {
            if (deleted) s[0] &= 0x7F;
            entries.push_back(s);
        }
    }

    bytes build() {
        size_t fat = 24 * 512;
        put32(v, fat, 0xFFFFFFF8);
        put32(v, fat + 4, 0xFFFFFFFF);
        put32(v, fat + 8, 0xFFFFFFFF);   // bitmap
        put32(v, fat + 12, 0xFFFFFFFF);  // upcase table
        bool two = entries.size() > 16;
        put32(v, fat + 16, two ? 5 : 0xFFFFFFFF);
        if (two) put32(v, fat + 20, 0xFFFFFFFF);
        EXPECT_LE(entries.size(), 32u);
        for (size_t i = 0; i < entries.size(); i++)
            memcpy(&v[(HEAP + 2) * 512 + i * 32], entries[i].data(), 32);
        return v;
    }
};

// The first 2 KiB of a volume with an ext superblock and its feature words.
bytes ext_volume(uint32_t compat, uint32_t incompat) {
    bytes v(4 * 512, 0);
    put16(v, 1024 + 56, 0xEF53);
    put32(v, 1024 + 92, compat);
    put32(v, 1024 + 96, incompat);
    return v;
}

bytes ntfs_boot() {
    bytes v(512, 0);
    const uint8_t jump[3] = {0xEB, 0x52, 0x90};
    memcpy(v.data(), jump, 3);
    memcpy(&v[3], "NTFS    ", 8);
    v[510] = 0x55;
    v[511] = 0xAA;
    return v;
}

// A formatted card whose partition #0 (sectors 1 to 4096) holds volume.
void lay_partition0(card_image &card, const bytes &volume) {
    ASSERT_EQ(card.format(), 0);
    card.write(1, bytes(4096 * 512, 0));
    card.write(1, volume);
}

const char REFUSED[] =
    "partition #0 holds a file system this program cannot list: %s\n"
    "formatting would erase it; format with --force to erase it anyway\n";

std::string refused(const std::string &name) {
    std::string text = REFUSED;
    return text.replace(text.find("%s"), 2, name);
}

}  // namespace

TEST(FormatExfat, EmptyOrSystemVolumeInformationFormatsWithoutAQuestion) {
    struct {
        const char *what;
        std::vector<std::u16string> files;
    } cases[] = {
        {"nothing", {}},
        {"only System Volume Information", {u"System Volume Information"}},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        card_image card(20000);
        exfat_builder volume;
        for (auto &f : c.files) volume.file(f);
        lay_partition0(card, volume.build());
        recording_log log;
        EXPECT_EQ(card.run(log, "format"), 0) << log.text();
        EXPECT_EQ(shell_output("mdir -b -i " + card.fat_image() + " ::/"), "") << "now FAT12";
    }
}

TEST(FormatExfat, FilesAreListedAcrossTheRootChainAndRefused) {
    card_image card(20000);
    exfat_builder volume;
    volume.file(u"System Volume Information");
    volume.file(u"gone.txt", true);
    volume.file(u"DCIM");
    volume.file(u"日本語のセーブデータ・その一.sav");  // two name entries
    volume.file(u"in the second cluster.bin");
    lay_partition0(card, volume.build());
    bytes before = card.read(0, 4200);
    recording_log log;
    EXPECT_EQ(card.run(log, "format"), 1);
    EXPECT_EQ(log.text(), "DCIM\n日本語のセーブデータ・その一.sav\nin the second cluster.bin\nremove all files on " +
                              card.drive() + ":\n");
    EXPECT_EQ(card.read(0, 4200), before);
}

TEST(FormatForeign, RecognisedFileSystemsAreRefusedByNameAndForcedOnRequest) {
    struct {
        const char *name;
        bytes volume;
    } cases[] = {
        {"NTFS", ntfs_boot()},
        {"ext2", ext_volume(0, 0)},
        {"ext3", ext_volume(0x4, 0x2)},
        {"ext4", ext_volume(0x4, 0x2C2)},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        card_image card(20000);
        lay_partition0(card, c.volume);
        EXPECT_STREQ(card_foreign_file_system(card.drive().c_str()), c.name) << "the window's question";
        bytes before = card.read(0, 4200);
        recording_log log;
        EXPECT_EQ(card.run(log, "format"), 1);
        EXPECT_EQ(log.text(), refused(c.name));
        EXPECT_EQ(card.read(0, 4200), before) << "nothing written";

        recording_log forced;
        EXPECT_EQ(card.run(forced, "format", {"--force"}), 0) << forced.text();
        EXPECT_EQ(shell_output("mdir -b -i " + card.fat_image() + " ::/"), "") << "now FAT12";
        EXPECT_EQ(card_foreign_file_system(card.drive().c_str()), nullptr);
    }
}

// The signature check against a volume made by the real tool.
TEST(FormatForeign, Mke2fsVolumeIsNamed) {
    card_image card(20000);
    ASSERT_EQ(card.format(), 0);
    std::string volume = card.path() + ".ext4";
    ASSERT_EQ(run_shell("mke2fs -q -F -t ext4 -E root_owner=0:0 " + volume + " 2048 2>/dev/null"),
              0);
    ASSERT_EQ(run_shell("dd if=" + volume + " of=" + card.path() +
                        " bs=512 seek=1 conv=notrunc status=none"),
              0);
    recording_log log;
    EXPECT_EQ(card.run(log, "format"), 1);
    EXPECT_EQ(log.text(), refused("ext4"));
}

TEST(FormatForeign, UnrecognisedContentIsFormattedAsBefore) {
    card_image card(20000);
    lay_partition0(card, bytes(512, 0x5A));
    recording_log log;
    EXPECT_EQ(card.run(log, "format"), 0) << log.text();
}
