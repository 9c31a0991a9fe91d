// program_jic and program_pac over the emulator, packages built with the
// package packer.
#include <gtest/gtest.h>

#include <cstring>

#include "device/firmware_package.h"
#include "tests/device/flash_fixture.h"
#include "tools/package_packer/package_packer.h"

namespace {

uint8_t reversed(uint8_t b) {
    uint8_t r = 0;
    for (int i = 0; i < 8; i++)
        if (b & (1 << i)) r |= static_cast<uint8_t>(0x80 >> i);
    return r;
}

// A .jic whose flash image carries data in its first `pages` pages only.
std::vector<uint8_t> make_jic(const char *device, size_t pages) {
    std::vector<uint8_t> jic(JIC_FILE_SIZE, 0xFF);
    for (size_t i = 0; i < JIC_IMAGE_OFFSET; i++) jic[i] = static_cast<uint8_t>(i);
    memcpy(jic.data() + JIC_DEVICE_NAME_OFFSET, device, strlen(device) + 1);
    for (size_t i = 0; i < pages * 256; i++)
        jic[JIC_IMAGE_OFFSET + i] = static_cast<uint8_t>(i * 13 % 251);
    return jic;
}

// What the flash must hold from address 0 after the image is programmed.
std::vector<uint8_t> flash_image_of(const std::vector<uint8_t> &jic) {
    std::vector<uint8_t> image(jic.begin() + JIC_IMAGE_OFFSET,
                               jic.begin() + JIC_IMAGE_OFFSET + JIC_IMAGE_SIZE);
    for (auto &b : image) b = reversed(b);
    return image;
}

void put_le32(std::vector<uint8_t> &v, size_t at, uint32_t value) {
    for (int i = 0; i < 4; i++) v[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

class Firmware : public FlashBoardTest {
protected:
    // Runs a command, expecting a refusal with nothing programmed.
    void expect_refused(const std::vector<std::string> &args, int status, const std::string &text) {
        log.writes.clear();
        board->clear_log();
        flash->clear_log();
        int ok = -1;
        EXPECT_EQ(run(args, &ok), status);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), text);
        EXPECT_TRUE(flash->programmed_pages().empty());
    }
};

TEST_F(Firmware, JicDeviceMustMatchTheVersionNibble) {
    struct {
        uint8_t status;  // port 1: version nibble in bits 7-4
        const char *device;
        bool accepted;
    } cases[] = {
        {0x20, "EP2C5", true},  {0x30, "EP2C8", true},  {0x78, "EP2C8", true},
        {0x20, "EP2C8", false}, {0x30, "EP2C5", false}, {0x30, "EP2C", false},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.status) + " " + c.device);
        board->set_status(c.status);
        std::vector<uint8_t> jic = make_jic(c.device, 3);
        std::string file = write_file("f.jic", jic);
        if (!c.accepted) {
            expect_refused({"program_jic", file}, 0, "\rFPGA device is incorrect\n");
            continue;
        }
        log.writes.clear();
        flash->clear_log();
        int ok = -1;
        EXPECT_EQ(run({"program_jic", file}, &ok), 0);
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(log.text(), "");
        EXPECT_EQ(flash->programmed_pages(), pages_from(0, 3));
        EXPECT_EQ(flash->contents(), flash_image_of(jic));
        EXPECT_TRUE(board->control_writes().empty());  // no reset for a bare configuration
    }
}

