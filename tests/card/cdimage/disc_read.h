// Everything an image source yields in one read from its first sector to
// its last: main sectors, subchannel blocks and the TOC, for comparing
// sources with each other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "card/cdimage/cd_description.h"
#include "card/cdimage/image_input.h"

struct disc_read {
    std::vector<uint8_t> main, sub;
    std::vector<toc_entry> toc;
};

// The opened input's sectors and TOC (a test failure when the read fails).
disc_read read_whole_disc(const image_input &in);
// name opened as an add would open it, then read whole; empty when it does
// not open (with a test failure).
disc_read read_whole_disc(const std::string &name);

// Sectors, subchannel and TOC equal, as test failures naming what differs.
void expect_same_disc(const disc_read &a, const disc_read &b);
