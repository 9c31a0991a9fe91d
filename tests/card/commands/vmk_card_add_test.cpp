// `vmk card` on a card image file: adding end to end, the listing file and
// preview, the hash listing of a stored disc, and an add killed or stopped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "card/store/drive_table.h"
#include "tests/card/write/adding_fixture.h"
#include "tests/card/layout/shell.h"

extern char **environ;

namespace {

// Runs vmk with the arguments; its standard output.
std::string vmk(const std::string &args, int *status = nullptr) {
    std::string out = shell_output(std::string(VMK_BINARY) + " " + args + " 2>&1; echo \"#$?\"");
    size_t mark = out.rfind('#');
    if (status != nullptr) *status = std::stoi(out.substr(mark + 1));
    return out.substr(0, mark);
}

void make_sparse(const std::string &name, uint64_t bytes) {
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(bytes)), 0);
    close(fd);
}

// The image file's card, opened through the drive table as the commands do.
std::unique_ptr<card_context> open_image(const std::string &path, uint32_t block = 0) {
    char letter = drive_table_register_image(log_null(), path.c_str());
    EXPECT_NE(letter, 0);
    auto c = open_block(std::string(1, letter), block);
    drive_table_forget(letter);
    return c;
}

// A formatted card image file, a ROM and a CD image set beside it.
struct image_and_inputs {
    temp_dir dir;
    std::string card = dir.path("card.img"), disc = dir.path("disc"), rom = dir.path("game.pce");
    int formatted = -1;  // the format's exit status
    image_and_inputs(uint64_t card_bytes, uint32_t rom_bytes, unsigned seed, uint32_t data,
                     uint32_t audio) {
        make_sparse(card, card_bytes);
        write_file(rom, make_rom(rom_bytes, seed));
        make_cd(disc, data, audio);
        vmk("card format " + card, &formatted);
    }
};

