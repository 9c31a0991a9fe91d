// The card half of vmk as a user runs it on a card image file.
#include <gtest/gtest.h>

#include <string>

#include "core/file_util.h"
#include "tests/card/layout/shell.h"
#include "tests/support/temp_dir.h"

TEST(VmkCardCli, FormatThenPreviewOfAFreshImage) {
    temp_dir dir;
    std::string image = dir.path("card.img");
    std::string png = dir.path("list.png");
    ASSERT_EQ(run_shell("truncate -s 100M " + image), 0);
    std::string vmk = VMK_BINARY;
    EXPECT_EQ(shell_output(vmk + " card format " + image),
              "partition #0 2MiB\npartition #1 97MiB\ndisc manage max = 12\n"
              "initialization successful.\n");
    EXPECT_EQ(shell_output(vmk + " card preview " + image + " 0 " + png + "; echo $?"),
              "block 0 holds no images yet: showing its empty slots\n0\n");
    unsigned char signature[8] = {};
    ASSERT_EQ(file_read_whole(png.c_str(), signature, sizeof signature), 1);
    EXPECT_EQ(signature[1], 'P');
    EXPECT_EQ(signature[2], 'N');
    EXPECT_EQ(shell_output(vmk + " card preview " + image + " 1 " + png + "; echo $?"),
              "manage area block not found\n1\n");
    EXPECT_EQ(run_shell(vmk + " card preview " + image + " 0 2>/dev/null"), 2);
    std::string help = shell_output(vmk + " --help");
    EXPECT_NE(help.find("  order            [image#]x100\n"), std::string::npos) << help;
    EXPECT_NE(help.find("  preview          <drive> <block#> <file.png>"), std::string::npos);
}

// "--force" reads naturally on either side of the drive; alone it is no drive.
TEST(VmkCardCli, FormatForceBeforeOrAfterTheDrive) {
    temp_dir dir;
    std::string image = dir.path("card.img");
    std::string volume = dir.path("ntfs.bin");
    ASSERT_EQ(run_shell("truncate -s 20M " + image), 0);
    std::string vmk = VMK_BINARY;
    ASSERT_EQ(run_shell(vmk + " card format " + image + " > /dev/null"), 0);
    // An NTFS boot sector over partition #0's.
    ASSERT_EQ(run_shell("printf '\\353R\\220NTFS    ' > " + volume + " && truncate -s 512 " +
                        volume + " && dd if=" + volume + " of=" + image +
                        " bs=512 seek=1 conv=notrunc status=none"),
              0);
    EXPECT_EQ(shell_output(vmk + " card format " + image + "; echo $?"),
              "partition #0 holds a file system this program cannot list: NTFS\n"
              "formatting would erase it; format with --force to erase it anyway\n1\n");
    for (std::string args : {"--force " + image, image + " --force"}) {
        ASSERT_EQ(run_shell("dd if=" + volume + " of=" + image +
                            " bs=512 seek=1 conv=notrunc status=none"),
                  0);
        EXPECT_EQ(run_shell(vmk + " card format " + args + " > /dev/null"), 0) << args;
    }
    EXPECT_EQ(run_shell(vmk + " card format --force 2>/dev/null"), 2);
    EXPECT_NE(shell_output(vmk + " --help").find("  format           (--force)\n"),
              std::string::npos);
}

// A backup is restored with the archive before or after the drive; an archive
// is never taken for the card.
TEST(VmkCardCli, RestoreTakesTheArchiveOnEitherSideOfTheDrive) {
    temp_dir dir;
    std::string vmk = VMK_BINARY;
    std::string source = dir.path("source.img"), archive = dir.path("card.tar.zst");
    ASSERT_EQ(run_shell("truncate -s 20M " + source), 0);
    ASSERT_EQ(run_shell(vmk + " card format " + source + " > /dev/null"), 0);
    ASSERT_EQ(run_shell("head -c 262144 /dev/urandom > " + dir.path("game.pce")), 0);
    ASSERT_EQ(run_shell(vmk + " card add_withname " + source + " " + dir.path("game.pce") +
                        " Game > /dev/null"),
              0);
    ASSERT_EQ(run_shell(vmk + " card backup " + source + " " + archive + " > /dev/null"), 0);
    const std::string listed = shell_output(vmk + " card list " + source);
    for (bool archive_first : {true, false}) {
        std::string target = dir.path(archive_first ? "first.img" : "second.img");
        ASSERT_EQ(run_shell("truncate -s 30M " + target), 0);
        ASSERT_EQ(run_shell(vmk + " card format " + target + " > /dev/null"), 0);
        std::string words = archive_first ? archive + " " + target : target + " " + archive;
        EXPECT_EQ(run_shell(vmk + " card restore " + words + " > /dev/null"), 0) << words;
        std::string restored = shell_output(vmk + " card list " + target);
        EXPECT_NE(restored.find("Game"), std::string::npos) << restored;
    }
    EXPECT_NE(listed.find("Game"), std::string::npos) << listed;
}

// The same image file under two spellings is one card: copying it onto
// itself is refused before anything is read.
TEST(VmkCardCli, CopyOntoTheSameImageFileIsRefused) {
    temp_dir dir;
    std::string vmk = VMK_BINARY;
    std::string image = dir.path("card.img");
    ASSERT_EQ(run_shell("truncate -s 20M " + image), 0);
    ASSERT_EQ(run_shell(vmk + " card format " + image + " > /dev/null"), 0);
    EXPECT_EQ(shell_output("cd " + dir.dir + " && " + vmk + " card copy " + image +
                           " ./card.img; echo $?"),
              "a card cannot be copied onto itself\n1\n");
}
