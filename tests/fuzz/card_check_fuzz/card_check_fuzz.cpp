// Fuzz target for the card check over damaged cards. A card holding a ROM
// and a disc is built once in memory; each input is a list of patches laid
// over it, the check runs, and the patches are taken off again. Properties:
// no crash (and nothing the sanitizers see), status 0 or 1, the last line
// sums up, and the check writes nothing.
//
// Input: one byte of options (bit 0: --json), then patches of
//   place (1 byte: 0 the card, 1 the block header, 2 the index disc's area,
//          3 the ROM's area, 4 the disc's area; others wrap),
//   sector (4 bytes, little-endian, from that place),
//   offset in the sector (2 bytes, little-endian, modulo 512),
//   length (1 byte), the bytes (cut at the sector's end).
// Built for libFuzzer with -DVMK_FUZZ=ON under clang; the ordinary build
// replays the saved corpus.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_image_set.h"
#include "card/commands/card_dispatch.h"
#include "card/layout/card_layout.h"
#include "card/store/drive_table.h"
#include "card/store/sector_store.h"
#include "card/store/sector_store_fault.h"
#include "core/log.h"

namespace {

constexpr uint64_t CARD_SECTORS = 400000;  // sparse: costs what is written
constexpr uint32_t DISC_SECTORS = 300;
constexpr int PLACES = 5;

void check(bool condition, const char *what) {
    if (condition) return;
    fprintf(stderr, "property violated: %s\n", what);
    abort();
}

void keep_text(void *user, const char *text) { static_cast<std::string *>(user)->append(text); }

struct test_card {
    sector_store *medium = nullptr;
    sector_store *counted = nullptr;  // counts the check's writes
    std::string drive;
    uint64_t place[PLACES] = {0, CARD_PARTITION1_START};
};

int run(const test_card &card, std::vector<const char *> v, std::string *text) {
    log_sink *log = log_create(text, keep_text);
    gauge_record *gauge = gauge_create(
        nullptr, [](void *, int64_t) {}, [](void *, int64_t) {});
    log_attach_gauge(log, gauge);
    v.insert(v.begin(), "");
    v.insert(v.begin() + 2, card.drive.c_str());
    int status = card_dispatch(log, static_cast<int>(v.size()), v.data());
    log_destroy(log);
    gauge_destroy(gauge);
    return status;
}

void note_area(void *user, uint32_t image, uint32_t offset, uint32_t, uint8_t, uint32_t,
               const char *) {
    if (image <= 2) static_cast<test_card *>(user)->place[2 + image] = CARD_PARTITION1_START + offset;
}

// Format, a ROM, a disc; the input files are gone once the card holds them.
test_card build_card() {
    test_card card;
    card.medium = memory_store_create(CARD_SECTORS);
    card.counted = fault_store_wrap(card.medium, fault_plan{});
    char letter = drive_table_register_store(card.counted);
    check(letter != 0, "a free drive letter");
    card.drive = std::string(1, letter);
    char dir[] = "/tmp/vmk_check_fuzz_XXXXXX";
    check(mkdtemp(dir) != nullptr, "a temporary folder");
    const std::string rom = std::string(dir) + "/game.pce", disc = std::string(dir) + "/disc";
    FILE *f = fopen(rom.c_str(), "wb");
    check(f != nullptr, "the ROM file");
    for (int i = 0; i < 8192; i++) fputc(i * 7 & 0xFF, f);
    fclose(f);
    check(write_image_set(disc, DISC_SECTORS), "the disc's files");
    std::string text;
    check(run(card, {"format"}, &text) == 0 && run(card, {"add", rom.c_str()}, &text) == 0 &&
              run(card, {"add", disc.c_str()}, &text) == 0,
          "the card is built");
    for (const char *suffix : {"/game.pce", "/disc.img", "/disc.sub", "/disc.ccd", "/disc.cue"})
        unlink((std::string(dir) + suffix).c_str());
    rmdir(dir);
    card_enumerate(log_null(), card.drive.c_str(), [](void *, uint32_t, uint32_t) {}, nullptr,
                   note_area, &card);
    text.clear();
    check(run(card, {"check"}, &text) == 0, "the undamaged card is clean");
    return card;
}

uint32_t le(const uint8_t *p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; i--) v = v << 8 | p[i];
    return v;
}

struct saved_sector {
    uint64_t sector;
    std::vector<uint8_t> bytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static test_card card = build_card();
    if (size < 1) return 0;
    const bool json = data[0] & 1;
    std::vector<saved_sector> saved;  // in patch order: undone backwards
    for (size_t at = 1; at + 8 <= size;) {
        uint64_t sector = card.place[data[at] % PLACES] + le(&data[at + 1], 4);
        uint32_t offset = le(&data[at + 5], 2) % 512;
        size_t length = std::min<size_t>({data[at + 7], 512 - offset, size - at - 8});
        const uint8_t *bytes = &data[at + 8];
        at += 8 + length;
        if (sector >= CARD_SECTORS) continue;
        saved_sector s{sector, std::vector<uint8_t>(512)};
        check(store_read(card.medium, sector, 1, s.bytes.data()) == 0, "reading the card");
        std::vector<uint8_t> patched = s.bytes;
        memcpy(&patched[offset], bytes, length);
        check(store_write(card.medium, sector, 1, patched.data()) == 0, "patching the card");
        saved.push_back(std::move(s));
    }

    const uint32_t writes = fault_store_counts(card.counted).writes;
    std::string text;
    std::vector<const char *> args = {"check"};
    if (json) args.push_back("--json");
    int status = run(card, args, &text);
    check(status == 0 || status == 1, "status 0 or 1");
    check(fault_store_counts(card.counted).writes == writes, "the check writes nothing");
    check(!text.empty() && text.back() == '\n', "whole lines");
    std::string last = text.substr(text.rfind('\n', text.size() - 2) + 1);
    if (json) {
        check(last.rfind("{", 0) == 0 && last.find("\"clean\":") != std::string::npos,
              "the summary object last");
    } else {
        check(last.rfind("check done: ", 0) == 0, "the summary line last");
        check((status == 0) == (last.rfind("check done: 0 findings", 0) == 0),
              "status 0 exactly when nothing was found");
    }

    for (auto s = saved.rbegin(); s != saved.rend(); ++s)
        check(store_write(card.medium, s->sector, 1, s->bytes.data()) == 0, "undoing a patch");
    return 0;
}
