// The dump command over the emulated console bus: size probing, bank reads,
// the saved file and CRC line, and what a failure leaves behind.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

#include "device/console_memory.h"
#include "tests/device/console_bus_fixture.h"

namespace {

using requests = std::vector<std::pair<uint8_t, uint8_t>>;

// Bank reads as the board must see them: at most 7 banks per request.
void add_bank_requests(requests &r, unsigned first, unsigned count, uint8_t argument = 0) {
    for (unsigned done = 0; done < count; done += 7)
        r.push_back({static_cast<uint8_t>(first + done), argument});
}

std::string saved_line(const std::string &file, const bytes &data) {
    char crc[16];
    snprintf(crc, sizeof crc, "%08lX", crc32(0L, data.data(), static_cast<uInt>(data.size())));
    return file + " has been saved. CRC32:" + crc + "\n";
}

class Dump : public ConsoleBusTest {
protected:
    // The log without the closing speed line, which must be there.
    std::string log_before_speed_line() {
        EXPECT_FALSE(log.writes.empty());
        if (log.writes.empty()) return "";
        EXPECT_TRUE(is_speed_line(log.writes.back())) << log.writes.back();
        std::string all = log.text();
        return all.substr(0, all.size() - log.writes.back().size());
    }
};

}  // namespace

// The probe's worked example and the card sizes: the number of banks is the
// period after which the probe half repeats.
TEST(ProbeBanks, CountsTheBanksBeforeTheHalfRepeats) {
    struct {
        const char *what;
        std::vector<int> pattern;  // first bytes of the banks, repeated over 128
        int banks;
    } cases[] = {
        {"all equal: 8 KiB", {7}, 1},
        {"two banks", {0, 1}, 2},
        {"32 distinct banks: 256 KiB", {}, 32},
        {"64 distinct banks: 512 KiB", {}, 64},
        {"period 16 whose halves share their first 8",
         {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 9},
         16},
    };
    for (auto &c : cases) {
        std::vector<int> p = c.pattern;
        if (p.empty())
            for (int i = 0; i < c.banks; i++) p.push_back(i);
        uint8_t half[128];
        for (int i = 0; i < 128; i++) half[i] = static_cast<uint8_t>(p[i % p.size()]);
        EXPECT_EQ(probe_banks(half), c.banks) << c.what;
    }

    // Bytes 0..63 equal 64..127 and 0..31 equal 32..63, but 0..15 differ
    // from 16..31: 32 banks.
    uint8_t half[128];
    for (int i = 0; i < 128; i++) half[i] = static_cast<uint8_t>(i % 32);
    ASSERT_EQ(memcmp(half, half + 64, 64), 0);
    ASSERT_EQ(memcmp(half, half + 32, 32), 0);
    ASSERT_NE(memcmp(half, half + 16, 16), 0);
    EXPECT_EQ(probe_banks(half), 32);
}

TEST_F(Dump, PlainCardsAreReadWholeWhateverTheirSize) {
    struct {
        size_t size;
        const char *pages;
        unsigned first, second;
    } cases[] = {
        {0x2000, "page size: 0x01+0x00\n", 1, 0},   {0x4000, "page size: 0x02+0x00\n", 2, 0},
        {0x40000, "page size: 0x20+0x00\n", 32, 0}, {0x60000, "page size: 0x20+0x10\n", 32, 16},
        {0x80000, "page size: 0x40+0x00\n", 64, 0}, {0x100000, "page size: 0x40+0x40\n", 64, 64},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.pages);
        bytes rom = make_rom(c.size, static_cast<uint32_t>(c.size));
        bus.insert_card(rom);
        board->clear_log();
        log.writes.clear();
        log.ranges.clear();
        std::string file = path("rom.pce");
        int ok = -1;
        EXPECT_EQ(run({"dump", "rom", file}, &ok), 0);
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(read_file(file), rom);
        EXPECT_EQ(log_before_speed_line(), c.pages + saved_line(file, rom));
        char size_text[32];
        snprintf(size_text, sizeof size_text, " sec, 0x%zx byte, ", c.size);
        EXPECT_NE(log.writes.back().find(size_text), std::string::npos);

        requests expected{{0x80, 0}};
        add_bank_requests(expected, 0, c.first);
        add_bank_requests(expected, 0x40, c.second);
        EXPECT_EQ(board->bus_requests(), expected);
        EXPECT_EQ(board->control_writes(), bytes{0x01});  // console released
        EXPECT_EQ(log.ranges, (std::vector<int64_t>{256, static_cast<int64_t>(c.size)}));
        EXPECT_EQ(log.stepped, static_cast<int64_t>(c.size));  // the probe moves no gauge
    }
}

