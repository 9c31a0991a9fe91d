// The card check: a read-only walk over everything the card's structure
// claims (partition table, FAT partition, every block of the chain, every
// record, the index discs, "cdlist.txt", every stored sector of every area)
// that reports each fault it finds and carries on past it, so one run shows
// the whole damage. Nothing here writes to the card.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "card/store/disk_handle.h"
#include "core/log.h"

struct check_finding {
    int64_t block = -1;  // block number in the chain; -1: the card as a whole
    int64_t image = -1;  // block * 100 + record; -1: not about one image
    std::string name;    // the image's name as its name sector holds it
    std::string problem;
};

struct check_summary {
    uint32_t blocks = 0;  // blocks of the chain that were read
    uint32_t images = 0;  // records of those blocks
    uint64_t findings = 0;
    uint64_t sectors_read = 0;  // of the areas, read from the medium
    bool stopped = false;       // the user stopped it before the end
};

using check_report = std::function<void(const check_finding &)>;

// Checks the card behind disk (drive names it for the FAT partition, which
// may be reached through its mount point). Each finding goes to report as it
// is found; the gauge counts the sectors of the areas. log receives the
// "stopped" line when the user stops it; nothing else.
void card_check(disk_handle *disk, const char *drive, log_sink *log, const check_report &report,
                check_summary *out);

// "image#0-02 \"name\": problem", "block 1: problem", "card: problem".
std::string check_finding_text(const check_finding &f);
