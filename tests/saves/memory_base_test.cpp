// The Memory Base layout and the file forms: round trips and damage.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "saves/memory_base_layout.h"
#include "saves/save_file.h"
#include "tests/saves/save_bytes.h"

namespace {

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

std::vector<uint8_t> blob(const char *name8, uint32_t sectors, uint8_t seed) {
    std::vector<uint8_t> b(8 + sectors * 512);
    memcpy(b.data(), name8, 8);
    for (size_t i = 8; i < b.size(); i++) b[i] = static_cast<uint8_t>(seed * i + 3);
    return b;
}

uint16_t sum(const uint8_t *p, size_t n) {
    unsigned s = 0;
    for (size_t i = 0; i < n; i++) s += p[i];
    return static_cast<uint16_t>(s);
}

}  // namespace

TEST(MemoryBase, FormatMatchesTheDocumentedHeader) {
    std::vector<uint8_t> img = save_format(SAVE_MEMORY_BASE);
    const uint8_t head[16] = {0x30, 0x06, 0, 0, 0xD2, 0xD3, 0xD8, 0xCD, 0xDE, 0xB0, 0xBD, '1', '2', '8', 0, 0};
    ASSERT_EQ(img.size(), 131072u);
    EXPECT_EQ(memcmp(img.data(), head, sizeof head), 0);
    save_listing l;
    EXPECT_EQ(save_list(SAVE_MEMORY_BASE, img, &l), VMK_OK) << l.fault;
    EXPECT_EQ(l.free_bytes, 254u * 512);
}

TEST(MemoryBase, RoundTripOfEntries) {
    std::vector<uint8_t> img = save_format(SAVE_MEMORY_BASE);
    std::vector<uint8_t> a = blob("MT0     ", 3, 1), b = blob("MT1     ", 2, 2), c = blob("GAME M12", 4, 3);
    std::string why;
    ASSERT_EQ(save_insert(SAVE_MEMORY_BASE, &img, a, false, &why), VMK_OK) << why;
    ASSERT_EQ(save_insert(SAVE_MEMORY_BASE, &img, b, false, &why), VMK_OK) << why;
    // The directory slot as documented: sector, count, 00 02, data sum, 00 00, name.
    const uint8_t *slot2 = &img[32];
    EXPECT_EQ(slot2[0], 5);
    EXPECT_EQ(slot2[1], 2);
    EXPECT_EQ(slot2[3], 2);
    EXPECT_EQ(slot2[4] | slot2[5] << 8, sum(&b[8], 1024));
    EXPECT_EQ(memcmp(slot2 + 8, "MT1     ", 8), 0);
    EXPECT_EQ(img[0] | img[1] << 8, sum(&img[2], 1022)) << "directory sum";
    EXPECT_EQ(img[2] | img[3] << 8, 5) << "used sectors";

    save_listing l;
    ASSERT_EQ(save_list(SAVE_MEMORY_BASE, img, &l), VMK_OK) << l.fault;
    ASSERT_EQ(l.entries.size(), 2u);
    EXPECT_EQ(l.entries[1].name, "MT1");
    std::vector<uint8_t> out;
    ASSERT_EQ(save_extract(SAVE_MEMORY_BASE, img, l.entries[1], &out), VMK_OK);
    EXPECT_EQ(out, b);

    // Deleting the first frees its sectors; a later entry that fits reuses them.
    ASSERT_EQ(save_delete(SAVE_MEMORY_BASE, &img, l.entries[0], &why), VMK_OK) << why;
    ASSERT_EQ(save_list(SAVE_MEMORY_BASE, img, &l), VMK_OK) << l.fault;
    ASSERT_EQ(l.entries.size(), 1u);
    EXPECT_EQ(l.entries[0].name, "MT1") << "moved up to slot 1";
    EXPECT_EQ(std::vector<uint8_t>(img.begin() + 1024, img.begin() + 2560), std::vector<uint8_t>(1536, 0));
    ASSERT_EQ(save_insert(SAVE_MEMORY_BASE, &img, c, false, &why), VMK_OK) << why;
    ASSERT_EQ(save_list(SAVE_MEMORY_BASE, img, &l), VMK_OK) << l.fault;
    EXPECT_EQ(l.entries[1].offset, 7u * 512) << "4 sectors do not fit in the 3 freed";
    EXPECT_EQ(save_insert(SAVE_MEMORY_BASE, &img, b, false, &why), VMK_FAILED) << "same name";
    ASSERT_EQ(save_insert(SAVE_MEMORY_BASE, &img, blob("MT1     ", 1, 9), true, &why), VMK_OK) << why;
    EXPECT_EQ(save_list(SAVE_MEMORY_BASE, img, &l), VMK_OK) << l.fault;
}