TEST_F(Dump, RomramReadsOnlyTheFirstHalf) {
    bytes rom = make_rom(0x60000);
    bus.insert_card(rom);
    std::string file = path("romram.pce");
    int ok = -1;
    EXPECT_EQ(run({"dump", "romram", file}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(read_file(file), bytes(rom.begin(), rom.begin() + 0x40000));
    EXPECT_EQ(log_before_speed_line(),
              "page size: 0x20+0x00\n" + saved_line(file, read_file(file)));
    requests expected{{0x80, 0}};
    add_bank_requests(expected, 0, 32);
    EXPECT_EQ(board->bus_requests(), expected);
}

TEST_F(Dump, Sf2ReadsTheFixedHalfAndFourMapperPagesWithoutLookingAtTheSlot) {
    bytes rom = make_rom(0x280000);
    bus.insert_card(rom);
    board->set_status(0x30);  // the slot reads empty: sf2 does not ask
    std::string file = path("sf2.pce");
    int ok = -1;
    EXPECT_EQ(run({"dump", "sf2", file}, &ok), 0);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(read_file(file), rom);
    EXPECT_EQ(log_before_speed_line(), "page size: 0x40+0x100\n" + saved_line(file, rom));
    requests expected;
    add_bank_requests(expected, 0, 64);
    for (uint8_t page = 0; page < 4; page++) add_bank_requests(expected, 0x40, 64, page);
    EXPECT_EQ(board->bus_requests(), expected);
    EXPECT_EQ(board->control_writes(), bytes{0x01});
    for (auto &h : board->headers()) EXPECT_NE(h[1] >> 5, 1) << "status port read";
}

TEST_F(Dump, MemoryBaseDownIsTheDumpWithTheMemoryBaseMap) {
    std::vector<std::vector<std::string>> commands = {
        {"memorybase", "down"}, {"dump", "memorybase"}, {"dump", "memorybaXX"}};
    bytes contents = make_rom(0x20000, 99);
    bus.attach_memorybase(contents);
    for (auto &c : commands) {
        SCOPED_TRACE(c[0] + " " + c[1]);
        board->clear_log();
        log.writes.clear();
        std::string file = path("mb.bin");
        std::remove(file.c_str());
        int ok = -1;
        EXPECT_EQ(run({c[0], c[1], file}, &ok), 0);
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(read_file(file), contents);
        EXPECT_EQ(log_before_speed_line(), saved_line(file, contents));
        EXPECT_EQ(board->bus_requests(), (requests{{0x81, 0}, {0xC0, 0}, {0xC7, 0}, {0xCE, 0}}));
        EXPECT_EQ(board->control_writes(), bytes{0x11});  // map 0
    }
}

TEST_F(Dump, MemoryBaseIsFoundByAnySignatureButErR) {
    struct {
        bytes signature;
        bool found;
    } cases[] = {
        {{'e', 'r', 'R', 0xFF, 0x12}, false},
        {{'e', 'r', 'r'}, true},
        {{0, 'e', 'r', 'R'}, true},
        {{0xFF, 0xFF, 0xFF}, true},
    };
    bus.attach_memorybase(make_rom(0x20000));
    int row = 0;
    for (auto &c : cases) {
        SCOPED_TRACE(row++);
        bus.set_signature(c.signature);
        log.writes.clear();
        std::string file = path("mb.bin");
        std::remove(file.c_str());
        int ok = -1;
        run({"memorybase", "down", file}, &ok);
        EXPECT_EQ(ok, c.found ? 1 : 0);
        EXPECT_EQ(file_exists(file), c.found);
    }
}

TEST_F(Dump, RefusalsLeaveNoFile) {
    struct {
        const char *map;
        bool card;
        const char *text;
        requests bus;
        bytes control;
    } cases[] = {
        {"rom", false, "HuCard slot is empty\n", {}, {}},
        {"romram", false, "HuCard slot is empty\n", {}, {}},
        {"memorybase",
         true,
         "Memory base is not found. Please connect following chain [PCE = MB (= MULTITAP) = PAD].\n"
         "メモリーベースが見つかりません. PCE = MB (= MULTITAP) = PAD の順番に接続してください.\n",
         {{0x81, 0}},
         {0x11}},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.map);
        if (c.card)
            bus.insert_card(make_rom(0x40000));
        else
            bus.remove_card();
        board->clear_log();
        log.writes.clear();
        std::string file = path("x.bin");
        int ok = -1;
        EXPECT_EQ(run({"dump", c.map, file}, &ok), 0);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), c.text);
        EXPECT_FALSE(file_exists(file));
        EXPECT_EQ(board->bus_requests(), c.bus);
        EXPECT_EQ(board->control_writes(), c.control);
    }
}

