// Logiqx DAT parsing and matching, the SHA-1 of reports and the option
// splitting of command rows.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/command_options.h"
#include "core/sha1.h"
#include "dat/dat_file.h"

namespace {

using bytes = std::vector<uint8_t>;

uint32_t crc_of(const bytes &b) {
    return static_cast<uint32_t>(crc32(0L, b.data(), static_cast<uInt>(b.size())));
}

std::string hex(uint32_t v) {
    char t[16];
    snprintf(t, sizeof t, "%08x", v);
    return t;
}

bytes random_bytes(size_t n, unsigned seed) {
    std::mt19937 g(seed);
    bytes b(n);
    for (auto &x : b) x = static_cast<uint8_t>(g());
    return b;
}

uint8_t reversed(uint8_t b) {
    uint8_t r = 0;
    for (int i = 0; i < 8; i++)
        if (b & (1 << i)) r = static_cast<uint8_t>(r | (0x80 >> i));
    return r;
}

std::vector<dat_rom> parse(const std::string &xml, std::string *why = nullptr) {
    std::vector<dat_rom> roms;
    std::string ignored;
    dat_parse(xml.data(), xml.size(), &roms, why ? why : &ignored);
    return roms;
}

}  // namespace

TEST(Dat, MatchesEveryFormByCrcAndSize) {
    bytes rom = random_bytes(0x20000, 1);
    bytes bad = random_bytes(0x20000, 2);
    bytes other = random_bytes(0x40000, 3);
    // Two entries share a CRC but not a size: only the size that fits matches.
    std::string xml =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management Datafile//EN\" "
        "\"http://www.logiqx.com/Dats/datafile.dtd\">\n"
        "<datafile><header><name>test</name></header>\n"
        "<game name=\"Wrong Size\"><rom name=\"a.pce\" size=\"131073\" crc=\"" + hex(crc_of(rom)) + "\"/></game>\n"
        "<game name=\"Tom &amp; Jerry\"><description>x</description>"
        "<rom name=\"t.pce\" size=\"131072\" crc=\"" + hex(crc_of(rom)) + "\" sha1=\"00\"/></game>\n"
        "<game name=\"Broken\"><rom name=\"b.pce\" size=\"131072\" crc=\"" + hex(crc_of(bad)) +
        "\" status=\"baddump\"/></game>\n"
        "<machine name=\"Other\"><rom name=\"o.pce\" size=\"262144\" crc=\"" + hex(crc_of(other)) + "\"/></machine>\n"
        "</datafile>\n";
    std::string why;
    std::vector<dat_rom> roms = parse(xml, &why);
    ASSERT_EQ(roms.size(), 4u) << why;

    bytes header(512, 0xAA);
    bytes flipped(rom.size());
    for (size_t i = 0; i < rom.size(); i++) flipped[i] = reversed(rom[i]);
    auto with_header = [&](const bytes &b) {
        bytes h = header;
        h.insert(h.end(), b.begin(), b.end());
        return h;
    };
    struct {
        const char *what;
        bytes data;
        std::string line;
    } cases[] = {
        {"plain", rom, "verified: Tom & Jerry"},
        {"header", with_header(rom), "verified: Tom & Jerry (matched with its 512-byte header stripped)"},
        {"bit-reversed", flipped, "verified: Tom & Jerry (matched with its bit order reversed)"},
        {"both", with_header(flipped),
         "verified: Tom & Jerry (matched with its 512-byte header stripped and with its bit order "
         "reversed)"},
        {"bad dump", bad, "a known bad dump in the DAT: Broken"},
        {"machine element", other, "verified: Other"},
        {"cut by a byte", bytes(rom.begin(), rom.end() - 1), ""},
    };
    for (auto &c : cases) {
        dat_match m = dat_find(roms, c.data.data(), c.data.size());
        std::string text = dat_match_text(m);
        if (c.line.empty()) {
            EXPECT_EQ(m.rom, nullptr) << c.what;
            EXPECT_EQ(text, "not in the DAT (CRC32:" + [&] {
                          char t[16];
                          snprintf(t, sizeof t, "%08X", crc_of(c.data));
                          return std::string(t);
                      }() + ", 131071 bytes)")
                << c.what;
        } else {
            EXPECT_EQ(text, c.line) << c.what;
        }
    }
    // Random images in every size never match.
    for (unsigned seed = 10; seed < 40; seed++) {
        bytes r = random_bytes(seed % 2 ? 0x20000 : 0x20200, seed);
        EXPECT_EQ(dat_find(roms, r.data(), r.size()).rom, nullptr) << seed;
    }
}

