// Damaged and hostile archives are refused with one clear message and
// status 1 before anything is written to the card.
#include <gtest/gtest.h>

#include <string>

#include "tests/card/backup/backup_fixture.h"
#include "tests/card/layout/shell.h"
#include "tests/card/write/adding_fixture.h"

TEST(hostile_archive, each_is_refused_before_anything_is_written) {
#ifdef _WIN32
    GTEST_SKIP() << "the hostile archives are made with python3, on Linux";
#endif
    backed_up_card source;
    ASSERT_TRUE(source.ready);
    memory_card card{TEST_CARD_SECTORS};
    ASSERT_TRUE(format_card(card.drive()));
    const std::vector<uint8_t> before = card.read(0, 40000);
    const struct {
        const char *name;
        const char *message;
    } cases[] = {
        // Damage inside a compressed block may decode to other bytes: the
        // SHA-1 then refuses them.
        {"corrupt_frame", ": refused: "},
        {"truncated", "not a whole backup archive"},
        {"sha1", "does not match its SHA-1"},
        {"version", "of version 2, which this program does not know"},
        {"malformed", "the manifest is not JSON"},
        {"inconsistent", "its size does not fit the image"},
        {"missing", ".sub\" is missing"},
        {"extra", "\"images/extra.bin\" is not in the manifest"},
        {"dotdot", "\"../escape.txt\" leads outside the archive"},
        {"inner_dotdot", "leads outside the archive"},
        {"absolute", "\"/tmp/escape.txt\" leads outside the archive"},
        {"symlink", "\"images/link\" is not a plain file"},
        {"hardlink", "\"images/hard\" is not a plain file"},
        {"device", "\"images/null\" is not a plain file"},
        {"twice", "appears twice"},
        {"no_manifest", "it holds no manifest"},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.name);
        const std::string bad = source.dir.path(std::string(k.name) + ".tar.zst");
        const std::string made = shell_output("python3 '" HOSTILE_ARCHIVE_SCRIPT "' '" +
                                              source.archive + "' " + k.name + " '" + bad + "' 2>&1");
        ASSERT_EQ(made, "") << made;
        recording_log log;
        EXPECT_EQ(run_card(log, card.drive(), "restore", {bad}), 1);
        EXPECT_NE(log.text().find(k.message), std::string::npos) << log.text();
        // One message: the refusal, nothing else.
        EXPECT_EQ(log.writes.size(), 1u) << log.text();
        EXPECT_TRUE(card.read(0, 40000) == before) << "the refused restore wrote to the card";
    }
}
