// HuCard ROM dump over the console's bus: the bank probe finds the size of a
// plain card, the banks are read 7 at a time, and the whole image is held in
// memory before the file is written, so a failed read leaves no file.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/internal_error.h"
#include "device/console_memory.h"
#include "device/device_ops.h"
#include "device/dump_checks.h"
#include "device/wire_protocol.h"

namespace {

constexpr size_t PROBE_SIZE = 256;
constexpr size_t PROBE_HALF = 128;
constexpr unsigned UPPER_HALF_BANK = 0x40;
constexpr unsigned FIRST_MEMORYBASE_BANK = 0xC0;
constexpr unsigned MEMORYBASE_BANKS = 16;
constexpr unsigned SF2_PAGE_BANKS = 64;  // one 512 KiB page of the mapper
constexpr unsigned SF2_UPPER_PAGES = 4;
// A bank that differs between the two passes is read at most this often more.
constexpr int BANK_RETRIES = 3;

void add_banks(std::vector<bus_bank> *map, unsigned first, uint8_t argument, unsigned count) {
    for (unsigned i = 0; i < count; i++)
        map->push_back({static_cast<uint8_t>(first + i), argument});
}

// Where each bank of the image comes from, or an empty map after reporting
// why the card cannot be read. *probe_line receives the "page size" line.
std::vector<bus_bank> plain_card_map(device_context *ctx, int map, std::string *probe_line) {
    log_sink *l = ctx->log;
    int card = 0;
    if (!vmk_read_hucard(ctx->port, l, &card)) {
        log_line(l, COMM_ERROR);
        return {};
    }
    if (!card) {
        log_line(l, "HuCard slot is empty");
        return {};
    }
    uint8_t probe[PROBE_SIZE];
    gauge_set_range(l, PROBE_SIZE);
    if (!vmk_bus_read(ctx->port, l, VMK_BUS_PROBE, 0, probe, sizeof probe)) {
        // The board may have been part way through a bus access.
        vmk_reset_release(ctx->port, l);
        log_line(l, COMM_ERROR);
        return {};
    }
    unsigned first = static_cast<unsigned>(probe_banks(probe));
    unsigned second = 0;
    if (map == MAP_DUMP_GENERIC && memcmp(probe, probe + PROBE_HALF, PROBE_HALF) != 0)
        second = static_cast<unsigned>(probe_banks(probe + PROBE_HALF));
    char line[48];
    snprintf(line, sizeof line, "page size: 0x%02x+0x%02x", first, second);
    *probe_line = line;
    std::vector<bus_bank> banks;
    add_banks(&banks, 0, 0, first);
    add_banks(&banks, UPPER_HALF_BANK, 0, second);
    return banks;
}

// The banked card: the lower 512 KiB is fixed, the upper half shows one of
// four 512 KiB pages chosen by the argument.
std::vector<bus_bank> sf2_map(std::string *probe_line) {
    char line[48];
    snprintf(line, sizeof line, "page size: 0x%02x+0x%02x", SF2_PAGE_BANKS,
             SF2_PAGE_BANKS * SF2_UPPER_PAGES);
    *probe_line = line;
    std::vector<bus_bank> banks;
    add_banks(&banks, 0, 0, SF2_PAGE_BANKS);
    for (unsigned page = 0; page < SF2_UPPER_PAGES; page++)
        add_banks(&banks, UPPER_HALF_BANK, static_cast<uint8_t>(page), SF2_PAGE_BANKS);
    return banks;
}

// Reads the banks of `map` into image, one bus request run per stretch of
// consecutive banks under one argument within one half of the bank space.
bool read_banks(device_context *ctx, const std::vector<bus_bank> &map, uint8_t *image) {
    size_t i = 0;
    while (i < map.size()) {
        size_t run = 1;
        while (i + run < map.size() && map[i + run].argument == map[i].argument &&
               map[i + run].bank == map[i].bank + run && map[i + run].bank != UPPER_HALF_BANK)
            run++;
        if (!vmk_bus_banks(ctx->port, ctx->log, map[i].bank, map[i].argument,
                           image + i * VMK_BANK_SIZE, static_cast<unsigned>(run)))
            return false;
        i += run;
    }
    return true;
}

// Image banks whose first two reads differed, by what the re-reads gave.
struct bank_disagreements {
    std::vector<unsigned> settled;       // two reads agreed in the end
    std::vector<unsigned> never_agreed;  // every read differed
};

// The second pass and the re-reads: a bank is settled once two of its reads
// agree. Returns false on a failed read.
bool verify_banks(device_context *ctx, const std::vector<bus_bank> &map, std::vector<uint8_t> *image,
                  bank_disagreements *differed, int *reads) {
    std::vector<uint8_t> second(image->size());
    if (!read_banks(ctx, map, second.data())) return false;
    *reads = 2;
    for (size_t b = 0; b < map.size(); b++) {
        uint8_t *first = image->data() + b * VMK_BANK_SIZE;
        std::vector<std::vector<uint8_t>> seen{
            std::vector<uint8_t>(first, first + VMK_BANK_SIZE),
            std::vector<uint8_t>(second.begin() + static_cast<long>(b * VMK_BANK_SIZE),
                                 second.begin() + static_cast<long>((b + 1) * VMK_BANK_SIZE))};
        if (seen[0] == seen[1]) continue;
        bool agreed = false;
        for (int retry = 0; retry < BANK_RETRIES && !agreed; retry++) {
            std::vector<uint8_t> again(VMK_BANK_SIZE);
            if (!vmk_bus_banks(ctx->port, ctx->log, map[b].bank, map[b].argument, again.data(), 1))
                return false;
            *reads = std::max(*reads, 3 + retry);
            for (const auto &earlier : seen)
                if (earlier == again) {
                    memcpy(first, again.data(), VMK_BANK_SIZE);
                    agreed = true;
                    break;
                }
            seen.push_back(std::move(again));
        }
        (agreed ? differed->settled : differed->never_agreed).push_back(static_cast<unsigned>(b));
    }
    return true;
}

void log_banks(log_sink *l, const char *what, const std::vector<unsigned> &banks) {
    log_write(l, what);
    for (unsigned b : banks) log_printf(l, " 0x%02x", b);
    log_write(l, "\n");
}

}  // namespace

