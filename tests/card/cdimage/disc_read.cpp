#include "tests/card/cdimage/disc_read.h"

#include <gtest/gtest.h>

#include <cstring>

#include "card/cdimage/subchannel_q.h"
#include "tests/support/recording_log.h"

disc_read read_whole_disc(const image_input &in) {
    disc_read d;
    d.main.resize(size_t{in.sector_count} * CD_SECTOR_SIZE);
    d.sub.resize(size_t{in.sector_count} * SUBCHANNEL_BLOCK_SIZE);
    recording_log log;
    EXPECT_TRUE(in.source->read(log.sink, 0, in.sector_count,
                                cd_sector_target{d.main.data(), CD_SECTOR_SIZE, d.sub.data(),
                                                 SUBCHANNEL_BLOCK_SIZE}))
        << log.text();
    d.toc.assign(in.description->entries, in.description->entries + in.description->tocentries);
    return d;
}

disc_read read_whole_disc(const std::string &name) {
    recording_log log;
    image_input in{};
    EXPECT_EQ(image_input_read(log.sink, name.c_str(), &in), 1) << log.text();
    if (in.source == nullptr) return {};
    disc_read d = read_whole_disc(in);
    image_input_free(&in);
    return d;
}

void expect_same_disc(const disc_read &a, const disc_read &b) {
    EXPECT_EQ(a.main.size(), b.main.size());
    EXPECT_TRUE(a.main == b.main) << "sectors differ";
    EXPECT_TRUE(a.sub == b.sub) << "subchannel differs";
    ASSERT_EQ(a.toc.size(), b.toc.size());
    for (size_t i = 0; i < a.toc.size(); i++)
        EXPECT_EQ(memcmp(&a.toc[i], &b.toc[i], sizeof(toc_entry)), 0) << "TOC entry " << i;
}
