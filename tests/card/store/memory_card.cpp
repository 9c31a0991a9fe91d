#include "tests/card/store/memory_card.h"

#include <gtest/gtest.h>

#include "card/store/drive_table.h"

memory_card::memory_card(uint64_t sectors)
    : medium(memory_store_create(sectors)), faulty(nullptr), letter(0) {
    letter = drive_table_register_store(medium);
    EXPECT_NE(letter, 0) << "no free drive letter for the memory card";
}

memory_card::memory_card(uint64_t sectors, const fault_plan &faults)
    : medium(memory_store_create(sectors)), faulty(nullptr), letter(0) {
    faulty = fault_store_wrap(medium, faults);
    letter = drive_table_register_store(faulty);
    EXPECT_NE(letter, 0) << "no free drive letter for the memory card";
}

memory_card::~memory_card() {
    if (letter != 0) drive_table_forget(letter);
    store_close(faulty);
    store_close(medium);
}

std::vector<uint8_t> memory_card::read(uint64_t sector, uint32_t count) const {
    std::vector<uint8_t> bytes(uint64_t{count} * 512);
    int status = store_read(medium, sector, count, bytes.data());
    EXPECT_EQ(status, 0) << "reading sectors " << sector << " + " << count;
    if (status != 0) std::fill(bytes.begin(), bytes.end(), 0);
    return bytes;
}

void memory_card::write(uint64_t sector, const std::vector<uint8_t> &bytes) {
    ASSERT_EQ(bytes.size() % 512, 0u) << "whole sectors only";
    ASSERT_EQ(store_write(medium, sector, static_cast<uint32_t>(bytes.size() / 512), bytes.data()),
              0)
        << "writing sector " << sector;
}
