// The change request of the configuration commands applied to entries in
// memory: kinds, options, settings kept by 7, and the HuCard size class.
#include "card/commands/config_request.h"

#include <gtest/gtest.h>

#include "tests/support/recording_log.h"

namespace {

struct request_case {
    const char *context;
    const char *args[5];  // disc icon, disc option, rom icon, rom option, common option
    uint8_t flags, romconfig1;
    uint32_t word;
    uint8_t want_flags;
    uint32_t want_word;
};

const request_case cases[] = {
    {"generic disc, unswappable cleared, all settings kept",
     {"0x2", "0x0", "0x0", "0x7f", "0xffffff00"},
     0x01,
     0,
     0x17,
     0x00,
     0x11},
    {"same with Backup RAM area set to common",
     {"0x2", "0x0", "0x0", "0x7f", "0xfffff800"},
     0x01,
     0,
     0xFFFFF717,
     0x00,
     0xFFFFF011},
    {"kind index 0 and option 0x7F keep kind and flags",
     {"0", "0x7f", "0", "0x7f", "0xffffff00"},
     0x01,
     0,
     0x12345617,
     0x01,
     0x12345617},
    {"decimal texts read as the hexadecimal ones",
     {"2", "0", "0", "127", "4294967040"},
     0x01,
     0,
     0x17,
     0x00,
     0x11},
    {"CD kind index outside the table gives 2",
     {"9", "0x7f", "0", "0x7f", "0xffffff00"},
     0x00,
     0,
     0x11,
     0x00,
     0x02},
    {"only the low byte of the icon counts",
     {"0x103", "0x7f", "0", "0x7f", "0xffffff00"},
     0x00,
     0,
     0x11,
     0x00,
     0x12},
    {"every setting set, kind kept",
     {"0", "0x7f", "0", "0x7f", "0x24924900"},
     0x00,
     0,
     0xFFFFFF11,
     0x00,
     0x24924911},
    {"option sets bit 0, leaves bit 7 and the others",
     {"0", "0x81", "0", "0x7f", "0xffffff00"},
     0x02,
     0,
     0x11,
     0x03,
     0x11},
    {"ROM+RAM card of 0x30: s = 0x50, value 2 + 8",
     {"0", "0x7f", "0x1", "0xc0", "0xffffff00"},
     0x81,
     0x30,
     0x01,
     0xC0,
     0x0A},
    {"generic ROM of 0x20: class 0",
     {"0", "0x7f", "0x2", "0x00", "0xffffff00"},
     0x80,
     0x20,
     0x02,
     0x80,
     0x01},
    {"generic ROM of 0x40: class 1",
     {"0", "0x7f", "0x2", "0x7f", "0xffffff00"},
     0x80,
     0x40,
     0x02,
     0x80,
     0x05},
    {"HuCard kind kept: no size class added",
     {"0x3", "0x0", "0", "0x7f", "0x000000ff"},
     0x80,
     0x80,
     0x09,
     0x80,
     0x09},
    {"CD half does not touch a HuCard",
     {"0x2", "0x0", "0", "0x7f", "0xffffff00"},
     0xC0,
     0x10,
     0x06,
     0xC0,
     0x06},
};

}  // namespace

TEST(ConfigRequest, AppliesToCdAndHuCardEntries) {
    for (const request_case &c : cases) {
        recording_log log;
        config_request r;
        ASSERT_TRUE(config_request_parse(log.sink, c.args, &r)) << c.context;
        disc_entry e{};
        e.flags = c.flags;
        e.romconfig[0] = 4;
        e.romconfig[1] = c.romconfig1;
        e.config = c.word;
        config_request_apply(r, &e);
        EXPECT_EQ(e.flags, c.want_flags) << c.context;
        EXPECT_EQ(e.config, c.want_word) << c.context << std::hex << " got 0x" << e.config;
    }
}

TEST(ConfigRequest, RefusesTextsThatAreNotWholeNumbers) {
    for (const char *bad : {"", "0x", "12abc", "-1", " 1", "0x1g", "99999999999999999999999"}) {
        const char *args[5] = {"0", "0", "0", "0", bad};
        recording_log log;
        config_request r;
        EXPECT_FALSE(config_request_parse(log.sink, args, &r)) << "'" << bad << "'";
        EXPECT_NE(log.text().find("not a number"), std::string::npos) << log.text();
    }
}
