// board-emulator: serves the board's side of the protocol on a
// pseudo-terminal and prints the port path to use, e.g.
//   build/board-emulator &   then   build/vmk device reset /dev/pts/N
// Runs until interrupted. Options: --paced (hold to 50,000 bytes per second),
// --status HEX (port 1's byte: version nibble, HuCard bit 0x08),
// --hucard FILE (a ROM image in the card slot), --memorybase FILE (a 128 KiB
// image on the controller port).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "tools/board_emulator/board_emulator.h"
#include "tools/board_emulator/emu_console_bus.h"
#include "tools/board_emulator/emu_flash.h"

static volatile sig_atomic_t interrupted = 0;
static void on_signal(int) { interrupted = 1; }

int main(int argc, char **argv) {
    emu_options options;
    const char *hucard = nullptr;
    const char *memorybase = nullptr;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--paced") == 0) {
            options.paced = true;
        } else if (strcmp(argv[i], "--status") == 0 && i + 1 < argc) {
            options.status = static_cast<uint8_t>(strtoul(argv[++i], nullptr, 16));
        } else if (strcmp(argv[i], "--hucard") == 0 && i + 1 < argc) {
            hucard = argv[++i];
        } else if (strcmp(argv[i], "--memorybase") == 0 && i + 1 < argc) {
            memorybase = argv[++i];
        } else {
            fprintf(stderr,
                    "usage: board-emulator [--paced] [--status HEX] [--hucard FILE] "
                    "[--memorybase FILE]\n");
            return 2;
        }
    }
    emu_console_bus bus;  // outlives the board, whose thread calls it
    board_emulator board(options);
    bus.install(board, options.status);
    if (hucard != nullptr && !bus.insert_card_file(hucard)) {
        fprintf(stderr, "board-emulator: cannot read %s\n", hucard);
        return 1;
    }
    if (memorybase != nullptr && !bus.attach_memorybase_file(memorybase)) {
        fprintf(stderr, "board-emulator: cannot read %s\n", memorybase);
        return 1;
    }
    emu_flash flash(board);
    if (!board.start()) {
        perror("board-emulator: cannot open a pseudo-terminal");
        return 1;
    }
    printf("%s\n", board.port_path().c_str());
    fflush(stdout);
    signal(SIGINT, on_signal);
    signal(SIGTERM, on_signal);
    while (!interrupted) pause();
    board.stop();
    return 0;
}
