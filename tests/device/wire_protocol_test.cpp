#include "device/wire_protocol.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/device/emulator_fixture.h"

namespace {

class Protocol : public EmulatorTest {
protected:
    void SetUp() override {
        EmulatorTest::SetUp();
        open_port();
    }
    void TearDown() override { serial_close(port); }
    void open_port() {
        port = serial_open(log.sink, board->port_path().c_str(), 500000, 0, 8);
        ASSERT_NE(port, nullptr);
        serial_set_idle_limit(port, 200);  // keep failing cases short
    }
    serial_port *port = nullptr;
};

}  // namespace

TEST(ProtocolHeader, Bytes) {
    struct {
        int port;
        unsigned address, length;
        uint8_t command;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {1, 0, 1, 'R', {0x52, 0x20, 0x00, 0x01, 0x00}},
        {2, 0x1800, 0x800, 'W', {0x57, 0x40, 0xC0, 0x00, 0x08}},
        {7, 0x1FFF, 0x2000, 'R', {0x52, 0xFF, 0xFF, 0x00, 0x20}},
    };
    for (auto &c : cases) {
        uint8_t h[5];
        vmk_header_bytes(h, c.port, c.address, c.length, c.command);
        EXPECT_EQ(std::vector<uint8_t>(h, h + 5), c.bytes) << "port " << c.port;
    }
}

TEST_F(Protocol, WriteGoesOutInAcknowledgedChunksWithProgressOnDataPorts) {
    std::vector<uint8_t> data(600);
    for (size_t i = 0; i < data.size(); i++) data[i] = static_cast<uint8_t>(i * 7);
    serial_progress_on(port);
    ASSERT_EQ(vmk_bkram_write(port, log.sink, 1, 0x10, data.data(), data.size()), 1);
    auto bkram = board->bkram();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), bkram.begin() + 0x810));
    EXPECT_EQ(board->chunk_violations(), 0);
    EXPECT_EQ(log.stepped, 600);
    EXPECT_EQ(log.steps, 3);  // 256, 256, 88

    // Control-register writes do not count as progress.
    ASSERT_EQ(vmk_set_map(port, log.sink, 6), 1);
    ASSERT_EQ(vmk_set_map(port, log.sink, 0), 1);
    EXPECT_EQ(board->control_writes(), (std::vector<uint8_t>{0x1D, 0x11}));
    EXPECT_EQ(log.stepped, 600);
    EXPECT_TRUE(log.text().empty());
}

TEST_F(Protocol, BadHeaderRepliesInBothForms) {
    struct {
        int reply;
        const char *text;
    } cases[] = {{0x07, "bad reply$ = 0x07\n"}, {'X', "bad reply$ = 'X'\n"}};
    for (auto &c : cases) {
        log.writes.clear();
        emu_faults f;
        f.bad_header_reply = c.reply;
        board->set_faults(f);
        uint8_t b;
        EXPECT_EQ(vmk_read_quiet(port, log.sink, 1, 0, &b, 1), 0);
        EXPECT_EQ(log.text(), c.text);
    }
}

// Requests the header cannot carry are internal errors in every build: they
// fail before anything reaches the board and say nothing in the user's log.
TEST_F(Protocol, RequestsOutsideTheHeaderFailBeforeTheBoardSeesThem) {
    uint8_t buffer[0x2001] = {};
    EXPECT_EQ(vmk_read(port, log.sink, VMK_PORT_GPRAM, 0x2000, buffer, 1), 0);
    EXPECT_EQ(vmk_read(port, log.sink, VMK_PORT_GPRAM, 0, buffer, 0x2001), 0);
    EXPECT_EQ(vmk_set_map(port, log.sink, 7), 0);
    EXPECT_EQ(vmk_set_map(port, log.sink, -1), 0);
    EXPECT_TRUE(board->headers().empty());
    EXPECT_EQ(board->control_writes(), std::vector<uint8_t>{});
    EXPECT_EQ(log.text(), "");
}

TEST_F(Protocol, SilentBoardTimesOutAtTheHeader) {
    emu_faults f;
    f.silent = true;
    board->set_faults(f);
    uint8_t b = 1;
    EXPECT_EQ(vmk_write(port, log.sink, 0, 0, &b, 1), 0);
    EXPECT_EQ(log.text(), "timeout$\n");
}