// The probe half repeats with the card's bank count: halve while the two
// halves of the current window agree, and the window left is one period.
int probe_banks(const uint8_t half[128]) {
    int len = 64;
    while (len > 1 && memcmp(half, half + len / 2, static_cast<size_t>(len / 2)) == 0) len /= 2;
    return len;
}

size_t hucard_dump(device_context *ctx, int map, const char *file, int *ok) {
    *ok = 0;
    if (map != MAP_DUMP_GENERIC && map != MAP_DUMP_SF2CE && map != MAP_DUMP_ROMRAM &&
        map != MAP_DUMP_MEMORYBASE) {
        internal_error(
            "mapping == MAP_DUMP_GENERIC || mapping == MAP_DUMP_SF2CE || mapping == "
            "MAP_DUMP_ROMRAM || mapping == MAP_DUMP_MEMORYBASE");
        return 0;
    }
    log_sink *l = ctx->log;
    const bool verify =
        ctx->arguments != nullptr && command_option_given(*ctx->arguments, DUMP_VERIFY);
    dump_record record;
    if (map == MAP_DUMP_MEMORYBASE) {
        if (!memorybase_detect(ctx)) {
            vmk_set_map(ctx->port, l, 0);
            return 0;
        }
        add_banks(&record.banks, FIRST_MEMORYBASE_BANK, 0, MEMORYBASE_BANKS);
    } else {
        record.banks =
            map == MAP_DUMP_SF2CE ? sf2_map(&record.probe) : plain_card_map(ctx, map, &record.probe);
        if (record.banks.empty()) return 0;
        log_printf(l, "%s\n", record.probe.c_str());
    }

    std::vector<uint8_t> image(record.banks.size() * VMK_BANK_SIZE);
    gauge_set_range(l, static_cast<int64_t>(image.size()) * (verify ? 2 : 1));
    bank_disagreements differed;
    record.reads = 1;
    bool read = read_banks(ctx, record.banks, image.data()) &&
                (!verify || verify_banks(ctx, record.banks, &image, &differed, &record.reads));
    // Every read ends the same way: progress off and the console released
    // (map 0 for the Memory Base), whether or not the banks arrived.
    serial_progress_off(ctx->port);
    int settled = map == MAP_DUMP_MEMORYBASE ? vmk_set_map(ctx->port, l, 0)
                                             : vmk_reset_release(ctx->port, l);
    if (!read) {
        vmk_failure_line(l, COMM_ERROR);
        return 0;
    }
    if (!differed.never_agreed.empty()) {
        log_banks(l, "verify failed: banks that never read the same twice:", differed.never_agreed);
        log_printf(l, "%s was not written: the card gave different data on every read\n", file);
        return 0;
    }
    if (verify && differed.settled.empty()) log_line(l, "verify: both reads agree in every bank");
    if (!differed.settled.empty())
        log_banks(l, "verify: the reads agree after re-reading banks", differed.settled);
    if (dump_save_checked(ctx, image, file, &record)) *ok = settled;
    return image.size();
}
