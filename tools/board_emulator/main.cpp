// board-emulator: serves the board's side of the protocol on a
// pseudo-terminal and prints the port path to use, e.g.
//   build/board-emulator &   then   build/vmk device reset /dev/pts/N
// Runs until interrupted. Options: --paced (hold to 50,000 bytes per second),
// --status HEX (port 1's byte: version nibble, HuCard bit 0x08),
// --hucard FILE (a ROM image in the card slot), --memorybase FILE (a 128 KiB
// image on the controller port), --frame NAME (answer frame captures with a
// test frame, e.g. rect; see emu_frame.h).
// --flaky-banks LIST (comma-separated ROM bank numbers whose first read
// returns garbage), --flaky-always (those banks return garbage on every read).
// --write-frame NAME FILE writes the frame's byte stream to FILE and exits.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <unistd.h>

#include "tools/board_emulator/board_emulator.h"
#include "tools/board_emulator/emu_console_bus.h"
#include "tools/board_emulator/emu_flash.h"
#include "tools/board_emulator/emu_frame.h"

static volatile sig_atomic_t interrupted = 0;
static void on_signal(int) { interrupted = 1; }

static std::vector<uint8_t> named_frame(const char *name) {
    std::vector<uint8_t> stream = emu_frame_stream(name);
    if (stream.empty()) {
        fprintf(stderr, "board-emulator: unknown frame '%s'; frames:", name);
        for (const char *const *n = emu_frame_names; *n != nullptr; n++) fprintf(stderr, " %s", *n);
        fputc('\n', stderr);
    }
    return stream;
}

static int write_frame(const char *name, const char *file) {
    std::vector<uint8_t> stream = named_frame(name);
    if (stream.empty()) return 2;
    FILE *f = fopen(file, "wb");
    if (f == nullptr || fwrite(stream.data(), 1, stream.size(), f) != stream.size() ||
        fclose(f) != 0) {
        perror(file);
        return 1;
    }
    return 0;
}

int main(int argc, char **argv) {
    emu_options options;
    const char *hucard = nullptr;
    const char *memorybase = nullptr;
    std::vector<uint8_t> frame;
    std::vector<unsigned> flaky_banks;
    bool flaky_always = false;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--paced") == 0) {
            options.paced = true;
        } else if (strcmp(argv[i], "--status") == 0 && i + 1 < argc) {
            options.status = static_cast<uint8_t>(strtoul(argv[++i], nullptr, 16));
        } else if (strcmp(argv[i], "--hucard") == 0 && i + 1 < argc) {
            hucard = argv[++i];
        } else if (strcmp(argv[i], "--memorybase") == 0 && i + 1 < argc) {
            memorybase = argv[++i];
        } else if (strcmp(argv[i], "--frame") == 0 && i + 1 < argc) {
            frame = named_frame(argv[++i]);
            if (frame.empty()) return 2;
        } else if (strcmp(argv[i], "--flaky-banks") == 0 && i + 1 < argc) {
            for (char *p = argv[++i]; *p != '\0';) {
                char *end = nullptr;
                flaky_banks.push_back(static_cast<unsigned>(strtoul(p, &end, 0)));
                if (end == p) return 2;
                p = *end == ',' ? end + 1 : end;
            }
        } else if (strcmp(argv[i], "--flaky-always") == 0) {
            flaky_always = true;
        } else if (strcmp(argv[i], "--write-frame") == 0 && i + 2 < argc) {
            return write_frame(argv[i + 1], argv[i + 2]);
        } else {
            fprintf(stderr,
                    "usage: board-emulator [--paced] [--status HEX] [--hucard FILE] "
                    "[--memorybase FILE] [--frame NAME]\n"
                    "                     [--flaky-banks N,N,... [--flaky-always]]\n"
                    "       board-emulator --write-frame NAME FILE\n");
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
    bus.set_flaky_banks(flaky_banks, flaky_always);
    emu_flash flash(board);
    if (!frame.empty()) emu_frame_serve(board, frame);
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
