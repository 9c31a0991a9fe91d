#include "card/store/sector_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "card/store/bounced_transfer.h"
#include "card/store/sector_store_fault.h"
#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<uint8_t> sectors_filled(uint32_t count, uint8_t value) {
    return std::vector<uint8_t>(count * 512, value);
}

struct store_closer {
    sector_store *s;
    ~store_closer() { store_close(s); }
};

}  // namespace

TEST(MemoryStore, HugeCardCostsOnlyWhatIsWrittenAndReadsZerosElsewhere) {
    const uint64_t total = (uint64_t{1} << 32) + 5;
    sector_store *s = memory_store_create(total);
    store_closer close{s};
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(store_sector_count(s), total);

    // A write straddling a chunk boundary and one at the very end.
    auto a = sectors_filled(3, 0xA5), z = sectors_filled(1, 0x5A);
    ASSERT_EQ(store_write(s, 127, 3, a.data()), 0);
    ASSERT_EQ(store_write(s, total - 1, 1, z.data()), 0);
    std::vector<uint8_t> got(5 * 512, 0xEE);
    ASSERT_EQ(store_read(s, 126, 5, got.data()), 0);
    EXPECT_EQ(got[0], 0);           // never written
    EXPECT_EQ(got[512], 0xA5);      // sector 127
    EXPECT_EQ(got[3 * 512], 0xA5);  // sector 129, next chunk
    EXPECT_EQ(got[4 * 512], 0);     // sector 130
    ASSERT_EQ(store_read(s, total - 1, 1, got.data()), 0);
    EXPECT_EQ(got[511], 0x5A);
}

