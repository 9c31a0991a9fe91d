// Every device command that writes a file, failing part way: the file the
// user had under that name keeps its bytes and nothing else is left behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/device/console_bus_fixture.h"

using FailedTransfer = ConsoleBusTest;

TEST_F(FailedTransfer, KeepsTheFileItWouldHaveReplaced) {
    struct {
        std::vector<std::string> command;  // the target file is appended
        long stop_after;                   // data bytes the board sends before it stops
    } cases[] = {
        {{"save_dn", "1"}, 1000},
        {{"gpram_dn", "0", "4000"}, 6000},
        {{"dump", "rom"}, 1 + 256 + 20000},
        {{"memorybase", "down"}, 256 + 10000},
    };
    bus.insert_card(make_rom(0x40000));
    bus.attach_memorybase(make_rom(0x20000));
    const bytes previous = make_rom(3000, 5);
    for (auto &c : cases) {
        SCOPED_TRACE(c.command[0]);
        std::string file = path("kept.bin");
        write_file(file, previous);
        emu_faults f;
        f.stop_after_bytes = c.stop_after;
        board->set_faults(f);
        std::vector<std::string> command = c.command;
        command.push_back(file);
        int ok = -1;
        run(command, &ok);
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(read_file(file), previous);
        std::vector<std::string> names;
        for (auto &e : std::filesystem::directory_iterator(files.dir))
            names.push_back(e.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{"kept.bin"});
    }
}