TEST(MemoryBase, DamageAndOverflowAreRefused) {
    std::vector<uint8_t> img = save_format(SAVE_MEMORY_BASE);
    std::string why;
    ASSERT_EQ(save_insert(SAVE_MEMORY_BASE, &img, blob("A       ", 2, 1), false, &why), VMK_OK);
    struct {
        const char *what;
        size_t at;
        uint8_t value;
        const char *fault;
    } cases[] = {
        {"signature", 5, 'X', "signature"},
        {"directory sum", 0, 0x31, "directory sum"},
        {"data", 1024 + 9, 0xEE, "entry \"A\" (directory slot 1): wrong check value"},
    };
    for (auto &c : cases) {
        std::vector<uint8_t> bad = img;
        bad[c.at] ^= c.value;
        save_listing l;
        EXPECT_EQ(save_list(SAVE_MEMORY_BASE, bad, &l), VMK_FAILED) << c.what;
        EXPECT_TRUE(has(l.fault, c.fault)) << c.what << ": " << l.fault;
    }
    std::vector<uint8_t> past = img;
    past[16 + 1] = 255;  // 2 + 255 sectors
    past[0] = static_cast<uint8_t>(sum(&past[2], 1022));
    past[1] = static_cast<uint8_t>(sum(&past[2], 1022) >> 8);
    save_listing l;
    EXPECT_EQ(save_list(SAVE_MEMORY_BASE, past, &l), VMK_FAILED);
    EXPECT_TRUE(has(l.fault, "run past the end")) << l.fault;

    std::vector<uint8_t> before = img;
    EXPECT_EQ(save_insert(SAVE_MEMORY_BASE, &img, blob("BIG     ", 253, 1), false, &why), VMK_FAILED);
    EXPECT_EQ(img, before);
    EXPECT_EQ(save_insert(SAVE_MEMORY_BASE, &img, blob("BIG     ", 252, 1), false, &why), VMK_OK) << why;
}

TEST(SaveFile, FormsAreReadAndWrittenBack) {
    std::vector<uint8_t> raw = save_bytes::image({save_bytes::entry("GAME", 40, 1)});
    std::vector<uint8_t> padded = raw;
    padded.resize(8192, 0xFF);
    struct {
        const char *what;
        std::vector<uint8_t> bytes;
        save_kind kind;
        bool gzip;
    } cases[] = {
        {"raw backup RAM", raw, SAVE_BACKUP_RAM, false},
        {"padded to 8 KiB", padded, SAVE_BACKUP_RAM, false},
        {"Memory Base", save_format(SAVE_MEMORY_BASE), SAVE_MEMORY_BASE, false},
    };
    for (auto &c : cases) {
        save_file f;
        std::string why;
        ASSERT_EQ(save_file_decode(c.bytes, &f, &why), VMK_OK) << c.what << ": " << why;
        EXPECT_EQ(f.kind, c.kind) << c.what;
        EXPECT_EQ(f.image.size(), save_kind_bytes(c.kind)) << c.what;
        EXPECT_EQ(save_file_encode(f), c.bytes) << c.what << ": written back unchanged";
        // The same, gzip-compressed the way zlib's gzip wrapper does it.
        f.gzip = true;
        std::vector<uint8_t> packed = save_file_encode(f);
        ASSERT_GE(packed.size(), 2u);
        EXPECT_EQ(packed[0], 0x1F);
        uLongf plain_size = static_cast<uLongf>(c.bytes.size());
        save_file again;
        ASSERT_EQ(save_file_decode(packed, &again, &why), VMK_OK) << c.what << ": " << why;
        EXPECT_TRUE(again.gzip);
        EXPECT_EQ(again.stored_bytes, plain_size) << c.what;
        EXPECT_EQ(again.image, f.image) << c.what;
    }
}

TEST(SaveFile, WrongSizesAndBrokenCompressionAreRefused) {
    std::vector<uint8_t> uneven(8192, 0);
    uneven[3000] = 1;
    const std::vector<uint8_t> cases[] = {
        std::vector<uint8_t>(2047, 0), std::vector<uint8_t>(2049, 0), uneven,
        std::vector<uint8_t>(131071, 0), std::vector<uint8_t>{0x1F, 0x8B, 8, 0, 1, 2},
    };
    for (auto &bytes : cases) {
        save_file f;
        std::string why;
        EXPECT_EQ(save_file_decode(bytes, &f, &why), VMK_FAILED) << bytes.size();
        EXPECT_FALSE(why.empty());
    }
}