TEST(vmk_card, format_add_list_preview_and_hash) {
    image_and_inputs in(256ull << 20, 0x20000, 4, 500, 400);
    ASSERT_EQ(in.formatted, 0);
    const std::string &card = in.card, &disc = in.disc, &rom = in.rom;
    temp_dir &dir = in.dir;
    int status = -1;
    EXPECT_EQ(vmk("card add " + card + " " + rom, &status), "image#0-01\n");
    EXPECT_EQ(status, 0);
    vmk("card add_withname " + card + " " + disc + " 'Disc One'", &status);
    EXPECT_EQ(status, 0);

    std::string listing = shell_output("mtype -i " + card + "@@512 ::/cdlist.txt");
    EXPECT_NE(listing.find("0-01 80-04-10 000001 " + rom), std::string::npos) << listing;
    EXPECT_NE(listing.find("0-02 00"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Disc One"), std::string::npos) << listing;
    // The usage line counts what was just added: the block header (2
    // sectors), the index disc of a 12-disc block ((12 x 918000 + 2466800)
    // bytes: 26334 sectors), the ROM (2) and the CD ((900 x 2448 + 369648)
    // bytes: 5026), 31364 sectors of partition #1's 524288 - 4097.
    EXPECT_NE(listing.find("15/253MiB, uses  6.0%\n"), std::string::npos) << listing;

    std::string png = dir.path("list.png");
    vmk("card preview " + card + " 0 " + png, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(shell_output("head -c 4 " + png + " | od -An -tx1"), " 89 50 4e 47\n");

    // The stored disc's data track hashes as the file's does, in both
    // subchannel layouts.
    std::string from_files = vmk("card mmchash " + card + " " + disc, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(from_files.substr(0, 12), "01 00:02:00 ");
    EXPECT_NE(from_files.find("    500n\n"), std::string::npos) << from_files;
    EXPECT_EQ(vmk("card mmchash " + card + " 2"), from_files);
    vmk("card subswap " + card, &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(vmk("card mmchash " + card + " 2"), from_files);
    EXPECT_EQ(vmk("card mmchash " + card + " 1"), "") << "a HuCard entry has no tracks";
    vmk("card mmchash " + card + " 3", &status);
    EXPECT_EQ(status, 1);

    // A stray file named like the number: the bare number hashes the file,
    // "#2" still the stored disc.
    std::ofstream(dir.path("2")) << "not an image";
    const std::string in_folder = "cd " + dir.dir + " && ";
    EXPECT_EQ(shell_output(in_folder + VMK_BINARY + " card mmchash " + card + " '#2' 2>&1"), from_files);
    EXPECT_NE(shell_output(in_folder + VMK_BINARY + " card mmchash " + card + " 2 2>&1"), from_files);
    EXPECT_NE(vmk("card mmchash " + card + " '#x'").find("#x: not an image number"), std::string::npos);
}

// `vmk card check` on an image file: clean, probed for its capacity without
// a byte changed, then damaged, in text and in JSON that a parser reads.
TEST(vmk_card, check_text_json_and_capacity_on_an_image) {
    image_and_inputs in(64ull << 20, 0x4000, 5, 120, 80);
    ASSERT_EQ(in.formatted, 0);
    const std::string &card = in.card, &disc = in.disc, &rom = in.rom;
    temp_dir &dir = in.dir;
    int status = -1;
    vmk("card add " + card + " " + rom, &status);
    ASSERT_EQ(status, 0);
    vmk("card add_withname " + card + " " + disc + " 'Disc \"One\"'", &status);
    ASSERT_EQ(status, 0);

    std::string sum = "md5sum < " + card;
    std::string before = shell_output(sum);
    std::string said = vmk("card check " + card + " --capacity", &status);
    EXPECT_EQ(status, 0) << said;
    EXPECT_NE(said.find("check done: 0 findings in 1 block, 3 images"), std::string::npos) << said;
    EXPECT_EQ(shell_output(sum), before) << "the probe put back every sector it wrote";

    // Stored sector 170 of the disc (image 2): one bit of its Q frame.
    auto c = open_image(card);
    ASSERT_NE(c, nullptr);
    uint64_t byte = (uint64_t{c->block} + c->entries[2].offset) * 512 + 170ull * 2448 + 12 + 3;
    ASSERT_EQ(run_shell("printf '\\377' | dd of=" + card + " bs=1 seek=" + std::to_string(byte) +
                        " conv=notrunc status=none"),
              0);
    said = vmk("card check " + card, &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(said.find("image#0-02 \"Disc \"One\"\": the Q frame of stored sector 170 fails its "
                        "check word"),
              std::string::npos)
        << said;

    std::string json = dir.path("check.json");
    vmk("card check --json " + card + " >" + json + " 2>/dev/null", &status);
    std::string parsed = shell_output(
        "python3 -c 'import json,sys\n"
        "rows=[json.loads(x) for x in open(sys.argv[1])]\n"
        "f=rows[0]\n"
        "print(len(rows), f[\"block\"], f[\"image\"], f[\"name\"], \"stored sector 170\" in "
        "f[\"problem\"], rows[-1][\"clean\"], rows[-1][\"findings\"], rows[-1][\"images\"])'"
        " " + json);
    EXPECT_EQ(parsed, "2 0 2 Disc \"One\" True False 1 3\n");
}

// A card image holding one ROM and a vmk adding a 470 MB CD set to it,
// caught once 32 MiB of the disc area reached the file: well inside the add.
class large_add : public testing::Test {
protected:
    void SetUp() override {
        const uint64_t sectors = 200000;  // sparse: only what is written costs
        make_sparse(card, 1ull << 30);
        make_sparse(big + ".img", sectors * 2352);
        make_sparse(big + ".sub", sectors * 96);
        make_cd(dir.path("toc"), 1, 0);
        ASSERT_EQ(run_shell("cp " + dir.path("toc.ccd") + " " + big + ".ccd"), 0);
        write_file(rom, make_rom(8192, 9));
        int status = -1;
        vmk("card format " + card, &status);
        ASSERT_EQ(status, 0);
        vmk("card add " + card + " " + rom, &status);
        ASSERT_EQ(status, 0);
    }

    // Starts the add and returns once it is well under way; false when it
    // ended first.
    bool start_add_and_wait() {
        struct stat st;
        if (stat(card.c_str(), &st) != 0) return false;
        const blkcnt_t start_blocks = st.st_blocks;
        const char *argv[] = {VMK_BINARY, "card", "add", card.c_str(), big.c_str(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0644);
        int spawned = posix_spawn(&pid, VMK_BINARY, &actions, nullptr, const_cast<char **>(argv),
                                  environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return false;
        for (;;) {
            if (waitpid(pid, &wait_status, WNOHANG) == pid) return false;
            if (stat(card.c_str(), &st) == 0 && (st.st_blocks - start_blocks) * 512 > (32 << 20))
                return true;
            usleep(1000);
        }
    }

    // The card still holds the ROM only, its listing says so, and it takes
    // images again.
    void expect_previous_contents_and_usable() {
        auto c = open_image(card);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->disc_amount, 2u);
        EXPECT_STREQ(c->entries[1].name, rom.c_str());
        std::string listing = shell_output("mtype -i " + card + "@@512 ::/cdlist.txt");
        EXPECT_EQ(listing.find("0-02"), std::string::npos) << listing;
        make_cd(dir.path("small"), 20, 0);
        int status = -1;
        vmk("card add " + card + " " + dir.path("small"), &status);
        EXPECT_EQ(status, 0);
        c = open_image(card);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->disc_amount, 3u);
    }

    temp_dir dir;
    std::string card = dir.path("card.img"), big = dir.path("big"), rom = dir.path("game.pce");
    std::string out = dir.path("out.txt");
    pid_t pid = 0;
    int wait_status = 0;
};

TEST_F(large_add, killed_the_card_opens_with_its_previous_contents) {
    ASSERT_TRUE(start_add_and_wait()) << "the add ended before it could be interrupted";
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    ASSERT_EQ(waitpid(pid, &wait_status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(wait_status));
    expect_previous_contents_and_usable();
}

TEST_F(large_add, ctrl_c_stops_it_with_status_1_and_the_card_keeps_its_previous_contents) {
    ASSERT_TRUE(start_add_and_wait()) << "the add ended before it could be interrupted";
    ASSERT_EQ(kill(pid, SIGINT), 0);
    ASSERT_EQ(waitpid(pid, &wait_status, 0), pid);
    ASSERT_TRUE(WIFEXITED(wait_status));
    EXPECT_EQ(WEXITSTATUS(wait_status), 1);
    std::string said = shell_output("cat " + out);
    EXPECT_NE(said.find("stopped\n"), std::string::npos) << said;
    expect_previous_contents_and_usable();
}

}  // namespace
