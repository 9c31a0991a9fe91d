#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

// A file of n bytes counting 0, 1, 2, ... (mod 251, so no period lines up
// with a piece size).
std::string counting_file(temp_dir &t, size_t n) {
    std::string path = t.path("counting");
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; i++) bytes[i] = static_cast<char>(i % 251);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

struct file_closer {
    positioned_file *f;
    ~file_closer() { positioned_file_close(f); }
};

}  // namespace

TEST(PositionedFile, ScatteredReadFillsPiecesInTurnAndFailsPastTheEnd) {
    temp_dir t;
    positioned_file *f = nullptr;
    ASSERT_EQ(positioned_file_open(counting_file(t, 4000).c_str(), POSITIONED_READ_ONLY, &f), 0);
    file_closer close{f};
    uint64_t size = 0;
    ASSERT_EQ(positioned_file_size(f, &size), 0);
    EXPECT_EQ(size, 4000u);

    // Pieces of uneven sizes, an empty one among them, starting mid-file.
    std::vector<uint8_t> a(7, 0xEE), b(0), c(1000, 0xEE), d(1, 0xEE);
    file_piece pieces[] = {{a.data(), a.size()}, {b.data(), 0}, {c.data(), c.size()},
                           {d.data(), d.size()}};
    ASSERT_EQ(positioned_file_read_pieces_at(f, 300, pieces, 4), 0);
    uint64_t at = 300;
    for (const auto *piece : {&a, &c, &d})
        for (uint8_t byte : *piece) ASSERT_EQ(byte, at++ % 251) << "file offset " << at - 1;

    // Ending one byte past the file: no partial success.
    EXPECT_EQ(positioned_file_read_pieces_at(f, 4000 - 1008 + 1, pieces, 4), EIO);
    EXPECT_EQ(positioned_file_read_pieces_at(f, 4000 - 1008, pieces, 4), 0);
}

TEST(PositionedFile, WritesLandAtTheirOffsetAndReadOnlyRefusesThem) {
    temp_dir t;
    std::string path = counting_file(t, 1024);
    positioned_file *f = nullptr;
    ASSERT_EQ(positioned_file_open(path.c_str(), POSITIONED_READ_WRITE, &f), 0);
    const uint8_t mark[3] = {0xA1, 0xB2, 0xC3};
    ASSERT_EQ(positioned_file_write_at(f, 1000, mark, 3), 0);
    ASSERT_EQ(positioned_file_flush(f), 0);
    uint8_t back[5] = {};
    ASSERT_EQ(positioned_file_read_at(f, 999, back, 5), 0);
    EXPECT_EQ(back[0], 999 % 251);
    EXPECT_EQ(back[1], 0xA1);
    EXPECT_EQ(back[3], 0xC3);
    EXPECT_EQ(back[4], 1003 % 251);
    positioned_file_close(f);

    ASSERT_EQ(positioned_file_open(path.c_str(), POSITIONED_READ_ONLY, &f), 0);
    EXPECT_NE(positioned_file_write_at(f, 0, mark, 3), 0);
    positioned_file_close(f);
    EXPECT_EQ(std::filesystem::file_size(path), 1024u);
}

// The image store's tests cover opening for writing; read-only opens succeed
// on directories and FIFOs, so the refusal must come after the open, and a
// FIFO must not wait there for a writer.
TEST(PositionedFile, ReadOnlyOpenRefusesDirectoriesAndFifos) {
    temp_dir t;
    std::vector<std::string> paths = {t.dir};
#ifndef _WIN32
    std::string fifo = t.path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    paths.push_back(fifo);
#endif
    for (const std::string &path : paths) {
        positioned_file *f = reinterpret_cast<positioned_file *>(1);
        EXPECT_EQ(positioned_file_open(path.c_str(), POSITIONED_READ_ONLY, &f), ENODEV) << path;
        EXPECT_EQ(f, nullptr);
    }
}