TEST(Dat, BadDatsAreRefusedWithAReason) {
    std::string bomb =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile [\n"
        "<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">\n"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">\n"
        "]>\n<datafile><game name=\"&c;\"><rom name=\"x\" size=\"1\" crc=\"0\"/></game></datafile>\n";
    struct {
        const char *what;
        std::string xml;
        std::string why;
    } cases[] = {
        {"not XML", "CRC 1234 size 5", "not a well-formed XML file (line 1: syntax error)"},
        {"truncated", "<datafile><game name=\"x\"><rom name=\"y\" size=\"1\" crc=\"1\"/>",
         "not a well-formed XML file (line 1: no element found)"},
        {"entity bomb", bomb, "the DAT declares XML entities, which are refused"},
        {"no entries", "<datafile></datafile>", "no ROM entries with size and CRC found"},
        {"nonsense numbers",
         "<datafile><game name=\"x\"><rom size=\"12k\" crc=\"zz\"/></game></datafile>",
         "no ROM entries with size and CRC found"},
    };
    for (auto &c : cases) {
        std::string why;
        EXPECT_TRUE(parse(c.xml, &why).empty()) << c.what;
        EXPECT_EQ(why, c.why) << c.what;
    }
    std::string huge(DAT_MAX_BYTES + 1, ' ');
    std::string why;
    EXPECT_TRUE(parse(huge, &why).empty());
    EXPECT_EQ(why, "the DAT is larger than 64 MiB");
}

TEST(Dat, TitlesBecomeFileNames) {
    EXPECT_EQ(title_file_name("Ys: Book I & II"), "Ys_ Book I & II");
    EXPECT_EQ(title_file_name("A/B\\C<D>E|F?G*H\"I"), "A_B_C_D_E_F_G_H_I");
    EXPECT_EQ(title_file_name("Name. "), "Name");
    EXPECT_EQ(title_file_name(".."), "");
    EXPECT_EQ(title_file_name("tab\there"), "tab_here");
    EXPECT_EQ(title_file_name("con"), "con_");
    EXPECT_EQ(title_file_name("Aux. Data"), "Aux. Data_");
    EXPECT_EQ(title_file_name("COM7"), "COM7_");
    EXPECT_EQ(title_file_name("Console"), "Console");
    EXPECT_EQ(title_file_name("COM0"), "COM0");
    // A long title is cut whole characters at a time, within a file name's room.
    std::string long_title = "a";
    for (int i = 0; i < 100; i++) long_title += "\xe3\x81\x82";  // three bytes each
    std::string cut = title_file_name(long_title);
    EXPECT_EQ(cut.size(), 1 + (TITLE_NAME_MAX - 1) / 3 * 3);
    EXPECT_EQ(cut, long_title.substr(0, cut.size()));
}

TEST(CommandOptions, SplitsOptionsWhereverTheyStand) {
    const char *declared = "--verify --dat FILE --report FILE";
    struct {
        std::vector<const char *> args;
        bool strict;
        bool ok;
        std::vector<std::string> positional;
        std::string joined_options;
        std::string refusal;
    } cases[] = {
        {{"rom", "x.pce", "--verify", "port"}, true, true, {"rom", "x.pce", "port"}, "--verify", ""},
        {{"--dat", "d.dat", "rom", "x", "--report=r.txt"}, true, true, {"rom", "x"},
         "--dat=d.dat --report=r.txt", ""},
        {{"rom", "--", "--verify"}, true, true, {"rom", "--verify"}, "", ""},
        {{"rom", "--bogus"}, true, false, {}, "", "unknown option --bogus"},
        {{"rom", "--bogus"}, false, true, {"rom", "--bogus"}, "", ""},
        {{"rom", "--dat"}, true, false, {}, "", "--dat needs a FILE"},
        {{"--verify=yes"}, true, false, {}, "", "--verify takes no value"},
        {{"--dat="}, true, true, {}, "--dat=", ""},
    };
    for (auto &c : cases) {
        command_arguments a;
        EXPECT_EQ(command_arguments_split(declared, static_cast<int>(c.args.size()), c.args.data(),
                                          c.strict, &a),
                  c.ok);
        EXPECT_EQ(a.refusal, c.refusal);
        if (!c.ok) continue;
        std::vector<std::string> got(a.positional.begin(), a.positional.end());
        EXPECT_EQ(got, c.positional);
        std::string joined;
        std::vector<std::string> words = command_arguments_join(a);
        for (const auto &w : words) joined += (joined.empty() ? "" : " ") + w;
        std::string expected = c.joined_options + (c.joined_options.empty() ? "--" : " --");
        for (const auto &p : c.positional) expected += " " + p;
        EXPECT_EQ(joined, expected);
        // The joined words split again into the same arguments.
        std::vector<const char *> again;
        for (const auto &w : words) again.push_back(w.c_str());
        command_arguments b;
        ASSERT_TRUE(command_arguments_split(declared, static_cast<int>(again.size()), again.data(),
                                            false, &b));
        EXPECT_EQ(std::vector<std::string>(b.positional.begin(), b.positional.end()), got);
        EXPECT_EQ(command_arguments_join(b), words);
    }
    EXPECT_EQ(command_options_usage(declared), "[--verify] [--dat FILE] [--report FILE]");
    EXPECT_EQ(command_options_usage(nullptr), "");
}