TEST_F(Protocol, ShortOrStoppedDataFailsTheRead) {
    emu_faults f;
    f.short_read_by = 1;
    board->set_faults(f);
    std::vector<uint8_t> buffer(2048);
    EXPECT_EQ(vmk_bkram_read(port, log.sink, 0, buffer.data(), buffer.size()), 0);

    serial_close(port);  // a fresh port drops the stale state of the failed read
    f = {};
    f.stop_after_bytes = 1000;
    board->set_faults(f);
    open_port();
    EXPECT_EQ(vmk_bkram_read(port, log.sink, 0, buffer.data(), buffer.size()), 0);
}

TEST_F(Protocol, GpramMovesBankByBank) {
    std::vector<uint8_t> data(0x4000);
    for (size_t i = 0; i < data.size(); i++) data[i] = static_cast<uint8_t>(i ^ (i >> 8));
    ASSERT_EQ(vmk_gpram_write(port, log.sink, 0x78000, data.data(), data.size()), 1);
    auto gpram = board->gpram();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), gpram.begin() + 0x78000));
    std::vector<uint8_t> back(0x4000);
    ASSERT_EQ(vmk_gpram_read(port, log.sink, 0x78000, back.data(), back.size()), 1);
    EXPECT_EQ(back, data);
}

TEST_F(Protocol, BusBanksSplitIntoRequestsOfSevenBanks) {
    std::vector<size_t> offsets;
    board->hooks.bus_data = [&](size_t offset, uint8_t *out, size_t len) {
        offsets.push_back(offset);
        for (size_t i = 0; i < len; i++) out[i] = static_cast<uint8_t>((offset + i) >> 13);
    };
    std::vector<uint8_t> buffer(16 * 0x2000);
    serial_progress_on(port);
    ASSERT_EQ(vmk_bus_banks(port, log.sink, 0x10, 0x55, buffer.data(), 16), 1);
    auto requests = board->bus_requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0], std::make_pair(uint8_t{0x10}, uint8_t{0x55}));
    EXPECT_EQ(requests[1].first, 0x17);
    EXPECT_EQ(requests[2].first, 0x1E);
    EXPECT_EQ(buffer[7 * 0x2000], 0);  // pieces restart at offset 0 per request
    EXPECT_EQ(buffer[8 * 0x2000], 1);
    EXPECT_EQ(log.stepped, 16 * 0x2000);
}

TEST_F(Protocol, BusReadFailures) {
    emu_faults f;
    f.bus_response_missing = 1;
    board->set_faults(f);
    uint8_t buffer[256];
    EXPECT_EQ(vmk_bus_read(port, log.sink, 0x81, 0, buffer, 256), 0);
    EXPECT_EQ(log.text(), "6280 response timeout\n");

    log.writes.clear();
    f = {};
    f.short_read_by = 10;
    board->set_faults(f);
    EXPECT_EQ(vmk_bus_read(port, log.sink, 0x81, 0, buffer, 256), 0);
    EXPECT_EQ(log.text(), "6280 bus read error\n");
    EXPECT_EQ(port->idle_limit, SERIAL_IDLE_LIMIT);  // restored after the slow path too
}

TEST_F(Protocol, PageProgramReplies) {
    uint32_t seen = 0;
    uint8_t reply = 0x40;
    board->hooks.page_program = [&](uint32_t address, const uint8_t *) {
        seen = address;
        return reply;
    };
    uint8_t page[256] = {};
    EXPECT_EQ(vmk_page_program(port, log.sink, 0x07FF00, page), 1);
    EXPECT_EQ(seen, 0x07FF00u);
    reply = 0x41;
    EXPECT_EQ(vmk_page_program(port, log.sink, 0x000100, page), 0);
    EXPECT_EQ(log.text(), "programming bad reply\n");
}

TEST_F(Protocol, SlowRepliesWithinTheIdleLimitStillGoThrough) {
    emu_faults f;
    f.reply_delay_ms = 60;  // the test port's idle limit is 200 ms
    board->set_faults(f);
    uint8_t page[2048];
    EXPECT_EQ(vmk_bkram_read(port, log.sink, 3, page, sizeof page), 1);
    f.reply_delay_ms = 400;
    board->set_faults(f);
    EXPECT_EQ(vmk_bkram_read(port, log.sink, 3, page, sizeof page), 0);
    EXPECT_EQ(log.text(), "timeout$\n");
}
