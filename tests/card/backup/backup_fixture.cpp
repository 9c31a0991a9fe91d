#include "tests/card/backup/backup_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "card/layout/bkram_area.h"
#include "card/layout/card_layout.h"
#include "core/sha1.h"
#include "tests/card/backup/backup_discs.h"
#include "tests/card/write/adding_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string file_bytes(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string sha1_of(const std::string &bytes) {
    return sha1_hex(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
}

// A backup RAM area holding data: the header and a free pointer past empty.
std::vector<uint8_t> save_area(uint8_t seed) {
    std::vector<uint8_t> area(BKRAM_AREA_BYTES, seed);
    const uint8_t header[] = {'H', 'U', 'B', 'M', 0x00, 0x88, 0x40, 0x80};
    std::copy(std::begin(header), std::end(header), area.begin());
    return area;
}

}  // namespace

backed_up_card::backed_up_card() { ready = build(); }

bool backed_up_card::build() {
    if (!format_card(card.drive())) {
        ADD_FAILURE() << "format";
        return false;
    }
    recording_log log;
    std::vector<test_image> images = write_test_images(dir.path(""));
    for (int extra = 0; extra < 5; extra++) {
        std::string rom = dir.path("extra" + std::to_string(extra) + ".pce");
        write_file(rom, make_rom(8192 * (extra + 1), 40 + extra));
        images.push_back({"extra ROM", rom, "Extra " + std::to_string(extra)});
    }
    for (const test_image &g : images)
        if (run_card(log, card.drive(), "add_withname", {g.input, g.name}) != 0)
            { ADD_FAILURE() << log.text(); return false; }
    // Settings, backup RAM in both blocks, and an order of block 0 that is
    // not the records' own.
    write_file(dir.path("a.sav"), save_area(1));
    write_file(dir.path("b.sav"), save_area(2));
    std::vector<std::string> order;
    for (int p = 99; p >= 0; p--) order.push_back(std::to_string(p));
    if (run_card(log, card.drive(), "config_single", {"1", "0x3", "1", "0x5", "0x2", "2", "Four tracks"}) != 0 ||
        run_card(log, card.drive(), "bkram_write", {"3", dir.path("a.sav")}) != 0 ||
        run_card(log, card.drive(), "bkram_write", {"102", dir.path("b.sav")}) != 0 ||
        run_card(log, card.drive(), "order", order) != 0)
        { ADD_FAILURE() << log.text(); return false; }
    auto c = open_block(card.drive());
    if (c == nullptr || c->managearea_num < 2) { ADD_FAILURE() << "expected two blocks"; return false; }
    if (run_card(log, card.drive(), "backup", {archive}) != 0) { ADD_FAILURE() << log.text(); return false; }
    return true;
}

std::vector<std::string> card_listing(const std::string &drive, const temp_dir &work) {
    struct row {
        uint32_t number;
        uint8_t flags;
        uint32_t config;
        std::string name;
    };
    std::vector<row> rows;
    recording_log log;
    EXPECT_TRUE(card_enumerate(
        log.sink, drive.c_str(), [](void *, uint32_t, uint32_t) {}, nullptr,
        [](void *user, uint32_t n, uint32_t, uint32_t, uint8_t flags, uint32_t config,
           const char *name) {
            static_cast<std::vector<row> *>(user)->push_back({n, flags, config, name});
        },
        &rows))
        << log.text();
    std::vector<std::string> lines;
    for (const row &r : rows) {
        if (r.number % CARD_DISC_SLOTS == 0) continue;
        const std::string out = work.path("listing");
        fs::remove_all(out);
        fs::create_directories(out);
        EXPECT_EQ(run_card(log, drive, "extract", {std::to_string(r.number), "--to", out}), 0)
            << log.text();
        std::map<std::string, std::string> files;
        for (const auto &f : fs::directory_iterator(out))
            files[f.path().filename().string()] = sha1_of(file_bytes(f.path().string()));
        std::string sums;
        for (const auto &[name, sum] : files) sums += name + "=" + sum + " ";
        const std::string sav = work.path("listing.sav");
        EXPECT_EQ(run_card(log, drive, "bkram_read", {std::to_string(r.number), sav}), 0)
            << log.text();
        std::string area = file_bytes(sav);
        bool held = area.size() == BKRAM_AREA_BYTES &&
                    bkram_area_holds_data(reinterpret_cast<const uint8_t *>(area.data()));
        lines.push_back(r.name + " | flags " + std::to_string(r.flags) + " | config " +
                        std::to_string(r.config) + " | " + sums + "| save " +
                        (held ? sha1_of(area) : "-"));
    }
    return lines;
}
