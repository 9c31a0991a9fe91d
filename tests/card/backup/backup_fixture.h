// A card of two blocks holding every shape of image the tests know, with
// settings, a changed listing order and backup RAM data, backed up into an
// archive; and the card's listing as the tests compare it.
#pragma once

#include <string>
#include <vector>

#include "tests/card/store/memory_card.h"
#include "tests/support/recording_log.h"
#include "tests/support/temp_dir.h"

struct backed_up_card {
    temp_dir dir;
    memory_card card{3000000};
    std::string archive = dir.path("card.tar.zst");
    bool ready = false;  // false after a test failure building it
    backed_up_card();

  private:
    bool build();
};

// One line per image in listing order (index discs left out): its name,
// flags, configuration word, the SHA-1 of what extract writes for it, and
// the SHA-1 of its backup RAM area when that holds data. work: a folder for
// the extracted files.
std::vector<std::string> card_listing(const std::string &drive, const temp_dir &work);
