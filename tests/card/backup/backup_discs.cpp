#include "tests/card/backup/backup_discs.h"

#include <filesystem>

#include "tests/card/cdimage/cue_discs.h"
#include "tests/card/cdimage/image_set.h"
#include "tests/card/write/adding_fixture.h"

void make_four_track_cd(const std::string &prefix, uint32_t length) {
    std::vector<sector_spec> sectors;
    std::vector<entry_spec> toc = {{0xA0, 0, 1, 0, 0}, {0xA1, 4, 4, 0, 0}, {0xA2, 4, 0, 0, 0}};
    uint32_t at = 150;
    for (int track = 1; track <= 4; track++) {
        uint8_t control = track % 2 == 0 ? 0x40 : 0x00;
        add_track(&sectors, control, track, at, length, static_cast<uint8_t>(track * 40));
        const long p = at;
        toc.push_back({track, control >> 4, p / 4500, p / 75 % 60, p % 75});
        at += length;
    }
    toc[2].pmin = at / 4500, toc[2].psec = at / 75 % 60, toc[2].pframe = at % 75;
    write_image(prefix, sectors);
    write_text(prefix + ".ccd", description_text("[CloneCD]\nVersion=3\n", toc));
}

std::vector<test_image> write_test_images(const std::string &folder) {
    std::vector<test_image> images;
    auto path = [&](const std::string &name) { return folder + "/" + name; };
    make_cd(path("plain"), 200, 150, 7);
    images.push_back({"data and audio", path("plain"), "Data & Audio: part 1"});
    make_four_track_cd(path("four"), 90);
    images.push_back({"audio, data, audio, data", path("four"), "Four tracks"});
    for (const cue_disc_case &c : cue_disc_cases()) {
        const std::string sub = path("cue" + std::to_string(images.size()));
        std::filesystem::create_directories(sub);
        images.push_back({c.context, write_cue_disc(sub, c), "sheet " + std::to_string(images.size())});
    }
    write_file(path("small.pce"), make_rom(8192, 11));
    images.push_back({"ROM of 8 KiB", path("small.pce"), "Small ROM"});
    write_file(path("large.pce"), make_rom(0x60000, 12));
    images.push_back({"ROM of 384 KiB", path("large.pce"), "Large/ROM?"});
    return images;
}
