// A card in memory under a drive letter, for tests of card commands: the
// commands open it through disk_open like any card, and the test looks at
// the sectors afterwards. With a fault plan the commands see a card that
// fails as planned, while `medium` keeps what really reached it.
//
//   memory_card card(8000000);              // sparse: costs what is written
//   card_dispatch(log, 3, {"", "format", card.drive().c_str()});
//   auto mbr = card.read(0, 1);
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "card/store/sector_store.h"
#include "card/store/sector_store_fault.h"

struct memory_card {
    explicit memory_card(uint64_t sectors);
    memory_card(uint64_t sectors, const fault_plan &faults);
    ~memory_card();  // forgets the letter and frees the stores
    memory_card(const memory_card &) = delete;
    memory_card &operator=(const memory_card &) = delete;

    std::string drive() const { return std::string(1, letter); }
    // Straight from the medium, around any faults; a failed read is a test
    // error (reported and returned as zeros).
    std::vector<uint8_t> read(uint64_t sector, uint32_t count) const;
    void write(uint64_t sector, const std::vector<uint8_t> &bytes);  // whole sectors
    fault_counts counts() const { return fault_store_counts(faulty); }

    sector_store *medium;  // what the card holds
    sector_store *faulty;  // the fault wrapper, or nullptr without a plan
    char letter;           // 0 when no letter was free
};