TEST(MemoryStore, RangesOutsideTheCardAreRefusedWithoutTouchingIt) {
    sector_store *s = memory_store_create(100);
    store_closer close{s};
    std::vector<uint8_t> buffer(4 * 512, 0x11);
    struct {
        uint64_t first;
        uint32_t count;
        int status;
        const char *why;
    } cases[] = {
        {96, 4, 0, "ends exactly at the last sector"},
        {97, 4, ENXIO, "runs one sector past the end"},
        {100, 1, ENXIO, "starts at the end"},
        {100, 0, 0, "empty transfer at the end"},
        {UINT64_MAX, 2, ENXIO, "first + count wraps around"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(store_write(s, c.first, c.count, buffer.data()), c.status) << c.why;
        EXPECT_EQ(store_read(s, c.first, c.count, buffer.data()), c.status) << c.why;
    }
    EXPECT_EQ(store_read(s, 0, 1, nullptr), EINVAL);
}

TEST(MemoryStore, FromBytesDropsAPartialTailSector) {
    std::vector<uint8_t> bytes(1000, 7);
    sector_store *s = memory_store_from_bytes(bytes.data(), bytes.size());
    store_closer close{s};
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(store_sector_count(s), 1u);
    std::vector<uint8_t> got(512);
    ASSERT_EQ(store_read(s, 0, 1, got.data()), 0);
    EXPECT_EQ(got, std::vector<uint8_t>(512, 7));
}

TEST(FaultStore, FailsExactlyTheNthReadAndWrite) {
    sector_store *inner = memory_store_create(16);
    store_closer close_inner{inner};
    fault_plan plan;
    plan.fail_read_at = 2;
    plan.fail_write_at = 3;
    sector_store *f = fault_store_wrap(inner, plan);
    store_closer close_fault{f};
    auto data = sectors_filled(1, 0x42);
    std::vector<uint8_t> got(512);

    EXPECT_EQ(store_read(f, 0, 1, got.data()), 0);
    EXPECT_EQ(store_read(f, 0, 1, got.data()), EIO);
    EXPECT_EQ(store_read(f, 0, 1, got.data()), 0);
    for (int i = 1; i <= 4; i++)
        EXPECT_EQ(store_write(f, static_cast<uint64_t>(i), 1, data.data()), i == 3 ? EIO : 0) << i;
    ASSERT_EQ(store_read(inner, 3, 1, got.data()), 0);
    EXPECT_EQ(got[0], 0) << "the failed write must not reach the medium";

    fault_counts n = fault_store_counts(f);
    EXPECT_EQ(n.reads, 3u);
    EXPECT_EQ(n.writes, 4u);
    EXPECT_EQ(n.sectors_written, 3u);
    EXPECT_EQ(n.injected, 2u);
    EXPECT_EQ(store_flush(f), 0);
}

// A bad patch: only reads that touch it fail, however they are cut; a new
// plan makes a used medium go bad.
TEST(FaultStore, ReadsTouchingAnUnreadablePatchFail) {
    sector_store *inner = memory_store_create(16);
    store_closer close_inner{inner};
    sector_store *f = fault_store_wrap(inner, fault_plan{});
    store_closer close_fault{f};
    std::vector<uint8_t> got(16 * 512);
    ASSERT_EQ(store_read(f, 0, 16, got.data()), 0);
    fault_plan plan;
    plan.unreadable_first = 5;
    plan.unreadable_count = 2;
    fault_store_replan(f, plan);
    struct read_case {
        uint64_t first;
        uint32_t count;
        int status;
    };
    for (read_case r : {read_case{0, 5, 0}, {0, 6, EIO}, {4, 2, EIO}, {5, 1, EIO}, {6, 1, EIO},
                        {6, 10, EIO}, {7, 9, 0}, {0, 16, EIO}})
        EXPECT_EQ(store_read(f, r.first, r.count, got.data()), r.status)
            << r.first << " + " << r.count;
    auto data = sectors_filled(2, 0x42);
    EXPECT_EQ(store_write(f, 5, 2, data.data()), 0) << "writes pass";
    EXPECT_EQ(fault_store_counts(f).reads, 9u) << "the counts survive the new plan";
}

TEST(FaultStore, WriteBudgetStoresUpToTheLimitThenFailsEveryWrite) {
    sector_store *inner = memory_store_create(16);
    store_closer close_inner{inner};
    fault_plan plan;
    plan.write_sector_budget = 3;
    plan.fail_flush = true;
    sector_store *f = fault_store_wrap(inner, plan);
    store_closer close_fault{f};
    auto data = sectors_filled(2, 0x42);

    EXPECT_EQ(store_write(f, 0, 2, data.data()), 0);
    EXPECT_EQ(store_write(f, 2, 2, data.data()), EIO);  // sector 2 stored, 3 not
    EXPECT_EQ(store_write(f, 8, 1, data.data()), EIO);
    std::vector<uint8_t> got(9 * 512);
    ASSERT_EQ(store_read(inner, 0, 9, got.data()), 0);
    EXPECT_EQ(got[2 * 512], 0x42);
    EXPECT_EQ(got[3 * 512], 0);
    EXPECT_EQ(got[8 * 512], 0);
    EXPECT_EQ(store_flush(f), EIO);
    EXPECT_EQ(fault_store_counts(f).sectors_written, 3u);
    // Reads pass through, and the size is the inner store's.
    EXPECT_EQ(store_sector_count(f), 16u);
    EXPECT_EQ(fault_store_counts(inner).writes, 0u) << "not a fault store";
}

TEST(ImageStore, SectorCountIsTheFileSizeDividedBy512) {
    temp_dir t;
    std::string path = t.path("card.img");
    std::ofstream(path) << std::string(3 * 512 + 100, 'x');
    sector_store *s = nullptr;
    ASSERT_EQ(image_store_open(path.c_str(), &s), 0);
    store_closer close{s};
    EXPECT_EQ(store_sector_count(s), 3u);
    // Writing past the end would grow the file: a card cannot grow.
    auto data = sectors_filled(1, 1);
    EXPECT_EQ(store_write(s, 3, 1, data.data()), ENXIO);
    EXPECT_EQ(std::filesystem::file_size(path), 3u * 512 + 100);
}

TEST(ImageStore, RefusesAnythingButARegularFile) {
    temp_dir t;
    std::string fifo = t.path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct {
        std::string path;
        int status;
    } cases[] = {
        {t.dir, EISDIR},  // a directory cannot be opened for writing at all
        {fifo, ENODEV},
        {t.path("missing.img"), ENOENT},
        {"", ENOENT},
    };
    for (const auto &c : cases) {
        sector_store *s = reinterpret_cast<sector_store *>(1);
        EXPECT_EQ(image_store_open(c.path.c_str(), &s), c.status) << c.path;
        EXPECT_EQ(s, nullptr);
    }
}

TEST(ImageStore, SparseFileBeyond4GiBIsAddressedIn64Bits) {
    temp_dir t;
    std::string path = t.path("big.img");
    const uint64_t sectors = (uint64_t{5} << 30) / 512;  // 5 GiB, sparse
    {
        int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, static_cast<off_t>(sectors * 512)), 0);
        close(fd);
    }
    sector_store *s = nullptr;
    ASSERT_EQ(image_store_open(path.c_str(), &s), 0);
    store_closer close_store{s};
    EXPECT_EQ(store_sector_count(s), sectors);
    auto data = sectors_filled(1, 0xC3);
    ASSERT_EQ(store_write(s, uint64_t{1} << 23, 1, data.data()), 0);
    ASSERT_EQ(store_flush(s), 0);

    int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    uint8_t at_4gib = 0, before = 0xFF;
    EXPECT_EQ(pread(fd, &at_4gib, 1, off_t{1} << 32), 1);
    EXPECT_EQ(pread(fd, &before, 1, (off_t{1} << 32) - 1), 1);
    close(fd);
    EXPECT_EQ(at_4gib, 0xC3);
    EXPECT_EQ(before, 0);
}

