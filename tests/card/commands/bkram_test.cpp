// Backup RAM areas in the index disc: which areas hold data, the file names
// of bkram_multiread, and the three commands on a card image.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "card/layout/bkram_area.h"
#include "core/file_util.h"
#include "tests/card/commands/config_card.h"

namespace {

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// A save area as the console leaves it: header, a free pointer, then data.
std::vector<uint8_t> save_area(uint8_t fill, uint8_t pointer_low = 0x20) {
    std::vector<uint8_t> a(BKRAM_AREA_BYTES, fill);
    const uint8_t head[8] = {'H', 'U', 'B', 'M', 0x00, 0x88, pointer_low, 0x80};
    memcpy(a.data(), head, sizeof head);
    return a;
}

uint32_t area_sector(config_card &c, uint32_t block, uint32_t d) {
    return c.area(block, 0) + 201 + 4 * d;
}

std::vector<uint8_t> file_bytes(const std::string &name) {
    std::vector<uint8_t> b(static_cast<size_t>(file_size(name.c_str())));
    EXPECT_EQ(file_read_whole(name.c_str(), b.data(), b.size()), 1);
    return b;
}

}  // namespace

TEST(BkramArea, HoldsDataOnlyWithTheHeaderAndUsedSpace) {
    EXPECT_TRUE(bkram_area_holds_data(save_area(0x11).data()));
    EXPECT_FALSE(bkram_area_holds_data(save_area(0x00, 0x10).data())) << "freshly formatted";
    std::vector<uint8_t> foreign = save_area(0x11);
    foreign[5] = 0x89;
    EXPECT_FALSE(bkram_area_holds_data(foreign.data()));
    EXPECT_FALSE(bkram_area_holds_data(std::vector<uint8_t>(8, 0).data()));
}

TEST(BkramArea, FileNamesFollowTheSeparatorRule) {
    struct {
        const char *path;
        uint32_t number;
        const char *name;
        const char *want;
    } cases[] = {
        {"D:\\saves", 1, "Name", "D:\\saves/001_Name.sav"},
        {"D:\\saves\\", 1, "Name", "D:\\saves\\001_Name.sav"},
        {"/tmp/x/", 105, "B5", "/tmp/x/105_B5.sav"},
        {"out", 7, "../../etc/passwd", "out/007_.._.._etc_passwd.sav"},
        {"out", 0, "", "out/000_.sav"},
    };
    for (auto &c : cases)
        EXPECT_EQ(bkram_file_name(c.path, c.number, c.name), c.want) << c.path << " " << c.name;
}

TEST(Bkram, WriteThenReadImageOfTheSecondBlock) {
    config_card c;
    temp_dir dir;
    std::vector<uint8_t> save = save_area(0x5A);
    ASSERT_EQ(file_write_whole(dir.path("in.sav").c_str(), save.data(), save.size()), 1);

    recording_log write;
    ASSERT_EQ(c.card.run(write, "bkram_write", {"105", dir.path("in.sav")}), 0) << write.text();
    EXPECT_TRUE(has(write.text(), "backup RAM file " + dir.path("in.sav") +
                                      " is saved into memorycard for #105:B5\n"))
        << write.text();
    EXPECT_EQ(c.card.read(area_sector(c, c.block1, 5), 4), save) << "entry 5 of block 1";
    EXPECT_EQ(c.card.read(area_sector(c, BLOCK0, 5), 4), std::vector<uint8_t>(2048, 0));

    recording_log read;
    ASSERT_EQ(c.card.run(read, "bkram_read", {"105", dir.path("out.sav")}), 0) << read.text();
    EXPECT_TRUE(has(read.text(),
                    "backup RAM data of #105:B5 is saved into file:" + dir.path("out.sav") + "\n"))
        << read.text();
    EXPECT_EQ(file_bytes(dir.path("out.sav")), save);
}

