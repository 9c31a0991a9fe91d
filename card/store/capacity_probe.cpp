#include "card/store/capacity_probe.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "card/store/disk_over_store.h"
#include "core/le_bytes.h"

namespace {

constexpr uint32_t SECTOR = 512;
constexpr uint64_t SPREAD_SAMPLES = 64;  // evenly over the card
constexpr uint64_t END_SAMPLES = 32;     // over its last sixteenth
constexpr uint64_t LAST_SECTORS = 8;     // the very last ones

std::vector<uint64_t> sample_sectors(uint64_t total) {
    std::vector<uint64_t> s;
    for (uint64_t k = 0; k < SPREAD_SAMPLES; k++) s.push_back(total / SPREAD_SAMPLES * k);
    uint64_t tail = total - total / 16;
    for (uint64_t k = 0; k < END_SAMPLES; k++) s.push_back(tail + total / 16 / END_SAMPLES * k);
    for (uint64_t k = 1; k <= LAST_SECTORS && k <= total; k++) s.push_back(total - k);
    std::sort(s.begin(), s.end());
    s.erase(std::unique(s.begin(), s.end()), s.end());
    return s;
}

// Marker: a tag, the sector's own number and a pattern derived from both.
void make_marker(uint64_t sector, uint8_t *out) {
    static const char tag[] = "VMK-CAPACITY-PROBE";
    memcpy(out, tag, sizeof tag);
    uint64_t x = sector * 0x9E3779B97F4A7C15u + 1;
    for (uint32_t i = 32; i < SECTOR; i += 8) {
        x ^= x >> 27;
        x *= 0x94D049BB133111EBu;
        le32_put(out + i, static_cast<uint32_t>(x));
        le32_put(out + i + 4, static_cast<uint32_t>(x >> 32));
    }
    le32_put(out + 24, static_cast<uint32_t>(sector));
    le32_put(out + 28, static_cast<uint32_t>(sector >> 32));
}

}  // namespace

bool capacity_probe(disk_handle *h, log_sink *log, capacity_result *out) {
    uint64_t total = disk_total_sectors(h);
    out->claimed = out->holds = total;
    if (total == 0) return true;
    std::vector<uint64_t> samples = sample_sectors(total);
    std::vector<uint8_t> saved(samples.size() * SECTOR), marker(SECTOR), back(SECTOR);
    // Everything is saved before anything is written: on a wrapping card two
    // samples share a place, and both then restore its original contents.
    for (size_t k = 0; k < samples.size(); k++)
        if (!disk_read_uncached_at(h, samples[k], &saved[k * SECTOR], SECTOR)) {
            log_printf(log, "capacity probe: sector %llu cannot be read\n",
                       static_cast<unsigned long long>(samples[k]));
            return false;
        }
    bool ok = true;
    size_t written = 0;
    for (; written < samples.size() && ok; written++) {
        make_marker(samples[written], marker.data());
        ok = disk_write_at(h, samples[written], marker.data(), SECTOR);
    }
    // Samples that read back the same marker share one place on the medium:
    // the lowest of them is that place, the others lie past the real end.
    // A sample that reads back no marker at all was lost.
    std::vector<uint64_t> lowest_reader(samples.size(), UINT64_MAX);
    for (size_t k = 0; ok && k < samples.size(); k++) {
        bool read = disk_read_uncached_at(h, samples[k], back.data(), SECTOR);
        uint64_t owner = le32_get(back.data() + 24) | uint64_t{le32_get(back.data() + 28)} << 32;
        make_marker(owner, marker.data());
        auto sample = std::lower_bound(samples.begin(), samples.end(), owner);
        bool a_marker = read && sample != samples.end() && *sample == owner &&
                        memcmp(back.data(), marker.data(), SECTOR) == 0;
        if (!a_marker) {
            out->holds = std::min(out->holds, samples[k]);
            continue;
        }
        uint64_t &lowest = lowest_reader[static_cast<size_t>(sample - samples.begin())];
        if (lowest == UINT64_MAX)
            lowest = samples[k];  // ascending order: the first reader is the lowest
        else
            out->holds = std::min(out->holds, samples[k]);
    }
    bool restored = true;
    for (size_t k = written; k-- > 0;)
        restored = disk_write_at(h, samples[k], &saved[k * SECTOR], SECTOR) && restored;
    restored = disk_flush(h) && restored;
    if (!ok || !restored) {
        log_line(log, ok ? "capacity probe: the card's sectors could not be restored"
                         : "capacity probe: write error");
        return false;
    }
    return true;
}

std::string capacity_shortfall_text(const capacity_result &r) {
    char text[128];
    snprintf(text, sizeof text, "the card reports %llu sectors but holds only %llu (%llu MiB)",
             static_cast<unsigned long long>(r.claimed), static_cast<unsigned long long>(r.holds),
             static_cast<unsigned long long>(r.holds / 2048));
    return text;
}