TEST(BouncedTransfer, MovesEveryByteAcrossPieceBoundaries) {
    temp_dir t;
    std::string path = t.path("file");
    std::ofstream(path).close();
    std::filesystem::resize_file(path, 16 * 512);
    positioned_file *file = nullptr;
    ASSERT_EQ(positioned_file_open(path.c_str(), POSITIONED_READ_WRITE, &file), 0);
    aligned_medium m{
        file,
        [](void *f, uint64_t offset, void *buffer, uint64_t bytes) {
            return positioned_file_read_at(static_cast<positioned_file *>(f), offset, buffer, bytes);
        },
        [](void *f, uint64_t offset, const void *buffer, uint64_t bytes) {
            return positioned_file_write_at(static_cast<positioned_file *>(f), offset, buffer,
                                            bytes);
        }};
    // An odd-addressed buffer of five sectors through a two-sector bounce
    // buffer: two whole pieces and a short last one.
    std::vector<uint8_t> storage(5 * 512 + 1), bounce(1024);
    uint8_t *odd = storage.data() + 1;
    for (size_t i = 0; i < 5 * 512; i++) odd[i] = static_cast<uint8_t>(i * 7 + i / 512);
    ASSERT_EQ(write_bounced(m, 3 * 512, odd, 5 * 512, bounce.data(), bounce.size()), 0);

    std::vector<uint8_t> whole(16 * 512);
    ASSERT_EQ(positioned_file_read_at(file, 0, whole.data(), whole.size()), 0);
    EXPECT_EQ(whole[3 * 512 - 1], 0);
    EXPECT_EQ(0, memcmp(whole.data() + 3 * 512, odd, 5 * 512));
    EXPECT_EQ(whole[8 * 512], 0);

    std::vector<uint8_t> back(5 * 512 + 1, 0xEE);
    ASSERT_EQ(read_bounced(m, 3 * 512, back.data() + 1, 5 * 512, bounce.data(), bounce.size()), 0);
    EXPECT_EQ(0, memcmp(back.data() + 1, odd, 5 * 512));
    // Past the end of the file the transfer fails instead of coming up short.
    EXPECT_EQ(read_bounced(m, 15 * 512, back.data(), 2 * 512, bounce.data(), bounce.size()), EIO);
    positioned_file_close(file);
}
