// The writer page's queue rows, ROM checks and CSV image lists.
#include "gui/card/writer_queue.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

namespace {

void write_file(const std::string &path, size_t size) {
    std::ofstream(path, std::ios::binary) << std::string(size, '\0');
}

struct rom_case {
    const char *context;
    size_t size;  // 0: no file
    const char *message;  // nullptr: accepted
};

TEST(WriterQueue, RomChecksInOrderExistenceMultipleThenLimit) {
    const rom_case cases[] = {
        {"missing", 0, ": file not found\n"},
        {"one byte over the limit fails the multiple check first", 0x100001,
         ": file size is strange; != 0x2000\n"},
        {"not a multiple of 0x2000", 0x3000, ": file size is strange; != 0x2000\n"},
        {"a multiple above the limit", 0x102000, ": file size is too large; > 0x100000\n"},
        {"exactly the limit", 0x100000, nullptr},
        {"one bank", 0x2000, nullptr},
    };
    for (const rom_case &c : cases) {
        temp_dir dir;
        const std::string path = dir.path("game.pce");
        if (c.size) write_file(path, c.size);
        recording_log log;
        writer_queue_entry entry;
        EXPECT_EQ(writer_queue_entry_make(log.sink, path, "", &entry), c.message == nullptr) << c.context;
        if (c.message)
            EXPECT_EQ(log.text(), path + c.message) << c.context;
        else
            EXPECT_EQ(log.text(), "") << c.context;
    }
}

TEST(WriterQueue, RowsKeepTheRomExtensionAndDropTheDescriptions) {
    temp_dir dir;
    write_file(dir.path("Bomber.pce"), 0x40000);
    recording_log log;
    writer_queue_entry entry;
    ASSERT_TRUE(writer_queue_entry_make(log.sink, dir.path("Bomber.pce"), "", &entry));
    EXPECT_EQ(writer_queue_text(entry), "Bomber `" + dir.path("Bomber.pce"));
    // Descriptions are not read here: the add command checks the set.
    ASSERT_TRUE(writer_queue_entry_make(log.sink, dir.path("Ys.I.cdm"), "Ys I&II", &entry));
    EXPECT_EQ(writer_queue_text(entry), "Ys I&II `" + dir.path("Ys.I"));
    ASSERT_TRUE(writer_queue_entry_make(log.sink, "/cd.d/disc.CCD", "", &entry));
    EXPECT_EQ(writer_queue_text(entry), "disc `/cd.d/disc");
    // A cue sheet keeps its whole name: the add command takes it that way.
    ASSERT_TRUE(writer_queue_entry_make(log.sink, "/cd.d/Ys I.Cue", "", &entry));
    EXPECT_EQ(writer_queue_text(entry), "Ys I `/cd.d/Ys I.Cue");
    ASSERT_TRUE(writer_queue_entry_make(log.sink, "/cd.d/Ys II.CHD", "", &entry));
    EXPECT_EQ(writer_queue_text(entry), "Ys II `/cd.d/Ys II.CHD");
    // So does an archive, with or without the game named inside it.
    const char *const archives[][2] = {
        {"/cd.d/games.ZIP", "games `/cd.d/games.ZIP"},
        {"/cd.d/all.7z:cd/Ys I.cue", "Ys I `/cd.d/all.7z:cd/Ys I.cue"},
        {"/cd.d/games.zip:disc.ccd", "disc `/cd.d/games.zip:disc.ccd"},
    };
    for (const auto &a : archives) {
        ASSERT_TRUE(writer_queue_entry_make(log.sink, a[0], "", &entry));
        EXPECT_EQ(writer_queue_text(entry), a[1]);
    }
    EXPECT_EQ(log.text(), "");
}

TEST(WriterQueue, BackquotesAndBlanksStayInTheirFields) {
    temp_dir dir;
    struct entry_case {
        const char *file, *name, *expected_name;
    };
    const entry_case cases[] = {
        {"y`s.pce", "", "y`s"},
        {"plain.pce", "Ys `II` ", "Ys `II` "},
        {"a b.pce", " ", " "},
    };
    for (const entry_case &c : cases) {
        write_file(dir.path(c.file), 0x2000);
        recording_log log;
        writer_queue_entry entry;
        ASSERT_TRUE(writer_queue_entry_make(log.sink, dir.path(c.file), c.name, &entry)) << log.text();
        EXPECT_EQ(entry.name, c.expected_name) << c.file;
        EXPECT_EQ(entry.image_file, dir.path(c.file)) << c.file;
    }
}

TEST(WriterQueue, CsvListsNameFilesBesideTheListAndReportMissingOnes) {
    temp_dir dir;
    write_file(dir.path("a.pce"), 0x2000);
    write_file(dir.path("b.cdm"), 10);
    std::ofstream(dir.path("list.csv")) << "a.pce\tGame A\r\n"
                                        << "no tab on this line\n"
                                        << "missing.pce\tGone\n"
                                        << dir.path("b.cdm") << "\tDisc B\n";
    recording_log log;
    std::vector<csv_list_line> lines;
    ASSERT_TRUE(csv_list_read(log.sink, dir.path("list.csv"), &lines));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].path, dir.path("a.pce"));
    EXPECT_EQ(lines[0].name, "Game A");
    EXPECT_EQ(lines[1].path, dir.path("b.cdm"));
    EXPECT_EQ(lines[1].name, "Disc B");
    EXPECT_EQ(log.text(), dir.path("missing.pce") + "is not found.\n");

    recording_log unopened;
    EXPECT_FALSE(csv_list_read(unopened.sink, dir.path("none.csv"), &lines));
    EXPECT_EQ(unopened.text(), "could not open:" + dir.path("none.csv") + "\n");
}

}  // namespace
