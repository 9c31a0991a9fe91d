// Which track of a CD image becomes its preview on the index disc.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "card/write/index_disc.h"
#include "tests/support/recording_log.h"

namespace {

struct track {
    uint8_t point;
    bool data;
    uint32_t plba;
};

struct preview_case {
    const char *context;
    std::vector<track> toc;
    bool ok;
    int64_t source;
    const char *message;  // expected in the log, or nullptr for a quiet choice
};

const track A0{0xA0, true, 0}, A1{0xA1, true, 0}, A2{0xA2, true, 0};

TEST(preview_source, follows_the_track_rules) {
    const preview_case cases[] = {
        {"first audio track after a data track",
         {A0, A1, A2, {1, false, 0}, {2, true, 100}, {3, false, 300}, {4, false, 500}},
         true,
         300,
         nullptr},
        {"data then audio", {A0, A1, A2, {1, true, 0}, {2, false, 90}}, true, 90, nullptr},
        {"audio only: track 2", {A0, A1, A2, {1, false, 0}, {2, false, 70}}, true, 70, nullptr},
        {"audio then data, one each: silence",
         {A0, A1, A2, {1, false, 0}, {2, true, 70}},
         true,
         -1,
         nullptr},
        {"audio then two data tracks: track 2 is data",
         {A0, A1, A2, {1, false, 0}, {2, true, 70}, {3, true, 90}},
         false,
         -1,
         "TRACK02 not audio track"},
        {"a single data track: silence", {A0, A1, A2, {1, true, 0}}, true, -1, nullptr},
        {"taken before the lead-out entry",
         {A0, A1, {1, true, 0}, {2, false, 40}, A2},
         true,
         40,
         "warning: toc 0xAx are wrong"},
        {"no lead-out entry", {A0, A1, {1, false, 0}}, true, -1, "warning: toc 0xAx are wrong"},
    };
    for (const preview_case &k : cases) {
        SCOPED_TRACE(k.context);
        auto d = std::make_unique<disc_description>();
        d->tocentries = static_cast<uint8_t>(k.toc.size());
        for (size_t i = 0; i < k.toc.size(); i++) {
            d->entries[i].point = k.toc[i].point;
            d->entries[i].control = k.toc[i].data ? 4 : 0;
            d->entries[i].plba = k.toc[i].plba;
        }
        recording_log log;
        int64_t source = 12345;
        EXPECT_EQ(preview_source(log.sink, d.get(), &source), k.ok);
        if (k.ok) {
            EXPECT_EQ(source, k.source);
        }
        if (k.message) {
            EXPECT_NE(log.text().find(k.message), std::string::npos) << log.text();
        } else {
            EXPECT_EQ(log.text(), "");
        }
    }
}

}  // namespace
