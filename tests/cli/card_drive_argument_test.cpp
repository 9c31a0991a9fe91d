#include "cli/card_drive_argument.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "card/store/drive_table.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

namespace {

class CardDriveArgument : public testing::Test {
protected:
    void SetUp() override { drive_table_clear(); }
    void TearDown() override { drive_table_clear(); }
    temp_dir t;
    recording_log log;
};

}  // namespace

TEST_F(CardDriveArgument, LettersAndImagePathsPassWithoutTakingALetter) {
    std::string image = t.path("card.img");
    std::ofstream(image) << std::string(2048, '\0');
    std::string drive;

    for (const char *letter : {"D", "e", "F:"}) {
        ASSERT_TRUE(resolve_card_drive_argument(log.sink, letter, &drive));
        EXPECT_EQ(drive, letter);
    }
    EXPECT_TRUE(drive_table_entries().empty());

    ASSERT_TRUE(resolve_card_drive_argument(log.sink, image.c_str(), &drive));
    EXPECT_EQ(drive, image);
    EXPECT_TRUE(drive_table_entries().empty()) << "an image file is opened by its path";
    drive_entry e;
    ASSERT_TRUE(drive_resolve(log.sink, drive.c_str(), &e));
    EXPECT_EQ(e.kind, DRIVE_IMAGE_FILE);
    EXPECT_EQ(e.letter, 0);
    EXPECT_EQ(e.path, image);
    EXPECT_EQ(e.size_bytes, 2048u);
    EXPECT_EQ(log.text(), "");
}

TEST_F(CardDriveArgument, AFileNamedInTheWorkingFolderIsAnImageEvenWithoutSlash) {
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(t.dir.c_str()), 0);
    std::ofstream("G") << std::string(512, '\0');
    std::string drive;
    bool ok = resolve_card_drive_argument(log.sink, "G", &drive);
    ASSERT_EQ(chdir(previous), 0);
    ASSERT_TRUE(ok);
    EXPECT_EQ(drive, t.path("G")) << "kept absolute, whatever the working folder later is";
}

TEST_F(CardDriveArgument, APathThatIsNoRegularFileFails) {
    std::string drive = "unchanged";
    for (std::string path : {t.path("missing.img"), t.dir, std::string("/dev/null")}) {
        EXPECT_FALSE(resolve_card_drive_argument(log.sink, path.c_str(), &drive)) << path;
        EXPECT_NE(log.text().find("not a card image file: " + path), std::string::npos);
    }
    EXPECT_EQ(drive, "unchanged");
    EXPECT_TRUE(drive_table_entries().empty());
}
