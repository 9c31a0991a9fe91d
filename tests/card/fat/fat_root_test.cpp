// The FAT module against volumes made and checked by dosfstools and mtools.
#include "card/fat/fat_root.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/card/layout/shell.h"
#include "tests/support/temp_dir.h"

namespace {

struct file_volume {
    FILE *f;
    fat_sector_io io;
};

bool file_read(void *user, uint32_t sector, void *buffer, uint32_t count) {
    FILE *f = static_cast<FILE *>(user);
    return fseeko(f, off_t{sector} * 512, SEEK_SET) == 0 && fread(buffer, 512, count, f) == count;
}
bool file_write(void *user, uint32_t sector, const void *buffer, uint32_t count) {
    FILE *f = static_cast<FILE *>(user);
    return fseeko(f, off_t{sector} * 512, SEEK_SET) == 0 &&
           fwrite(buffer, 512, count, f) == count && fflush(f) == 0;
}

struct volume_file {
    explicit volume_file(const std::string &path) : f(fopen(path.c_str(), "r+b")) {
        fseeko(f, 0, SEEK_END);
        io = {f, file_read, file_write, static_cast<uint32_t>(ftello(f) / 512)};
    }
    ~volume_file() { fclose(f); }
    FILE *f;
    fat_sector_io io;
};

std::vector<std::string> root_names(const fat_sector_io *io, int *status) {
    std::vector<std::string> names;
    *status = fat_list_root(
        io,
        [](void *user, const char *name) {
            static_cast<std::vector<std::string> *>(user)->push_back(name);
            return true;
        },
        &names);
    return names;
}

std::string make_volume(const temp_dir &dir, const char *mkfs_args, int kib) {
    std::string image = dir.path("vol.img");
    EXPECT_EQ(run_shell("mkfs.fat -C -i 12345678 " + std::string(mkfs_args) + " " + image + " " +
                        std::to_string(kib) + " > /dev/null"),
              0);
    return image;
}

}  // namespace

TEST(FatRoot, ListsLongAndShortNamesOnEveryFatKind) {
    struct {
        const char *mkfs;
        int kib;
    } kinds[] = {{"-F 12", 2048}, {"-F 16", 20480}, {"-F 32 -s 1", 40960}};
    for (auto &k : kinds) {
        temp_dir dir;
        std::string image = make_volume(dir, k.mkfs, k.kib);
        std::string copy = "mcopy -i " + image + " " + dir.path("a");
        ASSERT_EQ(
            run_shell("echo x > " + dir.path("a") + " && " + copy + " ::/README.TXT && " + copy +
                      " '::/System Volume Information' && mmd -i " + image + " ::/Folder"),
            0);
        // Enough entries that the FAT32 root spills into a second cluster.
        for (int i = 0; i < 20; i++)
            ASSERT_EQ(run_shell("mcopy -i " + image + " " + dir.path("a") + " ::/f" +
                                std::to_string(i) + ".bin"),
                      0);
        volume_file vol(image);
        int status;
        std::vector<std::string> names = root_names(&vol.io, &status);
        EXPECT_EQ(status, FAT_OK) << k.mkfs;
        ASSERT_GE(names.size(), 23u) << k.mkfs;
        EXPECT_EQ(names[0], "README.TXT") << k.mkfs;
        EXPECT_EQ(names[1], "System Volume Information") << k.mkfs;
        EXPECT_EQ(names[2], "Folder") << k.mkfs;
        EXPECT_EQ(names[22], "f19.bin") << k.mkfs;
    }
}

TEST(FatRoot, BlankOrForeignPartitionIsNoFat) {
    temp_dir dir;
    std::string image = dir.path("blank.img");
    ASSERT_EQ(run_shell("truncate -s 2M " + image), 0);
    volume_file vol(image);
    int status;
    EXPECT_TRUE(root_names(&vol.io, &status).empty());
    EXPECT_EQ(status, FAT_NOT_FAT);
    EXPECT_EQ(fat12_write_root_file(&vol.io, "cdlist.txt", "x", 1), FAT_NOT_FAT);
}

TEST(FatRoot, BootSectorClaimingMoreThanTheVolumeIsNoFat) {
    temp_dir dir;
    std::string image = make_volume(dir, "-F 12", 2048);
    volume_file vol(image);
    vol.io.sector_count = 1000;  // the partition is smaller than the FAT says
    int status;
    root_names(&vol.io, &status);
    EXPECT_EQ(status, FAT_NOT_FAT);
}

TEST(FatRoot, WritesAndReplacesAFileThatFsckAndMtoolsAccept) {
    temp_dir dir;
    std::string image = make_volume(dir, "-F 12", 2048);
    ASSERT_EQ(run_shell("echo keep > " + dir.path("k") + " && mcopy -i " + image + " " +
                        dir.path("k") + " ::/KEEP.TXT"),
              0);
    std::string big(5000, 'a');  // ten clusters
    std::string small = "format version 3\n";
    {
        volume_file vol(image);
        ASSERT_EQ(fat12_write_root_file(&vol.io, "cdlist.txt", big.data(), 5000), FAT_OK);
        ASSERT_EQ(fat12_write_root_file(&vol.io, "cdlist.txt", small.data(),
                                        static_cast<uint32_t>(small.size())),
                  FAT_OK);
    }
    EXPECT_EQ(run_shell("fsck.fat -n " + image + " > /dev/null"), 0);
    EXPECT_EQ(shell_output("mtype -i " + image + " ::/cdlist.txt"), small);
    EXPECT_EQ(shell_output("mtype -i " + image + " ::/KEEP.TXT"), "keep\n");
    volume_file vol(image);
    int status;
    std::vector<std::string> names = root_names(&vol.io, &status);
    EXPECT_EQ(names, (std::vector<std::string>{"KEEP.TXT", "cdlist.txt"}));
}

TEST(FatRoot, RefusesWhatItCannotWrite) {
    temp_dir dir;
    std::string image = make_volume(dir, "-F 16", 20480);
    volume_file vol(image);
    EXPECT_EQ(fat12_write_root_file(&vol.io, "cdlist.txt", "x", 1), FAT_UNSUPPORTED);
    temp_dir dir12;
    std::string image12 = make_volume(dir12, "-F 12", 2048);
    volume_file vol12(image12);
    EXPECT_EQ(fat12_write_root_file(&vol12.io, "CdList.txt", "x", 1), FAT_UNSUPPORTED);
    EXPECT_EQ(fat12_write_root_file(&vol12.io, "toolongname.txt", "x", 1), FAT_UNSUPPORTED);
    std::string huge(3 * 1024 * 1024, 'x');
    EXPECT_EQ(fat12_write_root_file(&vol12.io, "big.bin", huge.data(),
                                    static_cast<uint32_t>(huge.size())),
              FAT_NO_SPACE);
    EXPECT_EQ(run_shell("fsck.fat -n " + image12 + " > /dev/null"), 0);
}
