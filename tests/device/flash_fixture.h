// The emulator with its flash installed, and small file helpers for the
// upload, programming and calibration tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/device/emulator_fixture.h"
#include "tools/board_emulator/emu_flash.h"

class FlashBoardTest : public EmulatorTest {
protected:
    void SetUp() override { start_flash_board({}); }
    // The board answers through the flash's hook: stop it before the flash goes.
    void TearDown() override { board.reset(); }

    void start_flash_board(emu_options options) {
        board.reset();
        board = std::make_unique<board_emulator>(options);
        flash = std::make_unique<emu_flash>(*board);
        ASSERT_TRUE(board->start());
    }

    std::string write_file(const std::string &name, const std::vector<uint8_t> &bytes) {
        std::string path = files.path(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // Bytes that never form a blank (all 0xFF) page.
    static std::vector<uint8_t> pattern(size_t size, uint8_t seed = 1) {
        std::vector<uint8_t> v(size);
        for (size_t i = 0; i < size; i++)
            v[i] = static_cast<uint8_t>((i * 7 + seed + i / 251) % 255);
        return v;
    }

    static std::vector<uint32_t> pages_from(uint32_t address, size_t count) {
        std::vector<uint32_t> v;
        for (size_t i = 0; i < count; i++) v.push_back(address + static_cast<uint32_t>(i) * 256);
        return v;
    }

    std::vector<uint8_t> flash_bytes(uint32_t address, size_t length) {
        std::vector<uint8_t> all = flash->contents();
        return {all.begin() + address, all.begin() + address + length};
    }

    std::unique_ptr<emu_flash> flash;
};
