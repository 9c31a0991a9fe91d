#include "card/cdimage/image_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/card/cdimage/image_set.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

namespace {

class ImageInput : public testing::Test {
protected:
    void write_cd_set(uint32_t sectors) {
        std::vector<sector_spec> s;
        add_track(&s, 0x40, 1, 150, sectors, 0);
        write_image(prefix, s);
        write_text(prefix + ".ccd",
                   description_text("[CloneCD]\nVersion=2\n",
                                    {{0xA2, 0, 0, 2, long(sectors)}, {1, 4, 0, 2, 0}}));
    }
    temp_dir dir;
    std::string prefix = dir.path("game");
    recording_log log;
    image_input in{};
};

TEST_F(ImageInput, FileNamedByThePrefixIsARom) {
    write_text(prefix, std::string(3 * 8192, 'R'));
    ASSERT_EQ(image_input_read(log.sink, prefix.c_str(), &in), 1);
    EXPECT_EQ(in.kind, IMAGE_ROM);
    EXPECT_EQ(in.rom_size, 3u * 8192);
    ASSERT_NE(in.description, nullptr);
    EXPECT_EQ(in.description->version, 255);
    EXPECT_EQ(in.description->tocentries, 0);
    EXPECT_EQ(log.text(), "");
    image_input_free(&in);
}

TEST_F(ImageInput, BankedRomIsRefused) {
    write_text(prefix, std::string(0x100000 + 8192, 'R'));
    EXPECT_EQ(image_input_read(log.sink, prefix.c_str(), &in), 0);
    EXPECT_EQ(log.text(), "image file size is too large. banked ROM image is not supported.\n");
}

TEST_F(ImageInput, OddSizedPrefixFileIsReportedAndTheImageSetStillRead) {
    write_text(prefix, std::string(100, 'x'));
    write_cd_set(7);
    ASSERT_EQ(image_input_read(log.sink, prefix.c_str(), &in), 1);
    EXPECT_EQ(log.text(), prefix + ": file size error\n");
    EXPECT_EQ(in.kind, IMAGE_CD);
    EXPECT_EQ(in.sector_count, 7u);
    ASSERT_NE(in.description, nullptr);
    EXPECT_EQ(in.description->tocentries, 2);
    image_input_free(&in);
}

TEST_F(ImageInput, CdmIsPreferredOverCcd) {
    write_cd_set(7);
    write_text(prefix + ".cdm",
               description_text("[CDManipulator]\nVersion=2\n", {{1, 4, 0, 2, 0}}));
    ASSERT_EQ(image_input_read(log.sink, prefix.c_str(), &in), 1);
    EXPECT_EQ(in.description->tocentries, 1);
    image_input_free(&in);
}

TEST_F(ImageInput, PrefixNamingNothingIsOneLineWithTheLongNameWhole) {
    const std::string long_prefix = dir.path(std::string(150, 'n'));
    EXPECT_EQ(image_input_read(log.sink, long_prefix.c_str(), &in), 0);
    EXPECT_EQ(log.text(), "no such file or image set: " + long_prefix + "\n");
}

TEST_F(ImageInput, IncompleteSetIsReportedFileByFileWithLongNamesWhole) {
    const std::string long_prefix = dir.path(std::string(150, 'n'));
    write_text(long_prefix + ".img", std::string(2352, '\0'));
    testing::internal::CaptureStdout();
    EXPECT_EQ(image_input_read(log.sink, long_prefix.c_str(), &in), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.text(), long_prefix + ".sub: not found\n" + long_prefix + ".ccd has errors\n");
}

}  // namespace
