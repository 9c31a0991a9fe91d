// What the parts of the card check share while it runs: the card, where the
// findings go, and the blocks as they were read. Internal to the check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "card/check/card_check.h"
#include "card/layout/card_layout.h"
#include "card/layout/layout_records.h"
#include "core/printf_format.h"

struct checked_record {
    disc_record r;
    uint64_t first = 0;     // absolute sector of the area
    bool inside = false;    // the area lies inside partition #1 and is long enough
    bool named = false;     // the name sector was read
    std::string name;
    uint8_t romconfig[2] = {};
};

struct checked_block {
    uint32_t number = 0;
    uint32_t sector = 0;
    managearea_header h{};
    std::vector<checked_record> records;
    bool settings_read = false;
    uint8_t settings[512] = {};
};

struct check_run {
    disk_handle *disk;
    const char *drive;
    log_sink *log;
    const check_report *report;
    check_summary *summary;
    uint64_t card_sectors = 0;
    uint32_t first = 0;  // partition #1
    uint32_t size = 0;
    bool chain_whole = false;  // every block read and linked: the card opens
    std::vector<checked_block> blocks;

    void find(int64_t block, int64_t image, const std::string &name, const std::string &problem);
    // A finding about the card as a whole, a block, or a record of a block.
    void card(const char *format, ...) VMK_PRINTF(2, 3);
    void block(const checked_block &b, const char *format, ...) VMK_PRINTF(3, 4);
    void record(const checked_block &b, uint32_t i, const char *format, ...) VMK_PRINTF(4, 5);
    bool stop() { return summary->stopped || (summary->stopped = log_stop_point(log)); }
};

// A log sink whose lines are kept as text, for validators that report
// through a sink: their message becomes a finding.
struct collected_log {
    std::string text;
    log_sink *sink;
    collected_log();
    ~collected_log();
    collected_log(const collected_log &) = delete;
    collected_log &operator=(const collected_log &) = delete;
    std::string line() const;  // the first line, without its end
};

// The parts, in the order card_check runs them.
void check_partitions(check_run &run);
void check_chain(check_run &run);
void check_overlaps(check_run &run);
void check_records(check_run &run);
void check_index_discs(check_run &run);
void check_listing(check_run &run);
void check_areas(check_run &run);
