#include "tests/card/layout/card_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "card/commands/card_dispatch.h"
#include "card/store/drive_table.h"
#include "card/layout/card_layout.h"
#include "core/le_bytes.h"

card_image::card_image(uint64_t sectors) : path_(dir_.path("card.img")) {
    std::ofstream(path_, std::ios::binary | std::ios::trunc).close();
    std::error_code error;
    std::filesystem::resize_file(path_, sectors * 512, error);
    EXPECT_FALSE(error) << error.message();
    recording_log log;
    char letter = drive_table_register_image(log.sink, path_.c_str());
    EXPECT_NE(letter, 0) << log.text();
    drive_ = std::string(1, letter);
}

card_image::~card_image() { drive_table_forget(drive_[0]); }

int card_image::run(recording_log &log, const std::string &command,
                    const std::vector<std::string> &args) {
    std::vector<const char *> v{"", command.c_str(), drive_.c_str()};
    for (const std::string &a : args) v.push_back(a.c_str());
    return card_dispatch(log.sink, static_cast<int>(v.size()), v.data());
}

int card_image::format() {
    recording_log log;
    return run(log, "format");
}

std::vector<uint8_t> card_image::read(uint64_t sector, uint32_t count) const {
    std::vector<uint8_t> bytes(size_t{count} * 512);
    std::ifstream in(path_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(sector * 512));
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(in.gcount(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void card_image::write(uint64_t sector, const std::vector<uint8_t> &bytes) {
    std::fstream out(path_, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(sector * 512));
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    EXPECT_TRUE(out.good());
}

void card_image::fill_random(uint64_t sector, uint32_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size_t{count} * 512);
    for (auto &b : bytes) b = static_cast<uint8_t>(random());
    write(sector, bytes);
}

uint32_t card_image::write_block(uint32_t s, const std::vector<disc_spec> &discs, uint32_t next,
                                 uint8_t version, uint32_t max) {
    std::vector<uint8_t> header(1024, 0);
    memcpy(header.data(), "VMK", 3);
    header[3] = version;
    le32_put(&header[4], static_cast<uint32_t>(discs.size()));
    le32_put(&header[8], max);
    uint32_t offset = 2;
    for (size_t i = 0; i < discs.size(); i++) {
        const disc_spec &d = discs[i];
        le32_put(&header[64 + 8 * i], offset);
        le24_put(&header[68 + 8 * i], d.length);
        header[71 + 8 * i] = d.flags;
        std::vector<uint8_t> name(512, 0);
        memcpy(name.data(), d.name.data(), d.name.size());
        if (d.flags & 0x80) {
            std::vector<uint8_t> rom(512, 0);
            rom[0] = d.romconfig0;
            rom[1] = d.romconfig1;
            write(s + offset, rom);
            write(s + offset + 1, name);
        } else {
            write(s + offset + 3, name);
        }
        offset += d.length;
    }
    uint32_t end = s + offset;
    le32_put(&header[12], next == 1 ? end : next);
    // Config words, as the renderer stores them in the settings sector.
    if (!discs.empty()) {
        std::vector<uint8_t> settings(512, 0);
        for (int p = 0; p < 100; p++) settings[p] = static_cast<uint8_t>(p);
        for (size_t i = 0; i < discs.size(); i++) le32_put(&settings[100 + 4 * i], discs[i].config);
        write(s + 2 + 5, settings);
    }
    write(s, header);
    return end;
}

bool card_image::commit(uint32_t b, recording_log &log) {
    auto c = std::make_unique<card_context>();
    c->disk = nullptr;
    c->log = log.sink;
    c->drive = drive_.c_str();
    if (!card_open(c.get())) return false;
    bool ok = managearea_select(c.get(), b) && order_write(c.get());
    disk_close(c->disk);
    return ok;
}
