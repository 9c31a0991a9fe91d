// "rawdump": an entry of the first block copied byte for byte into a file.
#include <gtest/gtest.h>

#include "core/file_util.h"
#include "tests/card/commands/config_card.h"

namespace {

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(Rawdump, CopiesExactlyTheEntrysSectors) {
    config_card c;
    c.card.fill_random(c.area(BLOCK0, 3), CD_SECTORS + 1, 3);  // and one sector beyond
    temp_dir dir;
    recording_log log;
    ASSERT_EQ(c.card.run(log, "rawdump", {"3", dir.path("three.bin")}), 0) << log.text();
    std::vector<uint8_t> want = c.card.read(c.area(BLOCK0, 3), CD_SECTORS);
    std::vector<uint8_t> got(CD_SECTORS * 512 + 1);
    ASSERT_EQ(file_size(dir.path("three.bin").c_str()), int64_t{CD_SECTORS} * 512);
    file_read_whole(dir.path("three.bin").c_str(), got.data(), got.size());
    got.pop_back();
    EXPECT_TRUE(got == want);
}

TEST(Rawdump, IndexDiscInChunksWithProgress) {
    config_card c;
    temp_dir dir;
    recording_log log;
    ASSERT_EQ(c.card.run(log, "rawdump", {"0", dir.path("index.bin")}), 0) << log.text();
    ASSERT_EQ(file_size(dir.path("index.bin").c_str()), int64_t{INDEX_SECTORS} * 512);
    std::vector<uint8_t> got(size_t{INDEX_SECTORS} * 512);
    file_read_whole(dir.path("index.bin").c_str(), got.data(), got.size());
    EXPECT_TRUE(got == c.card.read(BLOCK0 + 2, INDEX_SECTORS));
    EXPECT_EQ(log.ranges, std::vector<int64_t>{INDEX_SECTORS});
    EXPECT_EQ(log.stepped, INDEX_SECTORS);
    EXPECT_EQ(log.steps, 7) << "chunks of at most 4096 sectors";
}

TEST(Rawdump, RefusesMissingDiscsAndUnwritableFiles) {
    config_card c;
    temp_dir dir;
    struct {
        std::string disc, file, message;
    } cases[] = {
        {"8", dir.path("a.bin"), "discnumber #8 not found"},
        {"105", dir.path("a.bin"), "discnumber #105 not found"},
        {"three", dir.path("a.bin"), "not a number: three\n"},
        {"3", dir.path("no/such/folder.bin"),
         "error opening file " + dir.path("no/such/folder.bin")},
    };
    for (auto &k : cases) {
        recording_log log;
        EXPECT_EQ(c.card.run(log, "rawdump", {k.disc, k.file}), 1) << k.disc;
        EXPECT_TRUE(has(log.text(), k.message)) << log.text();
    }
    EXPECT_LT(file_size(dir.path("a.bin").c_str()), 0);
}