TEST_F(Firmware, JicSendsOnlyItsNonBlankPages) {
    board->set_status(0x20);
    std::vector<uint8_t> jic = make_jic("EP2C5", 1000);
    int ok = -1;
    EXPECT_EQ(run({"program_jic", write_file("f.jic", jic)}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(flash->programmed_pages(), pages_from(0, 1000));
    EXPECT_EQ(log.ranges.back(), 256000);
    EXPECT_EQ(log.stepped, 256000);
    EXPECT_EQ(flash->contents(), flash_image_of(jic));
}

TEST_F(Firmware, JicRefusals) {
    std::vector<uint8_t> longer = make_jic("EP2C8", 1);
    longer.push_back(0);
    std::string missing = files.path("none.jic");
    expect_refused({"program_jic", write_file("long.jic", longer)}, 0, "jic filesize error\n");
    expect_refused({"program_jic", missing}, 0, "jic filesize error\n");
    EXPECT_TRUE(board->headers().empty());  // refused before the board is asked anything

    emu_faults f;
    f.silent = true;
    board->set_faults(f);
    expect_refused({"program_jic", write_file("f.jic", make_jic("EP2C8", 1))}, 0,
                   "timeout$\nerror reading version register\n");
}

TEST_F(Firmware, PackageProgramsDataBlockThenConfigurationAndKeepsTheConsoleInReset) {
    std::vector<uint8_t> data = pattern(0x300, 5);
    std::vector<uint8_t> jic = make_jic("EP2C8", 4);
    std::string pac = write_file("u.pac", package_pack(package_assemble(0x40000, data, jic)));
    int ok = -1;
    EXPECT_EQ(run({"program_pac", pac}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(log.text(),
              "Do not turn off the power until programming is completed.\n"
              "Success. Turn on the power again.\n");
    std::vector<uint32_t> pages = pages_from(0x40000, 3);
    std::vector<uint32_t> config = pages_from(0, 4);
    pages.insert(pages.end(), config.begin(), config.end());
    EXPECT_EQ(flash->programmed_pages(), pages);
    EXPECT_EQ(flash_bytes(0x40000, data.size()), data);
    std::vector<uint8_t> image = flash_image_of(jic);
    EXPECT_EQ(flash_bytes(0, 4 * 256),
              std::vector<uint8_t>(image.begin(), image.begin() + 4 * 256));
    EXPECT_EQ(board->control_writes(), std::vector<uint8_t>{0x00});
}

TEST_F(Firmware, BrokenPackagesAreRefusedBeforeAnythingIsProgrammed) {
    std::vector<uint8_t> jic = make_jic("EP2C8", 2);
    std::vector<uint8_t> good = package_assemble(0x40000, pattern(0x100), jic);

    std::vector<uint8_t> data_past_end = good;
    put_le32(data_past_end, 20, static_cast<uint32_t>(good.size()));  // data size
    std::vector<uint8_t> huge_data_size = good;
    put_le32(huge_data_size, 12, 0xFFFFFF00);  // data offset + size wraps in 32 bits
    put_le32(huge_data_size, 20, 0x200);
    std::vector<uint8_t> short_config = good;
    short_config.resize(24 + 0x100 + 0x800AA - 1);  // the image's last byte missing
    std::vector<uint8_t> config_offset_too_far = good;
    put_le32(config_offset_too_far, 0, 0x40100);
    std::vector<uint8_t> header_only = std::vector<uint8_t>(good.begin(), good.begin() + 20);

    struct {
        const char *what;
        std::vector<uint8_t> unpacked;
    } cases[] = {
        {"data block past the end", data_past_end},
        {"data range wrapping", huge_data_size},
        {"configuration image cut short", short_config},
        {"configuration offset leaving too little", config_offset_too_far},
        {"header cut short", header_only},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::string pac = write_file("bad.pac", package_pack(c.unpacked));
        expect_refused({"program_pac", pac}, 1, pac + " package header error\n");
        EXPECT_TRUE(board->control_writes().empty());  // not even held in reset
    }
}

TEST_F(Firmware, PackageFileErrors) {
    std::string missing = files.path("none.pac");
    std::string empty = write_file("empty.pac", {});
    std::string odd = write_file("odd.pac", std::vector<uint8_t>(1000, 0));
    expect_refused({"program_pac", missing}, 1, missing + " filesize error\n");
    expect_refused({"program_pac", empty}, 1, empty + " filesize error\n");
    expect_refused({"program_pac", odd}, 1, odd + " alignment error\n");
    EXPECT_TRUE(board->headers().empty());
}

TEST_F(Firmware, PackagesThatDoNotInflateReportOnStandardOutput) {
    std::vector<uint8_t> good =
        package_pack(package_assemble(0, pattern(0x100), make_jic("EP2C8", 1)));
    std::vector<uint8_t> truncated(good.begin(), good.begin() + 512);
    std::vector<uint8_t> too_big = package_pack(std::vector<uint8_t>(PACKAGE_UNPACKED_MAX + 1, 0));
    // Right stream, wrong scrambling: unscrambles into noise.
    std::vector<uint8_t> unscrambled = good;
    package_unscramble(unscrambled.data(), unscrambled.size());

    struct {
        const char *what;
        std::vector<uint8_t> pac;
        const char *out_prefix;
    } cases[] = {
        {"zeros", std::vector<uint8_t>(512, 0), "inflate error\nin:0x"},
        {"truncated stream", truncated, "inflate error\nin:0x0, out:0x"},
        {"inflates past 0xA0000", too_big, "inflate error\nin:0x"},
        {"scrambled twice", unscrambled, "inflate error\nin:0x"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::string pac = write_file("bad.pac", c.pac);
        testing::internal::CaptureStdout();
        expect_refused({"program_pac", pac}, 1, "");
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.rfind(c.out_prefix, 0), 0u) << out;
        EXPECT_TRUE(board->headers().empty());
    }
    testing::internal::CaptureStdout();
    run({"program_pac", write_file("big.pac", too_big)});
    EXPECT_NE(testing::internal::GetCapturedStdout().find("out:0xa0000\n"), std::string::npos);
}

TEST_F(Firmware, PackageFailuresAfterTheReset) {
    std::vector<uint8_t> jic = make_jic("EP2C8", 2);
    std::vector<uint8_t> config_address_1 = package_assemble(0x40000, pattern(0x100), jic);
    put_le32(config_address_1, 4, 1);
    std::vector<uint8_t> wrong_device =
        package_assemble(0x40000, pattern(0x100), make_jic("EP2C5", 2));
    std::vector<uint8_t> data_out_of_flash = package_assemble(0x7FF00, pattern(0x200), jic);

    struct {
        const char *what;
        std::vector<uint8_t> unpacked;
        std::vector<uint32_t> pages;
        const char *last;
    } cases[] = {
        {"configuration address 1", config_address_1, {0x40000}, "jic parameter error\n"},
        {"wrong device", wrong_device, {0x40000}, "\rFPGA device is incorrect\n"},
        {"data block beyond the flash", data_out_of_flash, {}, "program memory out of range\n"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        log.writes.clear();
        board->clear_log();
        flash->clear_log();
        int ok = -1;
        EXPECT_EQ(run({"program_pac", write_file("p.pac", package_pack(c.unpacked))}, &ok), 1);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(
            log.text(),
            std::string("Do not turn off the power until programming is completed.\n") + c.last);
        EXPECT_EQ(flash->programmed_pages(), c.pages);
        EXPECT_EQ(board->control_writes(), std::vector<uint8_t>{0x00});
    }
}

TEST_F(Firmware, PackageOnASilentBoardStopsAtTheReset) {
    emu_faults f;
    f.silent = true;
    board->set_faults(f);
    std::string pac = write_file(
        "p.pac", package_pack(package_assemble(0x40000, pattern(0x100), make_jic("EP2C8", 1))));
    expect_refused({"program_pac", pac}, 1, "timeout$\nreset error\n");
}

TEST(PackageScrambling, UnscrambleUndoesScramble) {
    std::vector<uint8_t> bytes(1024);
    for (size_t i = 0; i < bytes.size(); i++) bytes[i] = static_cast<uint8_t>(i * 31 + 7);
    std::vector<uint8_t> copy = bytes;
    package_scramble(copy.data(), copy.size());
    EXPECT_NE(copy, bytes);
    package_unscramble(copy.data(), copy.size());
    EXPECT_EQ(copy, bytes);
    // T[i] = reversed(i) ^ mask; the unscramble reads B[j] = T[C[T[j]]].
    uint8_t t[256];
    package_scramble_table(t);
    EXPECT_EQ(t[0x01], 0x80 ^ PACKAGE_SCRAMBLE_MASK);
    std::vector<uint8_t> block(256);
    for (int i = 0; i < 256; i++) block[i] = static_cast<uint8_t>(i);
    package_unscramble(block.data(), 256);
    for (int j = 0; j < 256; j++) ASSERT_EQ(block[j], t[t[j]]) << j;
}