TEST(Bkram, RefusesBadNumbersAndSourceFilesWithoutWriting) {
    config_card c;
    temp_dir dir;
    std::vector<uint8_t> short_file(2047, 1), long_file(2049, 1), good = save_area(1);
    file_write_whole(dir.path("short.sav").c_str(), short_file.data(), short_file.size());
    file_write_whole(dir.path("long.sav").c_str(), long_file.data(), long_file.size());
    file_write_whole(dir.path("good.sav").c_str(), good.data(), good.size());
    struct {
        const char *command;
        std::string number, file, message;
    } cases[] = {
        {"bkram_write", "3", dir.path("missing.sav"), ": not found\n"},
        {"bkram_write", "3", dir.path("short.sav"), ": file size error"},
        {"bkram_write", "3", dir.path("long.sav"), ": file size error"},
        {"bkram_write", "8", dir.path("good.sav"), "disc# over disc_amount\n"},
        {"bkram_write", "106", dir.path("good.sav"), "disc# over disc_amount\n"},
        {"bkram_write", "300", dir.path("good.sav"), "disc# error\n"},
        {"bkram_write", "3 ", dir.path("good.sav"), "not a number: 3 \n"},
        {"bkram_read", "999", dir.path("x.sav"), "disc# error\n"},
        {"bkram_read", "108", dir.path("x.sav"), "disc# over disc_amount\n"},
    };
    std::vector<uint8_t> before = c.snapshot();
    for (auto &k : cases) {
        recording_log log;
        EXPECT_EQ(c.card.run(log, k.command, {k.number, k.file}), 1) << k.number << k.file;
        EXPECT_TRUE(has(log.text(), k.message)) << log.text();
    }
    EXPECT_TRUE(c.snapshot() == before);
    EXPECT_LT(file_size(dir.path("x.sav").c_str()), 0);
}

TEST(BkramMultiread, WritesAreasWithDataOnly) {
    config_card c;
    c.card.write(area_sector(c, BLOCK0, 1), save_area(0x01));
    c.card.write(area_sector(c, BLOCK0, 2), save_area(0x00, 0x10));  // formatted, empty
    std::vector<uint8_t> foreign = save_area(0x03);
    foreign[0] = 'X';
    c.card.write(area_sector(c, BLOCK0, 3), foreign);
    c.card.write(area_sector(c, BLOCK0, 8), save_area(0x08));  // beyond the disc amount
    c.card.write(area_sector(c, c.block1, 5), save_area(0x05));

    temp_dir dir;
    recording_log log;
    ASSERT_EQ(c.card.run(log, "bkram_multiread", {dir.dir}), 0) << log.text();
    EXPECT_EQ(log.text(), dir.dir + "/001_One.sav\n" + dir.dir + "/105_B5.sav\n");
    EXPECT_EQ(file_bytes(dir.path("001_One.sav")), save_area(0x01));
    EXPECT_EQ(file_bytes(dir.path("105_B5.sav")), save_area(0x05));
}

TEST(BkramMultiread, OverwriteZeroSkipsExistingFiles) {
    config_card c;
    c.card.write(area_sector(c, BLOCK0, 1), save_area(0x01));
    c.card.write(area_sector(c, BLOCK0, 2), save_area(0x02));
    temp_dir dir;
    std::string path = dir.dir + "/";
    std::vector<uint8_t> kept(2048, 0xEE);
    file_write_whole((path + "001_One.sav").c_str(), kept.data(), kept.size());

    recording_log log;
    ASSERT_EQ(c.card.run(log, "bkram_multiread", {path, "0"}), 0) << log.text();
    EXPECT_EQ(log.text(), "(skipped) " + path + "001_One.sav\n" + path + "002_Two.sav\n");
    EXPECT_EQ(file_bytes(path + "001_One.sav"), kept);

    recording_log again;
    ASSERT_EQ(c.card.run(again, "bkram_multiread", {path}), 0) << again.text();
    EXPECT_EQ(file_bytes(path + "001_One.sav"), save_area(0x01)) << "overwrite defaults to 1";
}

TEST(BkramMultiread, NamesWithSlashesStayInTheFolder) {
    config_card c;
    c.card.write(area_sector(c, BLOCK0, 1), save_area(0x01));
    recording_log rename;
    ASSERT_EQ(c.card.run(rename, "config", {"1", "0", "../escape"}), 0) << rename.text();
    temp_dir dir;
    std::string inner = dir.path("inner");
    ASSERT_EQ(mkdir(inner.c_str(), 0755), 0);
    recording_log log;
    ASSERT_EQ(c.card.run(log, "bkram_multiread", {inner}), 0) << log.text();
    EXPECT_EQ(file_size((inner + "/001_.._escape.sav").c_str()), 2048);
    EXPECT_LT(file_size(dir.path("escape.sav").c_str()), 0);
}

TEST(BkramMultiread, UnwritableFileIsReportedAndTheRestWritten) {
    config_card c;
    c.card.write(area_sector(c, BLOCK0, 1), save_area(0x01));
    c.card.write(area_sector(c, BLOCK0, 2), save_area(0x02));
    temp_dir dir;
    // A folder in the way of the first file.
    ASSERT_EQ(mkdir(dir.path("001_One.sav").c_str(), 0755), 0);
    recording_log log;
    EXPECT_EQ(c.card.run(log, "bkram_multiread", {dir.dir}), 1);
    EXPECT_TRUE(has(log.text(), "error writing file " + dir.path("001_One.sav") + "\n"))
        << log.text();
    EXPECT_EQ(file_bytes(dir.path("002_Two.sav")), save_area(0x02));
}
