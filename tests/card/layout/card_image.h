// A card held in a sparse image file and registered as a drive letter, so the
// card commands run on it exactly as on a card in a reader; plus helpers that
// lay out blocks by hand the way the adding command does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

struct disc_spec {
    uint32_t length;  // sectors
    uint8_t flags = 0;
    std::string name;
    uint8_t romconfig0 = 0, romconfig1 = 0;
    uint32_t config = 0x11;
};

class card_image {
public:
    explicit card_image(uint64_t sectors);
    ~card_image();
    card_image(const card_image &) = delete;
    card_image &operator=(const card_image &) = delete;

    const std::string &drive() const { return drive_; }
    const std::string &path() const { return path_; }
    // mtools' name for partition #0 of the image.
    std::string fat_image() const { return path_ + "@@512"; }

    // card_dispatch with "", command, this drive, arguments.
    int run(recording_log &log, const std::string &command,
            const std::vector<std::string> &args = {});
    int format();  // quietly

    std::vector<uint8_t> read(uint64_t sector, uint32_t count) const;
    void write(uint64_t sector, const std::vector<uint8_t> &bytes);
    void fill_random(uint64_t sector, uint32_t count, unsigned seed);

    // Writes a block header at s with records laid out from offset 2 and their
    // name and ROM sectors; returns the sector after the last area. next 0 ends
    // the chain; next 1 links to that returned sector.
    uint32_t write_block(uint32_t s, const std::vector<disc_spec> &discs, uint32_t next,
                         uint8_t version = 3, uint32_t max = 12);
    // Commits block b through order_write (settings sector, list, cdlist.txt).
    bool commit(uint32_t b, recording_log &log);

private:
    temp_dir dir_;
    std::string path_;
    std::string drive_;
};

// The index disc must hold the 256 stored sectors that the list rewrites.
constexpr uint32_t INDEX_DISC_SECTORS = 1300;