// The board goes quiet part way: the read fails after the idle limit, the
// console is still put back, and nothing is written.
TEST_F(Dump, BoardStoppingMidTransferLeavesNoFile) {
    struct {
        const char *map;
        long stop_after;  // data bytes the board sends before it stops
        const char *text;
        bytes control;
    } cases[] = {
        {"rom", 1, "6280 bus read error\nserial port communication error\n", {0x01}},
        {"rom",
         1 + 256 + 20000,
         "page size: 0x20+0x00\n6280 bus read error\nserial port communication error\n",
         {0x01}},
        {"memorybase",
         256 + 10000,
         "6280 bus read error\nserial port communication error\n",
         {0x11}},
    };
    bus.insert_card(make_rom(0x40000));
    bus.attach_memorybase(make_rom(0x20000));
    for (auto &c : cases) {
        SCOPED_TRACE(c.stop_after);
        emu_faults f;
        f.stop_after_bytes = c.stop_after;
        board->set_faults(f);
        board->clear_log();
        log.writes.clear();
        std::string file = path("x.pce");
        int ok = -1;
        EXPECT_EQ(run({"dump", c.map, file}, &ok), 0);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(log.text(), c.text);
        EXPECT_FALSE(file_exists(file));
        EXPECT_EQ(board->control_writes(), c.control);
    }
}

TEST_F(Dump, SilentBoardFailsAtTheSlotCheck) {
    bus.insert_card(make_rom(0x2000));
    emu_faults f;
    f.silent = true;
    board->set_faults(f);
    std::string file = path("x.pce");
    int ok = -1;
    EXPECT_EQ(run({"dump", "rom", file}, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log.text(), "timeout$\nserial port communication error\n");
    EXPECT_FALSE(file_exists(file));
}

TEST_F(Dump, FileThatCannotBeWrittenIsAFailure) {
    bus.insert_card(make_rom(0x2000));
    std::string file = path("no-such-folder/x.pce");
    int ok = -1;
    EXPECT_EQ(run({"dump", "rom", file}, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(log_before_speed_line(), "page size: 0x01+0x00\n" + file + " - save error\n");
    EXPECT_EQ(board->control_writes(), bytes{0x01});
}
