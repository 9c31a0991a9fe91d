// Dumps with --verify against a card whose reads are flaky in chosen banks,
// and the DAT check, naming and report of a dump.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

#include "tests/device/console_bus_fixture.h"

namespace {

constexpr size_t BANK = 0x2000;

std::string crc_text(const bytes &data) {
    char crc[16];
    snprintf(crc, sizeof crc, "%08lX", crc32(0L, data.data(), static_cast<uInt>(data.size())));
    return crc;
}

std::string text_file(const std::string &path) {
    bytes b = read_file(path);
    return std::string(b.begin(), b.end());
}

class DumpChecks : public ConsoleBusTest {};

}  // namespace

TEST_F(DumpChecks, VerifyRecoversBanksWhoseFirstReadIsGarbage) {
    bytes rom = make_rom(0x40000, 3);
    bus.insert_card(rom);
    bus.set_flaky_banks({2, 17}, false);
    std::string out = path("game.pce");
    int ok = -1;
    EXPECT_EQ(run({"dump", "rom", out, "--verify"}, &ok), 0);
    EXPECT_EQ(ok, 1) << log.text();
    EXPECT_EQ(read_file(out), rom);
    // The two flaky banks were read a third time, alone.
    int single_reads = 0;
    for (auto &r : board->bus_requests())
        if (r.first == 2 || r.first == 17) single_reads++;
    EXPECT_EQ(single_reads, 2);
    EXPECT_NE(log.text().find("verify: the reads agree after re-reading banks 0x02 0x11\n"), std::string::npos)
        << log.text();
}

TEST_F(DumpChecks, WithoutVerifyAFlakyReadIsSavedAsItCame) {
    bytes rom = make_rom(0x20000, 4);
    bus.insert_card(rom);
    bus.set_flaky_banks({5}, false);
    std::string out = path("game.pce");
    int ok = -1;
    EXPECT_EQ(run({"dump", "rom", out}, &ok), 0);
    bytes got = read_file(out);
    ASSERT_EQ(got.size(), rom.size());
    EXPECT_NE(got, rom);  // what verifying is for
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 5 * BANK, rom.begin()));
}

TEST_F(DumpChecks, VerifyFailsWithoutReplacingTheTargetWhenBanksNeverAgree) {
    bytes rom = make_rom(0x20000, 5);
    bus.insert_card(rom);
    bus.set_flaky_banks({3, 9}, true);
    std::string out = path("game.pce");
    write_file(out, {1, 2, 3});
    int ok = -1;
    EXPECT_EQ(run({"dump", "rom", out, "--verify"}, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(read_file(out), (bytes{1, 2, 3}));
    EXPECT_NE(log.text().find("banks that never read the same twice: 0x03 0x09\n"),
              std::string::npos)
        << log.text();
    // Two passes and three more reads of each bad bank, then the console released.
    int reads_of_bank_3 = 0;
    for (auto &r : board->bus_requests())
        if (r.first == 3) reads_of_bank_3++;
    EXPECT_EQ(reads_of_bank_3, 3);
    EXPECT_EQ(board->control_writes().back(), 0x01);
}

TEST_F(DumpChecks, DatMatchNamesTheFileAndTheReportTellsTheDump) {
    bytes rom = make_rom(0x40000, 6);
    bus.insert_card(rom);
    std::string dat = path("pce.dat");
    write_file(dat, [&] {
        std::string x = "<?xml version=\"1.0\"?>\n<datafile><game name=\"Ys: Book I &amp; II\">"
                        "<rom name=\"ys.pce\" size=\"262144\" crc=\"" +
                        crc_text(rom) + "\"/></game></datafile>\n";
        return bytes(x.begin(), x.end());
    }());
    std::string report = path("report.txt");
    int ok = -1;
    EXPECT_EQ(run({"dump", "--dat", dat, "rom", path("x.pce"), "--name-by-dat", "--report=" + report,
                   "--verify"},
                  &ok),
              0);
    EXPECT_EQ(ok, 1) << log.text();
    EXPECT_NE(log.text().find("verified: Ys: Book I & II\n"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("verify: both reads agree in every bank\n"), std::string::npos) << log.text();
    EXPECT_FALSE(file_exists(path("x.pce")));
    EXPECT_EQ(read_file(path("Ys_ Book I & II.pce")), rom);
    std::string r = text_file(report);
    for (const std::string &line : std::vector<std::string>{
             "size: 262144 bytes (0x40000)\n", "CRC-32: " + crc_text(rom) + "\n",
          std::string("bank map: bus 0x00-0x1f arg 0\n"), std::string("reads: 2 (read twice"),
          std::string("DAT: verified: Ys: Book I & II\n"), std::string("program: vmk "),
          std::string("SHA-1: ")})
        EXPECT_NE(r.find(line), std::string::npos) << line << "\n" << r;

    // A file already under the title is not the user's chosen target: it is
    // kept, and the dump goes to the chosen name.
    write_file(path("Ys_ Book I & II.pce"), {7, 7});
    log.writes.clear();
    EXPECT_EQ(run({"dump", "rom", path("x.pce"), "--dat", dat, "--name-by-dat"}, &ok), 0);
    EXPECT_EQ(ok, 1) << log.text();
    EXPECT_EQ(read_file(path("Ys_ Book I & II.pce")), (bytes{7, 7}));
    EXPECT_EQ(read_file(path("x.pce")), rom);
    EXPECT_NE(log.text().find("exists already and is kept"), std::string::npos) << log.text();
}

TEST_F(DumpChecks, AnUnusableDatIsReportedAndTheDumpStillSaves) {
    bytes rom = make_rom(0x20000, 7);
    bus.insert_card(rom);
    std::string dat = path("bad.dat");
    write_file(dat, bytes{'<', 'd', 'a', 't', 'a'});
    std::string out = path("game.pce");
    int ok = -1;
    EXPECT_EQ(run({"dump", "rom", out, "--dat", dat}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(read_file(out), rom);
    EXPECT_NE(log.text().find("not a well-formed XML file"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("the dump is saved unchecked"), std::string::npos);
}
