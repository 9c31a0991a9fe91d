// `vmk dat check` of ROMs inside archives, and of patched files traced back
// through their patch to the ROM of the DAT they were made from.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/card/layout/shell.h"
#include "tests/card/write/adding_fixture.h"
#include "tests/card/write/patch_writer.h"

namespace {

uint32_t crc_of(const std::vector<uint8_t> &b) {
    return static_cast<uint32_t>(crc32(0, b.data(), static_cast<uInt>(b.size())));
}

std::string dat_xml(const std::string &title, const std::vector<uint8_t> &rom) {
    char crc[16];
    snprintf(crc, sizeof crc, "%08x", crc_of(rom));
    return "<?xml version=\"1.0\"?>\n<datafile><game name=\"" + title +
           "\"><rom name=\"b.pce\" size=\"" + std::to_string(rom.size()) + "\" crc=\"" + crc +
           "\"/></game></datafile>\n";
}

}  // namespace

TEST(DatPatch, PatchedFilesAndArchivesAgainstTheBaseDat) {
    temp_dir dir;
    const std::vector<uint8_t> base = make_rom(16384, 21);
    std::vector<uint8_t> patched = base;
    patched[100] ^= 0x55;
    patched.resize(24576, 0xEE);
    write_file(dir.path("base.pce"), base);
    write_file(dir.path("patched.pce"), patched);
    write_file(dir.path("other.pce"), make_rom(16384, 22));
    write_file(dir.path("fix.bps"), bps_patch(base, patched,
                                              {{BPS_SOURCE_READ, 100},
                                               {BPS_TARGET_READ, 1, 0, {patched[100]}},
                                               {BPS_SOURCE_READ, 16384 - 101},
                                               {BPS_TARGET_READ, 1, 0, {0xEE}},
                                               {BPS_TARGET_COPY, 8191, 16384}}));
    write_file(dir.path("fix.ips"), ips_patch({{100, {patched[100]}}}));
    const std::string xml = dat_xml("Base &amp; Title", base);
    write_file(dir.path("base.dat"), std::vector<uint8_t>(xml.begin(), xml.end()));
    ASSERT_EQ(run_shell("cd '" + dir.dir +
                        "' && zip -q base.zip base.pce && zip -q two.zip base.pce other.pce"),
              0);
    const struct {
        std::string args;
        std::string out;
        int status;
    } cases[] = {
        {"patched.pce --patch fix.bps", "patched from Base & Title", 0},
        {"patched.pce", "not in the DAT", 1},
        {"patched.pce --patch fix.ips", "an IPS patch does not record the ROM it was made for", 1},
        {"other.pce --patch fix.bps", "the patch does not make this file", 1},
        {"base.pce --patch fix.bps", "verified: Base & Title", 0},
        {"base.zip", "verified: Base & Title", 0},
        {"two.zip:base.pce", "verified: Base & Title", 0},
        {"two.zip", "holds several games", 1},
    };
    for (const auto &c : cases) {
        const std::string out = shell_output("cd '" + dir.dir + "' && " VMK_BINARY " dat check " +
                                             c.args + " --dat base.dat; echo \"#$?\"");
        EXPECT_NE(out.find(c.out), std::string::npos) << c.args << "\n" << out;
        EXPECT_NE(out.find("#" + std::to_string(c.status) + "\n"), std::string::npos)
            << c.args << "\n"
            << out;
    }
}
